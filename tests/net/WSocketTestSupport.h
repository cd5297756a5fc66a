#pragma once
// Helpers for the socket tests: pumping the message loop until a condition holds,
// waiting for one-shot servers to listen without connecting to them, scripted peers,
// deterministic payloads with checksums.
#include "tests/support/TestSupport.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zuneigo::test {

// Processes messages, sleeping in between, until cond() holds or the time is up.
bool PumpUntil(const std::function<bool()>& cond, std::chrono::milliseconds timeout = std::chrono::seconds(20));
// Processes messages for a while (for "nothing more happens" checks).
void PumpFor(std::chrono::milliseconds duration);

// True once something listens on 127.0.0.1:port (read from /proc/net/tcp, so a one-shot
// server does not lose its only connection to the probe).
bool WaitForListener(int port, std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Starts /usr/bin/python3 with a script written to dir, with extra arguments.
Process StartPythonPeer(const TempDir& dir, const std::string& name, const std::string& script,
                        const std::vector<std::string>& args);

// n bytes of a fixed pseudo-random sequence per variant number.
std::string Payload(std::size_t n, std::uint32_t variant = 1);
// FNV-1a 64 over bytes, incremental.
struct Checksum {
    std::uint64_t value = 1469598103934665603ull;
    std::uint64_t bytes = 0;
    void Add(const void* data, std::size_t n);
};
std::uint64_t ChecksumOf(const std::string& data);
std::uint64_t ChecksumOfFile(const std::string& path, std::uint64_t* size = nullptr);
// Writes n bytes of Payload-like data to a file in 1 MiB pieces; returns the checksum.
std::uint64_t WritePayloadFile(const std::string& path, std::size_t n, std::uint32_t variant = 7);

// The program, or a skip message when it is missing.
std::string Require(const std::string& program);

// A scripted peer from tests/net/peer.py listening on 127.0.0.1:port, ready when started.
class ScriptedPeer {
public:
    ScriptedPeer(const std::string& mode, const std::string& arg = "");
    int Port() const { return port_; }
    Process& Proc() { return process_; }
    const TempDir& Dir() const { return dir_; }

private:
    TempDir dir_;
    int port_;
    Process process_;
};

} // namespace zuneigo::test
