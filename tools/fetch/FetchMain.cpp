// zuneigo-fetch: one HTTP request with THttpCli, for scripting and diagnosis.
#include "AnswerCheck.h"
#include "DataFile.h"
#include "Deadline.h"
#include "FetchOptions.h"
#include "ProgressMeter.h"

#include "base/Stream.h"
#include "http/HttpCli.h"
#include "http/HttpException.h"
#include "net/SocksWSocket.h"
#include "platform/Application.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <unistd.h>

using namespace zuneigo;
using namespace zuneigo::fetch;

namespace {

// Standard output as a stream, for the default destination of the document.
class StdoutStream : public TStream {
public:
    std::size_t Read(void*, std::size_t) override { return 0; }
    std::size_t Write(const void* buffer, std::size_t count) override
    {
        const char* p = static_cast<const char*>(buffer);
        std::size_t done = 0;
        while (done < count) {
            const ssize_t n = ::write(1, p + done, count - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        written_ += static_cast<std::int64_t>(done);
        return done;
    }
    std::int64_t Seek(std::int64_t, SeekOrigin) override { return written_; }
    std::int64_t Size() const override { return written_; }

private:
    std::int64_t written_ = 0;
};

// A request that the client completed without an answer a script can use.
struct AnswerFailure {
    std::string message;
};

void Say(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
}

void ShowHeader(const THttpCli& cli)
{
    for (const std::string& line : cli.ReceivedHeader())
        Say(line);
    Say("status: " + std::to_string(cli.StatusCode()) + " " + cli.ReasonPhrase());
}

void Trace(THttpCli& cli)
{
    auto event = [](const char* name) { return [name](TCustomHttpCli&) { Say(std::string("event: ") + name); }; };
    cli.OnSessionConnected = event("OnSessionConnected");
    cli.OnRequestHeaderBegin = event("OnRequestHeaderBegin");
    cli.OnRequestHeaderEnd = event("OnRequestHeaderEnd");
    cli.OnCommand = [](TCustomHttpCli&, std::string& s) { Say("> " + s); };
    cli.OnSendBegin = event("OnSendBegin");
    cli.OnSendData = [](TCustomHttpCli&, const char*, int len) { Say("event: OnSendData " + std::to_string(len)); };
    cli.OnSendEnd = event("OnSendEnd");
    cli.OnHeaderBegin = event("OnHeaderBegin");
    cli.OnHeaderData = [](TCustomHttpCli& c) {
        Say("< " + (c.ReceivedHeader().empty() ? std::string() : c.ReceivedHeader().back()));
    };
    cli.OnHeaderEnd = event("OnHeaderEnd");
    cli.OnDocBegin = event("OnDocBegin");
    cli.OnDocEnd = [](TCustomHttpCli& c) { Say("event: OnDocEnd " + std::to_string(c.ReceivedCount()) + " bytes"); };
    cli.OnLocationChange = [](TCustomHttpCli& c) { Say("event: OnLocationChange " + c.Location()); };
    cli.OnCookie = [](TCustomHttpCli&, const std::string& data, bool&) { Say("event: OnCookie " + data); };
    cli.OnRequestDone = [](TCustomHttpCli&, THttpRequest, std::uint16_t error) {
        Say("event: OnRequestDone " + std::to_string(error));
    };
}

int Run(const FetchOptions& o)
{
    THttpCli cli;
    cli.SetURL(o.url);
    cli.SetProxy(o.proxy);
    // Options left out keep the client's defaults.
    const std::pair<const std::optional<std::string>&, void (TCustomHttpCli::*)(const std::string&)> given[] = {
        {o.proxyPort, &TCustomHttpCli::SetProxyPort}, {o.agent, &TCustomHttpCli::SetAgent}, {o.accept, &TCustomHttpCli::SetAccept}, {o.referer, &TCustomHttpCli::SetReference}, {o.from, &TCustomHttpCli::SetSender}, {o.cookie, &TCustomHttpCli::SetCookie}, {o.contentType, &TCustomHttpCli::SetContentTypePost}};
    for (const auto& [value, set] : given)
        if (value)
            (cli.*set)(*value);
    if (o.proxyUser) {
        cli.SetProxyUsername(*o.proxyUser);
        cli.SetProxyPassword(*o.proxyPass);
    }
    if (o.user) {
        cli.SetUsername(*o.user);
        cli.SetPassword(*o.pass);
    }
    cli.SetNoCache(o.noCache);
    cli.SetContentRangeBegin(o.rangeBegin);
    cli.SetContentRangeEnd(o.rangeEnd);
    cli.SetModifiedSince(o.ifModifiedSince);

    auto* socks = dynamic_cast<TCustomSocksWSocket*>(&cli.CtrlSocket());
    if (o.socks && socks == nullptr)
        throw Exception("SOCKS is not available in this build");

    if (o.verbose)
        Trace(cli);
    cli.OnStateChange = [&](TCustomHttpCli& c) {
        if (o.verbose)
            Say(std::string("state: ") + HttpCliStateName(c.RequestState()));
        // The socket forgets its SOCKS settings at every close: set them again right
        // before each connection (redirects included).
        if (o.socks && c.RequestState() == hsDnsLookupDone) {
            socks->SetSocksServer(o.socksServer);
            socks->SetSocksPort(o.socksPort);
            if (!o.socksLevel.empty())
                socks->SetSocksLevel(o.socksLevel);
            if (!o.socksUser.empty()) {
                socks->SetSocksUsercode(o.socksUser);
                socks->SetSocksPassword(o.socksPass);
                socks->SetSocksAuthentication(socksAuthenticateUsercode);
            }
        }
    };

    // Each piece of the document is written as it arrives (pieces of up to 64 KiB): a
    // slow transfer shows its progress and an interrupted one keeps what came.
    std::unique_ptr<TStream> output;
    if (o.output.empty())
        output = std::make_unique<StdoutStream>();
    else
        output = std::make_unique<TFileStream>(o.output, TFileStream::fmCreate);
    cli.SetRcvdStream(output.get());

    // A meter on the terminal, unless the document itself goes there or -v talks there.
    const bool meterWanted = !o.silent && !o.verbose && ::isatty(2) && (!o.output.empty() || !::isatty(1));
    ProgressMeter meter(2, meterWanted);
    if (meterWanted) {
        cli.OnDocBegin = [&meter](TCustomHttpCli& c) { meter.Begin(c.ContentLength()); };
        cli.OnDocData = [&meter](TCustomHttpCli& c, const char*, int) { meter.Update(c.ReceivedCount()); };
    }

    std::unique_ptr<TStream> body;
    if (!o.dataFile.empty()) {
        body = OpenDataFile(o.dataFile);
        cli.SetSendStream(body.get());
    }

    const THttpRequest kind = o.method == "POST" ? rqPost : o.method == "HEAD" ? rqHead
                                                                               : rqGet;
    try {
        cli.RunRequest(kind);
        meter.Finish();
    } catch (const EHttpException&) {
        meter.Finish();
        if (o.showHeader && cli.RequestType() == kind)
            ShowHeader(cli);
        throw;
    }
    if (o.verbose)
        platform::Application::Instance().ProcessMessages(); // lets OnRequestDone show
    if (o.showHeader)
        ShowHeader(cli);
    const std::string shortfall = AnswerShortfall(cli, kind);
    if (!shortfall.empty())
        throw AnswerFailure{shortfall};
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    FetchOptions o;
    try {
        o = ParseFetchOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        Say("zuneigo-fetch: " + e.message);
        Say("Try 'zuneigo-fetch --help'.");
        return 2;
    }
    if (o.help) {
        std::fputs(FetchHelp, stdout);
        return 0;
    }
    if (o.maxTime)
        ArmDeadline(*o.maxTime);
    try {
        return Run(o);
    } catch (const AnswerFailure& e) {
        Say("zuneigo-fetch: " + e.message);
        return 1;
    } catch (const EHttpException& e) {
        Say("zuneigo-fetch: " + e.Message() + " (" + std::to_string(e.ErrorCode()) + ")");
        return 1;
    } catch (const std::exception& e) {
        Say(std::string("zuneigo-fetch: ") + e.what());
        return 3;
    }
}
