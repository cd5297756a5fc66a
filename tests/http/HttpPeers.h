#pragma once
// Peers for the HTTP client's tests, all on 127.0.0.1 and free ports: a scripted peer
// (tests/http/peer.py) that records what the client sends, nginx serving a folder with
// Basic authentication and redirects, and tinyproxy in front of it.
#include "../support/TestSupport.h"

#include <string>
#include <vector>

namespace zuneigo::test {

inline std::string LocalUrl(int port, const std::string& path)
{
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

// One step of the scripted peer (see peer.py), e.g. Send("HTTP/1.0 200 OK\r\n\r\n").
struct PeerStep {
    std::string kind;
    std::string text;
};
inline PeerStep Recv() { return {"recv", ""}; }
inline PeerStep Send(const std::string& bytes) { return {"send", bytes}; }
inline PeerStep Sleep(double seconds) { return {"sleep", std::to_string(seconds)}; }
inline PeerStep WaitFile(const std::string& path) { return {"wait_file", path}; }
inline PeerStep Hold() { return {"hold", ""}; }

class ScriptedPeer {
public:
    // One list of steps per connection; the last one repeats for later connections.
    explicit ScriptedPeer(const std::vector<std::vector<PeerStep>>& connections);
    int Port() const { return port_; }
    std::string Url(const std::string& path = "/") const { return LocalUrl(port_, path); }
    // What the client sent on connection n (0-based), as far as it was read.
    std::string Captured(int n = 0) const;

private:
    TempDir dir_;
    int port_ = 0;
    Process process_;
};

// nginx serving Dir()/www on Port(), with
//   /private/...  Basic authentication, user "kunde", password "geheim7"
//   /moved        301 to /index.html (absolute, with the port)
//   /found        302 to /private/doc.txt
//   /relative     302 with the bare path /index.html
//   /bare         302 with the bare name "index.html"
//   /loop         302 to itself
class NginxServer {
public:
    NginxServer();
    int Port() const { return port_; }
    std::string Url(const std::string& path) const { return LocalUrl(port_, path); }
    std::string WwwFile(const std::string& name) const { return dir_.File("www/" + name); }

private:
    TempDir dir_;
    int port_ = 0;
    Process process_;
};

// tinyproxy on Port(); with a user name set it demands those Basic credentials.
class TinyProxy {
public:
    explicit TinyProxy(const std::string& user = "", const std::string& password = "");
    int Port() const { return port_; }

private:
    TempDir dir_;
    int port_ = 0;
    Process process_;
};

// The document curl fetches from url (through proxy when not empty), or "" on failure.
std::string CurlFetch(const std::string& url, const std::string& proxy = "", const std::string& userColonPass = "");

} // namespace zuneigo::test
