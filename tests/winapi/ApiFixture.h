// The tests in this folder state what the Windows calls do, in nothing but those calls, and run
// on both implementations: this system's own layer (on the headless host) and the real one
// (the Windows build, under Wine). What differs between the two sides (a display, how time
// passes, leaving no window behind) is here.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

// True in the Windows build, on the system's own USER and GDI.
#ifdef _WIN32
constexpr bool kRealSystem = true;
#else
constexpr bool kRealSystem = false;
#endif

// Registers the window class `name` with `proc` once for the whole test program.
bool RegisterApiClass(LPCSTR name, WNDPROC proc);

class ApiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Delivers what is waiting: sent and posted messages and paints.
    void Pump();
    // Lets `ms` milliseconds pass with the queue served, then delivers what came due.
    void Wait(DWORD ms);
    // Lets `ms` milliseconds pass without serving the queue, as a long computation would.
    void Stall(DWORD ms);
    // The user presses (or releases) the left button at a point of hWnd's client area; the
    // input is delivered before this returns.
    void Button(HWND hWnd, int x, int y, bool down);
};
