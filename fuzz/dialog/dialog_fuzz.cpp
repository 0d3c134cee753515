// The main dialog on the headless host, driven by arbitrary sequences of what a user and the
// window manager do: presses, releases and moves anywhere (on the pads too), clock ticks,
// resizes of any size, keys with any modifiers, minimise, maximise, restore, close, exposure,
// system commands, the system menu and the About box (whose own loop takes the next steps from
// the input while it runs). After each sequence the dialog is ended: no window, menu or GDI
// object may be left behind.
#include "FuzzSupport.h"

#include <cstdint>
#include <functional>
#include <string>

#include "app/TerrainApp.h"
#include "app/TerrainDlg.h"
#include "gfx/Palette.h"
#include "render/RenderSettings.h"
#include "res/resource.h"
#include "win32/window.h"

namespace {

using dorvane_fuzz::Check;

constexpr int kMaxSteps = 96;

CHeadlessHost* Host() {
    return CHeadlessHost::Installed();
}

void Pump() {
    for (int i = 0; i < 1000 && DvPumpMessages() > 0; ++i) {
    }
}

class Session {
public:
    Session(FuzzedDataProvider& in) : m_in(in) {}

    // Runs the dialog through the input's steps and ends it.
    void Run() {
        g_solidColumns = 0;
        g_colourMode = 3;
        g_followTerrain = 0;
        std::srand(1);
        Host()->SetTickCount(3 * 3600 * 1000 + 12345);
        Host()->SetLending(false);
        CTerrainDlg dlg;
        m_dlg = &dlg;
        theApp.m_pMainWnd = &dlg;
        Check(dlg.StartModal(), "the dialog starts");
        Pump();
        // Nested loops (the About box) ask for more to do when they are idle.
        Host()->SetIdleHandler([this]() -> BOOL { return Step() ? TRUE : FALSE; });
        while (Running() && Step()) {
            Pump();
        }
        Host()->SetIdleHandler(nullptr);
        if (Running()) {
            dlg.EndDialog(IDCANCEL);
            Pump();
        }
        dlg.FinishModal();
        Host()->SetLending(false);
        theApp.m_pMainWnd = nullptr;
        m_dlg = nullptr;
        Check(DvOpenMenuWindow() == nullptr, "no menu is left open");
        Check(DvTopLevelWindows().empty(), "no window outlives the dialog");
    }

private:
    bool Running() const { return m_dlg->GetSafeHwnd() != nullptr && m_dlg->ContinueModal(); }

    // A window to send input to: a top-level window (the dialog, the About box) or the open menu.
    HWND Target() {
        std::vector<HWND> windows = DvTopLevelWindows();
        if (HWND menu = DvOpenMenuWindow()) {
            windows.push_back(menu);
        }
        if (windows.empty()) {
            return nullptr;
        }
        return windows[m_in.ConsumeIntegralInRange<std::size_t>(0, windows.size() - 1)];
    }

    CPoint PadPoint() {
        static CStatic CTerrainDlg::*const pads[3] = {&CTerrainDlg::m_pad1, &CTerrainDlg::m_pad2,
                                                      &CTerrainDlg::m_pad3};
        CStatic& pad = m_dlg->*pads[m_in.ConsumeIntegralInRange<int>(0, 2)];
        CRect r;
        if (!pad.GetSafeHwnd()) {
            return CPoint(0, 0);
        }
        pad.GetWindowRect(&r);
        m_dlg->ScreenToClient(&r);
        const int cell = m_in.ConsumeIntegralInRange<int>(0, 8);
        return CPoint(r.left + (cell % 3) * 17 + 8, r.top + (cell / 3) * 17 + 8);
    }

    // A pointer position as a host reports it: mostly on the window, at most a long way off
    // it on a very large desktop.
    int Coordinate(int size) {
        if (m_in.ConsumeIntegralInRange<int>(0, 7) != 0) {
            return m_in.ConsumeIntegralInRange<int>(-20, size);
        }
        return m_in.ConsumeIntegralInRange<int>(-(1 << 20), 1 << 20);
    }

    int Extent() {
        switch (m_in.ConsumeIntegralInRange<int>(0, 7)) {
        case 0:
            return 0;
        case 1:
            return m_in.ConsumeIntegralInRange<int>(-5000, -1);
        case 2:
            return m_in.ConsumeIntegral<int>();
        default:
            return m_in.ConsumeIntegralInRange<int>(1, 1300);
        }
    }

    UINT Key() {
        static const UINT keys[] = {VK_RETURN, VK_ESCAPE, VK_SPACE,   VK_TAB,  VK_UP,
                                    VK_DOWN,   VK_LEFT,   VK_RIGHT,   VK_F4,   VK_F10,
                                    VK_MENU,   VK_SHIFT,  VK_CONTROL, VK_BACK, 'A'};
        if (m_in.ConsumeIntegralInRange<int>(0, 7) == 0) {
            return m_in.ConsumeIntegral<BYTE>();
        }
        return keys[m_in.ConsumeIntegralInRange<std::size_t>(0, sizeof keys / sizeof keys[0] - 1)];
    }

