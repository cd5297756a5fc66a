#include "service/ServiceClient.h"

#include "service/Pages.h"
#include "service/ServiceServer.h"

#include <cstdio>
#include <sys/ioctl.h>

namespace zuneigo::service {
namespace {

// Body bytes handed to the socket per round: a client that does not read holds no more.
constexpr std::size_t BodyChunk = 64 * 1024;
// Bytes behind the head read and thrown away (a body, a pipelined request) before the
// service stops reading altogether.
constexpr std::uint64_t DiscardBudget = 64 * 1024;

} // namespace

TServiceClient::TServiceClient(TServiceServer& server, SOCKET handle, std::uint64_t id, bool busy)
    : server_(server),
      id_(id)
{
    SetLingerOnOff(wsLingerNoSet); // a fresh socket closes gracefully: the answer is delivered
    OnSendData = [this](TCustomWSocket*, int sent) {
        handed_ += static_cast<std::uint64_t>(sent);
        lastProgress_ = Clock::now();
    };
    OnDataSent = [this](TCustomWSocket*, std::uint16_t) { SendMoreBody(); };
    OnSessionClosed = [this](TCustomWSocket*, std::uint16_t) { Finish(); };
    OnBgException = [this](TCustomWSocket*, const Exception&, bool&) { Finish(); };
    lastProgress_ = started_ = Clock::now();
    Dup(handle);
    // A connection reset before it was accepted has no peer any more: that is ordinary
    // network life, so it is served (and closed) without an error report.
    sockaddr_in address{};
    int length = 0;
    peer_ = GetPeerAddress(address, length) == 0 ? platform::WsInetNtoa(address.sin_addr.s_addr) : "-";
    if (busy) SendAnswer(503, HtmlType, BusyPage(), "Retry-After: 5\r\n");
}

bool TServiceClient::FireDataAvailable(std::uint16_t)
{
    // Not reading leaves the read notification off until the connection ends.
    if (stopReading_) return true;
    char buffer[16384];
    const int n = Receive(buffer, sizeof buffer);
    if (n <= 0) return true;
    if (phase_ == Phase::Head) {
        std::size_t used = 0;
        if (const int status = reader_.Feed(std::string_view(buffer, static_cast<std::size_t>(n)), &used)) {
            headOk_ = status == 200 && used == static_cast<std::size_t>(n);
            if (status == 200)
                AnswerRequest();
            else
                Answer(status);
        }
        return true;
    }
    headOk_ = false;
    discarded_ += static_cast<std::uint64_t>(n);
    if (discarded_ > DiscardBudget) {
        stopReading_ = true;
        SetComponentOptions({wsoNoReceiveLoop});
    }
    return true;
}

bool TServiceClient::FirePeerFinished()
{
    peerFinished_ = true;
    // An answer still to come or still going out keeps the connection, under the same
    // deadlines; a head cut short or a client that has its answer ends it now.
    return phase_ == Phase::Head || phase_ == Phase::Draining;
}

void TServiceClient::AnswerRequest()
{
    const RequestHead& head = reader_.Head();
    const bool isHead = head.method == "HEAD";
    if (head.method != "GET" && !isHead) {
        SendAnswer(405, HtmlType, StatusPage(405), "Allow: GET, HEAD\r\n");
        return;
    }
    const ServiceOptions& o = server_.Options();
    if (NeedsCredentials(head.path) && !CheckBasicCredentials(head.authorization, o.user, o.password)) {
        SendAnswer(401, HtmlType, StatusPage(401), "WWW-Authenticate: Basic realm=\"Zuneigo\"\r\n");
        return;
    }
    switch (FindRoute(head.path)) {
    case Route::Home:
        SendAnswer(200, HtmlType, HomePage(server_.Store().Current().records));
        return;
    case Route::Database: {
        // The size now is the end of a whole record: later appends are not part of it,
        // and the file is the one the path names now, kept until the answer is sent.
        const TAdStore::Snapshot snapshot = server_.Store().Current();
        file_ = snapshot.file;
        bodyOffset_ = 0;
        bodyEnd_ = snapshot.size;
        // Send blocks as large as the chunks: one send call per chunk instead of dozens.
        bufferBlockSize_ = static_cast<int>(BodyChunk);
        SendAnswer(200, "text/plain; charset=windows-1252", "",
                   "Content-Length: " + std::to_string(bodyEnd_) + "\r\nLast-Modified: " +
                       HttpDate(snapshot.modified) + "\r\n");
        return;
    }
    case Route::Submit: {
        std::array<std::string, AdFieldCount> values;
        if (!ParseSubmission(head.query, values)) {
            SendAnswer(400, HtmlType, StatusPage(400));
            return;
        }
        // HEAD checks the submission but never stores it.
        if (isHead) {
            SendAnswer(200, HtmlType, SubmittedPage());
            return;
        }
        // Answered once the flush that covers it is done.
        phase_ = Phase::Storing;
        server_.Submit(id_, RecordText(values));
        return;
    }
    case Route::NotFound:
        break;
    }
    SendAnswer(404, HtmlType, StatusPage(404));
}

void TServiceClient::Stored(bool stored)
{
    if (phase_ != Phase::Storing) return;
    if (stored)
        SendAnswer(200, HtmlType, SubmittedPage());
    else
        SendAnswer(503, HtmlType, StatusPage(503));
}

void TServiceClient::Answer(int status)
{
    SendAnswer(status, HtmlType, StatusPage(status));
}

void TServiceClient::SendAnswer(int status, const std::string& type, const std::string& body, const std::string& extra)
{
    phase_ = Phase::Sending;
    status_ = status;
    lastProgress_ = Clock::now();
    const bool isHead = reader_.HasRequestLine() && reader_.Head().method == "HEAD";
    std::string header = "HTTP/1.0 " + std::to_string(status) + " " + ReasonPhrase(status) +
        "\r\nServer: zuneigo-service\r\nDate: " + HttpDate(std::time(nullptr)) +
        "\r\nContent-Type: " + type + "\r\n";
    if (!file_) header += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    header += extra + "Connection: close\r\n\r\n";
    headerSize_ = header.size();
    if (isHead)
        bodyEnd_ = 0;
    else
        header += body;
    answerSize_ = header.size() + bodyEnd_;
    if (State() != wsConnected) {
        Finish();
        return;
    }
    SendText(header);
    SendMoreBody(); // what the socket takes at once goes now, the rest on OnDataSent
}

void TServiceClient::SendMoreBody()
{
    while (phase_ == Phase::Sending && State() == wsConnected && AllSent()) {
        if (file_ && bodyOffset_ < bodyEnd_) {
            const auto len = static_cast<std::size_t>(std::min<std::uint64_t>(BodyChunk, bodyEnd_ - bodyOffset_));
            const std::string chunk = file_->Read(bodyOffset_, len);
            if (!chunk.empty()) {
                bodyOffset_ += chunk.size();
                SendText(chunk);
                continue;
            }
            // The file was cut under the download: what was sent is all there is.
        }
        if ((headOk_ || peerFinished_) && RcvdCount() == 0) {
            // The whole head was read and nothing else came, or the client has finished
            // and all it sent was read: nothing unread can turn the close into a reset,
            // so it may close now.
            Log(handed_);
            Close();
            Finish();
            return;
        }
        // Otherwise end our side and read until the client closes, so that unread
        // request bytes never reset the connection before the answer has arrived.
        phase_ = Phase::Draining;
        Shutdown(1);
    }
}

std::uint64_t TServiceClient::Unacknowledged()
{
    int queued = 0;
    if (HSocket() == platform::INVALID_SOCKET || ::ioctl(HSocket(), TIOCOUTQ, &queued) != 0 || queued < 0) return 0;
    return std::min<std::uint64_t>(static_cast<std::uint64_t>(queued), handed_);
}

bool TServiceClient::Check(Clock::time_point now)
{
    if (finished_) return false;
    if (State() == wsClosed) return true;
    const auto timeout = server_.Options().timeout;
    switch (phase_) {
    case Phase::Head:
        // The whole head must arrive within the timeout, however it trickles in.
        return now - started_ >= timeout;
    case Phase::Storing:
        return false; // waiting for our own disk, not for the client
    case Phase::Sending:
    case Phase::Draining:
        break;
    }
    const std::uint64_t unacknowledged = Unacknowledged();
    const std::uint64_t delivered = handed_ - unacknowledged;
    if (delivered > delivered_) {
        delivered_ = delivered;
        lastProgress_ = now;
    }
    if (phase_ == Phase::Draining && unacknowledged == 0 && stopReading_) {
        // The client has the whole answer and only keeps sending.
        Log(handed_);
        return true;
    }
    if (now - lastProgress_ < timeout) return false;
    Log(delivered);
    return true;
}

void TServiceClient::Log(std::uint64_t sent)
{
    if (logged_ || status_ == 0) return;
    logged_ = true;
    const RequestHead& head = reader_.Head();
    std::string request = reader_.HasRequestLine() ? head.method + " " + head.target : "-";
    if (request.size() > 200) request = request.substr(0, 200) + "...";
    // The body bytes the client was sent; an answer it did not take whole is marked.
    std::fprintf(stderr, "%s \"%s\" %d %llu%s\n", peer_.c_str(), request.c_str(), status_,
                 static_cast<unsigned long long>(sent > headerSize_ ? sent - headerSize_ : 0),
                 sent < answerSize_ ? " cut-short" : "");
}

void TServiceClient::Drop()
{
    if (!finished_ && phase_ == Phase::Sending) Log(handed_ - Unacknowledged());
    finished_ = true;
}

void TServiceClient::Finish()
{
    if (finished_) return;
    // The client ended the connection: everything handed over counts once we are draining.
    Log(phase_ == Phase::Draining ? handed_ : handed_ - Unacknowledged());
    finished_ = true;
    server_.Release(this);
}

} // namespace zuneigo::service
