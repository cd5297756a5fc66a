#include "tests/net/WSocketTestSupport.h"

#include "platform/Application.h"
#include "platform/Messages.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace zuneigo::test {

bool PumpUntil(const std::function<bool()>& cond, std::chrono::milliseconds timeout)
{
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        platform::Application::Instance().ProcessMessages();
        if (cond()) return true;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0) return cond();
        platform::WaitMessage(static_cast<int>(std::min<long long>(left, 200)));
    }
}

void PumpFor(std::chrono::milliseconds duration)
{
    PumpUntil([] { return false; }, duration);
}

bool WaitForListener(int port, std::chrono::milliseconds timeout)
{
    char hexPort[8];
    std::snprintf(hexPort, sizeof hexPort, ":%04X", port);
    auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        std::ifstream in("/proc/net/tcp");
        std::string line;
        std::getline(in, line);
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string sl, local, remote, state;
            fields >> sl >> local >> remote >> state;
            if (state == "0A" && local.size() >= 5 && local.substr(local.size() - 5) == hexPort) return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

Process StartPythonPeer(const TempDir& dir, const std::string& name, const std::string& script,
                        const std::vector<std::string>& args)
{
    std::string path = dir.File(name + ".py");
    WriteFile(path, script);
    std::vector<std::string> argv{Python(), path};
    argv.insert(argv.end(), args.begin(), args.end());
    return Process(argv, dir.File(name + ".log"));
}

std::string Payload(std::size_t n, std::uint32_t variant)
{
    std::string s(n, '\0');
    std::uint32_t x = variant * 2654435761u + 1;
    for (std::size_t i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        s[i] = static_cast<char>(x & 0xFF);
    }
    return s;
}

void Checksum::Add(const void* data, std::size_t n)
{
    auto p = static_cast<const unsigned char*>(data);
    std::uint64_t h = value;
    for (std::size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    value = h;
    bytes += n;
}

std::uint64_t ChecksumOf(const std::string& data)
{
    Checksum c;
    c.Add(data.data(), data.size());
    return c.value;
}

std::uint64_t ChecksumOfFile(const std::string& path, std::uint64_t* size)
{
    std::ifstream in(path, std::ios::binary);
    Checksum c;
    std::string buf(1 << 20, '\0');
    while (in) {
        in.read(buf.data(), static_cast<std::streamsize>(buf.size()));
        c.Add(buf.data(), static_cast<std::size_t>(in.gcount()));
    }
    if (size) *size = c.bytes;
    return c.value;
}

std::uint64_t WritePayloadFile(const std::string& path, std::size_t n, std::uint32_t variant)
{
    std::ofstream out(path, std::ios::binary);
    Checksum c;
    std::size_t done = 0;
    std::uint32_t piece = 0;
    while (done < n) {
        std::size_t len = std::min<std::size_t>(n - done, 1 << 20);
        std::string block = Payload(len, variant + piece++);
        out.write(block.data(), static_cast<std::streamsize>(len));
        c.Add(block.data(), len);
        done += len;
    }
    return c.value;
}

std::string Require(const std::string& program)
{
    std::string path = FindProgram(program);
    if (path.empty()) throw std::runtime_error(program + " is not installed (see scripts/packages)");
    return path;
}

ScriptedPeer::ScriptedPeer(const std::string& mode, const std::string& arg) : port_(FreeTcpPort())
{
    std::string ready = dir_.File("ready");
    std::vector<std::string> argv{Python(), SourceDir() + "/tests/net/peer.py", mode, std::to_string(port_), ready};
    if (!arg.empty()) argv.push_back(arg);
    process_ = Process(argv, dir_.File("peer.log"));
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::ifstream(ready) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!std::ifstream(ready)) throw std::runtime_error("scripted peer did not start: " + ReadFile(dir_.File("peer.log")));
}

} // namespace zuneigo::test
