#pragma once
// The SOCKS 4, 4A and 5 client messages (RFC 1928, user name and password method of
// RFC 1929): request builders and the reader of the server's replies, phase by phase.
// No socket here: the SOCKS layer of the socket component feeds it what it reads.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace zuneigo {

// Negotiation failure codes, as OnSocksError, OnSessionConnected and OnSessionClosed
// report them.
constexpr int socksLogicError = 20001;
constexpr int socksVersionError = 20002;
constexpr int socksAuthMethodError = 20003;
constexpr int socksGeneralFailure = 20004;
constexpr int socksConnectionNotAllowed = 20005;
constexpr int socksNetworkUnreachable = 20006;
constexpr int socksHostUnreachable = 20007;
constexpr int socksConnectionRefused = 20008;
constexpr int socksTtlExpired = 20009;
constexpr int socksUnknownCommand = 20010;
constexpr int socksUnknownAddressType = 20011;
constexpr int socksUnassignedError = 20012;
constexpr int socksInternalError = 20013;
// A value does not fit the protocol (too long, or a zero byte where one ends a field).
constexpr int socksValueRejected = 20014;
constexpr int socksAuthenticationFailed = 20015;
constexpr int socksRejectedOrFailed = 20016;
constexpr int socksResolveFailed = 20017;

struct TSocksFailure {
    int Code = 0;
    std::string Text;
};

// The longest name, user code or password a SOCKS 5 message can carry.
constexpr std::size_t socks5MaxField = 255;

// 5, 1, method.
std::string SocksMethodRequest(std::uint8_t method);
// 1, user length, user, password length, password. Fails for a value over 255 bytes.
std::optional<TSocksFailure> SocksAuthRequest(const std::string& user, const std::string& password,
                                              std::string& out);
// 4, 1, port, address, user id, 0. port in host order, address in network order. Fails
// for a user id with a zero byte in it (the server would cut it there).
std::optional<TSocksFailure> Socks4ConnectRequest(std::uint16_t port, std::uint32_t address,
                                                  const std::string& user, std::string& out);
// SOCKS 4A: address 0.0.0.1, then the host name and a zero byte behind the user id.
std::optional<TSocksFailure> Socks4AConnectRequest(std::uint16_t port, const std::string& host,
                                                   const std::string& user, std::string& out);
// 5, 1, 0, 3, name length, name, port. The host always goes as a name (1 to 255 bytes).
std::optional<TSocksFailure> Socks5ConnectRequest(const std::string& host, std::uint16_t port,
                                                  std::string& out);

// Reads the server's replies. Phase 1: the SOCKS 5 method choice; 2: the reply to the
// user name and password; 3: the reply to the connect request; 0: done (or not started).
class TSocksReplyReader {
public:
    enum class Step {
        NeedMore,    // wait for more bytes
        SendAuth,    // method 2 chosen: send the user name and password
        SendConnect, // send the connect request
        Granted,     // the relayed connection is up
        Failed       // Failure() tells why
    };

    // socks4: levels "4" and "4A". requestedMethod: 0 or 2 (SOCKS 5 only).
    void Start(bool socks4, std::uint8_t requestedMethod);
    void SetPhase(int phase);
    int Phase() const { return phase_; }
    std::uint8_t RequestedMethod() const { return requestedMethod_; }

    // How many bytes the next read may take (at least 1 while negotiating).
    std::size_t Room() const;
    // Takes the bytes just read (at most Room()) and says what follows.
    Step Add(const char* data, std::size_t n);

    // Set by Add when the server chose method 0 although 2 was offered.
    bool AuthNotRequired() const { return authNotRequired_; }
    const TSocksFailure& Failure() const { return failure_; }
    // From the granting reply.
    const std::string& BoundAddr() const { return boundAddr_; }
    std::uint16_t BoundPort() const { return boundPort_; }
    // Application data that came in the same read as the SOCKS 5 reply.
    const std::string& Leftover() const { return leftover_; }
    std::size_t HeldCount() const { return reply_.size(); }

private:
    Step Fail(int code, std::string text);
    Step Phase1();
    Step Phase2();
    Step Phase3Socks4();
    Step Phase3Socks5();
    // Length of the SOCKS 5 connect reply, 0 while not yet known.
    std::size_t Socks5ReplyLength() const;

    int phase_ = 0;
    bool socks4_ = false;
    std::uint8_t requestedMethod_ = 0;
    std::string reply_;
    bool authNotRequired_ = false;
    TSocksFailure failure_;
    std::string boundAddr_;
    std::uint16_t boundPort_ = 0;
    std::string leftover_;
};

// Code and text for a SOCKS 5 reply field (REP) other than 0.
TSocksFailure Socks5ReplyFailure(std::uint8_t rep);

} // namespace zuneigo