    UINT SystemCommand() {
        static const UINT commands[] = {SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE, SC_CLOSE,
                                        SC_MOVE,     SC_SIZE,     SC_KEYMENU, IDM_ABOUTBOX};
        if (m_in.ConsumeIntegralInRange<int>(0, 7) == 0) {
            return m_in.ConsumeIntegral<UINT>();
        }
        return commands[m_in.ConsumeIntegralInRange<std::size_t>(0, 7)] |
               m_in.ConsumeIntegralInRange<UINT>(0, 15);
    }

    // One thing done to the program; false when the input has run out.
    bool Step() {
        if (m_in.remaining_bytes() == 0 || ++m_steps > kMaxSteps) {
            return false;
        }
        CHeadlessHost* host = Host();
        const int action = m_in.ConsumeIntegralInRange<int>(0, 17);
        HWND target = Target();
        if (!target && action != 4) {
            return true;
        }
        const int x = Coordinate(1300);
        const int y = Coordinate(900);
        const int button = m_in.ConsumeIntegralInRange<int>(1, 3);
        const UINT modifiers = m_in.ConsumeIntegralInRange<UINT>(0, 7);
        switch (action) {
        case 0:
            host->MouseDown(target, x, y, button, modifiers);
            break;
        case 1:
            host->MouseUp(target, x, y, button, modifiers);
            break;
        case 2:
            host->MouseMove(target, x, y);
            break;
        case 3: {
            // A press on a pad cell, released where the input says (on the same cell or not).
            const CPoint p = PadPoint();
            host->MouseDown(m_dlg->GetSafeHwnd(), p.x, p.y, 1, 0);
            Pump();
            const CPoint q = m_in.ConsumeBool() ? p : PadPoint();
            host->MouseUp(m_dlg->GetSafeHwnd(), q.x, q.y, 1, 0);
            break;
        }
        case 4: {
            const int ticks = m_in.ConsumeIntegralInRange<int>(1, 60);
            for (int i = 0; i < ticks; ++i) {
                host->Advance(m_in.ConsumeBool() ? 50
                                                 : m_in.ConsumeIntegralInRange<DWORD>(0, 5000));
                Pump();
            }
            break;
        }
        case 5: {
            const int cx = Extent();
            const int cy = Extent();
            // A window of tens of millions of pixels, up to what a screen can hold at four bytes
            // a pixel, is honoured and costs its size in memory several times over: left out.
            // Larger sizes, whose screens are refused, stay in.
            const std::int64_t pixels = static_cast<std::int64_t>(cx) * cy;
            if (cx > 0 && cy > 0 && pixels > (1 << 24) && pixels <= (1 << 29)) {
                break;
            }
            host->Resize(target, cx, cy);
            break;
        }
        case 6:
            host->KeyDown(target, Key(), modifiers);
            break;
        case 7:
            host->KeyUp(target, Key(), modifiers);
            break;
        case 8:
            host->Key(target, Key(), modifiers);
            break;
        case 9:
            host->Minimise(target);
            break;
        case 10:
            host->Maximise(target);
            break;
        case 11:
            host->Restore(target);
            break;
        case 12:
            host->Close(target);
            break;
        case 13:
            host->Expose(target);
            break;
        case 14:
            SendMessage(target, WM_SYSCOMMAND, SystemCommand(), MAKELPARAM(x, y));
            break;
        case 15:
            PostMessage(target, WM_SYSCOMMAND, SystemCommand(), MAKELPARAM(x, y));
            break;
        case 16:
            DvOpenSystemMenu(target, POINT{x, y});
            break;
        default:
            host->SetLending(m_in.ConsumeBool());
            break;
        }
        return true;
    }

    FuzzedDataProvider& m_in;
    CTerrainDlg* m_dlg = nullptr;
    int m_steps = 0;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    dorvane_fuzz::LoadFontConfiguration();
    // What the platform makes once, on first use, and keeps (the menus' font, say) is made by
    // one ordinary session first: the About box, the system menu, and the end with Enter.
    CHeadlessHost* host = Host();
    CTerrainDlg dlg;
    theApp.m_pMainWnd = &dlg;
    Check(dlg.StartModal(), "the dialog starts");
    Pump();
    host->SetIdleHandler([host]() -> BOOL {
        for (HWND h : DvTopLevelWindows()) {
            // Only a window that shows takes keys (the pads' hidden tooltip does not).
            if (h != theApp.m_pMainWnd->GetSafeHwnd() && IsWindowVisible(h)) {
                host->Key(h, VK_RETURN);
                return TRUE;
            }
        }
        return FALSE;
    });
    dlg.SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    host->SetIdleHandler(nullptr);
    host->Key(dlg.GetSafeHwnd(), VK_SPACE, DV_MOD_ALT);
    Pump();
    Check(DvOpenMenuWindow() != nullptr, "Alt+Space opens the system menu");
    host->Key(DvOpenMenuWindow(), VK_ESCAPE);
    Pump();
    host->Key(dlg.GetSafeHwnd(), VK_RETURN);
    Pump();
    dlg.FinishModal();
    theApp.m_pMainWnd = nullptr;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Check(Host() != nullptr, "the headless host is installed");
    FuzzedDataProvider in(data, size);
    dorvane_fuzz::GdiObjectsSince objects;
    Session(in).Run();
    // The dialog reads the palette file again each time it starts, replacing the palette.
    Check(objects.Alive(g_palette.m_hObject) == 0, "no GDI object outlives the dialog");
    return 0;
}
