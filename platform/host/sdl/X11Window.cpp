#include "host/sdl/X11Window.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// No desktop is that dense; a larger value is a typing error, and would make windows whose
// pixel counts no longer fit an int.
constexpr int kMaxScale = 8;

struct XWindowRef {
    Display* display = nullptr;
    Window window = 0;
};

XWindowRef XWindowOf(SDL_Window* window) {
    XWindowRef ref;
    if (!DvX11WindowOf(window, &ref.display, &ref.window)) {
        ref = XWindowRef{};
    }
    return ref;
}

Atom AtomOf(Display* display, const char* name) {
    return XInternAtom(display, name, False);
}

void SetAtoms(const XWindowRef& ref, const char* property, const std::vector<Atom>& values) {
    XChangeProperty(ref.display, ref.window, AtomOf(ref.display, property), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(values.data()),
                    static_cast<int>(values.size()));
}

// The frame hints that Motif defined and every window manager reads.
enum : unsigned long {
    kMwmHintsFunctions = 1,
    kMwmHintsDecorations = 2,
    kMwmFuncResize = 2,
    kMwmFuncMove = 4,
    kMwmFuncMinimize = 8,
    kMwmFuncMaximize = 16,
    kMwmFuncClose = 32,
    kMwmDecorBorder = 2,
    kMwmDecorResizeH = 4,
    kMwmDecorTitle = 8,
    kMwmDecorMenu = 16,
    kMwmDecorMinimize = 32,
    kMwmDecorMaximize = 64,
};

// A whole number of at least 1, or 0 when the text is not one.
int PositiveWhole(const char* text) {
    if (text == nullptr || *text == '\0') {
        return 0;
    }
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < 1) {
        return 0;
    }
    return value > kMaxScale ? kMaxScale : static_cast<int>(value);
}

// The value of Xft.dpi in a resource database's text, 0 when it has none.
double XftDpi(const char* resources) {
    static const char kName[] = "Xft.dpi:";
    for (const char* line = resources; line != nullptr && *line != '\0';) {
        const char* next = std::strchr(line, '\n');
        if (std::strncmp(line, kName, sizeof kName - 1) == 0) {
            char* end = nullptr;
            const double dpi = std::strtod(line + sizeof kName - 1, &end);
            return std::isfinite(dpi) && dpi > 0 ? dpi : 0;
        }
        line = next != nullptr ? next + 1 : nullptr;
    }
    return 0;
}

} // namespace

bool DvX11WindowOf(SDL_Window* window, Display** display, unsigned long* xWindow) {
    if (window == nullptr) {
        return false;
    }
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) {
        return false;
    }
    *display = info.info.x11.display;
    *xWindow = info.info.x11.window;
    return true;
}

void DvX11SetFrameFunctions(SDL_Window* window, bool bResizable, bool bMinimise, bool bMaximise) {
    const XWindowRef ref = XWindowOf(window);
    if (ref.display == nullptr) {
        return;
    }
    unsigned long hints[5] = {kMwmHintsFunctions | kMwmHintsDecorations,
                              kMwmFuncMove | kMwmFuncClose,
                              kMwmDecorBorder | kMwmDecorTitle | kMwmDecorMenu, 0, 0};
    if (bResizable) {
        hints[1] |= kMwmFuncResize;
        hints[2] |= kMwmDecorResizeH;
    }
    if (bMinimise) {
        hints[1] |= kMwmFuncMinimize;
        hints[2] |= kMwmDecorMinimize;
    }
    if (bMaximise) {
        hints[1] |= kMwmFuncMaximize;
        hints[2] |= kMwmDecorMaximize;
    }
    const Atom motif = AtomOf(ref.display, "_MOTIF_WM_HINTS");
    XChangeProperty(ref.display, ref.window, motif, motif, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(hints), 5);
    XFlush(ref.display);
}

void DvX11MakeModalDialog(SDL_Window* window, SDL_Window* owner) {
    const XWindowRef ref = XWindowOf(window);
    const XWindowRef ownerRef = XWindowOf(owner);
    if (ref.display == nullptr || ownerRef.display == nullptr) {
        return;
    }
    XSetTransientForHint(ref.display, ref.window, ownerRef.window);
    SetAtoms(ref, "_NET_WM_WINDOW_TYPE", {AtomOf(ref.display, "_NET_WM_WINDOW_TYPE_DIALOG")});
    // Before the window is mapped its state is the client's to set; after, the window
    // manager's.
    SetAtoms(ref, "_NET_WM_STATE", {AtomOf(ref.display, "_NET_WM_STATE_MODAL")});
    XFlush(ref.display);
}

