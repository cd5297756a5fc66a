#include "tests/support/TestSupport.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zuneigo::test {

Process::Process(std::vector<std::string> argv, std::string logFile, std::string stdinFile)
{
    std::vector<char*> args;
    for (auto& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        ::setpgid(0, 0);
        int in = ::open(stdinFile.empty() ? "/dev/null" : stdinFile.c_str(), O_RDONLY);
        int out = ::open(logFile.empty() ? "/dev/null" : logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (in >= 0)
            ::dup2(in, 0);
        if (out >= 0) {
            ::dup2(out, 1);
            ::dup2(out, 2);
        }
        ::execvp(args[0], args.data());
        _exit(127);
    }
}

Process::~Process()
{
    if (pid_ > 0)
        Stop();
}

Process::Process(Process&& other) noexcept : pid_(other.pid_),
                                             status_(other.status_) { other.pid_ = -1; }

Process& Process::operator=(Process&& other) noexcept
{
    if (this != &other) {
        if (pid_ > 0)
            Stop();
        pid_ = other.pid_;
        status_ = other.status_;
        other.pid_ = -1;
    }
    return *this;
}

static int DecodeStatus(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return -WTERMSIG(status);
    return -1;
}

bool Process::Running()
{
    if (pid_ <= 0)
        return false;
    int st = 0;
    pid_t r = ::waitpid(pid_, &st, WNOHANG);
    if (r == pid_) {
        status_ = DecodeStatus(st);
        pid_ = -1;
        return false;
    }
    return true;
}

int Process::Wait(std::chrono::milliseconds timeout)
{
    auto end = std::chrono::steady_clock::now() + timeout;
    while (Running()) {
        if (std::chrono::steady_clock::now() >= end)
            return -1000;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return status_;
}

int Process::Stop(std::chrono::milliseconds grace)
{
    if (!Running())
        return status_;
    ::kill(-pid_, SIGTERM);
    ::kill(pid_, SIGTERM);
    if (Wait(grace) != -1000)
        return status_;
    ::kill(-pid_, SIGKILL);
    ::kill(pid_, SIGKILL);
    int st = 0;
    ::waitpid(pid_, &st, 0);
    pid_ = -1;
    status_ = DecodeStatus(st);
    return status_;
}

int RunCommand(const std::vector<std::string>& argv, std::string* out)
{
    TempDir dir;
    std::string log = dir.File("out");
    Process p(argv, log);
    int rc = p.Wait(std::chrono::minutes(5));
    if (out)
        *out = ReadFile(log);
    return rc;
}

int FreeTcpPort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        throw std::runtime_error("bind failed");
    }
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

bool WaitForTcpPort(int port, std::chrono::milliseconds timeout)
{
    auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<uint16_t>(port));
        int r = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::close(fd);
        if (r == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

TempDir::TempDir()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "zuneigo-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string SourceDir()
{
    const char* s = std::getenv("ZUNEIGO_SOURCE_DIR");
    return s ? s : ".";
}

std::string BinDir()
{
    const char* s = std::getenv("ZUNEIGO_BIN_DIR");
    return s ? s : "bin";
}

std::string FindProgram(const std::string& name)
{
    for (const char* dir : {"/usr/sbin", "/usr/bin", "/sbin", "/bin", "/usr/local/bin"}) {
        std::string p = std::string(dir) + "/" + name;
        if (::access(p.c_str(), X_OK) == 0)
            return p;
    }
    return "";
}

} // namespace zuneigo::test
