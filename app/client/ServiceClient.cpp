#include "app/client/ServiceClient.h"

#include "app/core/ServiceSettings.h"
#include "base/Stream.h"

#include <chrono>
#include <new>

namespace zuneigo {

namespace {

// A larger announced length is not trusted with a buffer up front; such a document grows
// the buffer as it arrives.
constexpr std::int64_t PresizeLimit = std::int64_t{1} << 30;
constexpr auto ProgressInterval = std::chrono::milliseconds(250);

// Points cli at one request and takes it back when the request is over, on every path:
// the stream and the events refer to the caller's frame, which is gone afterwards.
class RequestScope {
public:
    RequestScope(THttpCli& cli, const std::string& url, const std::string& proxy, TStream& stream)
        : cli_(cli), owned_(cli.RequestState() == hsReady)
    {
        if (!owned_)
            return;
        cli.SetURL(url);
        cli.SetProxy(proxy);
        cli.SetProxyPort(ServiceProxyPort);
        cli.SetRcvdStream(&stream);
    }
    ~RequestScope()
    {
        if (!owned_)
            return;
        cli_.SetRcvdStream(nullptr);
        cli_.OnDocBegin = nullptr;
        cli_.OnDocData = nullptr;
    }
    RequestScope(const RequestScope&) = delete;
    RequestScope& operator=(const RequestScope&) = delete;

    bool Owned() const { return owned_; }

private:
    THttpCli& cli_;
    bool owned_;
};

} // namespace

void ApplyServiceSettings(TCustomHttpCli& cli)
{
    cli.SetProxyPort(ServiceProxyPort);
    cli.SetAgent(ServiceAgent);
    cli.SetAccept(ServiceAccept);
    cli.SetUsername(ServiceUsername);
    cli.SetPassword(ServicePassword());
    cli.SetNoCache(false);
    cli.SetContentTypePost(ServiceContentTypePost);
    cli.SetMultiThreaded(false);
}

void FetchDocument(THttpCli& cli, const std::string& url, const std::string& proxy)
{
    TMemoryStream reply;
    RequestScope scope(cli, url, proxy, reply);
    cli.Get();
}

void FetchDatabase(THttpCli& cli, const std::string& url, const std::string& proxy, AdDatabase& db,
                   const DownloadProgress& progress)
{
    TMemoryStream stream;
    RequestScope scope(cli, url, proxy, stream);
    if (scope.Owned()) {
        cli.OnDocBegin = [&stream](TCustomHttpCli& c) {
            const std::int64_t length = c.ContentLength();
            if (length <= 0 || length > PresizeLimit || stream.Size() != 0)
                return;
            try {
                stream.SetSize(static_cast<std::size_t>(length));
                stream.SetPosition(0);
            } catch (const std::bad_alloc&) {
                // Received as it comes instead.
            }
        };
        if (progress) {
            auto last = std::chrono::steady_clock::now();
            int shown = 0;
            cli.OnDocData = [&progress, last, shown](TCustomHttpCli& c, const char*, int) mutable {
                const int percent = DownloadPercent(c.ReceivedCount(), c.ContentLength());
                const auto now = std::chrono::steady_clock::now();
                if (percent == shown || now - last < ProgressInterval)
                    return;
                last = now;
                shown = percent;
                progress(percent);
            };
        }
    }
    cli.Get();
    // A document shorter than announced leaves the rest of the buffer unwritten.
    stream.SetSize(static_cast<std::size_t>(stream.Position()));
    StreamToLines(db, std::move(stream));
}

int DownloadPercent(std::int64_t received, std::int64_t contentLength)
{
    if (contentLength <= 0 || received <= 0)
        return 0;
    if (received >= contentLength)
        return 100;
    return static_cast<int>(received * 100 / contentLength);
}

} // namespace zuneigo
