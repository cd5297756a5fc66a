#include "service/ServiceServer.h"

#include "platform/Timer.h"
#include "service/Pages.h"

#include <cstdio>
#include <sys/resource.h>

namespace zuneigo::service {
namespace {

constexpr platform::WPARAM SweepTimer = 1;
// Body bytes handed to the socket per round: a client that does not read holds no more.
constexpr std::size_t BodyChunk = 64 * 1024;

std::size_t ClientLimit()
{
    // As many clients as descriptors allow, with room for the listener and the file.
    rlimit rl{};
    if (::getrlimit(RLIMIT_NOFILE, &rl) == 0 && rl.rlim_cur < rl.rlim_max) {
        rl.rlim_cur = rl.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &rl);
        ::getrlimit(RLIMIT_NOFILE, &rl);
    }
    return rl.rlim_cur > 128 ? static_cast<std::size_t>(rl.rlim_cur) - 64 : 64;
}

} // namespace

// ---------------------------------------------------------------- client

TServiceClient::TServiceClient(TServiceServer& server, SOCKET handle) : server_(server)
{
    SetLingerOnOff(wsLingerNoSet); // a fresh socket closes gracefully: the answer is delivered
    SetLineEnd("\n");              // a lone LF ends a line too; the reader drops the CR
    SetLineMode(true);
    OnDataAvailable = [this](TCustomWSocket*, std::uint16_t) { LineReceived(); };
    OnDataSent = [this](TCustomWSocket*, std::uint16_t) {
        lastActivity_ = std::chrono::steady_clock::now();
        SendMoreBody();
    };
    OnSessionClosed = [this](TCustomWSocket*, std::uint16_t) { Finish(); };
    OnBgException = [this](TCustomWSocket*, const Exception&, bool&) { Finish(); };
    lastActivity_ = started_ = std::chrono::steady_clock::now();
    Dup(handle);
    // A connection reset before it was accepted has no peer any more: that is ordinary
    // network life, so it is served (and closed) without an error report.
    sockaddr_in address{};
    int length = 0;
    peer_ = GetPeerAddress(address, length) == 0 ? platform::WsInetNtoa(address.sin_addr.s_addr) : "-";
}

bool TServiceClient::FireDataAvailable(std::uint16_t error)
{
    lastActivity_ = std::chrono::steady_clock::now();
    if (phase_ != Phase::Head || !LineMode())
        return TWSocket::FireDataAvailable(error);
    const int available = TCustomSocksWSocket::RcvdCount();
    if (available > 0) pulled_ += static_cast<std::uint64_t>(available);
    const bool result = TWSocket::FireDataAvailable(error);
    // A line that never ends must not grow the held bytes without limit.
    if (phase_ == Phase::Head) {
        if (const int status = reader_.CheckPending(pulled_ - taken_)) Answer(status);
    }
    return result;
}

void TServiceClient::LineReceived()
{
    char buffer[4096];
    if (phase_ != Phase::Head || !LineMode()) {
        // After the head: whatever else the client sends is read and dropped.
        while (State() == wsConnected && Receive(buffer, sizeof buffer) > 0) {
        }
        return;
    }
    std::string line;
    for (int n = RcvdCount(); n > 0; n = RcvdCount()) {
        const int got = Receive(buffer, std::min<int>(n, sizeof buffer));
        if (got <= 0) break;
        line.append(buffer, static_cast<std::size_t>(got));
    }
    taken_ += line.size();
    if (line.empty() || line.back() != '\n') return; // cut off by the close: no request
    if (const int status = reader_.AddLine(line)) {
        if (status == 200)
            AnswerRequest();
        else
            Answer(status);
    }
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
    TAdStore& store = server_.Store();
    switch (FindRoute(head.path)) {
    case Route::Home:
        SendAnswer(200, HtmlType, HomePage(store.RecordCount()));
        return;
    case Route::Database: {
        // The size now is the end of a whole record: later appends are not part of it.
        fileBody_ = true;
        bodyOffset_ = 0;
        bodyEnd_ = store.Size();
        // Send blocks as large as the chunks: one send call per chunk instead of dozens.
        bufferBlockSize_ = static_cast<int>(BodyChunk);
        SendAnswer(200, "text/plain; charset=windows-1252", "",
                   "Content-Length: " + std::to_string(bodyEnd_) + "\r\nLast-Modified: " +
                       HttpDate(store.ModifiedTime()) + "\r\n");
        return;
    }
    case Route::Submit: {
        std::array<std::string, AdFieldCount> values;
        if (!ParseSubmission(head.query, values)) {
            SendAnswer(400, HtmlType, StatusPage(400));
            return;
        }
        // HEAD checks the submission but never stores it.
        if (!isHead && !store.Append(values)) {
            SendAnswer(503, HtmlType, StatusPage(503));
            return;
        }
        SendAnswer(200, HtmlType, SubmittedPage());
        return;
    }
    case Route::NotFound:
        break;
    }
    SendAnswer(404, HtmlType, StatusPage(404));
}

void TServiceClient::Answer(int status)
{
    SendAnswer(status, HtmlType, StatusPage(status));
}

void TServiceClient::SendAnswer(int status, const std::string& type, const std::string& body, const std::string& extra)
{
    phase_ = Phase::Sending;
    SetLineMode(false);
    const bool isHead = reader_.HasRequestLine() && reader_.Head().method == "HEAD";
    std::string header = "HTTP/1.0 " + std::to_string(status) + " " + ReasonPhrase(status) +
        "\r\nServer: zuneigo-service\r\nDate: " + HttpDate(std::time(nullptr)) +
        "\r\nContent-Type: " + type + "\r\n";
    if (!fileBody_) header += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    header += extra + "Connection: close\r\n\r\n";
    Log(status, isHead ? 0 : (fileBody_ ? bodyEnd_ : body.size()));
    if (State() != wsConnected) return;
    if (isHead) {
        bodyEnd_ = 0;
    } else {
        header += body;
    }
    complete_ = status != 400 && status != 414 && status != 431 && status != 505;
    SendText(header);
    SendMoreBody(); // what the socket takes at once goes now, the rest on OnDataSent
}

