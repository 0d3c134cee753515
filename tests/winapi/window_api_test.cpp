// Windows, dialogs and their keys, timers, the mouse and its capture, and the system menu, as
// both implementations of USER must do them. Message sequences are compared over the messages the
// program and its framework act on; the real system sends more (activation, non-client painting,
// position changes) that nothing here handles.
#include <algorithm>
#include <string>
#include <vector>

#include "ApiFixture.h"
#include "res/resource.h"

namespace {

struct Record {
    HWND hWnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<Record> g_log;
// Recorded where a window procedure draws, between BeginPaint and EndPaint.
constexpr UINT kDrawing = WM_USER + 100;
LRESULT g_createResult = 0;
CREATESTRUCT g_created = {};
std::string g_createdName;

bool Watched(UINT message) {
    switch (message) {
    case WM_NCCREATE:
    case WM_CREATE:
    case WM_SIZE:
    case WM_MOVE:
    case WM_SETFONT:
    case WM_INITDIALOG:
    case WM_ERASEBKGND:
    case WM_PAINT:
    case WM_TIMER:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
    case WM_COMMAND:
    case WM_SYSCOMMAND:
    case WM_DESTROY:
    case WM_NCDESTROY:
    case WM_USER:
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK RecordingProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (Watched(message)) {
        g_log.push_back(Record{hWnd, message, wParam, lParam});
    }
    switch (message) {
    case WM_CREATE: {
        const auto* cs = reinterpret_cast<const CREATESTRUCT*>(lParam);
        g_created = *cs;
        g_createdName = cs->lpszName != nullptr ? cs->lpszName : "";
        return g_createResult;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hWnd, &ps);
        // Where the window would draw.
        g_log.push_back(Record{hWnd, kDrawing, 0, 0});
        EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    default:
        return DefWindowProc(hWnd, message, wParam, lParam);
    }
}

std::vector<UINT> MessagesOf(HWND hWnd) {
    std::vector<UINT> messages;
    for (const Record& r : g_log) {
        if (r.hWnd == hWnd) {
            messages.push_back(r.message);
        }
    }
    return messages;
}

std::vector<Record> Only(UINT message) {
    std::vector<Record> found;
    for (const Record& r : g_log) {
        if (r.message == message) {
            found.push_back(r);
        }
    }
    return found;
}

class WindowApiTest : public ApiTest {
protected:
    void SetUp() override {
        ApiTest::SetUp();
        ASSERT_TRUE(RegisterApiClass("ApiRecording", RecordingProc));
        g_log.clear();
        g_createResult = 0;
    }

    HWND Top(DWORD style = WS_POPUP, int x = 100, int y = 50, int cx = 300, int cy = 200) {
        return CreateWindowEx(0, "ApiRecording", "Top", style, x, y, cx, cy, nullptr, nullptr,
                              GetModuleHandle(nullptr), nullptr);
    }
    HWND Child(HWND parent, int x, int y, int cx, int cy, int id) {
        return CreateWindowEx(0, "ApiRecording", "Child", WS_CHILD | WS_VISIBLE, x, y, cx, cy,
                              parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandle(nullptr), nullptr);
    }
};

} // namespace

TEST_F(WindowApiTest, CreationSendsCreateSizeAndMoveBeforeReturning) {
    HWND top = Top();
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(MessagesOf(top), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE}));
    EXPECT_EQ(g_created.x, 100);
    EXPECT_EQ(g_created.y, 50);
    EXPECT_EQ(g_created.cx, 300);
    EXPECT_EQ(g_created.cy, 200);
    EXPECT_EQ(g_created.hwndParent, nullptr);
    EXPECT_EQ(g_createdName, "Top");
    EXPECT_EQ(static_cast<DWORD>(g_created.style) & WS_POPUP, static_cast<DWORD>(WS_POPUP));

