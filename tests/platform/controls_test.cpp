// The dialog manager's controls and menus: push buttons, picture statics from good and damaged
// resources, frames, and popup menus chosen by mouse and keyboard.
#include <cstring>
#include <vector>

#include "HeadlessFixture.h"
#include "res/DialogTemplate.h"
#include "win32/gdiobj.h"
#include "win32/restable.h"

namespace {

std::vector<WPARAM> g_commands;
std::vector<std::pair<UINT, WPARAM>> g_menuCommands;

LRESULT CALLBACK ParentProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        g_commands.push_back(wParam);
        return 0;
    }
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) != SC_KEYMENU) {
        g_menuCommands.emplace_back(message, wParam);
        return 0;
    }
    return DefWindowProc(hWnd, message, wParam, lParam);
}

class ControlsTest : public HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        ASSERT_TRUE(RegisterTestClass("ControlParent", ParentProc));
        g_commands.clear();
        g_menuCommands.clear();
        m_top = CreateWindowEx(0, "ControlParent", "Parent",
                               WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU, 0, 0, 300, 200,
                               nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(m_top, nullptr);
    }
    void TearDown() override {
        DvSetExtraResources(nullptr);
        HeadlessTest::TearDown();
    }
    HWND Make(LPCSTR className, LPCSTR text, DWORD style, int x, int y, int cx, int cy, int id,
              DWORD exStyle = 0) {
        return CreateWindowEx(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy,
                              m_top, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                              nullptr);
    }
    HWND m_top = nullptr;
};

TEST_F(ControlsTest, APushButtonClicksOnReleaseInsideAndShowsItsPress) {
    HWND button = Make("BUTTON", "OK", BS_PUSHBUTTON, 10, 10, 80, 30, IDOK);
    ASSERT_NE(button, nullptr);
    Pump();
    // Raised: a white top-left edge.
    EXPECT_EQ(m_host->Pixel(button, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(m_host->Pixel(button, 79, 29), 0x000000u);

    m_host->MouseDown(m_top, 20, 20);
    Pump();
    EXPECT_EQ(GetCapture(), button);
    EXPECT_EQ(SendMessage(button, BM_GETSTATE, 0, 0), BST_PUSHED);
    EXPECT_EQ(m_host->Pixel(button, 0, 0), 0x808080u); // pressed: a shadow frame
    EXPECT_TRUE(g_commands.empty());                   // nothing on the press
    m_host->MouseUp(m_top, 21, 21);
    Pump();
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(g_commands[0], MAKEWPARAM(IDOK, BN_CLICKED));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(m_host->Pixel(button, 0, 0), 0xFFFFFFu);

    // Dragged off before the release: no click.
    m_host->MouseDown(m_top, 20, 20);
    m_host->MouseMove(m_top, 200, 150);
    Pump();
    EXPECT_EQ(SendMessage(button, BM_GETSTATE, 0, 0), 0);
    m_host->MouseUp(m_top, 200, 150);
    Pump();
    EXPECT_EQ(g_commands.size(), 1u);

    // A default button wears a black outline; a hidden one takes no clicks.
    HWND def = Make("BUTTON", "Go", BS_DEFPUSHBUTTON, 100, 10, 80, 30, 7);
    Pump();
    EXPECT_EQ(m_host->Pixel(def, 0, 0), 0x000000u);
    EXPECT_EQ(m_host->Pixel(def, 1, 1), 0xFFFFFFu);
    ShowWindow(def, SW_HIDE);
    m_host->Click(m_top, 120, 20);
    Pump();
    EXPECT_EQ(g_commands.size(), 1u);
    SendMessage(def, BM_CLICK, 0, 0);
    EXPECT_EQ(g_commands.back(), MAKEWPARAM(7, BN_CLICKED));
}

TEST_F(ControlsTest, StaticsDrawTheirKind) {
    HWND frame = Make("STATIC", "", SS_BLACKFRAME, 10, 10, 50, 40, 1);
    HWND sunken = Make("STATIC", "", SS_BLACKFRAME | SS_SUNKEN, 100, 10, 50, 40, 2);
    HWND rect = Make("STATIC", "", SS_GRAYRECT, 200, 10, 20, 20, 3);
    HWND text = Make("STATIC", "A&B", SS_LEFT | SS_NOPREFIX, 10, 100, 100, 20, 4);
    ASSERT_NE(text, nullptr);
    // Paint what is beneath the frames first, so that their insides can be seen untouched.
    HDC dc = GetDC(m_top);
    const RECT all = {0, 0, 300, 200};
    DvFillRect(dc, &all, RGB(1, 2, 3));
    ReleaseDC(m_top, dc);
    Pump();
    EXPECT_EQ(m_host->Pixel(frame, 0, 0), 0x000000u);
    EXPECT_EQ(m_host->Pixel(frame, 49, 39), 0x000000u);
    EXPECT_EQ(m_host->Pixel(frame, 25, 20), 0x010203u);
    // SS_SUNKEN adds a one-pixel static edge around the frame.
    RECT client;
    GetClientRect(sunken, &client);
    EXPECT_EQ(client.right, 48);
    EXPECT_EQ(m_host->Pixel(m_top, 100, 10), 0x808080u);
    EXPECT_EQ(m_host->Pixel(m_top, 149, 49), 0xFFFFFFu);
    EXPECT_EQ(m_host->Pixel(m_top, 101, 11), 0x000000u);
    EXPECT_EQ(m_host->Pixel(rect, 10, 10), 0x808080u);
    // Text on the face colour, in black.
    int dark = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 100; ++x) {
            const DWORD p = m_host->Pixel(text, x, y);
            EXPECT_TRUE(p == 0xC0C0C0u || p == 0x000000u) << x << "," << y;
            dark += p == 0;
        }
    }
    EXPECT_GT(dark, 10);
    // The dialog units of a template: the no-prefix text keeps its ampersand.
    char buffer[8];
    GetWindowText(text, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "A&B");
}

