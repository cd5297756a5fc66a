#pragma once
// The service's web server: one listening TWSocket, one accepted TWSocket per client, all
// on the calling thread's message loop. One request per connection.
#include "base/Exception.h"
#include "net/WSocket.h"
#include "platform/Messages.h"
#include "service/AdStore.h"
#include "service/RequestHead.h"

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zuneigo::service {

struct ServiceOptions {
    std::string bindAddr = "127.0.0.1";
    std::string port = "8080";
    std::string user;
    std::string password;
    std::chrono::milliseconds timeout{30000};
};

class TServiceServer;

// "cannot listen on ADDR:PORT: REASON"
class EListenError : public Exception {
public:
    using Exception::Exception;
};

// One client connection: the request head in line mode, then the answer.
class TServiceClient : public TWSocket {
public:
    TServiceClient(TServiceServer& server, SOCKET handle);
    bool Finished() const { return finished_; }
    // Before the server destroys it: no release message is posted any more.
    void Drop() { finished_ = true; }
    std::chrono::steady_clock::time_point LastActivity() const { return lastActivity_; }
    std::chrono::steady_clock::time_point Started() const { return started_; }
    // Still waiting for the end of the request head.
    bool ReadingHead() const { return phase_ == Phase::Head; }

protected:
    bool FireDataAvailable(std::uint16_t error) override;

private:
    enum class Phase { Head,
                       Sending,
                       Draining };
    void LineReceived();
    void Answer(int status);
    void AnswerRequest();
    void SendAnswer(int status, const std::string& type, const std::string& body, const std::string& extra = "");
    void SendMoreBody();
    void Log(int status, std::uint64_t bytes);
    void Finish();

    TServiceServer& server_;
    Phase phase_ = Phase::Head;
    TRequestReader reader_;
    std::uint64_t pulled_ = 0;
    std::uint64_t taken_ = 0;
    std::uint64_t bodyOffset_ = 0;
    std::uint64_t bodyEnd_ = 0;
    bool finished_ = false;
    bool complete_ = false; // the whole head was read
    bool fileBody_ = false; // the body is the database file, sent in chunks
    std::string peer_;
    std::chrono::steady_clock::time_point lastActivity_;
    std::chrono::steady_clock::time_point started_;
};

class TServiceServer {
public:
    TServiceServer(ServiceOptions options, TAdStore& store);
    ~TServiceServer();
    // Binds and listens; returns the port bound. Throws EListenError when it cannot.
    std::string Start();
    // Stops listening and drops every client.
    void Stop();

    const ServiceOptions& Options() const { return options_; }
    TAdStore& Store() { return store_; }
    // Marks a client for freeing once its handler has returned (at the next accept or
    // timer round).
    void Release(TServiceClient* client);
    std::size_t ClientCount() const { return clients_.size(); }

private:
    void SessionAvailable();
    void Sweep();
    void FreeFinished();

    ServiceOptions options_;
    TAdStore& store_;
    TWSocket listener_;
    platform::HWND window_ = 0;
    std::map<TServiceClient*, std::unique_ptr<TServiceClient>> clients_;
    std::vector<TServiceClient*> finished_;
    std::size_t maxClients_ = 1000;
};

} // namespace zuneigo::service
