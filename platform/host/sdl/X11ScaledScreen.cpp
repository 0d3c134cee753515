#include "host/sdl/X11ScaledScreen.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrender.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "host/sdl/X11Window.h"

namespace {

// No X drawable is wider or taller.
constexpr int kMaxDrawable = 32767;

// Catches the X errors of the requests made while it lives, instead of Xlib's default of ending
// the process: for what the server may refuse without fault of ours (shared memory across the
// network, a picture too large for its memory).
class CXErrorTrap {
public:
    explicit CXErrorTrap(Display* display) : m_display(display) {
        XSync(m_display, False);
        s_failed = false;
        m_previous = XSetErrorHandler(Catch);
    }
    ~CXErrorTrap() { XSetErrorHandler(m_previous); }
    // Whether any request since the trap was set failed; waits for the server's answers.
    bool Failed() {
        XSync(m_display, False);
        return s_failed;
    }

private:
    static int Catch(Display*, XErrorEvent*) {
        s_failed = true;
        return 0;
    }
    static inline bool s_failed = false;
    Display* m_display;
    XErrorHandler m_previous;
};

bool NativeIsLsbFirst() {
    const std::uint32_t one = 1;
    return *reinterpret_cast<const unsigned char*>(&one) == 1;
}

} // namespace

struct CX11ScaledScreen::State {
    Display* display = nullptr;
    Window window = 0;
    Visual* visual = nullptr;
    int depth = 0;
    int scale = 1;
    XRenderPictFormat* format = nullptr;
    GC gc = nullptr;
    Picture windowPicture = 0;
    bool bShm = false;
    // The memory shared with the server, as an image of its size.
    XShmSegmentInfo shm = {};
    XImage* shared = nullptr;
    // The screen on the server, which the window picture is drawn from at the scale.
    Pixmap pixmap = 0;
    Picture pixmapPicture = 0;
    int pixmapCx = 0;
    int pixmapCy = 0;
};

std::unique_ptr<CX11ScaledScreen> CX11ScaledScreen::Create(SDL_Window* window, int scale) {
    auto state = std::make_unique<State>();
    if (scale < 1 || !DvX11WindowOf(window, &state->display, &state->window)) {
        return nullptr;
    }
    int eventBase = 0;
    int errorBase = 0;
    XWindowAttributes attributes;
    if (!XRenderQueryExtension(state->display, &eventBase, &errorBase) ||
        XGetWindowAttributes(state->display, state->window, &attributes) == 0) {
        return nullptr;
    }
    // Pixels go over as the program holds them: 32-bit words, red, green and blue in the low
    // three bytes, no alpha.
    XRenderPictFormat* format = XRenderFindVisualFormat(state->display, attributes.visual);
    if (format == nullptr || format->type != PictTypeDirect || format->depth != 24 ||
        format->direct.red != 16 || format->direct.redMask != 0xFF || format->direct.green != 8 ||
        format->direct.greenMask != 0xFF || format->direct.blue != 0 ||
        format->direct.blueMask != 0xFF || format->direct.alphaMask != 0) {
        return nullptr;
    }
    int nFormats = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(state->display, &nFormats);
    bool bThirtyTwo = false;
    for (int i = 0; i < nFormats; ++i) {
        bThirtyTwo = bThirtyTwo || (formats[i].depth == 24 && formats[i].bits_per_pixel == 32);
    }
    if (formats != nullptr) {
        XFree(formats);
    }
    if (!bThirtyTwo) {
        return nullptr;
    }
    state->visual = attributes.visual;
    state->depth = attributes.depth;
    state->scale = scale;
    state->format = format;
    state->bShm = XShmQueryExtension(state->display) == True;
    state->gc = XCreateGC(state->display, state->window, 0, nullptr);
    state->windowPicture = XRenderCreatePicture(state->display, state->window, format, 0, nullptr);
    return std::unique_ptr<CX11ScaledScreen>(new CX11ScaledScreen(std::move(state)));
}

CX11ScaledScreen::CX11ScaledScreen(std::unique_ptr<State> state) : m_state(std::move(state)) {}

CX11ScaledScreen::~CX11ScaledScreen() {
    FreeShared();
    FreePixmap();
    XRenderFreePicture(m_state->display, m_state->windowPicture);
    XFreeGC(m_state->display, m_state->gc);
    XFlush(m_state->display);
}

