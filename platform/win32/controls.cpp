// The dialog manager's controls: statics (frames, rectangles, pictures and text) and push
// buttons, drawn in the classic three-dimensional look on the face colour.
#include "win32/window.h"

#include <algorithm>
#include <cstdint>

#include "win32/gdiobj.h"
#include "win32/iconobj.h"

namespace {

void Fill(HDC dc, int x, int y, int cx, int cy, COLORREF colour) {
    if (cx <= 0 || cy <= 0) {
        return;
    }
    const RECT r = {x, y, x + cx, y + cy};
    DvFillRect(dc, &r, colour);
}

// A one-pixel frame just inside r.
void Frame(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
    const int cx = r.right - r.left;
    const int cy = r.bottom - r.top;
    if (cx <= 0 || cy <= 0) {
        return;
    }
    Fill(dc, r.left, r.top, cx, 1, topLeft);
    Fill(dc, r.left, r.top, 1, cy, topLeft);
    Fill(dc, r.left, r.bottom - 1, cx, 1, bottomRight);
    Fill(dc, r.right - 1, r.top, 1, cy, bottomRight);
}

// Sizes a picture static to its picture plus its frame, keeping its top-left corner.
void FitToImage(DvWindow* window, int cx, int cy) {
    const int border = DvBorderWidth(window);
    window->rect.right = window->rect.left + cx + 2 * border;
    window->rect.bottom = window->rect.top + cy + 2 * border;
}

bool ImageSize(const DvWindow* window, int* cx, int* cy) {
    if (window->image == nullptr) {
        return false;
    }
    if ((window->style & SS_TYPEMASK) == SS_ICON) {
        *cx = kDvIconSize;
        *cy = kDvIconSize;
        return true;
    }
    BITMAP bm = {};
    if (GetObject(window->image, sizeof bm, &bm) == 0) {
        return false;
    }
    *cx = bm.bmWidth;
    *cy = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
    return true;
}

void SetImage(DvWindow* window, HGDIOBJ image, bool owned) {
    if (window->ownsImage && window->image != nullptr && window->image != image) {
        if ((window->style & SS_TYPEMASK) == SS_ICON) {
            DestroyIcon(static_cast<HICON>(window->image));
        } else {
            DeleteObject(window->image);
        }
    }
    window->image = image;
    window->ownsImage = owned;
    // A centred picture leaves the static its size (the picture is clipped to it).
    int cx = 0;
    int cy = 0;
    if (!(window->style & SS_CENTERIMAGE) && ImageSize(window, &cx, &cy)) {
        FitToImage(window, cx, cy);
    }
}

void PaintStatic(DvWindow* window, HDC dc) {
    const RECT client = DvClientRect(window);
    const DWORD type = window->style & SS_TYPEMASK;
    switch (type) {
    case SS_BLACKFRAME:
        Frame(dc, client, RGB(0, 0, 0), RGB(0, 0, 0));
        return;
    case SS_GRAYFRAME:
        Frame(dc, client, RGB(128, 128, 128), RGB(128, 128, 128));
        return;
    case SS_WHITEFRAME:
        Frame(dc, client, RGB(255, 255, 255), RGB(255, 255, 255));
        return;
    case SS_ETCHEDFRAME: {
        Frame(dc, client, RGB(128, 128, 128), RGB(255, 255, 255));
        RECT inner = client;
        InflateRect(&inner, -1, -1);
        Frame(dc, inner, RGB(255, 255, 255), RGB(128, 128, 128));
        return;
    }
    case SS_BLACKRECT:
        DvFillRect(dc, &client, RGB(0, 0, 0));
        return;
    case SS_GRAYRECT:
        DvFillRect(dc, &client, RGB(128, 128, 128));
        return;
    case SS_WHITERECT:
        DvFillRect(dc, &client, RGB(255, 255, 255));
        return;
    case SS_BITMAP: {
        DvFillRect(dc, &client, DvFaceColour());
        int cx = 0;
        int cy = 0;
        if (!ImageSize(window, &cx, &cy)) {
            return;
        }
        int x = 0;
        int y = 0;
        if (window->style & SS_CENTERIMAGE) {
            x = (client.right - cx) / 2;
            y = (client.bottom - cy) / 2;
        }
        HDC memory = CreateCompatibleDC(dc);
        if (memory == nullptr) {
            return;
        }
        HGDIOBJ old = SelectObject(memory, window->image);
        BitBlt(dc, x, y, cx, cy, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
        return;
    }
    case SS_ICON:
        DvFillRect(dc, &client, DvFaceColour());
        if (window->image != nullptr) {
            DrawIcon(dc, 0, 0, static_cast<HICON>(window->image));
        }
        return;
    default: {
        DvFillRect(dc, &client, DvFaceColour());
        UINT format = 0;
        if (type == SS_CENTER) {
            format |= DT_CENTER;
        } else if (type == SS_RIGHT) {
            format |= DT_RIGHT;
        }
        if (type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP) {
            format |= DT_SINGLELINE;
        } else {
            format |= DT_WORDBREAK;
        }
        if (window->style & SS_NOPREFIX) {
            format |= DT_NOPREFIX;
        }
        const COLORREF colour =
            DvIsEnabledTree(window) ? GetSysColor(COLOR_WINDOWTEXT) : GetSysColor(COLOR_GRAYTEXT);
        DvDrawControlText(dc, window, window->text.c_str(), client, format, colour);
        return;
    }
    }
}

void PaintButton(DvWindow* window, HDC dc) {
    RECT r = DvClientRect(window);
    DvFillRect(dc, &r, DvFaceColour());
    const bool isDefault = (window->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    if (isDefault) {
        Frame(dc, r, RGB(0, 0, 0), RGB(0, 0, 0));
        InflateRect(&r, -1, -1);
    }
    int shift = 0;
    if (window->pressed) {
        Frame(dc, r, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNSHADOW));
        shift = 1;
    } else {
        Frame(dc, r, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_3DDKSHADOW));
        RECT inner = r;
        InflateRect(&inner, -1, -1);
        Frame(dc, inner, GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_BTNSHADOW));
    }
    RECT text = r;
    OffsetRect(&text, shift, shift);
    const COLORREF colour =
        DvIsEnabledTree(window) ? GetSysColor(COLOR_BTNTEXT) : GetSysColor(COLOR_GRAYTEXT);
    DvDrawControlText(dc, window, window->text.c_str(), text,
                      DT_CENTER | DT_VCENTER | DT_SINGLELINE, colour);
}

