// Invalidation and painting: update rectangles, the paint and window device contexts that
// draw into a top-level window's screen, the frames of child windows, and presenting what
// changed through the host.
#include "win32/window.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "win32/gdiobj.h"
#include "win32/iconobj.h"

namespace {

std::map<HDC, HWND>& WindowDCs() {
    static std::map<HDC, HWND> dcs;
    return dcs;
}

bool Empty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

RECT Intersection(const RECT& a, const RECT& b) {
    RECT r;
    if (!IntersectRect(&r, &a, &b)) {
        SetRectEmpty(&r);
    }
    return r;
}

void Union(RECT* into, const RECT& add) {
    if (Empty(add)) {
        return;
    }
    if (Empty(*into)) {
        *into = add;
        return;
    }
    into->left = std::min(into->left, add.left);
    into->top = std::min(into->top, add.top);
    into->right = std::max(into->right, add.right);
    into->bottom = std::max(into->bottom, add.bottom);
}

// A context that draws at the window's client origin, clipped to what is visible of its client
// area and to extraClip (top-level client coordinates) when one is given.
HDC MakeWindowDC(DvWindow* window, const RECT* extraClip) {
    DvWindow* top = DvTopLevelOf(window);
    if (top == nullptr || top->screen == nullptr) {
        return nullptr;
    }
    const POINT origin = DvClientOriginInTop(window);
    RECT clip = DvVisibleClientInTop(window);
    const RECT screen = {0, 0, top->screenWidth, top->screenHeight};
    clip = Intersection(clip, screen);
    if (extraClip != nullptr) {
        clip = Intersection(clip, *extraClip);
    }
    return DvCreateWindowDC(top->screen, origin, clip);
}

void ReleaseWindowDC(DvWindow* window, HDC dc) {
    DvWindow* top = DvTopLevelOf(window);
    if (DvDC* record = DvLookupDC(dc); record != nullptr && top != nullptr) {
        DvMarkDirty(top, record->clip);
    }
    DeleteDC(dc);
}

void Line(HDC dc, int x, int y, int cx, int cy, COLORREF colour) {
    const RECT r = {x, y, x + cx, y + cy};
    DvFillRect(dc, &r, colour);
}

} // namespace

COLORREF DvFaceColour() {
    return RGB(192, 192, 192);
}

DWORD GetSysColor(int index) {
    switch (index) {
    case COLOR_BTNFACE:
    case COLOR_MENU:
        return DvFaceColour();
    case COLOR_BTNSHADOW:
    case COLOR_GRAYTEXT:
        return RGB(128, 128, 128);
    case COLOR_BTNHIGHLIGHT:
    case COLOR_WINDOW:
    case COLOR_HIGHLIGHTTEXT:
        return RGB(255, 255, 255);
    case COLOR_INFOBK:
        return RGB(255, 255, 225);
    case COLOR_3DDKSHADOW:
    case COLOR_INFOTEXT:
    case COLOR_WINDOWTEXT:
    case COLOR_BTNTEXT:
    case COLOR_MENUTEXT:
        return RGB(0, 0, 0);
    case COLOR_3DLIGHT:
        return RGB(223, 223, 223);
    case COLOR_HIGHLIGHT:
        return RGB(0, 0, 128);
    default:
        return RGB(192, 192, 192);
    }
}

void DvMarkDirty(DvWindow* top, const RECT& rectInTop) {
    const RECT screen = {0, 0, top->screenWidth, top->screenHeight};
    const RECT r = Intersection(rectInTop, screen);
    if (Empty(r)) {
        return;
    }
    if (!top->dirty) {
        top->dirtyRect = r;
        top->dirty = true;
    } else {
        Union(&top->dirtyRect, r);
    }
}

bool DvPresentAll() {
    bool repaint = false;
    CHost* host = DvGetHost();
    for (HWND hWnd : DvTopLevelWindows()) {
        DvWindow* top = DvLookupWindow(hWnd);
        if (top == nullptr || !top->dirty) {
            continue;
        }
        if (top->host == 0 || !(top->style & WS_VISIBLE) || top->screenBits == nullptr) {
            continue; // kept dirty until the window can be shown
        }
        top->dirty = false;
        if (!host->Present(top->host, top->screenBits, top->screenWidth, top->screenHeight,
                           top->screenStride, top->dirtyRect) &&
            top->screenLent) {
            // The host no longer shows from the memory it lent: the screen moves to what it
            // lends now, and whatever that loses is painted and presented again.
            DvResizeScreen(top, top->screenWidth, top->screenHeight);
            repaint = repaint || DvFindInvalidWindow() != nullptr;
        }
    }
    return repaint;
}

void DvFreeScreen(DvWindow* top) {
    if (top->screen != nullptr) {
        DeleteObject(top->screen);
    }
    top->screen = nullptr;
    top->screenBits = nullptr;
    top->screenStride = 0;
    top->screenLent = false;
    top->dirty = false;
}

