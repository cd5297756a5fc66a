#pragma once
// Test support: child processes (real servers and scripted peers), free ports on
// 127.0.0.1, temporary folders. Everything started is stopped by its destructor.
#include <chrono>
#include <string>
#include <vector>
#include <sys/types.h>

namespace zuneigo::test {

// A child process. Its standard output and error go to logFile (or /dev/null);
// standard input is /dev/null unless stdinFile is given.
class Process {
public:
    Process() = default;
    explicit Process(std::vector<std::string> argv, std::string logFile = "", std::string stdinFile = "");
    ~Process();
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t Pid() const { return pid_; }
    bool Running();
    // SIGTERM, then SIGKILL after a grace period; returns the exit status (or -signal).
    int Stop(std::chrono::milliseconds grace = std::chrono::milliseconds(2000));
    // Waits for the process to end by itself; -1000 on timeout (then it is still running).
    int Wait(std::chrono::milliseconds timeout);

private:
    pid_t pid_ = -1;
    int status_ = 0;
};

// Runs a command to its end and returns its exit status; output into *out when given.
int RunCommand(const std::vector<std::string>& argv, std::string* out = nullptr);

// A TCP port on 127.0.0.1 that nothing listens on at the moment of the call.
int FreeTcpPort();
// True once a TCP connect to 127.0.0.1:port succeeds, false after the timeout.
bool WaitForTcpPort(int port, std::chrono::milliseconds timeout = std::chrono::milliseconds(10000));

// A fresh folder under the temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);

// The repository root and the folder of the built programs (set by CTest).
std::string SourceDir();
std::string BinDir();
// The Debian interpreter that sees the python3-* packages.
inline const char* Python() { return "/usr/bin/python3"; }
// Full path of an installed program, or "" when it is missing.
std::string FindProgram(const std::string& name);

} // namespace zuneigo::test
