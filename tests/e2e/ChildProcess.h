// A program started by a test or benchmark, and the short commands (xdotool, import) that drive
// the desktop. A child never outlives its starter: it is killed when the starter dies, and the
// object kills and reaps it when it goes.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class CChildProcess {
public:
    CChildProcess() = default;
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;
    ~CChildProcess();

    // Starts argv[0] (a path) with argv. passFd, when not -1, is handed to the child as fd 3;
    // quiet sends the child's standard output and error to /dev/null.
    bool Start(const std::vector<std::string>& argv, int passFd = -1, bool quiet = false);
    // Sends the standard error of the children started from now on to a file (empty: inherit).
    void SendErrorsTo(const std::string& path) { m_errorPath = path; }
    pid_t Pid() const { return m_pid; }
    bool Running();
    // Waits up to timeoutMs for the child to end; true when it did, with its wait status.
    bool WaitExit(int timeoutMs, int* pStatus);
    // SIGTERM, then SIGKILL if it has not ended within a second; always reaps.
    void Kill();

private:
    pid_t m_pid = -1;
    bool m_bReaped = false;
    int m_status = 0;
    std::string m_errorPath;
};

// Runs a shell command line, bounded to timeoutSeconds, and returns its standard output.
// *pStatus gets the exit status (124 when the time ran out, -1 when it could not run).
std::string DvRunCommand(const std::string& command, int* pStatus = nullptr,
                         int timeoutSeconds = 20);

// Milliseconds of a monotonic clock, and a sleep.
double DvNowMs();
void DvSleepMs(int ms);
