// TCustomWSocket: creation and destruction, properties, defaults and state, error
// reporting.
#include "net/CustomWSocket.h"

#include "base/StringUtil.h"
#include "net/Resolvers.h"
#include "net/SocketErrors.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace zuneigo {

using namespace platform;

namespace {
std::atomic<int>& LiveCount()
{
    static std::atomic<int> count{0};
    return count;
}
} // namespace

TCustomWSocket::TCustomWSocket()
{
    windowHandle_ = CreateHiddenWindow([this](UINT msg, WPARAM wParam, LPARAM lParam) {
        return HandleWindowMessage(msg, wParam, lParam);
    });
    TCustomWSocket::ResetDefaults();
    ++LiveCount();
}

TCustomWSocket::~TCustomWSocket()
{
    destroying_ = true;
    try {
        CancelDnsLookup();
    } catch (...) {
    }
    if (state_ != wsClosed) {
        try {
            TCustomWSocket::Close();
        } catch (...) {
        }
    }
    if (--LiveCount() < 1) {
        WSocketUnloadLibrary();
        LiveCount() = 0;
    }
    DiscardSendBuffer();
    // Any socket still open (a close that failed) must not leak its descriptor.
    if (socketHandle_ != INVALID_SOCKET) WsCloseSocket(socketHandle_);
    DestroyWindow(windowHandle_);
}

int TCustomWSocket::LiveComponentCount()
{
    return LiveCount().load();
}

// ---------------------------------------------------------------- properties

void TCustomWSocket::SetAddr(const std::string& value)
{
    if (addrAssigned_ && value == addrStr_) return;
    if (state_ != wsClosed) {
        RaiseSocketError("Cannot change Addr if not closed");
        return;
    }
    addrStr_ = Trim(value);
    addrAssigned_ = !addrStr_.empty();
    if (addrAssigned_) addrResolved_ = false;
}

void TCustomWSocket::SetPort(const std::string& value)
{
    if (portAssigned_ && value == portStr_) return;
    if (state_ != wsClosed) {
        RaiseSocketError("Cannot change Port if not closed");
        return;
    }
    portStr_ = Trim(value);
    portAssigned_ = !portStr_.empty();
    if (portAssigned_) portResolved_ = false;
}

void TCustomWSocket::SetProto(const std::string& value)
{
    if (protoAssigned_ && value == protoStr_) return;
    if (state_ != wsClosed) {
        RaiseSocketError("Cannot change Proto if not closed");
        return;
    }
    protoStr_ = Trim(value);
    protoAssigned_ = !protoStr_.empty();
    if (protoAssigned_) protoResolved_ = false;
}

void TCustomWSocket::SetLocalPort(const std::string& value)
{
    if (state_ != wsClosed) {
        RaiseSocketError("Cannot change LocalPort if not closed");
        return;
    }
    localPortStr_ = value;
    localPortResolved_ = false;
}

void TCustomWSocket::SetLocalAddr(const std::string& value)
{
    if (state_ != wsClosed) {
        RaiseSocketError("Cannot change LocalAddr if not closed");
        return;
    }
    std::string text = value.empty() ? "0.0.0.0" : value;
    std::uint32_t a = WsInetAddr(text);
    if (a == INADDR_NONE_W) RaiseSocketError("SetLocalAddr(): Invalid IP address");
    localAddrStr_ = WsInetNtoa(a);
}

TSocketSendFlags TCustomWSocket::SendFlags()
{
    if (sendFlagsValue_ == 0) return wsSendNormal;
    if (sendFlagsValue_ == MSG_OOB_W) return wsSendUrgent;
    RaiseSocketError("Invalid internal SendFlags");
    return wsSendNormal;
}

void TCustomWSocket::SetSendFlags(TSocketSendFlags value)
{
    switch (value) {
    case wsSendNormal: sendFlagsValue_ = 0; break;
    case wsSendUrgent: sendFlagsValue_ = MSG_OOB_W; break;
    default: RaiseSocketError("Invalid SendFlags");
    }
}

int TCustomWSocket::RcvdCount()
{
    unsigned long count = 0;
    if (WsIoctlFionread(socketHandle_, &count) == SOCKET_ERROR) {
        ReportSocketError("ioctlSocket");
        return -1;
    }
    return static_cast<int>(count);
}