    g_log.clear();
    HWND child = Child(top, 10, 20, 40, 30, 5);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(MessagesOf(child), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE}));
    EXPECT_EQ(g_created.hwndParent, top);
    EXPECT_EQ(g_created.hMenu, reinterpret_cast<HMENU>(5));
    const std::vector<Record> sizes = Only(WM_SIZE);
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(sizes[0].wParam, static_cast<WPARAM>(SIZE_RESTORED));
    EXPECT_EQ(sizes[0].lParam, MAKELPARAM(40, 30));
    const std::vector<Record> moves = Only(WM_MOVE);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].lParam, MAKELPARAM(10, 20));
    EXPECT_EQ(GetDlgCtrlID(child), 5);
    EXPECT_EQ(GetParent(child), top);

    // Shown and updated: the background is erased before the window draws, once. Whether the
    // erasing comes as the window is shown or inside BeginPaint is left open (the real system
    // erases a top-level window as it shows it; our layer in BeginPaint).
    g_log.clear();
    ShowWindow(top, SW_SHOW);
    UpdateWindow(top);
    Pump();
    std::vector<UINT> painting;
    for (const Record& r : g_log) {
        if (r.hWnd == top && (r.message == WM_ERASEBKGND || r.message == kDrawing)) {
            painting.push_back(r.message);
        }
    }
    EXPECT_EQ(painting, (std::vector<UINT>{WM_ERASEBKGND, kDrawing}));
    for (HWND hWnd : {top, child}) {
        const std::vector<UINT> messages = MessagesOf(hWnd);
        EXPECT_EQ(std::count(messages.begin(), messages.end(), UINT(WM_PAINT)), 1);
    }

    // Destruction: WM_DESTROY from the parent down, WM_NCDESTROY from the children up.
    g_log.clear();
    EXPECT_TRUE(DestroyWindow(top));
    std::vector<std::pair<HWND, UINT>> order;
    for (const Record& r : g_log) {
        order.emplace_back(r.hWnd, r.message);
    }
    EXPECT_EQ(
        order,
        (std::vector<std::pair<HWND, UINT>>{
            {top, WM_DESTROY}, {child, WM_DESTROY}, {child, WM_NCDESTROY}, {top, WM_NCDESTROY}}));
    EXPECT_FALSE(IsWindow(top));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(DestroyWindow(top));
}

TEST_F(WindowApiTest, IconsAreThirtyTwoAndSixteenPixelsSquare) {
    // The program centres its icon when it is minimised, by these.
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
    EXPECT_EQ(GetSystemMetrics(SM_CYICON), 32);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), 16);
    EXPECT_EQ(GetSystemMetrics(SM_CYSMICON), 16);
}

