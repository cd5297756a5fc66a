#pragma once
// Records every event of a socket component as a line of text, in order, so tests can
// compare whole sequences ("state 3->4", "connected 10061", "closed 0", ...).
#include "net/CustomWSocket.h"

#include <string>
#include <vector>

namespace zuneigo::test {

struct EventLog {
    std::vector<std::string> items;
    std::string received;        // what the data handler read
    bool readData = true;        // the data handler reads everything available
    int readChunk = 65536;       // bytes per Receive call

    void Attach(TCustomWSocket& s);
    int Count(const std::string& item) const;
    bool Has(const std::string& item) const { return Count(item) > 0; }
    // The items joined by ", " (for readable failure messages).
    std::string Text() const;
};

} // namespace zuneigo::test
