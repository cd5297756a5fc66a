#pragma once
// TCustomWSocket: a non-blocking IPv4 TCP/UDP socket component driven by messages to a
// hidden window of its own. No operation waits for the network; outcomes arrive as
// events. Layers stack on it (SOCKS -> line mode -> synchronous waits -> TWSocket) and
// intercept through the virtual Fire... operations.
#include "net/Buffer.h"
#include "net/SocketException.h"
#include "platform/HostLookup.h"
#include "platform/Messages.h"
#include "platform/SocketApi.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include <netinet/in.h>

namespace zuneigo {

using platform::HWND;
using platform::LPARAM;
using platform::LRESULT;
using platform::SOCKET;
using platform::UINT;
using platform::WPARAM;

enum TSocketState {
    wsInvalidState,
    wsOpened,
    wsBound,
    wsConnecting,
    wsConnected,
    wsAccepting,
    wsListening,
    wsClosed
};

enum TSocketSendFlags { wsSendNormal,
                        wsSendUrgent };
enum TSocketLingerOnOff { wsLingerOff,
                          wsLingerOn,
                          wsLingerNoSet };
enum TWSocketOption { wsoNoReceiveLoop };

// A set of TWSocketOption.
class TWSocketOptions {
public:
    TWSocketOptions() = default;
    TWSocketOptions(std::initializer_list<TWSocketOption> options)
    {
        for (auto o : options)
            Include(o);
    }
    bool Contains(TWSocketOption o) const { return (bits_ & Bit(o)) != 0; }
    void Include(TWSocketOption o) { bits_ |= Bit(o); }
    void Exclude(TWSocketOption o) { bits_ &= ~Bit(o); }
    bool Empty() const { return bits_ == 0; }
    bool operator==(const TWSocketOptions&) const = default;

private:
    static unsigned Bit(TWSocketOption o) { return 1u << static_cast<unsigned>(o); }
    unsigned bits_ = 0;
};

// Messages of the hidden window.
constexpr UINT WM_SOCKET_EVENT = platform::WM_USER + 1;
constexpr UINT WM_SOCKET_NAME_RESOLVED = platform::WM_USER + 2;
constexpr UINT WM_SOCKET_ADDR_RESOLVED = platform::WM_USER + 3;
constexpr UINT WM_SOCKET_CLOSE_LATER = platform::WM_USER + 4;
constexpr UINT WM_SOCKET_FREE_LATER = platform::WM_USER + 5;
constexpr UINT WM_SOCKET_TEST_EXCEPTION = platform::WM_USER + 6;
constexpr UINT WM_SOCKET_LINE_DATA = platform::WM_USER + 20;

// Waits that end without their flag (the application or the thread's loop is closing).
constexpr int WSocketWaitAborted = 12001;

class TCustomWSocket;

// Events. Error is the socket library's 16-bit code, 0 = success.
using TDataAvailable = std::function<void(TCustomWSocket* Sender, std::uint16_t Error)>;
using TDataSent = std::function<void(TCustomWSocket* Sender, std::uint16_t Error)>;
using TSessionClosed = std::function<void(TCustomWSocket* Sender, std::uint16_t Error)>;
using TSessionAvailable = std::function<void(TCustomWSocket* Sender, std::uint16_t Error)>;
using TSessionConnected = std::function<void(TCustomWSocket* Sender, std::uint16_t Error)>;
using TDnsLookupDone = std::function<void(TCustomWSocket* Sender, std::uint16_t Error)>;
using TSendData = std::function<void(TCustomWSocket* Sender, int BytesSent)>;
using TChangeState = std::function<void(TCustomWSocket* Sender, TSocketState OldState, TSocketState NewState)>;
using TBgExceptionEvent = std::function<void(TCustomWSocket* Sender, const Exception& E, bool& CanClose)>;
using TNotifyEvent = std::function<void(TCustomWSocket* Sender)>;

class TCustomWSocket {
public:
    // Creates the hidden window and runs this class's ResetDefaults (a constructor cannot
    // reach an override: layers set their own defaults in their own constructors).
    TCustomWSocket();
    virtual ~TCustomWSocket();
    TCustomWSocket(const TCustomWSocket&) = delete;
    TCustomWSocket& operator=(const TCustomWSocket&) = delete;

