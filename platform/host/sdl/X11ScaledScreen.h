// A window's picture at a whole multiple of the program's size, with the scaling done by the X
// server: the program sends only its own pixels (through memory shared with the server where
// it can), and the server repeats each one into a block with RENDER's nearest-pixel transform,
// on the graphics card where the desktop has one. This is how a scaled desktop shows a program
// that knows nothing of the scale without costing that program more than an unscaled one.
#pragma once

#include <cstdint>
#include <memory>

struct SDL_Window;

class CX11ScaledScreen {
public:
    // Null where the window is not an X window, or its server lacks RENDER, or the window's
    // visual does not hold pixels as the program's 0x00RRGGBB screens do (the host then scales
    // on its own).
    static std::unique_ptr<CX11ScaledScreen> Create(SDL_Window* window, int scale);
    ~CX11ScaledScreen();
    CX11ScaledScreen(const CX11ScaledScreen&) = delete;
    CX11ScaledScreen& operator=(const CX11ScaledScreen&) = delete;

    // Memory shared with the server for a cx x cy screen of 0x00RRGGBB pixels, the same for the
    // same size; null pixels where the server shares none (a display across the network) or the
    // size is beyond any window. `fresh`: new memory, what was drawn before is gone.
    struct Memory {
        void* pixels = nullptr;
        int strideBytes = 0;
        bool fresh = false;
    };
    Memory Lend(int cx, int cy);

    // Shows the changed rectangle of a width x height screen (lent memory or any other) at the
    // scale, and fills what the window (windowCx x windowCy of its own pixels) holds beyond the
    // scaled screen with faceRgb. False only when the pixels are lent memory of another size.
    bool Present(const void* pixels, int width, int height, int strideBytes, int left, int top,
                 int right, int bottom, int windowCx, int windowCy, std::uint32_t faceRgb);

private:
    struct State;
    explicit CX11ScaledScreen(std::unique_ptr<State> state);
    void FreeShared();
    void FreePixmap();

    std::unique_ptr<State> m_state;
};