void Click(DvWindow* window) {
    const HWND hWnd = window->hWnd;
    const HWND parent = window->parent;
    SendMessage(parent, WM_COMMAND, MAKEWPARAM(window->id, BN_CLICKED),
                reinterpret_cast<LPARAM>(hWnd));
}

void SetPressed(DvWindow* window, bool pressed) {
    if (window->pressed != pressed) {
        window->pressed = pressed;
        DvInvalidate(window, nullptr, true, false);
    }
}

bool InClient(DvWindow* window, LPARAM lParam) {
    const RECT client = DvClientRect(window);
    const POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return PtInRect(&client, p) != FALSE;
}

} // namespace

void DvDrawControlText(HDC dc, const DvWindow* window, LPCSTR text, RECT rect, UINT format,
                       COLORREF colour) {
    if (text == nullptr || *text == '\0') {
        return;
    }
    HGDIOBJ oldFont = nullptr;
    if (window->font != nullptr) {
        oldFont = SelectObject(dc, window->font);
    }
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, colour);
    DrawText(dc, text, -1, &rect, format);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    if (oldFont != nullptr) {
        SelectObject(dc, oldFont);
    }
}

HBITMAP DvLoadBitmapResource(HINSTANCE instance, LPCSTR name) {
    HRSRC found = FindResource(instance, name, RT_BITMAP);
    if (found == nullptr) {
        return nullptr;
    }
    const DWORD size = SizeofResource(instance, found);
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(instance, found)));
    if (data == nullptr || size < sizeof(BITMAPINFOHEADER)) {
        return nullptr;
    }
    BITMAPINFOHEADER header;
    std::copy(data, data + sizeof header, reinterpret_cast<BYTE*>(&header));
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > size || header.biWidth <= 0 ||
        header.biHeight == 0 || header.biHeight == INT32_MIN || header.biPlanes != 1) {
        return nullptr;
    }
    const int bitCount = header.biBitCount;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32) {
        return nullptr;
    }
    if (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS) {
        return nullptr;
    }
    std::uint64_t colours = 0;
    if (bitCount <= 8) {
        colours = header.biClrUsed != 0 ? header.biClrUsed : (1u << bitCount);
        if (colours > (1u << bitCount)) {
            return nullptr;
        }
    }
    if (header.biCompression == BI_BITFIELDS) {
        colours = 3;
    }
    const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    // Computed in 64 bits: the header's width and height are untrusted.
    const std::uint64_t stride =
        ((static_cast<std::uint64_t>(header.biWidth) * bitCount + 31) / 32) * 4;
    const std::uint64_t bitsOffset = header.biSize + colours * 4;
    if (bitsOffset > size || stride == 0 ||
        static_cast<std::uint64_t>(height) > (size - bitsOffset) / stride) {
        return nullptr;
    }
    // The colour table lies behind the header, so the header's own bytes are the record.
    std::vector<BYTE> info(static_cast<size_t>(bitsOffset) < sizeof(BITMAPINFO)
                               ? sizeof(BITMAPINFO)
                               : static_cast<size_t>(bitsOffset));
    std::copy(data, data + bitsOffset, info.begin());
    reinterpret_cast<BITMAPINFOHEADER*>(info.data())->biSize = sizeof(BITMAPINFOHEADER);
    if (header.biSize != sizeof(BITMAPINFOHEADER)) {
        // A longer header: the colours follow it, so move them up behind a plain header.
        std::copy(data + header.biSize, data + bitsOffset, info.begin() + sizeof(BITMAPINFOHEADER));
    }

    BITMAPINFO target = {};
    target.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    target.bmiHeader.biWidth = header.biWidth;
    target.bmiHeader.biHeight = -height;
    target.bmiHeader.biPlanes = 1;
    target.bmiHeader.biBitCount = 32;
    target.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) {
        return nullptr;
    }
    if (SetDIBits(nullptr, bitmap, 0, static_cast<UINT>(height), data + bitsOffset,
                  reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS) == 0) {
        DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
}

