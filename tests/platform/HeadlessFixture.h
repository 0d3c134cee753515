// A fresh headless host for each test, and no window left behind.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include "host/headless/HeadlessHost.h"
#include "win32/window.h"

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
