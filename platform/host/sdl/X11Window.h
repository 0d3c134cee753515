// What SDL does not say to an X window manager on its own: that a window is a dialog of
// another, which of the frame's functions it offers, all the sizes of its icon, and the colour
// the server shows in a newly exposed area before the program has drawn there. Also the
// desktop's scale. Each call does nothing where the window is not an X window (SDL's dummy
// driver, Wayland).
#pragma once

#include <cstdint>

struct SDL_Window;
struct _XDisplay;

// The X display and window that show an SDL window; false where it is not an X window.
bool DvX11WindowOf(SDL_Window* window, _XDisplay** display, unsigned long* xWindow);

// One picture of a window icon: 0xAARRGGBB pixels, top row first.
struct DvX11Icon {
    const std::uint32_t* pixels;
    int width;
    int height;
};

// The frame functions a window offers: moving and closing always, the others as given.
void DvX11SetFrameFunctions(SDL_Window* window, bool bResizable, bool bMinimise, bool bMaximise);

// Marks a window that is not shown yet as a modal dialog of its owner: transient for it, of the
// dialog type and in the modal state, so that the window manager keeps it above its owner and
// minimises it along with the owner.
void DvX11MakeModalDialog(SDL_Window* window, SDL_Window* owner);

// The window's icon in every size given, so that each panel and switcher picks a sharp one.
void DvX11SetIcons(SDL_Window* window, const DvX11Icon* icons, int count);

// The colour (0xRRGGBB) that the server fills newly exposed parts of the window with.
void DvX11SetBackground(SDL_Window* window, std::uint32_t rgb);

// The desktop's scale as GTK programs take it: GDK_SCALE when it is a whole number of at least 1,
// otherwise the X resource Xft.dpi divided by 96, rounded, at least 1. `gdkScale` and
// `resources` (the X resource database's text) may be null.
int DvDesktopScaleFrom(const char* gdkScale, const char* resources);

// The scale of the desktop on the display that DISPLAY names.
int DvX11DesktopScale();
