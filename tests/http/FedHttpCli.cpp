#include "FedHttpCli.h"

#include "base/Exception.h"

#include <cstring>
#include <stdexcept>

namespace zuneigo::test {

void FedHttpCli::Connected(std::uint16_t error)
{
    open = error == 0;
    HandleSessionConnected(error);
    if (error != 0)
        HandleSessionClosed(0); // the socket closes a failed connection itself
}

void FedHttpCli::ReceiveLoop()
{
    // As the socket does: call the handler while bytes are readable; an exception ends
    // the loop and is discarded.
    do {
        const std::size_t before = pending_.size();
        try {
            HandleDataAvailable(0);
        } catch (const std::exception&) {
            return;
        }
        if (pending_.size() == before)
            return;
    } while (open && !pending_.empty());
}

void FedHttpCli::PeerSends(const std::string& piece)
{
    if (!open)
        return;
    pending_ += piece;
    ReceiveLoop();
}

void FedHttpCli::PeerCloses()
{
    if (!open)
        return;
    ReceiveLoop();
    CloseSession();
}

void FedHttpCli::CloseSession()
{
    if (!open)
        return;
    open = false;
    pending_.clear();
    HandleSessionClosed(0);
}

void FedHttpCli::Pump()
{
    while (!messages.empty()) {
        const unsigned m = messages.front();
        messages.pop_front();
        HandleCliMessage(m);
    }
}

void FedHttpCli::Establish()
{
    LookupDone(0);
    Connected(0);
    Pump();
}

void FedHttpCli::Answer(const std::vector<std::string>& pieces)
{
    for (const std::string& p : pieces)
        PeerSends(p);
    PeerCloses();
    Pump();
}

void FedHttpCli::TransportDnsLookup(const std::string& host)
{
    if (host.empty() || host == "refused.invalid")
        throw Exception("DnsLookup: empty host name");
    lookups.push_back(host);
}

void FedHttpCli::TransportConnect(const std::string& addr, const std::string& port)
{
    connects.push_back(addr + ":" + port);
    if (connectRaises) {
        lastError = 10049;
        throw Exception("Error 10049 in function Connect");
    }
}

std::string FedHttpCli::TransportErrorText(int error)
{
    return error == 10061 ? "Connection refused" : error == 10049 ? "Cannot assign requested address"
                                                                  : "Error";
}

void FedHttpCli::TransportSend(const void* data, std::size_t len)
{
    if (!open)
        throw Exception("not connected");
    sent.append(static_cast<const char*>(data), len);
}

long FedHttpCli::TransportReceive(void* buffer, std::size_t len)
{
    if (!open)
        return -1;
    const std::size_t n = std::min(len, pending_.size());
    std::memcpy(buffer, pending_.data(), n);
    pending_.erase(0, n);
    return static_cast<long>(n);
}

void FedHttpCli::WaitForMessages()
{
    if (messages.empty())
        throw std::logic_error("synchronous request waits with nothing pending");
    Pump();
}

LoggedHttpCli::LoggedHttpCli()
{
    auto note = [this](const char* name) { return [this, name](TCustomHttpCli&) { log.push_back(name); }; };
    OnHeaderBegin = note("HeaderBegin");
    OnHeaderData = note("HeaderData");
    OnHeaderEnd = note("HeaderEnd");
    OnDocBegin = note("DocBegin");
    OnDocData = [this](TCustomHttpCli&, const char* b, int n) { log.push_back("DocData:" + std::string(b, n)); };
    OnDocEnd = note("DocEnd");
    OnLocationChange = [this](TCustomHttpCli& s) { log.push_back("Location:" + s.Location()); };
    OnStateChange = [this](TCustomHttpCli& s) { log.push_back(HttpCliStateName(s.RequestState())); };
    OnCookie = [this](TCustomHttpCli&, const std::string& d, bool& accept) {
        log.push_back((accept ? "Cookie:" : "RefusedCookie:") + d);
    };
    OnRequestDone = [this](TCustomHttpCli&, THttpRequest, std::uint16_t e) {
        ++done;
        doneError = e;
        log.push_back("Done:" + std::to_string(e));
    };
}

std::string LoggedHttpCli::TakeLog()
{
    std::string r;
    for (const auto& s : log)
        r += s + "|";
    log.clear();
    return r;
}

} // namespace zuneigo::test