    // ---- Properties ----
    const std::string& Addr() const { return addrStr_; }
    void SetAddr(const std::string& value);
    const std::string& Port() const { return portStr_; }
    virtual void SetPort(const std::string& value);
    const std::string& Proto() const { return protoStr_; }
    virtual void SetProto(const std::string& value);
    const std::string& LocalAddr() const { return localAddrStr_; }
    void SetLocalAddr(const std::string& value);
    const std::string& LocalPort() const { return localPortStr_; }
    void SetLocalPort(const std::string& value);
    // Dotted address / decimal port of the peer, "error" unless wsConnected.
    virtual std::string PeerAddr();
    std::string PeerPort() { return GetPeerPort(); }
    const std::string& DnsResult() const { return dnsResult_; }
    const std::vector<std::string>& DnsResultList() const { return dnsResultList_; }
    TSocketState State() const { return state_; }
    // Bytes received through Receive/ReceiveFrom since creation or the last close.
    long long ReadCount() const { return readCount_; }
    // Bytes that can be received now; -1 (reported "ioctlSocket") on failure.
    virtual int RcvdCount();
    int LastError() const { return lastError_; }
    bool MultiThreaded() const { return multiThreaded_; }
    void SetMultiThreaded(bool value) { multiThreaded_ = value; }
    TWSocketOptions ComponentOptions() const { return componentOptions_; }
    void SetComponentOptions(TWSocketOptions value) { componentOptions_ = value; }
    int FlushTimeout() const { return flushTimeout_; }
    void SetFlushTimeout(int value) { flushTimeout_ = value; }
    TSocketSendFlags SendFlags();
    void SetSendFlags(TSocketSendFlags value);
    TSocketLingerOnOff LingerOnOff() const { return lingerOnOff_; }
    void SetLingerOnOff(TSocketLingerOnOff value) { lingerOnOff_ = value; }
    int LingerTimeout() const { return lingerTimeout_; }
    void SetLingerTimeout(int value) { lingerTimeout_ = value; }
    // Connections the system queues for a listening socket before Accept takes them; a
    // server that meets bursts of connects asks for more than the default 5.
    int ListenBacklog() const { return listenBacklog_; }
    void SetListenBacklog(int value) { listenBacklog_ = value; }
    // Listen sets SO_REUSEADDR before binding, so a restarted server binds its port at
    // once while connections of its previous run still sit in TIME_WAIT.
    bool ReuseAddr() const { return reuseAddr_; }
    void SetReuseAddr(bool value) { reuseAddr_ = value; }

    // Internal state exposed read-only (for layers, the HTTP client and tests).
    SOCKET HSocket() const { return socketHandle_; }
    HWND WindowHandle() const { return windowHandle_; }
    bool AllSent() const { return allSent_; }
    bool Paused() const { return paused_; }
    bool Terminated() const { return terminated_; }
    // Set once OnSessionClosed has fired for the connection (or is about to); stays set
    // after the close and is cleared when the next connection starts.
    bool CloseInvoked() const { return closeInvoked_; }
    long SelectMask() const { return selectMask_; }
    platform::HANDLE LookupHandle() const { return lookupHandle_; }
    SOCKET AcceptedHandle() const { return acceptedHandle_; }
    bool IsDestroying() const { return destroying_; }
    // The send chain (blocks of 1514 bytes); for tests and diagnostics.
    const std::deque<std::unique_ptr<TBuffer>>& SendBuffers() const { return sendBuffers_; }
    // Bytes waiting in the send chain.
    long long BufferedByteCount() const;

    // ---- Events (empty = unassigned) ----
    TDataAvailable OnDataAvailable;
    TDataSent OnDataSent;
    TSendData OnSendData;
    TSessionClosed OnSessionClosed;
    TSessionAvailable OnSessionAvailable;
    TSessionConnected OnSessionConnected;
    TChangeState OnChangeState;
    TDnsLookupDone OnDnsLookupDone;
    TNotifyEvent OnLineTooLong; // published; nothing fires it
    TNotifyEvent OnError;
    TBgExceptionEvent OnBgException;

    // ---- Operations ----
    virtual void Connect();
    virtual void Close();
    virtual void CloseLater();
    virtual void FreeLater(); // the component must have been created with new
    virtual void Abort();
    virtual void Flush();
    virtual void DrainUntilClosed();
    virtual void Listen();
    virtual SOCKET Accept();
    virtual void Dup(SOCKET handle);
    virtual void Shutdown(int how);
    virtual void Pause();
    virtual void Resume();

    virtual int Receive(void* buffer, int bufferSize);
    virtual std::string ReceiveText();
    virtual int ReceiveFrom(void* buffer, int bufferSize, sockaddr_in& from, int& fromLen);

    virtual int Send(const void* data, int len);
    virtual int SendText(const std::string& text);
    virtual int SendTo(const sockaddr_in& dest, int destLen, const void* data, int len);

    virtual void DnsLookup(const std::string& hostName);
    virtual void ReverseDnsLookup(const std::string& hostAddr);
    virtual void CancelDnsLookup();

    virtual std::string GetPeerPort();
    virtual int GetPeerAddress(sockaddr_in& addr, int& len);
    virtual std::string GetLocalPortText();
    virtual int GetLocalAddress(sockaddr_in& addr, int& len);

    // MultiThreaded: ProcessPendingMessages; else the application's message step.
    virtual void PumpMessages();
    // Blocks until the next message or network event is pending for this thread (the
    // application's wait unless MultiThreaded). Waits pump, then call this: never spin.
    virtual void WaitForMessage();
    // Handles every message pending for the calling thread; a quit message sets
    // Terminated and is consumed.
    void ProcessPendingMessages();

