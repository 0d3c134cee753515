// The main dialog: the view inside its sunken frame, the three icon pads, the commands they run
// and the timer-driven fly-through.
#pragma once

#include <afxwin.h>
#include <afxcmn.h>

#include "render/Camera.h"
#include "render/TerrainView.h"
#include "res/resource.h"
#include "terrain/HeightMap.h"

class CTerrainDlg : public CDialog {
public:
    explicit CTerrainDlg(CWnd* pParent = nullptr);
    ~CTerrainDlg() override = default;

    enum { IDD = IDD_TERRAIN_DIALOG };

    // Reads pelds.pal beside the executable into g_palette and sets g_pPalette; without a usable
    // file there is no palette.
    static void LoadPalette();
    // The reading itself, from the palette file at path.
    static void LoadPaletteFile(const char* path);
    // Selects and realises g_pPalette on window's client context: 1 when a context was had.
    int RealizePalette(CWnd* window);

    // The cell of a columns x rows pad under the point (dialog client coordinates), or -1.
    int HitTestPad(CWnd& pad, int x, int y, int columns, int rows);
    // Runs one pad command and renders a new frame.
    void ExecuteCommand(int code);
    // value * a / b (or value + a when b <= 0), then held within low and high.
    static void AdjustClamped(int& value, int a, int b, int low, int high);

    int m_nFrameCount;
    DWORD m_dwLastTitleTick;
    CTerrainView m_view;
    CCamera m_camera;
    CHeightMap m_heightMap;
    BOOL m_bInitialised;
    int m_nPressedCommand;
    BOOL m_bFlyThrough;
    double m_dPhase;
    double m_dPathY;
    double m_dPathX;
    CStatic m_pad3;
    CStatic m_pad2;
    CStatic m_pad1;
    CStatic m_viewFrame;
    HICON m_hIcon;

    // Beside the pads: their keys, the wheel, their tooltips and full screen.
    HACCEL m_hAccel;
    CToolTipCtrl m_toolTip;
    int m_nWheelDelta; // a fine wheel's turn short of a notch
    BOOL m_bFullScreen;
    CRect m_rectRestore; // the window's place and style before full screen
    DWORD m_dwRestoreStyle;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnTimer(UINT nIDEvent);
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnDestroy();
    afx_msg BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
    afx_msg void OnPadKey(UINT nID);
    afx_msg void OnViewFullScreen();

    DECLARE_MESSAGE_MAP()
};
