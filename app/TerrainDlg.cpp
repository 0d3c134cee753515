#include "app/TerrainDlg.h"

#include "app/AboutDlg.h"
#include "app/PadCommands.h"
#include "gfx/Palette.h"
#include "render/RenderSettings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The palette file: a 24-byte header, then 256 entries of red, green, blue and flags.
constexpr int kHeaderBytes = 24;
constexpr int kEntries = 256;
// The reader needs the header and the 256 entries; nothing past them is read. More than 1024
// bytes make a usable file.
constexpr int kReadBytes = kHeaderBytes + 4 * kEntries;
constexpr int kMinimumBytes = 1024;

// The executable's path is asked for in a buffer of this many characters first, and in larger
// ones, up to the longest path the system hands out, while it does not fit.
constexpr DWORD kMaxModulePath = 900;
constexpr DWORD kLongestModulePath = 32768;
const char kFileName[] = "pelds.pal";
// Where a module path may separate its folders: on Windows a slash is a separator beside the
// backslash; elsewhere a backslash is an ordinary character of a folder's name.
#ifdef _WIN32
const char kSeparators[] = "\\/";
#else
const char kSeparators[] = "/";
#endif

} // namespace

void CTerrainDlg::LoadPalette() {
    // A path that does not fit comes back cut, with the buffer's size as the result. A path
    // that cannot be had whole gives no palette: a cut one would lead to another folder's file.
    std::vector<char> buffer(kMaxModulePath);
    DWORD length = 0;
    for (;;) {
        length = GetModuleFileName(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size() || buffer.size() >= kLongestModulePath) {
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    if (length == 0 || length >= buffer.size()) {
        return;
    }
    // The file lies in the executable's directory: the path is cut after its last separator
    // (a backslash on Windows, where a slash is one too; a slash elsewhere). A path without a
    // directory gets the name appended with a separator.
    std::string path(buffer.data(), length);
    const std::size_t slash = path.find_last_of(kSeparators);
    if (slash != std::string::npos) {
        path.erase(slash + 1);
    } else {
        path += '/';
    }
    path += kFileName;
    LoadPaletteFile(path.c_str());
}

void CTerrainDlg::LoadPaletteFile(const char* path) {
    if (!path) {
        return;
    }
    // Only an ordinary file is a palette file. Anything else (a pipe, a device) counts as no
    // file: it could hold up start-up forever or hand out endless bytes.
    const HANDLE file = CreateFile(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    // Zeroed first, so that a file shorter than 1048 bytes gives black for the entries it lacks.
    unsigned char buffer[kReadBytes] = {};
    DWORD read = 0;
    const bool ordinary = GetFileType(file) == FILE_TYPE_DISK;
    const bool readOk = ordinary && ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    CloseHandle(file);
    if (!readOk || read <= static_cast<DWORD>(kMinimumBytes)) {
        return;
    }

    struct {
        WORD palVersion;
        WORD palNumEntries;
        PALETTEENTRY palPalEntry[kEntries];
    } log = {};
    log.palVersion = 0x300;
    log.palNumEntries = kEntries;
    PALETTEENTRY stored[kEntries];
    std::memcpy(stored, buffer + kHeaderBytes, sizeof stored);
    for (int i = 0; i < kEntries; ++i) {
        log.palPalEntry[i] = PALETTEENTRY{stored[i].peRed, stored[i].peGreen, stored[i].peBlue, 0};
    }
    // Reading again replaces the palette read before.
    g_palette.DeleteObject();
    if (!g_palette.CreatePalette(reinterpret_cast<const LOGPALETTE*>(&log))) {
        return;
    }
    // The entries once more as the file stores them, flags included.
    g_palette.SetPaletteEntries(0, kEntries, stored);
    g_pPalette = &g_palette;
}

namespace {

// Pad commands: the command code is the pad's base plus its cell, 3 x cell row + cell column.
constexpr int kPadColumns = 3;
constexpr int kPadRows = 3;
constexpr int kPad2Base = 100;
constexpr int kPad3Base = 200;

// Position, altitude and scale never fall below 50; no upper bound of the world applies.
constexpr int kMinimum = 50;
constexpr int kMaximum = 1000000000;
constexpr int kMoveStep = 200;
constexpr int kHorizonStep = 20;
constexpr int kHorizonLimit = 1000;
constexpr int kTurnStep = 10;
constexpr int kRoughness = 100;
constexpr int kMapCells = 512;

// The layout: the frame keeps 8 pixels to the client area's right and bottom edges, the view
// lies 2 pixels inside the frame.
constexpr int kFrameMargin = 8;
constexpr int kViewInset = 2;

constexpr UINT kTimerPeriod = 50;

// The fly-through path: one arc, x falling from just below 65536, y rising from about 21845.
constexpr double kPhaseStepFollowing = 0.01;
constexpr double kPhaseStep = 0.05;
constexpr double kPhaseWrap = 6.28;
constexpr double kPathFactorX = 0.14285714285714285;
constexpr double kPathCentreX = 32768.0;
constexpr double kPathFactorY = 0.2;
constexpr double kPathCentreY = 21845.333333333332;
constexpr DWORD kTitleInterval = 1000;

// A tooltip shows after the pointer rests half a second on a cell, and stays while it rests.
constexpr int kTipInitial = 500;
constexpr int kTipShown = 30000;

int Toggled(int value) {
    return value == 0 ? 1 : 0;
}

} // namespace

BEGIN_MESSAGE_MAP(CTerrainDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_WM_SIZE()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_TIMER()
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_MOUSEWHEEL()
ON_COMMAND_RANGE(ID_PAD_COMMAND, ID_PAD_COMMAND_LAST, OnPadKey)
ON_COMMAND(ID_VIEW_FULLSCREEN, OnViewFullScreen)
END_MESSAGE_MAP()

CTerrainDlg::CTerrainDlg(CWnd* pParent)
    : CDialog(CTerrainDlg::IDD, pParent), m_nFrameCount(0), m_dwLastTitleTick(0),
      m_bInitialised(FALSE), m_nPressedCommand(-1), m_bFlyThrough(FALSE), m_dPhase(0.0),
      m_dPathY(0.0), m_dPathX(0.0), m_hIcon(nullptr), m_hAccel(nullptr), m_nWheelDelta(0),
      m_bFullScreen(FALSE), m_dwRestoreStyle(0) {
    LPCSTR icon = MAKEINTRESOURCE(IDR_MAINFRAME);
    m_hIcon = ::LoadIcon(AfxFindResourceHandle(icon, RT_GROUP_ICON), icon);
    LPCSTR keys = MAKEINTRESOURCE(IDR_MAINFRAME);
    m_hAccel = ::LoadAccelerators(AfxFindResourceHandle(keys, RT_ACCELERATOR), keys);
}

void CTerrainDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PAD3, m_pad3);
    DDX_Control(pDX, IDC_PAD2, m_pad2);
    DDX_Control(pDX, IDC_PAD1, m_pad1);
    DDX_Control(pDX, IDC_VIEW_FRAME, m_viewFrame);
}

int CTerrainDlg::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    if (CDialog::OnCreate(lpCreateStruct) == -1) {
        return -1;
    }
    // The palette exists before any control or surface does, so all of them find it.
    LoadPalette();
    RealizePalette(this);
    return 0;
}

int CTerrainDlg::RealizePalette(CWnd* window) {
    if (!window) {
        return 0;
    }
    CDC* dc = window->GetDC();
    if (!dc) {
        return 0;
    }
    dc->SelectPalette(g_pPalette, FALSE);
    dc->RealizePalette();
    // Given back to the window it came from.
    window->ReleaseDC(dc);
    return 1;
}

BOOL CTerrainDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    CMenu* pSysMenu = GetSystemMenu(FALSE);
    if (pSysMenu) {
        CString strAboutMenu;
        strAboutMenu.LoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.IsEmpty()) {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_bInitialised = TRUE;

    CRect rect;
    m_viewFrame.GetWindowRect(&rect);
    ScreenToClient(&rect);
    rect.DeflateRect(kViewInset, kViewInset);
    m_view.Create(nullptr, "Orvik", WS_CHILD | WS_VISIBLE, rect, this, 1);

    if (m_heightMap.Allocate(kMapCells, kMapCells)) {
        m_heightMap.Generate(kRoughness);
    }
    m_view.Render(&m_camera, &m_heightMap, TRUE);

    SetTimer(IDT_FLYTHROUGH, kTimerPeriod, nullptr);

    // A tooltip for every cell that has a command, its text asked for as it shows, so that a
    // switch tells whether it is on now.
    if (m_toolTip.Create(this)) {
        m_toolTip.SetDelayTime(TTDT_INITIAL, kTipInitial);
        m_toolTip.SetDelayTime(TTDT_AUTOPOP, kTipShown);
        CStatic* pads[] = {&m_pad1, &m_pad2, &m_pad3};
        const int bases[] = {0, kPad2Base, kPad3Base};
        for (int pad = 0; pad < 3; ++pad) {
            CRect rect;
            pads[pad]->GetWindowRect(&rect);
            ScreenToClient(&rect);
            // The cells as the hit test divides the pad.
            const int cellWidth = std::max(1, rect.Width() / kPadColumns);
            const int cellHeight = std::max(1, rect.Height() / kPadRows);
            for (int cell = 0; cell < kPadColumns * kPadRows; ++cell) {
                const int code = bases[pad] + cell;
                if (!FindPadCommand(code)) {
                    continue;
                }
                const int column = cell % kPadColumns;
                const int row = cell / kPadColumns;
                CRect cellRect(
                    rect.left + column * cellWidth, rect.top + row * cellHeight,
                    column == kPadColumns - 1 ? rect.right : rect.left + (column + 1) * cellWidth,
                    row == kPadRows - 1 ? rect.bottom : rect.top + (row + 1) * cellHeight);
                m_toolTip.AddTool(this, LPSTR_TEXTCALLBACK, &cellRect, code);
            }
        }
    }
    return TRUE;
}

BOOL CTerrainDlg::PreTranslateMessage(MSG* pMsg) {
    // Only while the dialog has the keyboard and the mouse: not under the About box.
    if (IsWindowEnabled()) {
        if (pMsg->message >= WM_MOUSEMOVE && pMsg->message <= WM_MBUTTONUP) {
            m_toolTip.RelayEvent(pMsg);
        }
        if (pMsg->message == WM_KEYDOWN || pMsg->message == WM_SYSKEYDOWN) {
            m_toolTip.Pop();
            if (m_hAccel && ::TranslateAccelerator(m_hWnd, m_hAccel, pMsg)) {
                return TRUE;
            }
        }
    }
    return CDialog::PreTranslateMessage(pMsg);
}

BOOL CTerrainDlg::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    NMHDR* pHeader = reinterpret_cast<NMHDR*>(lParam);
    if (!pHeader || pHeader->code != TTN_NEEDTEXT || pHeader->hwndFrom != m_toolTip.m_hWnd) {
        return CDialog::OnNotify(wParam, lParam, pResult);
    }
    // "Name (key)", and for a switch whether it is on: "Solid columns (S): off".
    NMTTDISPINFO* pInfo = reinterpret_cast<NMTTDISPINFO*>(lParam);
    const int code = static_cast<int>(pHeader->idFrom);
    pInfo->szText[0] = '\0';
    pInfo->lpszText = pInfo->szText;
    if (const PadCommandInfo* command = FindPadCommand(code)) {
        int on = 0;
        switch (code) {
        case 4:
            on = m_bFlyThrough;
            break;
        case 100:
            on = g_solidColumns;
            break;
        case 106:
            on = g_followTerrain;
            break;
        case 200:
            on = m_heightMap.m_detail;
            break;
        default:
            break;
        }
        if (command->toggle) {
            std::snprintf(pInfo->szText, sizeof pInfo->szText, "%s (%s): %s", command->name,
                          command->key, on ? "on" : "off");
        } else {
            std::snprintf(pInfo->szText, sizeof pInfo->szText, "%s (%s)", command->name,
                          command->key);
        }
    }
    if (pResult) {
        *pResult = 0;
    }
    return TRUE;
}

