// A private X server for one test or benchmark: Xvfb on the first free display, made the
// DISPLAY of this process (and so of every program it starts) until the object goes.
#pragma once

#include <string>

#include "ChildProcess.h"

class CXvfbServer {
public:
    CXvfbServer() = default;
    CXvfbServer(const CXvfbServer&) = delete;
    CXvfbServer& operator=(const CXvfbServer&) = delete;
    ~CXvfbServer();

    // Starts a server with one screen of width x height at 24 bits; false with the reason.
    bool Start(int width, int height, std::string* pError);
    const std::string& Display() const { return m_display; }
    // Ends the server (SIGTERM, as when the session ends), leaving its clients without it.
    void Stop() { m_server.Kill(); }

    // Whether the programs the desktop tests need are installed; false with the missing one.
    static bool ToolsPresent(std::string* pMissing);

private:
    CChildProcess m_server;
    std::string m_display;
    std::string m_oldDisplay;
    bool m_bHadDisplay = false;
};
