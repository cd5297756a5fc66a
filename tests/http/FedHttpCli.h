#pragma once
// The HTTP client with its transport replaced by a script: the test plays the network
// (lookup results, connection outcome, the peer's bytes in pieces, the peer's close)
// and the message queue, and sees every byte the client sends.
#include "http/CustomHttpCli.h"

#include <deque>
#include <string>
#include <vector>

namespace zuneigo::test {

class FedHttpCli : public TCustomHttpCli {
public:
    std::string sent;                  // every byte handed to the transport
    std::vector<std::string> lookups;  // hosts looked up
    std::vector<std::string> connects; // "addr:port" per connection attempt
    std::deque<unsigned> messages;     // posted, not yet handled
    bool open = false;
    bool connectRaises = false;
    int lastError = 0;

    // The network's side.
    void LookupDone(std::uint16_t error, const std::string& address = "127.0.0.1")
    {
        HandleDnsLookupDone(error, address);
    }
    void Connected(std::uint16_t error = 0);
    // The peer's bytes arrive as one piece; the socket's receive loop delivers them.
    void PeerSends(const std::string& piece);
    void PeerCloses();
    // Everything handed over so far has left the socket.
    void SendComplete() { HandleDataSent(0); }
    // Handles the posted messages until none is left.
    void Pump();
    // Lookup, connection and pumping for the common case: the request is on the wire.
    void Establish();
    // The peer answers with the pieces and closes; the queue is then pumped.
    void Answer(const std::vector<std::string>& pieces);

protected:
    void TransportDnsLookup(const std::string& host) override;
    void TransportConnect(const std::string& addr, const std::string& port) override;
    int TransportLastError() override { return lastError; }
    std::string TransportErrorText(int error) override;
    void TransportSend(const void* data, std::size_t len) override;
    long TransportReceive(void* buffer, std::size_t len) override;
    void TransportClose() override { CloseSession(); }
    void PostCliMessage(unsigned message) override { messages.push_back(message); }
    void WaitForMessages() override;

private:
    void ReceiveLoop();
    void CloseSession();
    std::string pending_;
};

// A FedHttpCli that notes its events in order, e.g. "HeaderBegin|DocData:abc|hsReady|Done:0|".
struct LoggedHttpCli : FedHttpCli {
    LoggedHttpCli();
    std::vector<std::string> log;
    int done = 0;
    std::uint16_t doneError = 0xFFFF;
    // The events so far, and forgets them.
    std::string TakeLog();
};

} // namespace zuneigo::test