TEST_F(WindowApiTest, AWindowThatRefusesCreationIsDestroyed) {
    g_createResult = -1;
    EXPECT_EQ(Top(), nullptr);
    ASSERT_FALSE(g_log.empty());
    const HWND refused = g_log.front().hWnd;
    // It is told it is gone. Whether WM_DESTROY comes first is left open: our layer sends it,
    // Wine goes straight to WM_NCDESTROY; the framework acts on the last only.
    std::vector<UINT> messages = MessagesOf(refused);
    messages.erase(std::remove(messages.begin(), messages.end(), UINT(WM_DESTROY)), messages.end());
    EXPECT_EQ(messages, (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(refused));

    g_createResult = 0;
    EXPECT_EQ(CreateWindowEx(0, "NoSuchApiClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                             nullptr, nullptr),
              nullptr);
}

namespace {

std::vector<Record> g_dialogLog;
HWND g_okAtInit = nullptr;
INT_PTR g_endWith = 0;

INT_PTR CALLBACK RecordingDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (Watched(message)) {
        g_dialogLog.push_back(Record{dialog, message, wParam, lParam});
    }
    if (message == WM_INITDIALOG) {
        g_okAtInit = GetDlgItem(dialog, IDOK);
        if (g_endWith != 0) {
            PostMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
        return TRUE;
    }
    if (message == WM_COMMAND && g_endWith != 0) {
        EndDialog(dialog, g_endWith);
        return TRUE;
    }
    return FALSE;
}

LPCDLGTEMPLATE DialogTemplate(int id) {
    HRSRC found = FindResource(nullptr, MAKEINTRESOURCE(id), RT_DIALOG);
    if (found == nullptr) {
        return nullptr;
    }
    return static_cast<LPCDLGTEMPLATE>(LockResource(LoadResource(nullptr, found)));
}

} // namespace

TEST_F(WindowApiTest, DialogsGetTheirFontThenInitialiseWithTheirControlsMade) {
    LPCDLGTEMPLATE about = DialogTemplate(IDD_ABOUTBOX);
    ASSERT_NE(about, nullptr);
    g_dialogLog.clear();
    g_endWith = 0;
    HWND dialog =
        CreateDialogIndirectParam(GetModuleHandle(nullptr), about, nullptr, RecordingDlgProc, 1234);
    ASSERT_NE(dialog, nullptr);
    std::vector<UINT> messages;
    for (const Record& r : g_dialogLog) {
        messages.push_back(r.message);
    }
    EXPECT_EQ(messages, (std::vector<UINT>{WM_SETFONT, WM_INITDIALOG}));
    const HWND ok = GetDlgItem(dialog, IDOK);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(g_okAtInit, ok);
    for (const Record& r : g_dialogLog) {
        if (r.message == WM_INITDIALOG) {
            EXPECT_EQ(reinterpret_cast<HWND>(r.wParam), ok); // the first control with a tab stop
            EXPECT_EQ(r.lParam, 1234);
        }
        if (r.message == WM_SETFONT) {
            EXPECT_NE(r.wParam, 0u);
            EXPECT_EQ(SendMessage(ok, WM_GETFONT, 0, 0), static_cast<LRESULT>(r.wParam));
        }
    }
    // The template has no WS_VISIBLE: the dialog stays hidden until shown.
    EXPECT_FALSE(IsWindowVisible(dialog));
    char caption[32] = {};
    GetWindowText(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, "About Dorvane");
    EXPECT_TRUE(DestroyWindow(dialog));

    // Modal: the loop runs until EndDialog, whose value DialogBoxIndirectParam returns.
    g_dialogLog.clear();
    g_endWith = 7;
    EXPECT_EQ(DialogBoxIndirectParam(GetModuleHandle(nullptr), about, nullptr, RecordingDlgProc, 0),
              7);
    g_endWith = 0;
    const auto commands = std::count_if(g_dialogLog.begin(), g_dialogLog.end(),
                                        [](const Record& r) { return r.message == WM_COMMAND; });
    EXPECT_EQ(commands, 1);
}

TEST_F(WindowApiTest, TheMainDialogShowsItselfAfterItInitialisesAndThenPaints) {
    LPCDLGTEMPLATE main = DialogTemplate(IDD_TERRAIN_DIALOG);
    ASSERT_NE(main, nullptr);
    g_dialogLog.clear();
    g_endWith = 0;
    HWND dialog =
        CreateDialogIndirectParam(GetModuleHandle(nullptr), main, nullptr, RecordingDlgProc, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsWindowVisible(dialog)); // WS_VISIBLE in the template
    UpdateWindow(dialog);
    Pump();
    std::vector<UINT> messages;
    for (const Record& r : g_dialogLog) {
        if (messages.empty() || messages.back() != r.message) {
            messages.push_back(r.message);
        }
    }
    // Then it is erased and painted; which of the two reaches the dialog procedure first is
    // left open, as above (the dialog manager draws it, so the procedure sees no drawing).
    ASSERT_GE(messages.size(), 4u);
    EXPECT_EQ(std::vector<UINT>(messages.begin(), messages.begin() + 2),
              (std::vector<UINT>{WM_SETFONT, WM_INITDIALOG}));
    std::vector<UINT> painting(messages.begin() + 2, messages.begin() + 4);
    std::sort(painting.begin(), painting.end());
    EXPECT_EQ(painting, (std::vector<UINT>{WM_PAINT, WM_ERASEBKGND}));
    // OK and Cancel are hidden: the first control that could take the focus is none of them.
    for (const Record& r : g_dialogLog) {
        if (r.message == WM_INITDIALOG) {
            const HWND first = reinterpret_cast<HWND>(r.wParam);
            EXPECT_NE(first, GetDlgItem(dialog, IDOK));
            EXPECT_NE(first, GetDlgItem(dialog, IDCANCEL));
        }
    }
    EXPECT_TRUE(DestroyWindow(dialog));
}

// The two sides draw the dialog font with different faces (a screen face here, the bitmap face
// there), whose cells differ at other sizes; at the templates' 8 points both give the dialog
// base units 6 x 13, so the main dialog is 441 x 192 pixels on both.
TEST_F(WindowApiTest, TheDialogsUnitsAreSixByThirteenPixels) {
    HWND dialog = CreateDialogIndirectParam(GetModuleHandle(nullptr),
                                            DialogTemplate(IDD_TERRAIN_DIALOG), nullptr,
                                            RecordingDlgProc, 0);
    ASSERT_NE(dialog, nullptr);
    RECT units = {0, 0, 4, 8};
    ASSERT_TRUE(MapDialogRect(dialog, &units));
    EXPECT_EQ(units.right, 6);
    EXPECT_EQ(units.bottom, 13);
    RECT whole = {0, 0, 294, 118};
    ASSERT_TRUE(MapDialogRect(dialog, &whole));
    EXPECT_EQ(whole.right, 441);
    EXPECT_EQ(whole.bottom, 192);
    EXPECT_TRUE(DestroyWindow(dialog));
}

TEST_F(WindowApiTest, EnterAndEscapeAreTheDialogsDefaultButtonAndCancel) {
    for (int id : {IDD_ABOUTBOX, IDD_TERRAIN_DIALOG}) {
        g_endWith = 0;
        HWND dialog = CreateDialogIndirectParam(GetModuleHandle(nullptr), DialogTemplate(id),
                                                nullptr, RecordingDlgProc, 0);
        ASSERT_NE(dialog, nullptr);
        // OK is the default push button of both (in the main dialog a hidden one).
        EXPECT_EQ(SendMessage(dialog, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID)) << id;
        for (const auto& [key, command] :
             {std::pair<UINT, int>{VK_RETURN, IDOK}, std::pair<UINT, int>{VK_ESCAPE, IDCANCEL}}) {
            g_dialogLog.clear();
            MSG msg = {dialog, WM_KEYDOWN, key, 0, 0, {0, 0}};
            EXPECT_TRUE(IsDialogMessage(dialog, &msg)) << id;
            std::vector<WPARAM> commands;
            for (const Record& r : g_dialogLog) {
                if (r.message == WM_COMMAND) {
                    commands.push_back(r.wParam);
                }
            }
            EXPECT_EQ(commands, (std::vector<WPARAM>{MAKEWPARAM(command, BN_CLICKED)})) << id;
        }
        EXPECT_TRUE(DestroyWindow(dialog));
    }
}

TEST_F(WindowApiTest, TimersTickWithTheirIdsAndNeverPileUp) {
    // Where exact counts are stated, the period is long beside anything a busy machine may
    // add to a pump; the program's own period is tried with a margin.
    const UINT period = 200;
    HWND top = Top();
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(SetTimer(top, IDT_FLYTHROUGH, period, nullptr),
              static_cast<UINT_PTR>(IDT_FLYTHROUGH));
    EXPECT_EQ(SetTimer(top, 9, 100000, nullptr), 9u); // never due in this test
    g_log.clear();

    // A long stall yields one tick, not several.
    Stall(5 * period);
    Pump();
    std::vector<Record> ticks = Only(WM_TIMER);
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_EQ(ticks[0].hWnd, top);
    EXPECT_EQ(ticks[0].wParam, static_cast<WPARAM>(IDT_FLYTHROUGH));

    // Posted messages and paints come before a due tick.
    Stall(period + period / 4);
    g_log.clear();
    PostMessage(top, WM_USER, 0, 0);
    ShowWindow(top, SW_SHOW);
    InvalidateRect(top, nullptr, FALSE);
    Pump();
    std::vector<UINT> order;
    for (const Record& r : g_log) {
        if (r.message == WM_USER || r.message == WM_PAINT || r.message == WM_TIMER) {
            order.push_back(r.message);
        }
    }
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_PAINT, WM_TIMER}));

    // Setting an existing timer again replaces it: still one tick after a stall.
    EXPECT_EQ(SetTimer(top, IDT_FLYTHROUGH, period, nullptr),
              static_cast<UINT_PTR>(IDT_FLYTHROUGH));
    g_log.clear();
    Stall(5 * period);
    Pump();
    EXPECT_EQ(Only(WM_TIMER).size(), 1u);

    // At the program's 50 ms, served while waiting, it ticks about once a period.
    EXPECT_EQ(SetTimer(top, IDT_FLYTHROUGH, 50, nullptr), static_cast<UINT_PTR>(IDT_FLYTHROUGH));
    g_log.clear();
    Wait(400);
    ticks = Only(WM_TIMER);
    EXPECT_GE(ticks.size(), 3u);
    EXPECT_LE(ticks.size(), 8u);
    for (const Record& r : ticks) {
        EXPECT_EQ(r.wParam, static_cast<WPARAM>(IDT_FLYTHROUGH));
    }

    // Killed, it is gone; killing it again, or a timer never set, fails.
    EXPECT_TRUE(KillTimer(top, IDT_FLYTHROUGH));
    EXPECT_FALSE(KillTimer(top, IDT_FLYTHROUGH));
    EXPECT_FALSE(KillTimer(top, 77));
    g_log.clear();
    Stall(200);
    Pump();
    EXPECT_TRUE(Only(WM_TIMER).empty());

    // A destroyed window's timers end with it.
    EXPECT_TRUE(DestroyWindow(top));
    EXPECT_FALSE(KillTimer(top, 9));
    EXPECT_EQ(SetTimer(top, 3, 50, nullptr), 0u);
}

