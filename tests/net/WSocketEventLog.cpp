#include "tests/net/WSocketEventLog.h"

#include "tests/net/WSocketTestSupport.h"

namespace zuneigo::test {

void EventLog::Attach(TCustomWSocket& s)
{
    auto st = shared;
    s.OnChangeState = [st](TCustomWSocket*, TSocketState o, TSocketState n) {
        st->items.push_back("state " + std::to_string(o) + "->" + std::to_string(n));
    };
    s.OnSessionConnected = [st](TCustomWSocket*, std::uint16_t e) { st->items.push_back("connected " + std::to_string(e)); };
    s.OnSessionClosed = [st](TCustomWSocket*, std::uint16_t e) { st->items.push_back("closed " + std::to_string(e)); };
    s.OnDataSent = [st](TCustomWSocket*, std::uint16_t e) { st->items.push_back("sent " + std::to_string(e)); };
    s.OnSessionAvailable = [st](TCustomWSocket*, std::uint16_t e) { st->items.push_back("available " + std::to_string(e)); };
    s.OnDnsLookupDone = [st](TCustomWSocket*, std::uint16_t e) { st->items.push_back("dns " + std::to_string(e)); };
    s.OnDataAvailable = [st](TCustomWSocket* sender, std::uint16_t e) {
        st->items.push_back("data " + std::to_string(e));
        if (!st->readData) return;
        std::string buf(static_cast<std::size_t>(st->readChunk), '\0');
        int n = sender->Receive(buf.data(), st->readChunk);
        if (n > 0) st->received.append(buf.data(), static_cast<std::size_t>(n));
    };
}

int EventLog::Count(const std::string& item) const
{
    int n = 0;
    for (const auto& i : items)
        n += (i == item);
    return n;
}

std::string EventLog::Text() const
{
    std::string t;
    for (const auto& i : items) {
        if (!t.empty()) t += ", ";
        t += i;
    }
    return t;
}

void ConnectLocal(TCustomWSocket& s, int port)
{
    s.SetAddr("127.0.0.1");
    s.SetPort(std::to_string(port));
    s.Connect();
}

bool ConnectAndWait(TCustomWSocket& s, int port)
{
    bool connected = false, failed = false;
    auto previous = s.OnSessionConnected;
    s.OnSessionConnected = [&](TCustomWSocket* sender, std::uint16_t e) {
        (e == 0 ? connected : failed) = true;
        if (previous) previous(sender, e);
    };
    ConnectLocal(s, port);
    bool ok = PumpUntil([&] { return connected || failed; }) && connected;
    s.OnSessionConnected = previous;
    return ok;
}

std::string RaisedText(const std::function<void()>& f)
{
    try {
        f();
    } catch (const ESocketException& e) {
        return e.what();
    }
    return "(nothing raised)";
}

} // namespace zuneigo::test