void DvX11SetIcons(SDL_Window* window, const DvX11Icon* icons, int count) {
    const XWindowRef ref = XWindowOf(window);
    if (ref.display == nullptr || icons == nullptr || count <= 0) {
        return;
    }
    // Xlib hands 32-bit properties over as longs, whatever their width.
    std::vector<unsigned long> data;
    for (int i = 0; i < count; ++i) {
        const DvX11Icon& icon = icons[i];
        if (icon.pixels == nullptr || icon.width <= 0 || icon.height <= 0 || icon.width > 1024 ||
            icon.height > 1024) {
            continue;
        }
        data.push_back(static_cast<unsigned long>(icon.width));
        data.push_back(static_cast<unsigned long>(icon.height));
        const std::size_t n = static_cast<std::size_t>(icon.width) * icon.height;
        data.insert(data.end(), icon.pixels, icon.pixels + n);
    }
    if (data.empty()) {
        return;
    }
    XChangeProperty(ref.display, ref.window, AtomOf(ref.display, "_NET_WM_ICON"), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(data.data()),
                    static_cast<int>(data.size()));
    XFlush(ref.display);
}

void DvX11SetBackground(SDL_Window* window, std::uint32_t rgb) {
    const XWindowRef ref = XWindowOf(window);
    if (ref.display == nullptr) {
        return;
    }
    XWindowAttributes attributes;
    if (XGetWindowAttributes(ref.display, ref.window, &attributes) == 0 ||
        attributes.visual == nullptr) {
        return;
    }
    const Visual* visual = attributes.visual;
    unsigned long pixel = 0;
    if (visual->c_class == TrueColor || visual->c_class == DirectColor) {
        // Each channel placed under its mask at the mask's width. (SDL gives a direct-colour
        // visual a colour map that passes the values straight through.)
        auto place = [](std::uint32_t value8, unsigned long mask) -> unsigned long {
            if (mask == 0) {
                return 0;
            }
            int shift = 0;
            while (!((mask >> shift) & 1)) {
                ++shift;
            }
            int bits = 0;
            while (shift + bits < 64 && ((mask >> (shift + bits)) & 1)) {
                ++bits;
            }
            const unsigned long value =
                bits >= 8 ? static_cast<unsigned long>(value8) << (bits - 8) : value8 >> (8 - bits);
            return (value << shift) & mask;
        };
        pixel = place((rgb >> 16) & 0xFF, visual->red_mask) |
                place((rgb >> 8) & 0xFF, visual->green_mask) | place(rgb & 0xFF, visual->blue_mask);
    } else {
        XColor colour = {};
        colour.red = static_cast<unsigned short>(((rgb >> 16) & 0xFF) * 257);
        colour.green = static_cast<unsigned short>(((rgb >> 8) & 0xFF) * 257);
        colour.blue = static_cast<unsigned short>((rgb & 0xFF) * 257);
        colour.flags = DoRed | DoGreen | DoBlue;
        if (XAllocColor(ref.display, attributes.colormap, &colour) == 0) {
            return;
        }
        pixel = colour.pixel;
    }
    XSetWindowBackground(ref.display, ref.window, pixel);
    XFlush(ref.display);
}

int DvDesktopScaleFrom(const char* gdkScale, const char* resources) {
    if (const int scale = PositiveWhole(gdkScale)) {
        return scale;
    }
    const double dpi = XftDpi(resources);
    if (dpi <= 0) {
        return 1;
    }
    if (dpi / 96.0 >= kMaxScale) {
        return kMaxScale;
    }
    const long scale = std::lround(dpi / 96.0);
    return scale < 1 ? 1 : static_cast<int>(scale);
}

int DvX11DesktopScale() {
    const char* gdkScale = std::getenv("GDK_SCALE");
    if (PositiveWhole(gdkScale) != 0) {
        return DvDesktopScaleFrom(gdkScale, nullptr);
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return 1;
    }
    // The database as the desktop set it on the root window when this connection opened.
    const int scale = DvDesktopScaleFrom(nullptr, XResourceManagerString(display));
    XCloseDisplay(display);
    return scale;
}
