#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

CChildProcess::~CChildProcess() {
    Kill();
}

bool CChildProcess::Start(const std::vector<std::string>& argv, int passFd, bool quiet) {
    if (argv.empty() || m_pid > 0) {
        return false;
    }
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        return false;
    }
    if (pid == 0) {
        // Dies with the starter, even when a timeout kills the starter outright.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127);
        }
        if (passFd >= 0) {
            if (passFd == 3) {
                fcntl(3, F_SETFD, 0);
            } else {
                dup2(passFd, 3);
            }
        }
        if (quiet) {
            const int null = open("/dev/null", O_WRONLY);
            if (null >= 0) {
                dup2(null, 1);
                dup2(null, 2);
            }
        }
        if (!m_errorPath.empty()) {
            const int file = open(m_errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (file >= 0) {
                dup2(file, 2);
            }
        }
        execv(args[0], args.data());
        _exit(127);
    }
    m_pid = pid;
    m_bReaped = false;
    return true;
}

bool CChildProcess::Running() {
    if (m_pid <= 0 || m_bReaped) {
        return false;
    }
    const pid_t r = waitpid(m_pid, &m_status, WNOHANG);
    if (r == m_pid) {
        m_bReaped = true;
        return false;
    }
    return r == 0;
}

bool CChildProcess::WaitExit(int timeoutMs, int* pStatus) {
    const double end = DvNowMs() + timeoutMs;
    while (Running()) {
        if (DvNowMs() >= end) {
            return false;
        }
        DvSleepMs(5);
    }
    if (m_pid <= 0) {
        return false;
    }
    if (pStatus != nullptr) {
        *pStatus = m_status;
    }
    return true;
}

void CChildProcess::Kill() {
    if (m_pid <= 0) {
        return;
    }
    if (Running()) {
        kill(m_pid, SIGTERM);
        if (!WaitExit(1000, nullptr)) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &m_status, 0);
        }
    }
    m_pid = -1;
    m_bReaped = false;
}

std::string DvRunCommand(const std::string& command, int* pStatus, int timeoutSeconds) {
    std::string quoted = "'";
    for (char c : command) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    quoted += "'";
    const std::string line = "timeout -k 2 " + std::to_string(timeoutSeconds) + " sh -c " + quoted;
    std::string output;
    FILE* pipe = popen(line.c_str(), "r");
    if (pipe == nullptr) {
        if (pStatus != nullptr) {
            *pStatus = -1;
        }
        return output;
    }
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, n);
    }
    const int status = pclose(pipe);
    if (pStatus != nullptr) {
        *pStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return output;
}

double DvNowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

void DvSleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