TEST_F(ControlsTest, PictureStaticsFromGoodAndDamagedBitmaps) {
    // A 2 x 2 4-bit bitmap: red, green / blue, white, stored bottom-up.
    struct Packed {
        BITMAPINFOHEADER header;
        RGBQUAD colours[16];
        BYTE bits[8];
    } good = {};
    good.header.biSize = sizeof(BITMAPINFOHEADER);
    good.header.biWidth = 2;
    good.header.biHeight = 2;
    good.header.biPlanes = 1;
    good.header.biBitCount = 4;
    good.colours[1] = RGBQUAD{0, 0, 255, 0};
    good.colours[2] = RGBQUAD{0, 255, 0, 0};
    good.colours[3] = RGBQUAD{255, 0, 0, 0};
    good.colours[4] = RGBQUAD{255, 255, 255, 0};
    good.bits[0] = 0x34; // bottom row: blue, white
    good.bits[4] = 0x12; // top row: red, green
    Packed huge = good;
    huge.header.biWidth = 0x40000000; // its bits would be far beyond the resource
    Packed enormous = good;           // rows times stride beyond 64 bits
    enormous.header.biWidth = 0x7FFFFFFF;
    enormous.header.biHeight = 0x7FFFFFFF;
    enormous.header.biBitCount = 32;
    Packed negative = good;
    negative.header.biClrUsed = 1000;
    const unsigned char* g = reinterpret_cast<const unsigned char*>(&good);
    const DvResource table[] = {
        {RT_BITMAP, 900, g, sizeof good},
        {RT_BITMAP, 901, g, sizeof good - 1}, // cut short by a byte
        {RT_BITMAP, 902, reinterpret_cast<const unsigned char*>(&huge), sizeof huge},
        {RT_BITMAP, 903, reinterpret_cast<const unsigned char*>(&negative), sizeof negative},
        {RT_BITMAP, 904, g, 20}, // not even a header
        {RT_BITMAP, 906, reinterpret_cast<const unsigned char*>(&enormous), sizeof enormous},
        {nullptr, 0, nullptr, 0}};
    DvSetExtraResources(table);

    HWND picture =
        Make("STATIC", MAKEINTRESOURCE(900), SS_BITMAP, 10, 10, 60, 60, 1, WS_EX_CLIENTEDGE);
    ASSERT_NE(picture, nullptr);
    RECT r;
    GetWindowRect(picture, &r);
    EXPECT_EQ(r.right - r.left, 6);
    EXPECT_EQ(r.bottom - r.top, 6);
    Pump();
    EXPECT_EQ(m_host->Pixel(picture, 0, 0), 0xFF0000u);
    EXPECT_EQ(m_host->Pixel(picture, 1, 0), 0x00FF00u);
    EXPECT_EQ(m_host->Pixel(picture, 0, 1), 0x0000FFu);
    EXPECT_EQ(m_host->Pixel(picture, 1, 1), 0xFFFFFFu);

    for (WORD id : {901, 902, 903, 904, 905, 906}) {
        EXPECT_EQ(LoadBitmap(nullptr, MAKEINTRESOURCE(id)), nullptr) << id;
        // A static whose bitmap cannot be read keeps its template size and shows no picture.
        HWND empty =
            Make("STATIC", MAKEINTRESOURCE(id), SS_BITMAP, 100, 10, 40, 30, static_cast<int>(id));
        ASSERT_NE(empty, nullptr) << id;
        GetWindowRect(empty, &r);
        EXPECT_EQ(r.right - r.left, 40) << id;
        EXPECT_EQ(SendMessage(empty, STM_GETIMAGE, IMAGE_BITMAP, 0), 0) << id;
        DestroyWindow(empty);
    }

    // A bitmap set later resizes the static to it.
    HBITMAP bitmap = LoadBitmap(nullptr, MAKEINTRESOURCE(900));
    ASSERT_NE(bitmap, nullptr);
    HWND later = Make("STATIC", "", SS_BITMAP, 200, 10, 40, 30, 9);
    EXPECT_EQ(SendMessage(later, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)), 0);
    GetWindowRect(later, &r);
    EXPECT_EQ(r.right - r.left, 2);
    DestroyWindow(later);
    DeleteObject(bitmap);

    // A centred picture leaves the static its size.
    HWND centred =
        Make("STATIC", MAKEINTRESOURCE(900), SS_BITMAP | SS_CENTERIMAGE, 250, 10, 10, 8, 10);
    ASSERT_NE(centred, nullptr);
    GetWindowRect(centred, &r);
    EXPECT_EQ(r.right - r.left, 10);
    EXPECT_EQ(r.bottom - r.top, 8);
    Pump();
    EXPECT_EQ(m_host->Pixel(centred, 4, 3), 0xFF0000u);
    EXPECT_EQ(m_host->Pixel(centred, 5, 4), 0xFFFFFFu);
}

