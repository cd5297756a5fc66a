#pragma once
// Peers for the SOCKS and line-mode tests: microsocks and dante-server on free ports of
// 127.0.0.1, an echo peer (socat), and a scripted SOCKS server for the replies no real
// server sends on demand.
#include "tests/support/TestSupport.h"

#include <string>
#include <vector>

namespace zuneigo::test {

// A running peer with the port it listens on.
struct RunningPeer {
    Process process;
    int port = 0;
    bool ok = false;
};

// socat echoing every connection back (fork: any number of connections).
RunningPeer StartEchoPeer(const TempDir& dir);
// microsocks, SOCKS 5; with a user name it demands that user and password.
RunningPeer StartMicrosocks(const TempDir& dir, const std::string& user = "", const std::string& password = "");
// danted in the foreground as the current user, SOCKS 4 and 5 without authentication.
RunningPeer StartDante(const TempDir& dir);

// A scripted SOCKS server (or plain peer) for one connection. Steps, in order:
//   "greet5"  read a SOCKS 5 greeting (5, n, n methods)
//   "auth"    read a user name and password request
//   "req5"    read a SOCKS 5 connect request
//   "req4"    read a SOCKS 4 or 4A connect request
//   "send:HEX" send bytes (hex digits)
//   "pause:MS" sleep that many milliseconds
//   "half-close" end the sending side
//   "echo"    echo everything until the client closes
//   "close"   close the connection
//   "wait"    read until the client closes
// Everything read is appended to the log file as one hex line per step.
RunningPeer StartScriptedSocksPeer(const TempDir& dir, const std::vector<std::string>& steps);
// The hex lines the scripted peer logged (one per reading step).
std::vector<std::string> ScriptedPeerLog(const TempDir& dir);

std::string Hex(const std::string& bytes);

} // namespace zuneigo::test
