#include "app/client/ServiceClient.h"

#include "app/client/RequestWatch.h"
#include "app/client/ServiceAnswer.h"
#include "app/core/LargeBuffer.h"
#include "app/core/ServiceSettings.h"
#include "base/Stream.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <utility>

namespace zuneigo {

namespace {

// A larger announced length is not trusted with a buffer up front; such a document grows
// the buffer as it arrives.
constexpr std::int64_t PresizeLimit = std::int64_t{1} << 30;
constexpr auto ProgressInterval = std::chrono::milliseconds(250);

// The database as it arrives: bytes appended to a vector the database then takes over
// without a copy. When the length is known the whole buffer is reserved at once, untouched
// and advised for huge pages, so receiving it costs neither regrowing nor a fault per page.
class ReceiveBuffer : public TStream {
public:
    std::size_t Read(void* buffer, std::size_t count) override
    {
        const std::size_t n = std::min(count, data_.size() - std::min(pos_, data_.size()));
        std::memcpy(buffer, data_.data() + pos_, n);
        pos_ += n;
        return n;
    }
    std::size_t Write(const void* buffer, std::size_t count) override
    {
        const char* p = static_cast<const char*>(buffer);
        if (pos_ == data_.size()) {
            data_.insert(data_.end(), p, p + count);
        } else {
            data_.resize(std::max(data_.size(), pos_ + count));
            std::memcpy(data_.data() + pos_, p, count);
        }
        pos_ += count;
        return count;
    }
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override
    {
        const std::int64_t base = origin == SeekOrigin::Begin ? 0
            : origin == SeekOrigin::Current                   ? static_cast<std::int64_t>(pos_)
                                                              : Size();
        pos_ = static_cast<std::size_t>(std::max<std::int64_t>(0, base + offset));
        return static_cast<std::int64_t>(pos_);
    }
    std::int64_t Size() const override { return static_cast<std::int64_t>(data_.size()); }

    void Reserve(std::size_t bytes)
    {
        data_.reserve(bytes);
        AdviseHugePages(data_.data(), data_.capacity());
    }
    std::vector<char> TakeBytes() { return std::exchange(data_, {}); }

private:
    std::vector<char> data_;
    std::size_t pos_ = 0;
};

// Points cli at one request and takes it back when the request is over, on every path:
// the stream and the events refer to the caller's frame, which is gone afterwards.
class RequestScope {
public:
    RequestScope(THttpCli& cli, const std::string& url, const std::string& proxy, TStream& stream)
        : cli_(cli),
          owned_(cli.RequestState() == hsReady)
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

// Runs the GET cli is set up for. It counts only with a whole answer: a request that was
// cut off, or whose answer is not a whole document, raises although Get returned.
void RunChecked(THttpCli& cli, bool owned)
{
    if (!owned) {
        cli.Get(); // refused at once: the client is busy
        return;
    }
    RequestWatch watch(cli);
    try {
        cli.Get();
    } catch (...) {
        // A cut-off request may end in any failure of the component; the cut is the cause.
        watch.ThrowIfCutOff();
        throw;
    }
    watch.ThrowIfCutOff();
    const std::string fault = AnswerFault(cli, watch.CloseError());
    if (!fault.empty())
        throw EServiceAnswer(fault);
}

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
    RunChecked(cli, scope.Owned());
}

void FetchDatabase(THttpCli& cli, const std::string& url, const std::string& proxy, AdDatabase& db,
                   const DownloadProgress& progress)
{
    ReceiveBuffer stream;
    RequestScope scope(cli, url, proxy, stream);
    if (scope.Owned()) {
        cli.OnDocBegin = [&stream](TCustomHttpCli& c) {
            const std::int64_t length = c.ContentLength();
            if (length <= 0 || length > PresizeLimit || stream.Size() != 0)
                return;
            try {
                stream.Reserve(static_cast<std::size_t>(length));
            } catch (const std::bad_alloc&) {
                // Received as it comes instead.
            }
        };
        if (progress) {
            std::chrono::steady_clock::time_point last{};
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
    RunChecked(cli, scope.Owned());
    db.AppendBytes(stream.TakeBytes());
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