    // Reports the last library error for the operation: closes on 10054/10057, sets
    // LastError, then RaiseSocketError with "Error <code> in function <op>\r\n<text>".
    void ReportSocketError(const std::string& operation);
    virtual void RaiseSocketError(const std::string& message);
    virtual void RaiseSocketErrorFmt(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Number of live components in the process (library released when it falls to 0).
    static int LiveComponentCount();

protected:
    // ---- Window and message handling ----
    virtual LRESULT HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // The body of HandleWindowMessage without the exception guard (layers add cases).
    virtual LRESULT DispatchWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // WM_SOCKET_EVENT: connect, read, write, accept, close bits in that order.
    virtual void HandleSocketEvent(WPARAM wParam, LPARAM lParam);
    virtual void HandleNameResolved(WPARAM wParam, LPARAM lParam);
    virtual void HandleAddrResolved(WPARAM wParam, LPARAM lParam);
    // Delivers readable data through FireDataAvailable until none is left.
    virtual void ReceiveLoop(std::uint16_t error);
    virtual void HandleEventException(const Exception& e);

    // ---- Name resolution shared by Connect, Listen and the lookups ----
    // Resolves protocol, port, (local port) and address that are not yet resolved; throws.
    void ResolveRemote(bool withLocalPort);
    // Validates the name and cancels a running lookup; false after reporting an empty name.
    bool BeginLookup(const std::string& name);
    // Takes a finished lookup that belongs to this socket and fires OnDnsLookupDone.
    void CompleteLookup(WPARAM wParam, LPARAM lParam,
                        const std::function<void(const platform::HostEntry&)>& take);

    // ---- Closing and defaults ----
    virtual void ResetDefaults();
    virtual void ShutAndClose(bool shut, std::uint16_t error);
    void SwitchState(TSocketState newState);

    // ---- Raw I/O (layers intercept these) ----
    virtual void BindLocal();
    virtual int SendRaw(const void* data, int len);
    virtual int RecvRaw(void* buffer, int bufferSize, int flags);
    virtual int RecvFromRaw(void* buffer, int bufferSize, sockaddr_in& from, int& fromLen);
    void SetLingerOption();

    // ---- Send chain ----
    void TryToSend();
    void AppendToSendBuffer(const void* data, int len);
    void DiscardSendBuffer();

    // ---- Event firing ----
    virtual bool FireDataAvailable(std::uint16_t error);
    virtual void FireDataSent(std::uint16_t error);
    virtual void FireSendData(int bytesSent);
    virtual void FireSessionClosed(std::uint16_t error);
    // The peer has finished sending (its close notification without an error). True, the
    // default, ends the session now; a user with an answer still to send returns false and
    // closes the connection itself later. A reset always ends the session.
    virtual bool FirePeerFinished() { return true; }
    virtual void FireSessionAvailable(std::uint16_t error);
    virtual void FireSessionConnected(std::uint16_t error);
    virtual void FireChangeState(TSocketState oldState, TSocketState newState);
    virtual void FireDnsLookupDone(std::uint16_t error);
    virtual void FireError();
    virtual void FireLineTooLong();

    // ---- State (names follow the component's documented fields) ----
    SOCKET socketHandle_ = platform::INVALID_SOCKET;
    HWND windowHandle_ = 0;
    std::deque<std::unique_ptr<TBuffer>> sendBuffers_;
    int bufferBlockSize_ = TBuffer::DefaultSize;
    bool allSent_ = true;
    int sendFlagsValue_ = 0;
    long selectMask_ = 0;
    platform::HANDLE lookupHandle_ = 0;

    std::string addrStr_;
    std::string portStr_;
    std::string protoStr_ = "tcp";
    std::string localAddrStr_ = "0.0.0.0";
    std::string localPortStr_ = "0";
    bool addrAssigned_ = false;
    bool addrResolved_ = false;
    bool portAssigned_ = false;
    bool portResolved_ = false;
    bool protoAssigned_ = true;
    bool protoResolved_ = false;
    bool localPortResolved_ = false;

    int protoNumber_ = platform::IPPROTO_TCP_W;
    int socketType_ = platform::SOCK_STREAM_W;
    int addressFamily_ = platform::AF_INET_W;
    std::uint16_t portNumber_ = 0;
    std::uint16_t localPortNumber_ = 0;
    sockaddr_in remoteAddress_{};

    std::string dnsResult_;
    std::vector<std::string> dnsResultList_;
    TSocketState state_ = wsClosed;
    long long readCount_ = 0;
    int lastError_ = 0;
    bool multiThreaded_ = false;
    TWSocketOptions componentOptions_;
    int flushTimeout_ = 60;
    TSocketLingerOnOff lingerOnOff_ = wsLingerOn;
    int lingerTimeout_ = 0;
    int listenBacklog_ = 5;
    bool reuseAddr_ = false;

    bool paused_ = false;
    bool closeInvoked_ = false;
    bool terminated_ = false;
    bool destroying_ = false;
    SOCKET acceptedHandle_ = platform::INVALID_SOCKET;
};

} // namespace zuneigo
