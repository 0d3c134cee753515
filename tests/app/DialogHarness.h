// Runs the real main dialog on the headless host, one step at a time: a test injects input,
// moves the virtual clock, pumps what is queued and due, and looks at the dialog and the screen.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/TerrainApp.h"
#include "app/TerrainDlg.h"
#include "gfx/Palette.h"
#include "host/headless/HeadlessHost.h"
#include "render/Camera.h"
#include "render/RenderSettings.h"
#include "render/TerrainView.h"
#include "terrain/HeightMap.h"
#include "win32/window.h"

namespace dorvane_test {

inline CHeadlessHost* Host() {
    CHeadlessHost* host = CHeadlessHost::Installed();
    EXPECT_NE(host, nullptr);
    return host;
}

// Processes everything that is queued (and due) until nothing is left.
inline void Pump() {
    for (int i = 0; i < 1000 && DvPumpMessages() > 0; ++i) {
    }
}

// The render settings and the random sequence as at program start.
inline void ResetProgramState() {
    g_solidColumns = 0;
    g_colourMode = 3;
    g_followTerrain = 0;
    std::srand(1);
}

// A rectangle of a child window in its parent's client coordinates.
inline CRect RectInParent(CWnd& parent, CWnd& child) {
    CRect rect;
    child.GetWindowRect(&rect);
    parent.ScreenToClient(&rect);
    return rect;
}

inline DWORD Rgb(const RGBQUAD& q) {
    return (static_cast<DWORD>(q.rgbRed) << 16) | (static_cast<DWORD>(q.rgbGreen) << 8) | q.rgbBlue;
}

// A 3 x 3 pad: its command base and the control.
struct Pad {
    CStatic CTerrainDlg::*member;
    int base;
};
inline const Pad kPads[3] = {
    {&CTerrainDlg::m_pad1, 0}, {&CTerrainDlg::m_pad2, 100}, {&CTerrainDlg::m_pad3, 200}};

// What the renderer draws on its own for a camera: the objects the stills renderer sets up, on a
// map generated from the start of the random sequence.
struct ReferenceFrame {
    CTerrainView view;
    CCamera camera;
    CHeightMap map;

