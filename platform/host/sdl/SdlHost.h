// The real desktop through SDL2: one SDL window per top-level window, its client area shown
// from the screen the software GDI draws into (SDL's window surface itself, lent to the core,
// where its layout is the screen's), and SDL's input turned into host events.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "host/Host.h"
#include "host/sdl/X11ScaledScreen.h"

struct SDL_Window;
union SDL_Event;

class CSdlHost : public CHost {
public:
    // Connects to the display; null when there is none, with SDL's reason in *pError.
    static std::unique_ptr<CSdlHost> Open(std::string* pError);
    ~CSdlHost() override;

    HOSTWND CreateHostWindow(const DvHostWindowDesc& desc) override;
    void DestroyHostWindow(HOSTWND window) override;
    void ShowHostWindow(HOSTWND window, int nCmdShow) override;
    void PlaceHostWindow(HOSTWND window, int x, int y, int cx, int cy) override;
    void SetHostTitle(HOSTWND window, LPCSTR title) override;
    void SetHostFullScreen(HOSTWND window, BOOL bFullScreen) override;
    void SetHostIcon(HOSTWND window, const DWORD* pixels, int width, int height) override;
    void SetHostIcons(HOSTWND window, const IconImage* images, int count) override;
    LentScreen LendScreen(HOSTWND window, int cx, int cy) override;
    BOOL Present(HOSTWND window, const void* pixels, int width, int height, int strideBytes,
                 const RECT& changed) override;
    BOOL PollEvent(DvHostEvent& event) override;
    BOOL WaitEvent(DWORD timeoutMs) override;
    DWORD TickCount() override;
    SIZE ScreenSize() override;

    // How many desktop pixels show one of the program's pixels each way (1 unless the desktop
    // is scaled, see Open).
    int Scale() const { return m_nScale; }

private:
    struct CHostWindow {
        SDL_Window* m_pWindow = nullptr;
        DvHostWindowKind m_kind = DvHostNormal;
        HOSTWND m_owner = 0; // a popup's, which places it
        // The window surface's pixels while they are lent as the core's screen.
        void* m_pLent = nullptr;
        // On a scaled desktop, the X server's scaling of the window's picture; none where the
        // window is not on X, and the host then scales into the window surface itself.
        std::unique_ptr<CX11ScaledScreen> m_pScaled;
    };

    explicit CSdlHost(int nScale) : m_nScale(nScale) {}
    CHostWindow* Find(HOSTWND window);
    // Copies a rectangle of the program's screen into the window's surface at m_nScale times
    // its size, each pixel repeated; the surface beyond the scaled screen gets the dialog face.
    // For windows that the X server cannot scale.
    void PresentScaled(SDL_Window* pWindow, const void* pixels, int width, int height,
                       int strideBytes, const RECT& changed);
    // Turns one SDL event into a host event; FALSE for events the platform has no use for.
    BOOL Translate(const SDL_Event& sdlEvent, DvHostEvent& event);
    // The window a keyboard event belongs to: SDL's focus, else the last window that had it.
    HOSTWND KeyboardWindow(unsigned sdlWindowId) const;

    std::map<HOSTWND, CHostWindow> m_windows;
    HOSTWND m_lastFocus = 0;
    int m_nScale = 1;
};

// Keeps a harmless X error of SDL's wake-up event from ending the process, and makes a lost
// connection to the display end it at once with status 1; called before SDL connects to the
// display, so that these are also the handlers SDL leaves at SDL_Quit.
void DvFilterSdlWakeupErrors();

// Waits up to timeoutMs (negative: without limit) for input on the X display of pWindow,
// without SDL's wake-up events; false, having waited for nothing, when the window is not on X.
bool DvWaitForX11Events(SDL_Window* pWindow, int timeoutMs);

// The virtual key code of an SDL key, 0 for keys the platform does not name.
UINT DvVirtualKeyOfSdlKey(int sdlKey);