void CX11ScaledScreen::FreeShared() {
    State& s = *m_state;
    if (s.shared == nullptr) {
        return;
    }
    // The server lets go of the memory before it is unmapped here.
    XShmDetach(s.display, &s.shm);
    XSync(s.display, False);
    s.shared->data = nullptr;
    XDestroyImage(s.shared);
    shmdt(s.shm.shmaddr);
    s.shared = nullptr;
    s.shm = XShmSegmentInfo{};
}

void CX11ScaledScreen::FreePixmap() {
    State& s = *m_state;
    if (s.pixmap == 0) {
        return;
    }
    XRenderFreePicture(s.display, s.pixmapPicture);
    XFreePixmap(s.display, s.pixmap);
    s.pixmap = 0;
    s.pixmapPicture = 0;
    s.pixmapCx = 0;
    s.pixmapCy = 0;
}

CX11ScaledScreen::Memory CX11ScaledScreen::Lend(int cx, int cy) {
    State& s = *m_state;
    Memory memory;
    if (s.shared != nullptr && s.shared->width == cx && s.shared->height == cy) {
        memory.pixels = s.shared->data;
        memory.strideBytes = s.shared->bytes_per_line;
        return memory;
    }
    FreeShared();
    const int limit = kMaxDrawable / s.scale;
    if (!s.bShm || cx <= 0 || cy <= 0 || cx > limit || cy > limit) {
        return memory;
    }
    XImage* image =
        XShmCreateImage(s.display, s.visual, static_cast<unsigned>(s.depth), ZPixmap, nullptr,
                        &s.shm, static_cast<unsigned>(cx), static_cast<unsigned>(cy));
    if (image == nullptr) {
        return memory;
    }
    // The program writes its words in its own byte order, which the server must share.
    const bool bUsable = image->bits_per_pixel == 32 &&
                         (image->byte_order == LSBFirst) == NativeIsLsbFirst() &&
                         image->bytes_per_line >= cx * 4;
    const size_t bytes = static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(cy);
    s.shm.shmid = bUsable ? shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600) : -1;
    if (s.shm.shmid < 0) {
        XDestroyImage(image);
        s.shm = XShmSegmentInfo{};
        return memory;
    }
    void* address = shmat(s.shm.shmid, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(s.shm.shmid, IPC_RMID, nullptr);
        XDestroyImage(image);
        s.shm = XShmSegmentInfo{};
        return memory;
    }
    s.shm.shmaddr = static_cast<char*>(address);
    s.shm.readOnly = True;
    image->data = s.shm.shmaddr;
    bool bAttached = false;
    {
        CXErrorTrap trap(s.display);
        bAttached = XShmAttach(s.display, &s.shm) && !trap.Failed();
    }
    // Marked for removal now, the segment goes when both sides have let go of it, however this
    // process ends.
    shmctl(s.shm.shmid, IPC_RMID, nullptr);
    if (!bAttached) {
        image->data = nullptr;
        XDestroyImage(image);
        shmdt(address);
        s.shm = XShmSegmentInfo{};
        // A server that refuses once (it is on another machine) refuses always.
        s.bShm = false;
        return memory;
    }
    s.shared = image;
    memory.pixels = image->data;
    memory.strideBytes = image->bytes_per_line;
    memory.fresh = true;
    return memory;
}