bool DvResizeScreen(DvWindow* top, int cx, int cy) {
    cx = std::max(cx, 0);
    cy = std::max(cy, 0);
    CHost::LentScreen lent;
    if (top->host != 0 && cx > 0 && cy > 0) {
        lent = DvGetHost()->LendScreen(top->host, cx, cy);
    }
    const bool sameSize =
        top->screen != nullptr && cx == top->screenWidth && cy == top->screenHeight;
    const bool sameMemory = lent.pixels == nullptr ? !top->screenLent
                                                   : top->screenLent && !lent.fresh &&
                                                         lent.pixels == top->screenBits &&
                                                         lent.strideBytes == top->screenStride;
    if (sameSize && sameMemory) {
        return true;
    }
    HBITMAP screen = nullptr;
    BYTE* bits = nullptr;
    int stride = 0;
    if (lent.pixels != nullptr) {
        screen = DvCreateBorrowedSection(lent.pixels, cx, cy, lent.strideBytes);
        bits = static_cast<BYTE*>(lent.pixels);
        stride = lent.strideBytes;
    }
    if (screen == nullptr) {
        // A screen of at least one pixel, so that a window of no size still has a context;
        // its clip keeps every drawing out.
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = std::max(cx, 1);
        info.bmiHeader.biHeight = -std::max(cy, 1);
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* own = nullptr;
        screen = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &own, nullptr, 0);
        bits = static_cast<BYTE*>(own);
        // Only a section that was made has a stride; its bytes fit in an int, so this does too.
        stride = screen != nullptr ? std::max(cx, 1) * 4 : 0;
    }
    if (screen == nullptr) {
        if (top->screenLent) {
            DvFreeScreen(top); // lent memory may be gone: nothing may draw into it any more
        }
        return false;
    }
    // What our own memory of the same size holds carries over; memory the host lent may
    // already be gone, so a screen that replaces it is painted anew.
    const bool carried = sameSize && !top->screenLent && top->screenBits != nullptr;
    if (carried) {
        for (int y = 0; y < cy; ++y) {
            std::memcpy(bits + static_cast<size_t>(y) * stride,
                        top->screenBits + static_cast<size_t>(y) * top->screenStride,
                        static_cast<size_t>(cx) * 4);
        }
    }
    DvFreeScreen(top);
    top->screen = screen;
    top->screenBits = bits;
    top->screenWidth = cx;
    top->screenHeight = cy;
    top->screenStride = stride;
    top->screenLent = lent.pixels != nullptr && bits == lent.pixels;
    DvMarkDirty(top, RECT{0, 0, cx, cy});
    if (sameSize && !carried) {
        DvInvalidate(top, nullptr, true, true);
    }
    return true;
}

void DvInvalidate(DvWindow* window, const RECT* clientRect, bool erase, bool children) {
    if (window == nullptr || !DvIsVisible(window)) {
        return;
    }
    const RECT client = DvClientRect(window);
    const RECT r = clientRect != nullptr ? Intersection(*clientRect, client) : client;
    if (Empty(r) && clientRect != nullptr && !Empty(client)) {
        return;
    }
    if (!window->invalid) {
        window->update = r;
        window->invalid = true;
    } else {
        Union(&window->update, r);
    }
    window->erase = window->erase || erase;
    if (!children) {
        return;
    }
    for (HWND hChild : window->children) {
        DvWindow* child = DvLookupWindow(hChild);
        if (child == nullptr || !(child->style & WS_VISIBLE)) {
            continue;
        }
        const RECT overlap = Intersection(r, child->rect);
        if (Empty(overlap)) {
            continue;
        }
        const int border = DvBorderWidth(child);
        RECT inChild = overlap;
        OffsetRect(&inChild, -child->rect.left - border, -child->rect.top - border);
        const RECT childClient = DvClientRect(child);
        RECT sub = Intersection(inChild, childClient);
        if (Empty(sub)) {
            // Only the frame is touched: the frame is drawn again with the next paint.
            if (!child->invalid) {
                child->invalid = true;
                SetRectEmpty(&child->update);
            }
            continue;
        }
        DvInvalidate(child, &sub, erase, !(child->style & WS_CLIPCHILDREN));
    }
}

namespace {
DvWindow* FindInvalidIn(DvWindow* window) {
    if (window == nullptr || !(window->style & WS_VISIBLE)) {
        return nullptr;
    }
    if (window->invalid) {
        return window;
    }
    for (auto it = window->children.rbegin(); it != window->children.rend(); ++it) {
        if (DvWindow* found = FindInvalidIn(DvLookupWindow(*it))) {
            return found;
        }
    }
    return nullptr;
}
} // namespace