TEST_F(WindowApiTest, CaptureMovesBetweenWindowsAndTellsTheOneThatLosesIt) {
    HWND top = Top(WS_POPUP | WS_VISIBLE);
    HWND a = Child(top, 0, 0, 50, 50, 1);
    HWND b = Child(top, 60, 0, 50, 50, 2);
    ASSERT_NE(b, nullptr);
    Pump();
    g_log.clear();

    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(SetCapture(a), nullptr);
    EXPECT_EQ(GetCapture(), a);
    EXPECT_TRUE(Only(WM_CAPTURECHANGED).empty());

    EXPECT_EQ(SetCapture(b), a);
    EXPECT_EQ(GetCapture(), b);
    std::vector<Record> changes = Only(WM_CAPTURECHANGED);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].hWnd, a);
    EXPECT_EQ(changes[0].lParam, reinterpret_cast<LPARAM>(b));
    // Taking it again, it is told so too (a control that tracks a press keeps tracking when
    // lParam is itself).
    g_log.clear();
    EXPECT_EQ(SetCapture(b), b);
    changes = Only(WM_CAPTURECHANGED);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].hWnd, b);
    EXPECT_EQ(changes[0].lParam, reinterpret_cast<LPARAM>(b));

    g_log.clear();
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), nullptr);
    changes = Only(WM_CAPTURECHANGED);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].hWnd, b);
    EXPECT_EQ(changes[0].lParam, 0);

    // Releasing with no capture changes nothing.
    g_log.clear();
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_TRUE(Only(WM_CAPTURECHANGED).empty());

    // A window that is destroyed loses the capture.
    SetCapture(a);
    EXPECT_TRUE(DestroyWindow(a));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WindowApiTest, TheButtonGoesToTheWindowUnderItUnlessAnotherHasTheCapture) {
    HWND top = Top(WS_POPUP | WS_VISIBLE);
    HWND a = Child(top, 0, 0, 50, 50, 1);
    HWND b = Child(top, 60, 0, 50, 50, 2);
    ASSERT_NE(b, nullptr);
    UpdateWindow(top);
    Pump();
    const auto presses = [] {
        std::vector<std::pair<HWND, LPARAM>> found;
        for (const Record& r : g_log) {
            if (r.message == WM_LBUTTONDOWN || r.message == WM_LBUTTONUP) {
                found.emplace_back(r.hWnd, r.lParam);
            }
        }
        return found;
    };

    g_log.clear();
    Button(b, 10, 12, true);
    Button(b, 10, 12, false);
    EXPECT_EQ(presses(), (std::vector<std::pair<HWND, LPARAM>>{{b, MAKELPARAM(10, 12)},
                                                               {b, MAKELPARAM(10, 12)}}));

    // Captured: in the capturing window's coordinates, also outside it and outside the
    // program's windows.
    SetCapture(a);
    g_log.clear();
    Button(b, 10, 12, true);
    Button(top, 320, 210, false);
    EXPECT_EQ(presses(), (std::vector<std::pair<HWND, LPARAM>>{{a, MAKELPARAM(70, 12)},
                                                               {a, MAKELPARAM(320, 210)}}));
    EXPECT_EQ(GetCapture(), a);
    ReleaseCapture();
    g_log.clear();
    Button(b, 5, 5, true);
    Button(b, 5, 5, false);
    EXPECT_EQ(presses(),
              (std::vector<std::pair<HWND, LPARAM>>{{b, MAKELPARAM(5, 5)}, {b, MAKELPARAM(5, 5)}}));
}