    ReferenceFrame(int width, int height) {
        std::srand(1);
        view.LoadTextures();
        view.m_pBackBuffer = new CDIB;
        view.m_pBackBuffer->Create(width, height, 0, g_pPalette);
        if (map.Allocate(512, 512)) {
            map.Generate(100);
        }
    }
    ~ReferenceFrame() {
        view.FreeBackBuffer();
        view.FreeTextures();
    }
    const CDIB& Draw() {
        view.Render(&camera, &map, FALSE);
        return *view.m_pBackBuffer;
    }
};

// Whether two surfaces hold the same indices, row by row.
inline ::testing::AssertionResult SameIndices(const CDIB& a, const CDIB& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) {
        return ::testing::AssertionFailure()
               << a.Width() << "x" << a.Height() << " vs " << b.Width() << "x" << b.Height();
    }
    for (int r = 0; r < a.Height(); ++r) {
        const BYTE* pa = a.Bits() + static_cast<size_t>(a.Height() - 1 - r) * a.Stride();
        const BYTE* pb = b.Bits() + static_cast<size_t>(b.Height() - 1 - r) * b.Stride();
        for (int c = 0; c < a.Width(); ++c) {
            if (pa[c] != pb[c]) {
                return ::testing::AssertionFailure() << "row " << r << " column " << c << ": "
                                                     << int(pa[c]) << " vs " << int(pb[c]);
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// What the pad commands change, taken together so that a test can see that one command changed
// only what it should.
struct DialogState {
    int x, y, altitude, heading, horizon, scale;
    int solid, mode, follow, detail;
    BOOL fly;
    bool operator==(const DialogState&) const = default;
};

inline DialogState Snapshot(CTerrainDlg& dlg) {
    const CCamera& c = dlg.m_camera;
    return DialogState{c.m_x,
                       c.m_y,
                       c.m_altitude,
                       c.m_headingDegrees,
                       c.m_horizonOffset,
                       c.m_scale,
                       g_solidColumns,
                       g_colourMode,
                       g_followTerrain,
                       dlg.m_heightMap.m_detail,
                       dlg.m_bFlyThrough};
}

inline std::vector<HeightCell> Cells(const CHeightMap& map) {
    if (!map.m_cells) {
        return {};
    }
    return std::vector<HeightCell>(map.m_cells,
                                   map.m_cells + static_cast<size_t>(map.m_columns) * map.m_rows);
}

class DialogTest : public ::testing::Test {
protected:
    static constexpr DWORD kStartTicks = 3 * 3600 * 1000 + 12345;

    void SetUp() override {
        ResetProgramState();
        m_host = Host();
        ASSERT_NE(m_host, nullptr);
        // Every test starts at the same time, some hours after the system started.
        m_host->SetTickCount(kStartTicks);
        m_dlg = std::make_unique<CTerrainDlg>();
        // As the application object does: the dialog is the main window, the About box's owner.
        theApp.m_pMainWnd = m_dlg.get();
        ASSERT_TRUE(m_dlg->StartModal());
        Pump();
        m_hWnd = m_dlg->GetSafeHwnd();
        ASSERT_NE(m_hWnd, nullptr);
    }

    void TearDown() override {
        m_host->SetIdleHandler(nullptr);
        if (m_dlg && m_dlg->GetSafeHwnd() && m_dlg->ContinueModal()) {
            m_dlg->EndDialog(IDCANCEL);
            Pump();
        }
        if (m_dlg) {
            m_dlg->FinishModal();
        }
        theApp.m_pMainWnd = nullptr;
        m_dlg.reset();
        ResetProgramState();
    }

    bool Running() { return m_dlg->GetSafeHwnd() != nullptr && m_dlg->ContinueModal(); }

    // A press and a release at a point of the dialog's client area, each pumped.
    void Press(int x, int y) {
        m_host->MouseDown(m_hWnd, x, y);
        Pump();
    }
    void Release(int x, int y) {
        m_host->MouseUp(m_hWnd, x, y);
        Pump();
    }
    void Click(int x, int y) {
        Press(x, y);
        Release(x, y);
    }

    CRect PadRect(int pad) { return RectInParent(*m_dlg, m_dlg.get()->*kPads[pad].member); }
    // The centre of a cell of a pad, in dialog client coordinates.
    CPoint CellCentre(int pad, int cell) {
        const CRect r = PadRect(pad);
        return CPoint(r.left + (cell % 3) * 17 + 8, r.top + (cell / 3) * 17 + 8);
    }
    void ClickCell(int pad, int cell) {
        const CPoint p = CellCentre(pad, cell);
        Click(p.x, p.y);
    }
    // Runs the command of a code by clicking its pad cell.
    void ClickCode(int code) { ClickCell(code / 100, code % 100); }

    // Timer ticks of the virtual clock: 50 ms and a pump each.
    void Tick(int count = 1) {
        for (int i = 0; i < count; ++i) {
            m_host->Advance(50);
            Pump();
        }
    }

    CCamera& Camera() { return m_dlg->m_camera; }

    // Whether the view holds the caster's frame of the first map for the dialog's camera and
    // detail setting.
    ::testing::AssertionResult ShowsFirstMapFrame() {
        const CDIB* back = m_dlg->m_view.m_pBackBuffer;
        if (!back) {
            return ::testing::AssertionFailure() << "the view has no back buffer";
        }
        ReferenceFrame reference(back->Width(), back->Height());
        const CCamera& c = m_dlg->m_camera;
        reference.camera.m_x = c.m_x;
        reference.camera.m_y = c.m_y;
        reference.camera.m_altitude = c.m_altitude;
        reference.camera.SetHeading(c.m_headingDegrees);
        reference.camera.m_horizonOffset = c.m_horizonOffset;
        reference.camera.m_scale = c.m_scale;
        reference.map.m_detail = m_dlg->m_heightMap.m_detail;
        return SameIndices(*back, reference.Draw());
    }

    CHeadlessHost* m_host = nullptr;
    std::unique_ptr<CTerrainDlg> m_dlg;
    HWND m_hWnd = nullptr;
};

} // namespace dorvane_test
