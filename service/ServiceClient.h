#pragma once
// One client connection of the service: the request head, then the answer, then the end.
// Only the head is read for its own sake; what follows it is discarded up to a small
// budget and never counts as progress. Progress is what the client takes of the answer:
// any byte the kernel takes or the client acknowledges moves the deadline, nothing the
// client sends does.
#include "net/WSocket.h"
#include "service/AdStore.h"
#include "service/RequestHead.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace zuneigo::service {

class TServiceServer;

class TServiceClient : public TWSocket {
public:
    using Clock = std::chrono::steady_clock;

    // busy: over the client limit; the client gets "503 Service Unavailable" at once.
    TServiceClient(TServiceServer& server, SOCKET handle, std::uint64_t id, bool busy = false);
    std::uint64_t Id() const { return id_; }
    bool Finished() const { return finished_; }
    // Before the server destroys it: no release message is posted any more.
    void Drop();
    // The timer's look: notes progress and ends the connection when it is overdue or its
    // answer has arrived while the client only keeps sending. True when it ended.
    bool Check(Clock::time_point now);
    // The outcome of the flush that covered this client's ad.
    void Stored(bool stored);

protected:
    bool FireDataAvailable(std::uint16_t error) override;
    // A client that has finished sending still gets its answer (a half close).
    bool FirePeerFinished() override;

private:
    enum class Phase { Head,
                       Storing,
                       Sending,
                       Draining };
    void HeadRead(int status);
    void AnswerRequest();
    void Answer(int status);
    void SendAnswer(int status, const std::string& type, const std::string& body, const std::string& extra = "");
    void SendMoreBody();
    // Bytes of the answer the kernel still holds unacknowledged.
    std::uint64_t Unacknowledged();
    // One access line: the answer's body bytes within sent, marked when the client
    // did not get the whole answer.
    void Log(std::uint64_t sent);
    void Finish();

    TServiceServer& server_;
    const std::uint64_t id_;
    Phase phase_ = Phase::Head;
    TRequestReader reader_;
    int status_ = 0;
    bool headOk_ = false;                   // the whole head was read and nothing else came
    std::uint64_t discarded_ = 0;           // bytes read behind the head
    bool stopReading_ = false;              // over the budget: nothing more is read
    bool peerFinished_ = false;             // the client sends nothing more
    std::uint64_t headerSize_ = 0;          // of the answer
    std::uint64_t answerSize_ = 0;          // header and body
    std::uint64_t handed_ = 0;              // bytes of the answer the kernel took
    std::uint64_t delivered_ = 0;           // of those, acknowledged by the client (last look)
    std::shared_ptr<const TDataFile> file_; // the body is this file's first bodyEnd_ bytes
    std::uint64_t bodyOffset_ = 0;
    std::uint64_t bodyEnd_ = 0;
    bool finished_ = false;
    bool logged_ = false;
    std::string peer_;
    Clock::time_point started_;
    Clock::time_point lastProgress_;
};

} // namespace zuneigo::service