TEST_F(ControlsTest, MenusChooseByMouseKeyAndMnemonic) {
    HMENU menu = GetSystemMenu(m_top, FALSE);
    ASSERT_NE(menu, nullptr);
    // A window without minimise and maximise boxes offers only Close.
    ASSERT_EQ(GetMenuItemCount(menu), 1);
    EXPECT_EQ(GetMenuItemID(menu, 0), UINT(SC_CLOSE));
    EXPECT_TRUE(AppendMenu(menu, MF_SEPARATOR, 0, nullptr));
    EXPECT_TRUE(AppendMenu(menu, MF_STRING, 0x10, "&About"));
    EXPECT_TRUE(AppendMenu(menu, MF_STRING | MF_GRAYED, 0x20, "&Greyed"));
    EXPECT_FALSE(AppendMenu(menu, MF_STRING, 0x30, nullptr));
    char text[16];
    EXPECT_EQ(GetMenuString(menu, 0x10, text, sizeof text, MF_BYCOMMAND), 6);
    EXPECT_STREQ(text, "&About");
    EXPECT_EQ(GetMenuString(menu, 2, text, 3, MF_BYPOSITION), 2);
    EXPECT_STREQ(text, "&A");
    EXPECT_EQ(GetMenuItemID(menu, 1), 0u);
    EXPECT_EQ(GetMenuItemID(menu, 9), UINT(-1));
    Pump();

    // A mnemonic letter chooses its item; a greyed item cannot be chosen at all.
    SendMessage(m_top, WM_SYSCOMMAND, SC_KEYMENU, ' ');
    ASSERT_NE(DvOpenMenuWindow(), nullptr);
    m_host->Key(m_top, 'G');
    Pump();
    EXPECT_NE(DvOpenMenuWindow(), nullptr);
    RECT item;
    ASSERT_TRUE(DvMenuItemRect(3, &item));
    m_host->Click(DvOpenMenuWindow(), item.left + 2, item.top + 2);
    Pump();
    EXPECT_NE(DvOpenMenuWindow(), nullptr);
    EXPECT_TRUE(g_menuCommands.empty());
    m_host->Key(m_top, 'A');
    Pump();
    EXPECT_EQ(DvOpenMenuWindow(), nullptr);
    ASSERT_EQ(g_menuCommands.size(), 1u);
    EXPECT_EQ(g_menuCommands[0], std::make_pair(UINT(WM_SYSCOMMAND), WPARAM(0x10)));

    // Escape closes it with no command; Down skips the separator.
    SendMessage(m_top, WM_SYSCOMMAND, SC_KEYMENU, ' ');
    m_host->Key(m_top, VK_ESCAPE);
    Pump();
    EXPECT_EQ(DvOpenMenuWindow(), nullptr);
    SendMessage(m_top, WM_SYSCOMMAND, SC_KEYMENU, ' ');
    m_host->Key(m_top, VK_DOWN);
    m_host->Key(m_top, VK_DOWN);
    m_host->Key(m_top, VK_RETURN);
    Pump();
    ASSERT_EQ(g_menuCommands.size(), 2u);
    EXPECT_EQ(g_menuCommands[1].second, WPARAM(0x10));

    // Reverting the system menu drops what was appended.
    EXPECT_EQ(GetSystemMenu(m_top, TRUE), nullptr);
    EXPECT_EQ(GetMenuItemCount(GetSystemMenu(m_top, FALSE)), 1);

    // A popup menu tracked for its result, with the choice made while it waits.
    HMENU popup = CreatePopupMenu();
    AppendMenu(popup, MF_STRING, 41, "One");
    AppendMenu(popup, MF_STRING, 42, "Two");
    m_host->SetIdleHandler([&]() -> BOOL {
        m_host->Key(m_top, VK_UP);
        m_host->Key(m_top, VK_RETURN);
        return TRUE;
    });
    EXPECT_EQ(TrackPopupMenu(popup, TPM_RETURNCMD, 10, 10, 0, m_top, nullptr), 42);
    m_host->SetIdleHandler(nullptr);
    EXPECT_EQ(g_menuCommands.size(), 2u); // a returned command is not also sent
    EXPECT_TRUE(DestroyMenu(popup));
    EXPECT_FALSE(DestroyMenu(popup));
    EXPECT_EQ(GetMenuItemCount(popup), -1);
}