std::string TCustomWSocket::PeerAddr()
{
    if (state_ != wsConnected) return "error";
    sockaddr_in a{};
    if (WsGetPeerName(socketHandle_, &a) == SOCKET_ERROR) {
        ReportSocketError("GetPeerName");
        return "error";
    }
    return WsInetNtoa(a.sin_addr.s_addr);
}

std::string TCustomWSocket::GetPeerPort()
{
    if (state_ != wsConnected) return "error";
    sockaddr_in a{};
    if (WsGetPeerName(socketHandle_, &a) == SOCKET_ERROR) {
        ReportSocketError("GetPeerPort");
        return "error";
    }
    return std::to_string(WsNtohs(a.sin_port));
}

int TCustomWSocket::GetPeerAddress(sockaddr_in& addr, int& len)
{
    if (state_ != wsConnected) return SOCKET_ERROR;
    if (WsGetPeerName(socketHandle_, &addr) == SOCKET_ERROR) return SOCKET_ERROR;
    len = sizeof(sockaddr_in);
    return 0;
}

int TCustomWSocket::GetLocalAddress(sockaddr_in& addr, int& len)
{
    if (WsGetSockName(socketHandle_, &addr) == SOCKET_ERROR) return SOCKET_ERROR;
    len = sizeof(sockaddr_in);
    return 0;
}

std::string TCustomWSocket::GetLocalPortText()
{
    if (state_ != wsBound && state_ != wsConnected && state_ != wsListening) return "error";
    sockaddr_in a{};
    if (WsGetSockName(socketHandle_, &a) == SOCKET_ERROR) return "error";
    return std::to_string(WsNtohs(a.sin_port));
}

long long TCustomWSocket::BufferedByteCount() const
{
    long long n = 0;
    for (const auto& b : sendBuffers_)
        n += b->Pending();
    return n;
}

// ---------------------------------------------------------------- defaults and state

void TCustomWSocket::ResetDefaults()
{
    remoteAddress_ = sockaddr_in{};
    remoteAddress_.sin_family = AF_INET;
    addressFamily_ = AF_INET_W;
    addrAssigned_ = false;
    addrResolved_ = false;
    portAssigned_ = false;
    portResolved_ = false;
    protoResolved_ = false;
    localPortResolved_ = false;
    protoAssigned_ = true;
    protoNumber_ = IPPROTO_TCP_W;
    protoStr_ = "tcp";
    socketType_ = SOCK_STREAM_W;
    localPortStr_ = "0";
    localAddrStr_ = "0.0.0.0";
    lingerOnOff_ = wsLingerOn;
    lingerTimeout_ = 0;
    socketHandle_ = INVALID_SOCKET;
    state_ = wsClosed;
    allSent_ = true;
    paused_ = false;
    readCount_ = 0;
    // closeInvoked_ stays: it belongs to the connection that just ended (a notification of
    // it may still be running) and is cleared when the next one starts.
    flushTimeout_ = 60;
}

void TCustomWSocket::SwitchState(TSocketState newState)
{
    TSocketState old = state_;
    state_ = newState;
    FireChangeState(old, newState);
}

// ---------------------------------------------------------------- errors

void TCustomWSocket::ReportSocketError(const std::string& operation)
{
    int code = WsGetLastError();
    std::string message = "Error " + std::to_string(code) + " in function " + operation + "\r\n" + SocketErrorText(code);
    if (code == WSAECONNRESET || code == WSAENOTCONN) {
        if (socketHandle_ != INVALID_SOCKET) WsCloseSocket(socketHandle_);
        socketHandle_ = INVALID_SOCKET;
        SwitchState(wsClosed);
    }
    lastError_ = code;
    RaiseSocketError(message);
}

void TCustomWSocket::RaiseSocketError(const std::string& message)
{
    if (OnError)
        FireError();
    else
        throw ESocketException(message);
}

void TCustomWSocket::RaiseSocketErrorFmt(const char* format, ...)
{
    char buf[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    RaiseSocketError(buf);
}

void TCustomWSocket::HandleEventException(const Exception& e)
{
    bool canClose = true;
    if (OnBgException) {
        try {
            OnBgException(this, e, canClose);
        } catch (...) {
        }
    }
    if (canClose) {
        try {
            Abort();
        } catch (...) {
        }
    }
}

} // namespace zuneigo
