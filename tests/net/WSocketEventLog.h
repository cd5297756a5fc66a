#pragma once
// Records every event of a socket component as a line of text, in order, so tests can
// compare whole sequences ("state 3->4", "connected 10061", "closed 0", ...).
#include "net/WSocket.h"

#include <functional>

#include <memory>
#include <string>
#include <vector>

namespace zuneigo::test {

// The handlers share the recorded state with the log, so a socket that outlives its log
// (and fires events while it is destroyed) stays safe.
struct EventLog {
    struct Shared {
        std::vector<std::string> items;
        std::string received;
        bool readData = true;
        int readChunk = 65536;
    };
    std::shared_ptr<Shared> shared = std::make_shared<Shared>();
    std::vector<std::string>& items = shared->items;
    std::string& received = shared->received; // what the data handler read
    bool& readData = shared->readData;        // the data handler reads what is available
    int& readChunk = shared->readChunk;       // bytes per Receive call

    EventLog() = default;
    explicit EventLog(TCustomWSocket& s) { Attach(s); }
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    void Attach(TCustomWSocket& s);
    int Count(const std::string& item) const;
    bool Has(const std::string& item) const { return Count(item) > 0; }
    // The items joined by ", " (for readable failure messages).
    std::string Text() const;
};

// Points the socket at 127.0.0.1:port and connects.
void ConnectLocal(TCustomWSocket& s, int port);
// Connects and processes messages until the connection is made; false on failure or timeout.
// An OnSessionConnected handler already set still runs.
bool ConnectAndWait(TCustomWSocket& s, int port);

// The text of the ESocketException that f raises, or "(nothing raised)".
std::string RaisedText(const std::function<void()>& f);

} // namespace zuneigo::test