bool CX11ScaledScreen::Present(const void* pixels, int width, int height, int strideBytes, int left,
                               int top, int right, int bottom, int windowCx, int windowCy,
                               std::uint32_t faceRgb) {
    State& s = *m_state;
    const bool bShared = s.shared != nullptr && pixels == s.shared->data;
    if (bShared && (width != s.shared->width || height != s.shared->height)) {
        return false;
    }
    const int scale = s.scale;
    // The server keeps as much of the screen as the window can show, and no more.
    const int pixmapCx = std::min({width, (windowCx + scale - 1) / scale, kMaxDrawable});
    const int pixmapCy = std::min({height, (windowCy + scale - 1) / scale, kMaxDrawable});
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, pixmapCx);
    bottom = std::min(bottom, pixmapCy);
    if (right > left && bottom > top && (pixmapCx != s.pixmapCx || pixmapCy != s.pixmapCy)) {
        FreePixmap();
        CXErrorTrap trap(s.display);
        s.pixmap = XCreatePixmap(s.display, s.window, static_cast<unsigned>(pixmapCx),
                                 static_cast<unsigned>(pixmapCy), static_cast<unsigned>(s.depth));
        s.pixmapPicture = XRenderCreatePicture(s.display, s.pixmap, s.format, 0, nullptr);
        if (trap.Failed()) {
            // Too large for the server's memory: nothing to show from.
            s.pixmap = 0;
            s.pixmapPicture = 0;
        } else {
            s.pixmapCx = pixmapCx;
            s.pixmapCy = pixmapCy;
            // Each window pixel shows the screen pixel its centre falls in. The transform maps
            // window positions to screen positions; 1/scale in 16.16 fixed point is exact for
            // 2, 4 and 8, and for the others it is close enough for every position below 16384.
            const XFixed inverse = static_cast<XFixed>(std::lround(65536.0 / scale));
            XTransform transform = {{{inverse, 0, 0}, {0, inverse, 0}, {0, 0, XDoubleToFixed(1)}}};
            XRenderSetPictureTransform(s.display, s.pixmapPicture, &transform);
            XRenderSetPictureFilter(s.display, s.pixmapPicture, FilterNearest, nullptr, 0);
        }
    }
    if (s.pixmap != 0 && right > left && bottom > top) {
        const int cx = right - left;
        const int cy = bottom - top;
        if (bShared) {
            XShmPutImage(s.display, s.pixmap, s.gc, s.shared, left, top, left, top,
                         static_cast<unsigned>(cx), static_cast<unsigned>(cy), False);
            // The program draws into the memory again as soon as this returns; the scaling
            // below goes on in the server meanwhile.
            XSync(s.display, False);
        } else {
            XImage image = {};
            image.width = width;
            image.height = height;
            image.format = ZPixmap;
            image.data = static_cast<char*>(const_cast<void*>(pixels));
            image.byte_order = NativeIsLsbFirst() ? LSBFirst : MSBFirst;
            image.bitmap_unit = 32;
            image.bitmap_bit_order = image.byte_order;
            image.bitmap_pad = 32;
            image.depth = s.depth;
            image.bytes_per_line = strideBytes;
            image.bits_per_pixel = 32;
            image.red_mask = 0xFF0000;
            image.green_mask = 0xFF00;
            image.blue_mask = 0xFF;
            if (XInitImage(&image) != 0) {
                // Xlib copies the pixels into its requests: nothing holds on to them after.
                XPutImage(s.display, s.pixmap, s.gc, &image, left, top, left, top,
                          static_cast<unsigned>(cx), static_cast<unsigned>(cy));
            }
        }
        XRenderComposite(s.display, PictOpSrc, s.pixmapPicture, None, s.windowPicture, left * scale,
                         top * scale, 0, 0, left * scale, top * scale,
                         static_cast<unsigned>(std::min(cx * scale, windowCx - left * scale)),
                         static_cast<unsigned>(std::min(cy * scale, windowCy - top * scale)));
    }
    // A window whose size is no multiple of the scale, or that has run ahead of the screen in a
    // resize, has parts that no pixel of the screen covers.
    XRenderColor face;
    face.red = static_cast<unsigned short>(((faceRgb >> 16) & 0xFF) * 257);
    face.green = static_cast<unsigned short>(((faceRgb >> 8) & 0xFF) * 257);
    face.blue = static_cast<unsigned short>((faceRgb & 0xFF) * 257);
    face.alpha = 0xFFFF;
    const long shownCx = static_cast<long>(width) * scale;
    const long shownCy = static_cast<long>(height) * scale;
    if (right >= width && shownCx < windowCx) {
        XRenderFillRectangle(
            s.display, PictOpSrc, s.windowPicture, &face, static_cast<int>(shownCx), 0,
            static_cast<unsigned>(windowCx - shownCx), static_cast<unsigned>(windowCy));
    }
    if (bottom >= height && shownCy < windowCy) {
        XRenderFillRectangle(s.display, PictOpSrc, s.windowPicture, &face, 0,
                             static_cast<int>(shownCy), static_cast<unsigned>(windowCx),
                             static_cast<unsigned>(windowCy - shownCy));
    }
    XFlush(s.display);
    return true;
}