void TServiceClient::SendMoreBody()
{
    while (phase_ == Phase::Sending && State() == wsConnected && AllSent()) {
        if (bodyOffset_ < bodyEnd_) {
            const auto len = static_cast<std::size_t>(std::min<std::uint64_t>(BodyChunk, bodyEnd_ - bodyOffset_));
            const std::string chunk = server_.Store().Read(bodyOffset_, len);
            if (!chunk.empty()) {
                bodyOffset_ += chunk.size();
                SendText(chunk);
                continue;
            }
        }
        if (complete_ && RcvdCount() == 0) {
            // The whole head was read and nothing else came: nothing unread can turn
            // the close into a reset, so it may close now.
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

void TServiceClient::Log(int status, std::uint64_t bytes)
{
    const RequestHead& head = reader_.Head();
    std::string request = reader_.HasRequestLine() ? head.method + " " + head.target : "-";
    if (request.size() > 200) request = request.substr(0, 200) + "...";
    std::fprintf(stderr, "%s \"%s\" %d %llu\n", peer_.c_str(), request.c_str(), status,
                 static_cast<unsigned long long>(bytes));
}

void TServiceClient::Finish()
{
    if (finished_) return;
    finished_ = true;
    server_.Release(this);
}

// ---------------------------------------------------------------- server

TServiceServer::TServiceServer(ServiceOptions options, TAdStore& store)
    : options_(std::move(options)),
      store_(store)
{
    maxClients_ = ClientLimit();
    window_ = platform::CreateHiddenWindow([this](platform::UINT msg, platform::WPARAM w, platform::LPARAM) {
        if (msg == platform::WM_TIMER && w == SweepTimer) Sweep();
        return platform::LRESULT(0);
    });
    listener_.OnSessionAvailable = [this](TCustomWSocket*, std::uint16_t) { SessionAvailable(); };
}

TServiceServer::~TServiceServer()
{
    Stop();
    platform::DestroyWindow(window_);
}

std::string TServiceServer::Start()
{
    listener_.SetAddr(options_.bindAddr);
    listener_.SetPort(options_.port);
    listener_.SetProto("tcp");
    listener_.SetListenBacklog(1024);
    listener_.SetReuseAddr(true);
    // OnError is not assigned yet: a failed bind or listen throws, and the service must
    // not run on without a listener.
    try {
        listener_.Listen();
    } catch (const Exception& e) {
        // A failed call reads "Error 10048 in function Bind\r\nAddress already in use": the
        // reason is the last line. A one-line message comes from resolving the address.
        const std::string message = e.Message();
        const auto lineEnd = message.rfind('\n');
        throw EListenError("cannot listen on " + options_.bindAddr + ":" + options_.port + ": " +
                           (lineEnd == std::string::npos ? "no such host or address" : message.substr(lineEnd + 1)));
    }
    // From now on listener failures are reported here, not thrown: a failed accept (no
    // descriptors left) must not close the listener. "Would block" ends a round.
    listener_.OnError = [this](TCustomWSocket*) {
        if (listener_.LastError() != platform::WSAEWOULDBLOCK)
            std::fprintf(stderr, "zuneigo-service: accept failed, error %d\n", listener_.LastError());
    };
    const auto tick = std::max<long long>(10, options_.timeout.count() / 4);
    platform::SetTimer(window_, SweepTimer, static_cast<unsigned>(std::min<long long>(tick, 1000)));
    return listener_.GetLocalPortText();
}

void TServiceServer::Stop()
{
    platform::KillTimer(window_, SweepTimer);
    if (listener_.State() != wsClosed) listener_.Close();
    for (auto& [key, client] : clients_)
        client->Drop();
    finished_.clear();
    clients_.clear();
}

void TServiceServer::SessionAvailable()
{
    FreeFinished();
    // Several pending connections per notification: a burst costs fewer loop rounds.
    for (int round = 0; round < 32; ++round) {
        const SOCKET h = listener_.Accept();
        if (h == platform::INVALID_SOCKET) return;
        if (clients_.size() >= maxClients_) {
            platform::WsCloseSocket(h);
            continue;
        }
        try {
            auto client = std::make_unique<TServiceClient>(*this, h);
            TServiceClient* key = client.get();
            clients_.emplace(key, std::move(client));
        } catch (const std::exception& e) {
            // One client that cannot be set up must not take the listener down.
            std::fprintf(stderr, "zuneigo-service: %s\n", e.what());
        }
    }
}

void TServiceServer::Release(TServiceClient* client)
{
    finished_.push_back(client); // its own handler is still running: freed later
}

void TServiceServer::FreeFinished()
{
    for (TServiceClient* c : finished_)
        clients_.erase(c);
    finished_.clear();
}

void TServiceServer::Sweep()
{
    FreeFinished();
    // Idle and never-reading clients are dropped after the timeout; the whole request head
    // must arrive within it too, so a client trickling header lines cannot hold its slot.
    const auto limit = std::chrono::steady_clock::now() - options_.timeout;
    for (auto it = clients_.begin(); it != clients_.end();) {
        TServiceClient& c = *it->second;
        if (c.Finished()) {
            ++it;
        } else if (c.State() == wsClosed || c.LastActivity() < limit || (c.ReadingHead() && c.Started() < limit)) {
            c.Drop();
            it = clients_.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace zuneigo::service
