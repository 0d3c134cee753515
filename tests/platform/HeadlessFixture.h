// A fresh headless host for each test, and no window left behind.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

#include "host/headless/HeadlessHost.h"
#include "win32/window.h"

// Registers the window class `name` with `proc` once for the whole test program; false when the
// platform refuses it.
inline bool RegisterTestClass(LPCSTR name, WNDPROC proc) {
    static std::set<std::string> registered;
    if (registered.count(name) != 0) {
        return true;
    }
    WNDCLASS wc = {};
    wc.lpfnWndProc = proc;
    wc.lpszClassName = name;
    if (RegisterClass(&wc) == 0) {
        return false;
    }
    registered.insert(name);
    return true;
}

class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto host = std::make_unique<CHeadlessHost>();
        m_host = host.get();
        DvInstallHost(std::move(host));
    }
    void TearDown() override {
        for (HWND hWnd : DvTopLevelWindows()) {
            DestroyWindow(hWnd);
        }
        m_host->SetIdleHandler(nullptr);
        DvPumpMessages();
    }
    int Pump() { return DvPumpMessages(); }

    CHeadlessHost* m_host = nullptr;
};