// A menu opened near an edge of the screen lies wholly on it: opened at each corner of a small
// screen (and beyond it), by TrackPopupMenu and as the system menu by a right-click, it is
// shifted or flipped inside, as the system does near a monitor's edges.
TEST_F(ControlsTest, MenusStayWhollyOnTheScreen) {
    const int cx = 320;
    const int cy = 240;
    m_host->SetScreenSize(cx, cy);
    MoveWindow(m_top, 0, 0, cx, cy, TRUE);
    HMENU popup = CreatePopupMenu();
    for (int i = 0; i < 8; ++i) {
        AppendMenu(popup, MF_STRING, 50 + i, "A rather long item of a menu");
    }
    auto inside = [&](const char* how, POINT at) {
        HWND shown = DvOpenMenuWindow();
        ASSERT_NE(shown, nullptr) << how;
        RECT r;
        GetWindowRect(shown, &r);
        EXPECT_GT(r.right - r.left, 0);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= cx && r.bottom <= cy)
            << how << " at " << at.x << "," << at.y << ": " << r.left << "," << r.top << " to "
            << r.right << "," << r.bottom;
    };
    const POINT corners[] = {{0, 0},           {cx - 1, 0},        {0, cy - 1},
                             {cx - 1, cy - 1}, {cx + 50, cy + 50}, {-30, -30}};
    for (const POINT at : corners) {
        m_host->SetIdleHandler([&]() -> BOOL {
            inside("TrackPopupMenu", at);
            m_host->Key(m_top, VK_ESCAPE);
            return TRUE;
        });
        EXPECT_EQ(TrackPopupMenu(popup, TPM_RETURNCMD, at.x, at.y, 0, m_top, nullptr), 0);
        m_host->SetIdleHandler(nullptr);
    }
    // A menu that fits where it was asked for opens exactly there.
    m_host->SetIdleHandler([&]() -> BOOL {
        RECT r;
        GetWindowRect(DvOpenMenuWindow(), &r);
        EXPECT_EQ(r.left, 5);
        EXPECT_EQ(r.top, 6);
        m_host->Key(m_top, VK_ESCAPE);
        return TRUE;
    });
    TrackPopupMenu(popup, TPM_RETURNCMD, 5, 6, 0, m_top, nullptr);
    m_host->SetIdleHandler(nullptr);
    DestroyMenu(popup);

    // The system menu, opened by a right-click in the window's bottom-right corner.
    RECT area;
    GetClientRect(m_top, &area);
    POINT corner = {area.right - 2, area.bottom - 2};
    m_host->Click(m_top, corner.x, corner.y, 3);
    Pump();
    ClientToScreen(m_top, &corner);
    inside("the system menu", corner);
    m_host->Key(m_top, VK_ESCAPE);
    Pump();
}