TEST_F(WindowApiTest, TheSystemMenuTakesTheProgramsAboutItem) {
    // The main dialog's frame styles.
    HWND top =
        Top(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    ASSERT_NE(top, nullptr);
    HMENU menu = GetSystemMenu(top, FALSE);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetSystemMenu(top, FALSE), menu);
    char text[64] = {};
    // The standard commands the window's styles allow are there.
    for (UINT command : {SC_MINIMIZE, SC_MAXIMIZE, SC_CLOSE}) {
        EXPECT_GT(GetMenuString(menu, command, text, sizeof text, MF_BYCOMMAND), 0) << command;
    }
    const int standard = GetMenuItemCount(menu);
    ASSERT_GT(standard, 0);
    // Close ends the standard items. Wine adds a separator and an item of its own ("About
    // Wine", 0xF141) after it; the program's items come after whatever the system has.
    const int close = kRealSystem ? standard - 3 : standard - 1;
    EXPECT_EQ(GetMenuItemID(menu, close), static_cast<UINT>(SC_CLOSE));

    // The program appends a separator and its About item.
    EXPECT_TRUE(AppendMenu(menu, MF_SEPARATOR, 0, nullptr));
    EXPECT_TRUE(AppendMenu(menu, MF_STRING, IDM_ABOUTBOX, "&About Dorvane..."));
    EXPECT_EQ(GetMenuItemCount(menu), standard + 2);
    EXPECT_EQ(GetMenuItemID(menu, standard), 0u);
    EXPECT_EQ(GetMenuItemID(menu, standard + 1), static_cast<UINT>(IDM_ABOUTBOX));
    EXPECT_EQ(GetMenuString(menu, IDM_ABOUTBOX, text, sizeof text, MF_BYCOMMAND), 17);
    EXPECT_STREQ(text, "&About Dorvane...");
    EXPECT_EQ(GetMenuString(menu, standard + 1, text, sizeof text, MF_BYPOSITION), 17);
    EXPECT_EQ(GetSystemMenu(top, FALSE), menu);
    EXPECT_EQ(GetMenuItemCount(GetSystemMenu(top, FALSE)), standard + 2);

    // The commands reach the window procedure; the standard ones act through DefWindowProc.
    g_log.clear();
    SendMessage(top, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    std::vector<Record> commands = Only(WM_SYSCOMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, static_cast<WPARAM>(IDM_ABOUTBOX));
    ShowWindow(top, SW_SHOW);
    Pump();
    SendMessage(top, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(top));
    SendMessage(top, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsIconic(top));
    g_log.clear();
    SendMessage(top, WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump();
    EXPECT_FALSE(IsWindow(top)); // WM_CLOSE, through DefWindowProc, destroys it
}
