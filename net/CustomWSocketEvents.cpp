// TCustomWSocket: the hidden window's messages, the dispatch of a network notification to
// the handlers, and the firing of each event.
#include "net/CustomWSocket.h"

namespace zuneigo {

using namespace platform;

// ---------------------------------------------------------------- the hidden window

LRESULT TCustomWSocket::HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    try {
        return DispatchWindowMessage(msg, wParam, lParam);
    } catch (const Exception& e) {
        HandleEventException(e);
        return 0;
    }
}

LRESULT TCustomWSocket::DispatchWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SOCKET_EVENT:
        HandleSocketEvent(wParam, lParam);
        return 0;
    case WM_SOCKET_NAME_RESOLVED:
        HandleNameResolved(wParam, lParam);
        return 0;
    case WM_SOCKET_ADDR_RESOLVED:
        HandleAddrResolved(wParam, lParam);
        return 0;
    case WM_SOCKET_CLOSE_LATER:
        Close();
        return 0;
    case WM_SOCKET_FREE_LATER:
        delete this;
        return 0;
    case WM_SOCKET_TEST_EXCEPTION:
        throw ESocketException("Test exception in WSocket");
    default:
        return DefWindowProc(windowHandle_, msg, wParam, lParam);
    }
}

void TCustomWSocket::HandleSocketEvent(WPARAM wParam, LPARAM lParam)
{
    const SOCKET socket = static_cast<SOCKET>(wParam);
    if (socketHandle_ == INVALID_SOCKET || socket != socketHandle_ || paused_) return;
    // A handler may close this socket (and even start the next connection): the rest of
    // the notification belongs to the closed one and is dropped.
    auto gone = [&] { return socketHandle_ != socket; };
    const std::uint16_t bits = LoWord(lParam);
    const std::uint16_t error = HiWord(lParam);
    if (bits & FD_CONNECT) {
        SwitchState(wsConnected);
        FireSessionConnected(error);
        if (error != 0 && state_ != wsClosed && !gone()) Close();
    }
    if ((bits & FD_READ) && !gone()) ReceiveLoop(error);
    if ((bits & FD_WRITE) && !gone()) {
        TryToSend();
        if (allSent_ && !gone()) FireDataSent(error);
    }
    if ((bits & FD_ACCEPT) && !gone()) FireSessionAvailable(error);
    if ((bits & FD_CLOSE) && state_ != wsConnecting && !gone()) {
        // Data that arrived before the close goes out first.
        ReceiveLoop(0);
        if (gone()) return;
        if (error == 0 && !FirePeerFinished()) return;
        if (!closeInvoked_) {
            closeInvoked_ = true;
            FireSessionClosed(error);
        }
        if (state_ != wsClosed && !gone()) Close();
    }
}

// ---------------------------------------------------------------- events

bool TCustomWSocket::FireDataAvailable(std::uint16_t error)
{
    if (!OnDataAvailable) return false;
    OnDataAvailable(this, error);
    return true;
}

void TCustomWSocket::FireDataSent(std::uint16_t error)
{
    if (OnDataSent) OnDataSent(this, error);
}

void TCustomWSocket::FireSendData(int bytesSent)
{
    if (OnSendData) OnSendData(this, bytesSent);
}

void TCustomWSocket::FireSessionClosed(std::uint16_t error)
{
    if (OnSessionClosed) OnSessionClosed(this, error);
}

void TCustomWSocket::FireSessionAvailable(std::uint16_t error)
{
    if (OnSessionAvailable) OnSessionAvailable(this, error);
}

void TCustomWSocket::FireSessionConnected(std::uint16_t error)
{
    if (OnSessionConnected) OnSessionConnected(this, error);
}

void TCustomWSocket::FireChangeState(TSocketState oldState, TSocketState newState)
{
    if (OnChangeState) OnChangeState(this, oldState, newState);
}

void TCustomWSocket::FireDnsLookupDone(std::uint16_t error)
{
    if (OnDnsLookupDone) OnDnsLookupDone(this, error);
}

void TCustomWSocket::FireError()
{
    if (OnError) OnError(this);
}

void TCustomWSocket::FireLineTooLong()
{
    if (OnLineTooLong) OnLineTooLong(this);
}

} // namespace zuneigo