TEST_F(ControlsTest, DialogsFromTemplatesRunAsDialogBoxes) {
    static const DvDialogItem items[] = {
        {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 10, 10, 40, 14, 11, "BUTTON", "One",
         0},
        {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 60, 10, 40, 14, 12, "BUTTON",
         "Two", 0},
    };
    static const DvDialogTemplate dlgTemplate = {WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                                                 0,
                                                 0,
                                                 0,
                                                 120,
                                                 40,
                                                 "Box",
                                                 8,
                                                 "MS Sans Serif",
                                                 items,
                                                 2};
    static int initCalls = 0;
    initCalls = 0;
    auto proc = [](HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
        if (message == WM_INITDIALOG) {
            ++initCalls;
            EXPECT_EQ(lParam, 77);
            EXPECT_EQ(reinterpret_cast<HWND>(wParam), GetDlgItem(hWnd, 11));
            return TRUE;
        }
        if (message == WM_COMMAND) {
            EndDialog(hWnd, LOWORD(wParam) * 10);
            return TRUE;
        }
        return FALSE;
    };
    // The focus is on the first button, so Enter chooses it rather than the default one.
    m_host->SetIdleHandler([&]() -> BOOL {
        m_host->Key(GetActiveWindow(), VK_RETURN);
        return TRUE;
    });
    EXPECT_EQ(DialogBoxIndirectParam(nullptr, &dlgTemplate, m_top, proc, 77), 110);
    EXPECT_EQ(initCalls, 1);
    EXPECT_TRUE(IsWindowEnabled(m_top));
    // With nothing that can ever arrive, the box ends as cancelled.
    m_host->SetIdleHandler(nullptr);
    EXPECT_EQ(DialogBoxIndirectParam(nullptr, &dlgTemplate, m_top, proc, 77), IDCANCEL);
    const DvDialogTemplate broken = {WS_POPUP, 0, 0, 0, 10, 10, "", 8, "", nullptr, 3};
    EXPECT_EQ(CreateDialogIndirectParam(nullptr, &broken, nullptr, nullptr, 0), nullptr);
}

} // namespace