void CTerrainDlg::OnPadKey(UINT nID) {
    // The same command, and the same frame, as a click on the key's cell.
    ExecuteCommand(static_cast<int>(nID - ID_PAD_COMMAND));
}

BOOL CTerrainDlg::OnMouseWheel(UINT, short zDelta, CPoint pt) {
    // Over the view only; pt is on the screen.
    CRect view;
    if (!m_view.GetSafeHwnd()) {
        return FALSE;
    }
    m_view.GetWindowRect(&view);
    if (!view.PtInRect(pt)) {
        return FALSE;
    }
    // One zoom per whole notch; a fine wheel's parts add up, and turning back starts afresh.
    if (m_nWheelDelta != 0 && (zDelta > 0) != (m_nWheelDelta > 0)) {
        m_nWheelDelta = 0;
    }
    m_nWheelDelta += zDelta;
    while (m_nWheelDelta >= WHEEL_DELTA) {
        m_nWheelDelta -= WHEEL_DELTA;
        ExecuteCommand(8);
    }
    while (m_nWheelDelta <= -WHEEL_DELTA) {
        m_nWheelDelta += WHEEL_DELTA;
        ExecuteCommand(6);
    }
    return TRUE;
}

void CTerrainDlg::OnViewFullScreen() {
    // Full screen is a window without caption or frame over the whole monitor; the view follows
    // the new size as it follows any other.
    if (!m_bFullScreen) {
        MONITORINFO mi = {};
        mi.cbSize = sizeof mi;
        if (!::GetMonitorInfo(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &mi)) {
            return;
        }
        GetWindowRect(&m_rectRestore);
        m_dwRestoreStyle = GetStyle();
        ::SetWindowLong(m_hWnd, GWL_STYLE,
                        static_cast<LONG>(m_dwRestoreStyle & ~(WS_CAPTION | WS_THICKFRAME)));
        const RECT& r = mi.rcMonitor;
        ::SetWindowPos(m_hWnd, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
        m_bFullScreen = TRUE;
    } else {
        ::SetWindowLong(m_hWnd, GWL_STYLE, static_cast<LONG>(m_dwRestoreStyle));
        ::SetWindowPos(m_hWnd, nullptr, m_rectRestore.left, m_rectRestore.top,
                       m_rectRestore.Width(), m_rectRestore.Height(),
                       SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
        m_bFullScreen = FALSE;
    }
}

void CTerrainDlg::OnSize(UINT nType, int cx, int cy) {
    CDialog::OnSize(nType, cx, cy);
    if (cx <= 0 || cy <= 0 || !m_bInitialised) {
        return;
    }
    // Only the frame's right and bottom edges follow the dialog.
    CRect rect;
    m_viewFrame.GetWindowRect(&rect);
    ScreenToClient(&rect);
    rect.right = cx - kFrameMargin;
    rect.bottom = cy - kFrameMargin;
    if (!m_view.GetSafeHwnd()) {
        return;
    }
    m_viewFrame.MoveWindow(rect.left, rect.top, rect.Width(), rect.Height(), TRUE);
    rect.DeflateRect(kViewInset, kViewInset);
    m_view.MoveWindow(&rect, TRUE);
    m_view.Render(&m_camera, &m_heightMap, TRUE);
}

void CTerrainDlg::OnPaint() {
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);

    // The icon centred in the client area.
    const int cxIcon = GetSystemMetrics(SM_CXICON);
    const int cyIcon = GetSystemMetrics(SM_CYICON);
    CRect rect;
    GetClientRect(&rect);
    const int x = (rect.Width() - cxIcon + 1) / 2;
    const int y = (rect.Height() - cyIcon + 1) / 2;
    ::DrawIcon(dc.GetSafeHdc(), x, y, m_hIcon);
}

HCURSOR CTerrainDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

void CTerrainDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CTerrainDlg::OnOK() {
    CDialog::OnOK();
}

void CTerrainDlg::OnCancel() {
    CDialog::OnCancel();
}

void CTerrainDlg::OnDestroy() {
    // The view goes with the dialog's window and frees its own surfaces; the tooltip goes too.
    m_toolTip.DestroyWindow();
    CDialog::OnDestroy();
}

int CTerrainDlg::HitTestPad(CWnd& pad, int x, int y, int columns, int rows) {
    if (!pad.GetSafeHwnd() || columns <= 0 || rows <= 0) {
        return -1;
    }
    // The pad's outer rectangle, its client edge included.
    CRect rect;
    pad.GetWindowRect(&rect);
    ScreenToClient(&rect);
    if (x < rect.left || x >= rect.right || y < rect.top || y >= rect.bottom) {
        return -1;
    }
    // Pixels left over at the right or bottom edge belong to the last column or row. A pad
    // narrower than its cell count still has cells one pixel wide, never zero.
    const int cellHeight = std::max(1, rect.Height() / rows);
    const int cellWidth = std::max(1, rect.Width() / columns);
    const int row = std::min(static_cast<int>(y - rect.top) / cellHeight, rows - 1);
    const int column = std::min(static_cast<int>(x - rect.left) / cellWidth, columns - 1);
    return columns * row + column;
}

void CTerrainDlg::OnLButtonDown(UINT nFlags, CPoint point) {
    // Tested in this order; a later hit would overwrite an earlier one.
    int cell = HitTestPad(m_pad1, point.x, point.y, kPadColumns, kPadRows);
    if (cell >= 0) {
        m_nPressedCommand = cell;
    }
    cell = HitTestPad(m_pad2, point.x, point.y, kPadColumns, kPadRows);
    if (cell >= 0) {
        m_nPressedCommand = cell + kPad2Base;
    }
    cell = HitTestPad(m_pad3, point.x, point.y, kPadColumns, kPadRows);
    if (cell >= 0) {
        m_nPressedCommand = cell + kPad3Base;
    }
    if (m_nPressedCommand >= 0) {
        // The release must come back here wherever the pointer goes.
        SetCapture();
        ExecuteCommand(m_nPressedCommand);
    }
    CDialog::OnLButtonDown(nFlags, point);
}

void CTerrainDlg::OnLButtonUp(UINT nFlags, CPoint point) {
    // The press ran the command; the release only ends it.
    if (m_nPressedCommand >= 0) {
        ::ReleaseCapture();
        m_nPressedCommand = -1;
    }
    CDialog::OnLButtonUp(nFlags, point);
}

void CTerrainDlg::AdjustClamped(int& value, int a, int b, int low, int high) {
    // Formed in 64 bits, so neither the product nor the offset can overflow; after the clamps
    // the value is one of low, high or lies between them, so it fits again.
    long long result;
    if (b <= 0) {
        result = static_cast<long long>(value) + a;
    } else {
        result = static_cast<long long>(value) * a / b;
    }
    if (result <= low) {
        result = low;
    }
    if (result >= high) {
        result = high;
    }
    value = static_cast<int>(result);
}

void CTerrainDlg::ExecuteCommand(int code) {
    switch (code) {
    case 0: // sink to four fifths of the altitude
        AdjustClamped(m_camera.m_altitude, 100, 125, kMinimum, kMaximum);
        break;
    case 1: // toward +y
        AdjustClamped(m_camera.m_y, kMoveStep, -1, kMinimum, kMaximum);
        break;
    case 2: // rise to five quarters of the altitude
        AdjustClamped(m_camera.m_altitude, 125, 100, kMinimum, kMaximum);
        break;
    case 3: // toward -x
        AdjustClamped(m_camera.m_x, -kMoveStep, -1, kMinimum, kMaximum);
        break;
    case 4:
        m_bFlyThrough = Toggled(m_bFlyThrough);
        break;
    case 5: // toward +x
        AdjustClamped(m_camera.m_x, kMoveStep, -1, kMinimum, kMaximum);
        break;
    case 6: // zoom out
        AdjustClamped(m_camera.m_scale, 100, 125, kMinimum, kMaximum);
        break;
    case 7: // toward -y
        AdjustClamped(m_camera.m_y, -kMoveStep, -1, kMinimum, kMaximum);
        break;
    case 8: // zoom in
        AdjustClamped(m_camera.m_scale, 125, 100, kMinimum, kMaximum);
        break;
    case 100:
        g_solidColumns = Toggled(g_solidColumns);
        break;
    case 101: // the horizon lower
        AdjustClamped(m_camera.m_horizonOffset, kHorizonStep, -1, -kHorizonLimit, kHorizonLimit);
        break;
    case 102:
        m_heightMap.Smooth();
        break;
    case 103: // turn left
        m_camera.SetHeading(m_camera.m_headingDegrees - kTurnStep);
        break;
    case 104: // a new landscape, in the cells already held
        m_heightMap.Generate(kRoughness);
        break;
    case 105: // turn right
        m_camera.SetHeading(m_camera.m_headingDegrees + kTurnStep);
        break;
    case 106:
        g_followTerrain = Toggled(g_followTerrain);
        break;
    case 107: // the horizon higher
        AdjustClamped(m_camera.m_horizonOffset, -kHorizonStep, -1, -kHorizonLimit, kHorizonLimit);
        break;
    case 108: // heights, cell columns, cell rows, textures
        g_colourMode = (g_colourMode + 1) % 4;
        break;
    case 200:
        m_heightMap.m_detail = Toggled(m_heightMap.m_detail);
        break;
    default: // the empty cells: only a new frame
        break;
    }
    m_view.Render(&m_camera, &m_heightMap, TRUE);
}

void CTerrainDlg::OnTimer(UINT nIDEvent) {
    // Every tick draws one number from the sequence the terrain generation shares, flying or not.
    std::rand();
    if (m_bFlyThrough) {
        m_dPhase += g_followTerrain ? kPhaseStepFollowing : kPhaseStep;
        m_dPhase = std::fmod(m_dPhase, kPhaseWrap);
        // Whole numbers: both lie within 0 to 65536, so the truncation is defined.
        m_dPathX =
            static_cast<int>(std::cos(m_dPhase * kPathFactorX) * kPathCentreX + kPathCentreX);
        m_dPathY =
            static_cast<int>(std::sin(m_dPhase * kPathFactorY) * kPathCentreY + kPathCentreY);
        m_camera.m_x = static_cast<int>(m_dPathX);
        m_camera.m_y = static_cast<int>(m_dPathY);
        m_view.Render(&m_camera, &m_heightMap, TRUE);
        ++m_nFrameCount;
        // Unsigned, so the test holds across the tick count's wrap.
        if (GetTickCount() - m_dwLastTitleTick > kTitleInterval) {
            char title[64];
            std::snprintf(title, sizeof title, "Dorvane (%d fps)", m_nFrameCount);
            SetWindowText(title);
            m_nFrameCount = 0;
            m_dwLastTitleTick = GetTickCount();
        }
    }
    CDialog::OnTimer(nIDEvent);
}
