// deps: zuneigo_http zuneigo_base
// Feeds arbitrary response bytes, cut into arbitrary pieces, through the HTTP client's
// reception, header handling and redirects, with the transport played here. The first
// four bytes pick the piece sizes and the request kind; every redirect gets the same
// answer again, so loops run into the redirect bound.
#include "base/Exception.h"
#include "base/Stream.h"
#include "http/CustomHttpCli.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

using namespace zuneigo;

namespace {

class FedClient : public TCustomHttpCli {
public:
    bool open = false;
    std::string pending;
    std::deque<unsigned> messages;

    void ReceiveLoop()
    {
        do {
            const std::size_t before = pending.size();
            try {
                HandleDataAvailable(0);
            } catch (const std::exception&) {
                return;
            }
            if (pending.size() == before)
                return;
        } while (open && !pending.empty());
    }
    void Establish()
    {
        HandleDnsLookupDone(0, "127.0.0.1");
        open = true;
        HandleSessionConnected(0);
    }
    void Close()
    {
        if (!open)
            return;
        ReceiveLoop();
        if (open) {
            open = false;
            pending.clear();
            HandleSessionClosed(0);
        }
    }
    void Pump()
    {
        while (!messages.empty()) {
            const unsigned m = messages.front();
            messages.pop_front();
            HandleCliMessage(m);
        }
    }

protected:
    void TransportDnsLookup(const std::string& host) override
    {
        if (host.empty())
            throw Exception("empty host");
    }
    void TransportConnect(const std::string&, const std::string&) override {}
    int TransportLastError() override { return 0; }
    std::string TransportErrorText(int) override { return "x"; }
    void TransportSend(const void*, std::size_t) override
    {
        if (!open)
            throw Exception("not connected");
    }
    long TransportReceive(void* buffer, std::size_t len) override
    {
        if (!open)
            return -1;
        const std::size_t n = std::min(len, pending.size());
        std::memcpy(buffer, pending.data(), n);
        pending.erase(0, n);
        return static_cast<long>(n);
    }
    void TransportClose() override
    {
        if (!open)
            return;
        open = false;
        pending.clear();
        HandleSessionClosed(0);
    }
    void PostCliMessage(unsigned message) override { messages.push_back(message); }
    void WaitForMessages() override { Pump(); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    std::uint32_t choice;
    std::memcpy(&choice, data, 4);
    const std::string answer(reinterpret_cast<const char*>(data) + 4, size - 4);

    FedClient c;
    TMemoryStream doc;
    TMemoryStream body;
    body.WriteString("a=1");
    body.SetPosition(0);
    c.SetRcvdStream(&doc);
    c.SetSendStream(&body);
    c.SetURL((choice & 1) ? "http://u:p@host:8080/dir/file.exe?q=1" : "/x");
    if (choice & 2)
        c.SetProxy("proxy:3128");
    std::int64_t delivered = 0;
    c.OnDocData = [&](TCustomHttpCli&, const char*, int len) { delivered += len; };

    const THttpRequest kinds[] = {rqGet, rqHead, rqPost, rqGet};
    try {
        c.StartRequest(kinds[(choice >> 2) & 3]);
    } catch (const Exception&) {
        return 0; // refused at once: nothing to read
    }
    std::uint32_t rng = choice | 1;
    for (int round = 0; round < 25 && c.RequestState() == hsDnsLookup; ++round) {
        c.Establish();
        std::size_t at = 0;
        while (at < answer.size() && c.open) {
            rng = rng * 1103515245u + 12345u;
            const std::size_t piece = 1 + (rng >> 16) % ((choice & 0x100) ? 9000 : 40);
            c.pending.append(answer, at, piece);
            at += piece;
            c.ReceiveLoop();
        }
        c.Close();
        c.Pump();
    }
    if (c.RequestState() != hsReady)
        std::abort();
    if (c.RedirectCount() > 20)
        std::abort();
    if (delivered != c.ReceivedCount() && !c.Failure())
        std::abort();
    return 0;
}
