// TCustomWSocket: connecting: resolving the remote end, binding the local one, socket
// options and the connect itself.
#include "net/CustomWSocket.h"

#include "net/Resolvers.h"

namespace zuneigo {

using namespace platform;

void TCustomWSocket::SetLingerOption()
{
    if (lingerOnOff_ == wsLingerNoSet) return;
    if (socketHandle_ == INVALID_SOCKET) {
        RaiseSocketError("Cannot set linger option at this time");
        return;
    }
    if (WsSetLinger(socketHandle_, lingerOnOff_ == wsLingerOn ? 1 : 0, lingerTimeout_) == SOCKET_ERROR)
        ReportSocketError("setsockopt(SO_LINGER)");
}

void TCustomWSocket::BindLocal()
{
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = WsHtons(localPortNumber_);
    local.sin_addr.s_addr = WSocketResolveHost(localAddrStr_);
    if (WsBind(socketHandle_, local) == SOCKET_ERROR) {
        RaiseSocketErrorFmt("winsock.bind failed, error #%d", WsGetLastError());
        return;
    }
    sockaddr_in bound{};
    if (WsGetSockName(socketHandle_, &bound) == SOCKET_ERROR) {
        RaiseSocketErrorFmt("winsock.getsockname failed, error #%d", WsGetLastError());
        return;
    }
    localPortNumber_ = WsNtohs(bound.sin_port);
    localPortStr_ = std::to_string(localPortNumber_);
}

void TCustomWSocket::ResolveRemote(bool withLocalPort)
{
    if (!protoResolved_) {
        protoNumber_ = WSocketResolveProto(protoStr_);
        socketType_ = protoNumber_ == IPPROTO_UDP_W ? SOCK_DGRAM_W : SOCK_STREAM_W;
        protoResolved_ = true;
    }
    if (!portResolved_) {
        portNumber_ = WSocketResolvePort(portStr_, protoStr_);
        remoteAddress_.sin_port = WsHtons(portNumber_);
        portResolved_ = true;
    }
    if (withLocalPort && !localPortResolved_) {
        localPortNumber_ = WSocketResolvePort(localPortStr_, protoStr_);
        localPortResolved_ = true;
    }
    if (!addrResolved_) {
        remoteAddress_.sin_addr.s_addr = WSocketResolveHost(addrStr_);
        addrResolved_ = true;
    }
}

void TCustomWSocket::Connect()
{
    if (socketHandle_ != INVALID_SOCKET && state_ != wsClosed) {
        RaiseSocketError("Connect: Socket already in use");
        return;
    }
    if (!portAssigned_) {
        RaiseSocketError("Connect: No Port Specified");
        return;
    }
    if (!addrAssigned_) {
        RaiseSocketError("Connect: No IP Address Specified");
        return;
    }
    if (!protoAssigned_) {
        RaiseSocketError("Connect: No Protocol Specified");
        return;
    }
    try {
        ResolveRemote(true);
    } catch (const Exception& e) {
        RaiseSocketError("connect: " + e.Message());
        return;
    }
    DiscardSendBuffer();
    socketHandle_ = WsSocket(addressFamily_, socketType_, protoNumber_);
    if (socketHandle_ == INVALID_SOCKET) {
        ReportSocketError("Connect (socket)");
        return;
    }
    closeInvoked_ = false; // a new connection: its close is still to be reported
    SwitchState(wsOpened);
    if (socketType_ == SOCK_DGRAM_W) {
        BindLocal();
        if (remoteAddress_.sin_addr.s_addr == INADDR_NONE_W) {
            if (WsSetSockOpt(socketHandle_, SockOpt::Broadcast, 1) == SOCKET_ERROR) {
                ReportSocketError("setsockopt(SO_BROADCAST)");
                return;
            }
        }
    } else {
        if (localPortNumber_ != 0 || localAddrStr_ != "0.0.0.0") BindLocal();
        SetLingerOption();
        if (WsSetSockOpt(socketHandle_, SockOpt::KeepAlive, -1) == SOCKET_ERROR) {
            ReportSocketError("setsockopt(SO_KEEPALIVE)");
            return;
        }
        if (WsSetSockOpt(socketHandle_, SockOpt::ReuseAddr, -1) == SOCKET_ERROR) {
            ReportSocketError("setsockopt(SO_REUSEADDR)");
            return;
        }
    }
    selectMask_ = FD_READ | FD_WRITE | FD_ACCEPT | FD_CONNECT | FD_CLOSE;
    if (WsAsyncSelect(socketHandle_, windowHandle_, WM_SOCKET_EVENT, selectMask_) == SOCKET_ERROR) {
        ReportSocketError("WSAAsyncSelect");
        return;
    }
    if (socketType_ == SOCK_DGRAM_W) {
        SwitchState(wsConnected);
        FireSessionConnected(0);
        return;
    }
    if (WsConnect(socketHandle_, remoteAddress_) == 0 || WsGetLastError() == WSAEWOULDBLOCK) {
        SwitchState(wsConnecting);
        return;
    }
    lastError_ = WsGetLastError();
    ReportSocketError("Connect");
}

} // namespace zuneigo
