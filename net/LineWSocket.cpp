#include "net/LineWSocket.h"

#include <exception>

namespace zuneigo {

TCustomLineWSocket::TCustomLineWSocket() = default;

bool TCustomLineWSocket::Host::Announce()
{
    return owner_.TCustomSocksWSocket::FireDataAvailable(0);
}

void TCustomLineWSocket::Host::Echo(const char* data, std::size_t len)
{
    owner_.Send(data, static_cast<int>(len));
}

void TCustomLineWSocket::SetLineMode(bool value)
{
    // Held bytes go out from a posted message, after the current handler has returned.
    if (splitter_.SetLineMode(value))
        platform::PostMessage(windowHandle_, WM_SOCKET_LINE_DATA, 0, 0);
}

int TCustomLineWSocket::RcvdCount()
{
    if (splitter_.Splitting())
        return static_cast<int>(splitter_.LineLength());
    if (splitter_.HeldCount() > 0 && !splitter_.Delivering())
        return static_cast<int>(splitter_.HeldCount());
    return TCustomSocksWSocket::RcvdCount();
}

void TCustomLineWSocket::EditLine(int& len)
{
    std::size_t n = static_cast<std::size_t>(len);
    splitter_.Edit(n, host_);
    len = static_cast<int>(n);
}

LRESULT TCustomLineWSocket::DispatchWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_SOCKET_LINE_DATA)
        return TCustomSocksWSocket::DispatchWindowMessage(msg, wParam, lParam);
    if (splitter_.Splitting())
        splitter_.SplitHeld(host_); // switched on again meanwhile: cut what is held
    else
        splitter_.DeliverHeldRaw(host_);
    return 0;
}

bool TCustomLineWSocket::FireDataAvailable(std::uint16_t error)
{
    if (!splitter_.Splitting() || SocksNegotiating())
        return TCustomSocksWSocket::FireDataAvailable(error);
    const int available = TCustomSocksWSocket::RcvdCount();
    if (available <= 0)
        return true;
    char* dst = splitter_.Reserve(static_cast<std::size_t>(available));
    // Straight from the layer below: bytes count in ReadCount once, when the handler
    // takes them with Receive.
    int n = TCustomSocksWSocket::RecvRaw(dst, available, 0);
    if (n <= 0) {
        if (n < 0)
            lastError_ = platform::WsGetLastError();
        return true;
    }
    if (splitter_.LineEdit())
        EditLine(n);
    else if (splitter_.LineEcho())
        Send(dst, n);
    splitter_.Commit(static_cast<std::size_t>(n), host_);
    return true;
}

void TCustomLineWSocket::FireSessionClosed(std::uint16_t error)
{
    // The unterminated last line (or bytes held in raw mode) before the close.
    std::exception_ptr failure;
    try {
        splitter_.DeliverRemainder(host_);
    } catch (...) {
        failure = std::current_exception();
    }
    TCustomSocksWSocket::FireSessionClosed(error);
    if (failure)
        std::rethrow_exception(failure);
}

int TCustomLineWSocket::RecvRaw(void* buffer, int bufferSize, int flags)
{
    if (bufferSize > 0) {
        char* dst = static_cast<char*>(buffer);
        const std::size_t max = static_cast<std::size_t>(bufferSize);
        const long r = splitter_.Splitting() ? splitter_.TakeLine(dst, max) : splitter_.TakeHeld(dst, max);
        if (r >= 0)
            return static_cast<int>(r);
    }
    return TCustomSocksWSocket::RecvRaw(buffer, bufferSize, flags);
}

} // namespace zuneigo