// Accelerator tables from resources: the entry marked last ends a table, and a table without
// one ends with the resource, never read past it; a key down with exactly an entry's shift keys
// becomes its command, with 1 in the high word.
TEST_F(ControlsTest, AcceleratorsReadTheirResourceAndMatchExactShiftStates) {
    static const unsigned short good[][4] = {{FVIRTKEY, 'Q', 40001, 0},
                                             {FVIRTKEY | FSHIFT, 'Q', 40002, 0},
                                             {FVIRTKEY | 0x80, VK_F11, 40003, 0},
                                             {FVIRTKEY, 'Z', 40004, 0}}; // after the last
    static const unsigned short unmarked[][4] = {{FVIRTKEY, 'A', 40005, 0},
                                                 {FVIRTKEY, 'B', 40006, 0}};
    const DvResource table[] = {
        {RT_ACCELERATOR, 910, reinterpret_cast<const unsigned char*>(good), sizeof good},
        // The second entry cut short: only the first is whole.
        {RT_ACCELERATOR, 911, reinterpret_cast<const unsigned char*>(unmarked),
         sizeof unmarked - 2},
        {RT_ACCELERATOR, 912, reinterpret_cast<const unsigned char*>(good), 6},
        {nullptr, 0, nullptr, 0}};
    DvSetExtraResources(table);
    HACCEL keys = LoadAccelerators(nullptr, MAKEINTRESOURCE(910));
    ASSERT_NE(keys, nullptr);
    EXPECT_EQ(LoadAccelerators(nullptr, MAKEINTRESOURCE(910)), keys); // one table a resource
    EXPECT_EQ(LoadAccelerators(nullptr, MAKEINTRESOURCE(912)), nullptr);
    EXPECT_EQ(LoadAccelerators(nullptr, MAKEINTRESOURCE(913)), nullptr);
    HACCEL cut = LoadAccelerators(nullptr, MAKEINTRESOURCE(911));
    ASSERT_NE(cut, nullptr);

    // Each key as the host delivers it, translated as a message loop would.
    const auto translate = [&](HACCEL accel, UINT vk, UINT modifiers) {
        g_commands.clear();
        m_host->KeyDown(m_top, vk, modifiers);
        m_host->KeyUp(m_top, vk, modifiers);
        MSG msg;
        int translated = 0;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (TranslateAccelerator(m_top, accel, &msg)) {
                ++translated;
            } else {
                DispatchMessage(&msg);
            }
        }
        return translated == 1 && g_commands.size() == 1 ? g_commands[0] : WPARAM(0);
    };
    EXPECT_EQ(translate(keys, 'Q', 0), MAKEWPARAM(40001, 1));
    EXPECT_EQ(translate(keys, 'Q', DV_MOD_SHIFT), MAKEWPARAM(40002, 1));
    EXPECT_EQ(translate(keys, 'Q', DV_MOD_CTRL), WPARAM(0));
    EXPECT_EQ(translate(keys, VK_F11, 0), MAKEWPARAM(40003, 1));
    EXPECT_EQ(translate(keys, 'Z', 0), WPARAM(0));
    EXPECT_EQ(translate(cut, 'A', 0), MAKEWPARAM(40005, 1));
    EXPECT_EQ(translate(cut, 'B', 0), WPARAM(0));
    EXPECT_EQ(translate(nullptr, 'Q', 0), WPARAM(0));
}