HBITMAP LoadBitmap(HINSTANCE instance, LPCSTR bitmapName) {
    return DvLoadBitmapResource(instance, bitmapName);
}

LRESULT CALLBACK DvStaticProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return 0;
    }
    const DWORD type = window->style & SS_TYPEMASK;
    switch (message) {
    case WM_NCCREATE: {
        // A picture static names its picture where a text would stand.
        const CREATESTRUCT* cs = reinterpret_cast<const CREATESTRUCT*>(lParam);
        LPCSTR name = cs != nullptr ? cs->lpszName : nullptr;
        if (name != nullptr && !IS_INTRESOURCE(name) && name[0] == '\0') {
            name = nullptr;
        }
        if (type == SS_BITMAP && name != nullptr) {
            if (HBITMAP bitmap = DvLoadBitmapResource(cs->hInstance, name)) {
                SetImage(window, bitmap, true);
            }
            window->text.clear();
        } else if (type == SS_ICON && name != nullptr) {
            if (HICON icon = LoadIcon(cs->hInstance, name)) {
                SetImage(window, icon, false);
            }
            window->text.clear();
        }
        return TRUE;
    }
    case WM_ERASEBKGND:
        return 1; // statics paint all they show in WM_PAINT; frames leave their inside alone
    case WM_PAINT: {
        PAINTSTRUCT ps;
        if (HDC dc = BeginPaint(hWnd, &ps)) {
            if (DvWindow* again = DvLookupWindow(hWnd)) {
                PaintStatic(again, dc);
            }
            EndPaint(hWnd, &ps);
        }
        return 0;
    }
    case STM_SETIMAGE:
    case STM_SETICON: {
        const bool icon = message == STM_SETICON || wParam == IMAGE_ICON;
        if (icon != (type == SS_ICON) || (!icon && type != SS_BITMAP)) {
            return 0;
        }
        HGDIOBJ previous = window->ownsImage ? nullptr : window->image;
        HGDIOBJ image = message == STM_SETICON ? reinterpret_cast<HGDIOBJ>(wParam)
                                               : reinterpret_cast<HGDIOBJ>(lParam);
        DvInvalidate(DvLookupWindow(window->parent), &window->rect, true, false);
        SetImage(window, image, false);
        DvInvalidate(window, nullptr, true, false);
        return reinterpret_cast<LRESULT>(previous);
    }
    case STM_GETIMAGE:
    case STM_GETICON:
        return reinterpret_cast<LRESULT>(window->image);
    default:
        return DefWindowProc(hWnd, message, wParam, lParam);
    }
}

LRESULT CALLBACK DvButtonProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return 0;
    }
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        if (HDC dc = BeginPaint(hWnd, &ps)) {
            if (DvWindow* again = DvLookupWindow(hWnd)) {
                PaintButton(again, dc);
            }
            EndPaint(hWnd, &ps);
        }
        return 0;
    }
    case WM_LBUTTONDOWN:
        window->tracking = true;
        SetCapture(hWnd);
        SetPressed(window, true);
        return 0;
    case WM_MOUSEMOVE:
        if (window->tracking) {
            SetPressed(window, InClient(window, lParam));
        }
        return 0;
    case WM_LBUTTONUP:
        if (window->tracking) {
            const bool click = window->pressed && InClient(window, lParam);
            window->tracking = false;
            SetPressed(window, false);
            ReleaseCapture();
            if (click) {
                if (DvWindow* again = DvLookupWindow(hWnd)) {
                    Click(again);
                }
            }
        }
        return 0;
    case WM_CAPTURECHANGED:
        if (window->tracking && reinterpret_cast<HWND>(lParam) != hWnd) {
            window->tracking = false;
            SetPressed(window, false);
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
            SetPressed(window, true);
        }
        return 0;
    case WM_KEYUP:
        if (wParam == VK_SPACE && window->pressed) {
            SetPressed(window, false);
            Click(window);
        }
        return 0;
    case BM_CLICK:
        Click(window);
        return 0;
    case BM_SETSTATE:
        SetPressed(window, wParam != 0);
        return 0;
    case BM_GETSTATE:
        return window->pressed ? BST_PUSHED : 0;
    case BM_SETSTYLE:
        window->style = (window->style & ~BS_TYPEMASK) | (static_cast<DWORD>(wParam) & BS_TYPEMASK);
        if (lParam) {
            DvInvalidate(window, nullptr, true, false);
        }
        return 0;
    case WM_ENABLE:
        DvInvalidate(window, nullptr, true, false);
        return 0;
    default:
        return DefWindowProc(hWnd, message, wParam, lParam);
    }
}
