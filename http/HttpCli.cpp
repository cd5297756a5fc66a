#include "http/HttpCli.h"

#include "net/SocketErrors.h"

#include <climits>

namespace zuneigo {

THttpCli::THttpCli()
{
    window_ = platform::CreateHiddenWindow([this](platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam) {
        if (HandleCliMessage(msg))
            return platform::LRESULT(0);
        return platform::DefWindowProc(window_, msg, wParam, lParam);
    });
    socket_ = std::make_unique<TWSocket>();
    socket_->OnSessionClosed = [this](TCustomWSocket*, std::uint16_t e) { HandleSessionClosed(e); };
    socket_->OnDataAvailable = [this](TCustomWSocket*, std::uint16_t e) { HandleDataAvailable(e); };
    socket_->OnSessionConnected = [this](TCustomWSocket*, std::uint16_t e) { HandleSessionConnected(e); };
    socket_->OnDataSent = [this](TCustomWSocket*, std::uint16_t e) { HandleDataSent(e); };
    socket_->OnDnsLookupDone = [this](TCustomWSocket*, std::uint16_t e) { HandleDnsLookupDone(e, socket_->DnsResult()); };
}

THttpCli::~THttpCli()
{
    // A request may still run: its socket events must not reach a half-destroyed client.
    socket_->OnSessionClosed = nullptr;
    socket_->OnDataAvailable = nullptr;
    socket_->OnSessionConnected = nullptr;
    socket_->OnDataSent = nullptr;
    socket_->OnDnsLookupDone = nullptr;
    socket_.reset();
    platform::DestroyWindow(window_);
}

void THttpCli::SetMultiThreaded(bool v)
{
    TCustomHttpCli::SetMultiThreaded(v);
    socket_->SetMultiThreaded(v);
}

void THttpCli::TransportDnsLookup(const std::string& host) { socket_->DnsLookup(host); }

void THttpCli::TransportConnect(const std::string& addr, const std::string& port)
{
    socket_->SetAddr(addr);
    socket_->SetPort(port);
    socket_->SetProto("tcp");
    socket_->Connect();
}

int THttpCli::TransportLastError() { return socket_->LastError(); }

std::string THttpCli::TransportErrorText(int error) { return SocketErrorText(error); }

void THttpCli::TransportSend(const void* data, std::size_t len)
{
    const auto* p = static_cast<const char*>(data);
    while (len > 0) {
        const int piece = static_cast<int>(std::min<std::size_t>(len, INT_MAX));
        socket_->Send(p, piece);
        p += piece;
        len -= static_cast<std::size_t>(piece);
    }
}

long THttpCli::TransportReceive(void* buffer, std::size_t len)
{
    return socket_->Receive(buffer, static_cast<int>(std::min<std::size_t>(len, INT_MAX)));
}

void THttpCli::TransportClose() { socket_->Close(); }

void THttpCli::PostCliMessage(unsigned message) { platform::PostMessage(window_, message, 0, 0); }

void THttpCli::WaitForMessages()
{
    // Pump what is pending, then sleep until the next message or socket event instead
    // of spinning: the order of events stays the same and an idle wait costs nothing.
    socket_->PumpMessages();
    if (RequestState() != hsReady)
        socket_->WaitForMessage();
}

} // namespace zuneigo