DvWindow* DvFindInvalidWindow() {
    for (HWND hWnd : DvTopLevelWindows()) {
        if (DvWindow* found = FindInvalidIn(DvLookupWindow(hWnd))) {
            return found;
        }
    }
    return nullptr;
}

void DvDrawFrame(HDC dc, const DvWindow* window) {
    const int cx = window->rect.right - window->rect.left;
    const int cy = window->rect.bottom - window->rect.top;
    int inset = 0;
    auto edge = [&](COLORREF topLeft, COLORREF bottomRight) {
        const int w = cx - 2 * inset;
        const int h = cy - 2 * inset;
        if (w <= 0 || h <= 0) {
            return;
        }
        Line(dc, inset, inset, w, 1, topLeft);
        Line(dc, inset, inset, 1, h, topLeft);
        Line(dc, inset, inset + h - 1, w, 1, bottomRight);
        Line(dc, inset + w - 1, inset, 1, h, bottomRight);
        ++inset;
    };
    if (window->style & WS_BORDER) {
        edge(RGB(0, 0, 0), RGB(0, 0, 0));
    }
    if (window->exStyle & WS_EX_CLIENTEDGE) {
        edge(GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
        edge(GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DLIGHT));
    }
    if (window->exStyle & WS_EX_STATICEDGE) {
        edge(GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
    }
}

void DvSetHostIcon(DvWindow* top) {
    if (top->host == 0) {
        return;
    }
    // The small picture from the small icon, the large one from the large icon, each standing in
    // for the other when only one is set.
    HICON small = top->smallIcon != nullptr ? top->smallIcon : top->bigIcon;
    HICON big = top->bigIcon != nullptr ? top->bigIcon : top->smallIcon;
    if (big == nullptr) {
        return;
    }
    std::vector<DWORD> smallPixels;
    std::vector<DWORD> bigPixels;
    CHost::IconImage images[2];
    int count = 0;
    if (DvIconPixels(small, kDvSmallIconSize, kDvSmallIconSize, &smallPixels)) {
        images[count++] = {smallPixels.data(), kDvSmallIconSize, kDvSmallIconSize};
    }
    if (DvIconPixels(big, kDvIconSize, kDvIconSize, &bigPixels)) {
        images[count++] = {bigPixels.data(), kDvIconSize, kDvIconSize};
    }
    if (count > 0) {
        DvGetHost()->SetHostIcons(top->host, images, count);
    }
}

BOOL InvalidateRect(HWND hWnd, const RECT* rect, BOOL erase) {
    if (hWnd == nullptr) {
        for (HWND top : DvTopLevelWindows()) {
            DvInvalidate(DvLookupWindow(top), nullptr, erase != FALSE, true);
        }
        return TRUE;
    }
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return FALSE;
    }
    DvInvalidate(window, rect, erase != FALSE, !(window->style & WS_CLIPCHILDREN));
    return TRUE;
}

BOOL ValidateRect(HWND hWnd, const RECT* rect) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return FALSE;
    }
    // The update area is one rectangle, so only validating all of it clears it.
    if (rect == nullptr ||
        (rect->left <= window->update.left && rect->top <= window->update.top &&
         rect->right >= window->update.right && rect->bottom >= window->update.bottom)) {
        window->invalid = false;
        window->erase = false;
        SetRectEmpty(&window->update);
    }
    return TRUE;
}

BOOL GetUpdateRect(HWND hWnd, LPRECT rect, BOOL erase) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return FALSE;
    }
    if (rect != nullptr) {
        if (window->invalid) {
            *rect = window->update;
        } else {
            SetRectEmpty(rect);
        }
    }
    if (erase && window->invalid && window->erase) {
        HDC dc = GetDC(hWnd);
        window->erase = SendMessage(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0;
        ReleaseDC(hWnd, dc);
    }
    return window->invalid && !Empty(window->update);
}

BOOL UpdateWindow(HWND hWnd) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return FALSE;
    }
    // Paints the window and then its children that are waiting, at once.
    if (window->invalid && DvIsVisible(window)) {
        SendMessage(hWnd, WM_PAINT, 0, 0);
        if (DvWindow* again = DvLookupWindow(hWnd)) {
            again->invalid = false;
        }
    }
    if (DvWindow* again = DvLookupWindow(hWnd)) {
        const std::vector<HWND> children = again->children;
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            UpdateWindow(*it);
        }
    }
    return TRUE;
}

HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT paint) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr || paint == nullptr) {
        return nullptr;
    }
    *paint = PAINTSTRUCT{};
    const RECT update = window->invalid ? window->update : RECT{0, 0, 0, 0};
    const bool erase = window->invalid && window->erase;
    window->invalid = false;
    window->erase = false;
    SetRectEmpty(&window->update);

    DvWindow* top = DvTopLevelOf(window);
    if (top == nullptr || top->screen == nullptr) {
        return nullptr;
    }
    if ((window->style & WS_CHILD) && DvBorderWidth(window) > 0) {
        // The frame, drawn in the window's own rectangle, clipped to what the parent shows.
        DvWindow* parent = DvLookupWindow(window->parent);
        const POINT parentOrigin = DvClientOriginInTop(parent);
        const POINT origin = {parentOrigin.x + window->rect.left,
                              parentOrigin.y + window->rect.top};
        RECT clip = window->rect;
        OffsetRect(&clip, parentOrigin.x, parentOrigin.y);
        clip = Intersection(clip, DvVisibleClientInTop(parent));
        if (HDC frame = DvCreateWindowDC(top->screen, origin, clip)) {
            DvDrawFrame(frame, window);
            ReleaseWindowDC(window, frame);
        }
    }
    const POINT origin = DvClientOriginInTop(window);
    RECT updateInTop = update;
    OffsetRect(&updateInTop, origin.x, origin.y);
    HDC dc = MakeWindowDC(window, &updateInTop);
    if (dc == nullptr) {
        return nullptr;
    }
    WindowDCs()[dc] = hWnd;
    paint->hdc = dc;
    paint->rcPaint = update;
    paint->fErase = FALSE;
    if (erase) {
        paint->fErase = SendMessage(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0;
    }
    return dc;
}

BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* paint) {
    if (paint == nullptr || paint->hdc == nullptr) {
        return FALSE;
    }
    return ReleaseDC(hWnd, paint->hdc) ? TRUE : FALSE;
}

HDC GetDC(HWND hWnd) {
    if (hWnd == nullptr) {
        HDC display = CreateDC("DISPLAY", nullptr, nullptr, nullptr);
        if (display != nullptr) {
            WindowDCs()[display] = nullptr;
        }
        return display;
    }
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return nullptr;
    }
    HDC dc = MakeWindowDC(window, nullptr);
    if (dc != nullptr) {
        WindowDCs()[dc] = hWnd;
    }
    return dc;
}

int ReleaseDC(HWND hWnd, HDC hDC) {
    auto& dcs = WindowDCs();
    auto it = dcs.find(hDC);
    if (it == dcs.end()) {
        return 0;
    }
    const HWND owner = it->second;
    dcs.erase(it);
    if (owner == nullptr) {
        DeleteDC(hDC);
        return 1;
    }
    DvWindow* window = DvLookupWindow(owner != nullptr ? owner : hWnd);
    if (window == nullptr) {
        DeleteDC(hDC);
        return 1;
    }
    ReleaseWindowDC(window, hDC);
    return 1;
}

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom) {
    if (rect == nullptr) {
        return FALSE;
    }
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}

BOOL SetRectEmpty(LPRECT rect) {
    return SetRect(rect, 0, 0, 0, 0);
}

BOOL CopyRect(LPRECT dst, const RECT* src) {
    if (dst == nullptr || src == nullptr) {
        return FALSE;
    }
    *dst = *src;
    return TRUE;
}

BOOL InflateRect(LPRECT rect, int dx, int dy) {
    if (rect == nullptr) {
        return FALSE;
    }
    rect->left -= dx;
    rect->top -= dy;
    rect->right += dx;
    rect->bottom += dy;
    return TRUE;
}

BOOL OffsetRect(LPRECT rect, int dx, int dy) {
    if (rect == nullptr) {
        return FALSE;
    }
    rect->left += dx;
    rect->top += dy;
    rect->right += dx;
    rect->bottom += dy;
    return TRUE;
}

BOOL IsRectEmpty(const RECT* rect) {
    return rect == nullptr || Empty(*rect);
}

BOOL PtInRect(const RECT* rect, POINT point) {
    return rect != nullptr && point.x >= rect->left && point.x < rect->right &&
           point.y >= rect->top && point.y < rect->bottom;
}

BOOL IntersectRect(LPRECT dst, const RECT* a, const RECT* b) {
    if (dst == nullptr || a == nullptr || b == nullptr) {
        return FALSE;
    }
    RECT r = {std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
              std::min(a->bottom, b->bottom)};
    if (Empty(r)) {
        SetRectEmpty(dst);
        return FALSE;
    }
    *dst = r;
    return TRUE;
}

BOOL UnionRect(LPRECT dst, const RECT* a, const RECT* b) {
    if (dst == nullptr || a == nullptr || b == nullptr) {
        return FALSE;
    }
    RECT r = *a;
    if (Empty(r)) {
        r = *b;
    } else {
        Union(&r, *b);
    }
    *dst = r;
    return !Empty(r);
}

BOOL EqualRect(const RECT* a, const RECT* b) {
    return a != nullptr && b != nullptr && a->left == b->left && a->top == b->top &&
           a->right == b->right && a->bottom == b->bottom;
}
