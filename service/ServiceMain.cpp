// zuneigo-service: the ad service's web server on one thread and one message loop.
#include "app/core/ServiceSettings.h"
#include "base/Exception.h"
#include "platform/Messages.h"
#include "service/AdStore.h"
#include "service/DemoDatabase.h"
#include "service/ServiceServer.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <pthread.h>
#include <string>
#include <thread>

using namespace zuneigo;
using namespace zuneigo::service;

namespace {

const char* const Usage =
    "usage: zuneigo-service [options]\n"
    "Serves the ad database (/kelto/kelto.txt), the submission (/kelto/addkelto.cgi) and a\n"
    "home page (/) over HTTP, one request per connection.\n"
    "  --bind ADDR        address to listen on (default 127.0.0.1)\n"
    "  --port N           port (default 8080; 0 picks a free one)\n"
    "  --data FILE        the ad database file (default kelto.txt in the current folder)\n"
    "  --demo N           write a demo database of N ads first when FILE does not exist\n"
    "  --user NAME        user name of the Basic credentials (default: the client's)\n"
    "  --password TEXT    password of the Basic credentials (default: the client's)\n"
    "  --timeout SECONDS  drop clients idle this long (default 30; fractions allowed)\n"
    "  --credentials      print USER:PASSWORD of the Basic credentials and exit\n"
    "  --help             this text\n";

[[noreturn]] void UsageError(const std::string& message)
{
    std::fprintf(stderr, "zuneigo-service: %s\n%s", message.c_str(), Usage);
    std::exit(2);
}

unsigned long Number(const std::string& option, const std::string& text, unsigned long max)
{
    char* end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v > max || text[0] == '-')
        UsageError(option + " needs a number up to " + std::to_string(max));
    return v;
}

} // namespace

int main(int argc, char** argv)
{
    ServiceOptions options;
    options.user = ServiceUsername;
    options.password = ServicePassword();
    std::string data = "kelto.txt";
    long demo = -1;
    bool showCredentials = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (a == "--credentials") {
            showCredentials = true;
            continue;
        }
        if (i + 1 >= argc) UsageError(a.rfind("--", 0) == 0 ? a + " needs a value" : "unknown argument " + a);
        const std::string v = argv[++i];
        if (a == "--bind")
            options.bindAddr = v;
        else if (a == "--port")
            options.port = std::to_string(Number(a, v, 65535));
        else if (a == "--data")
            data = v;
        else if (a == "--demo")
            demo = static_cast<long>(Number(a, v, 10000000));
        else if (a == "--user")
            options.user = v;
        else if (a == "--password")
            options.password = v;
        else if (a == "--timeout") {
            char* end = nullptr;
            const double s = std::strtod(v.c_str(), &end);
            if (v.empty() || *end != '\0' || !(s > 0) || s > 86400) UsageError("--timeout needs seconds above 0");
            options.timeout = std::chrono::milliseconds(static_cast<long long>(s * 1000));
        } else
            UsageError("unknown option " + a);
        if (v.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) UsageError(a + ": no line breaks");
    }
    if (options.user.find(':') != std::string::npos) UsageError("--user must not contain ':'");
    if (showCredentials) {
        // For scripts that fetch with the client's own credentials.
        std::printf("%s:%s\n", options.user.c_str(), options.password.c_str());
        return 0;
    }

    // SIGINT and SIGTERM are taken by a waiting thread that asks the loop to stop; every
    // thread started later inherits the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    setvbuf(stderr, nullptr, _IOLBF, 0);

    try {
        if (demo >= 0 && WriteDemoDatabase(data, static_cast<std::uint32_t>(demo)))
            std::fprintf(stderr, "zuneigo-service: wrote a demo database of %ld ads to %s\n", demo, data.c_str());
        TAdStore store(data);
        if (store.CutBytes() > 0)
            std::fprintf(stderr, "zuneigo-service: %s ended in a torn record; cut %llu bytes back to the last whole record\n",
                         data.c_str(), static_cast<unsigned long long>(store.CutBytes()));
        TServiceServer server(options, store);
        const std::string port = server.Start();
        const platform::HWND stopWindow = platform::CreateHiddenWindow([](platform::UINT msg, platform::WPARAM, platform::LPARAM) {
            if (msg == platform::WM_USER) platform::PostQuitMessage(0);
            return platform::LRESULT(0);
        });
        std::thread([stopSignals, stopWindow]() {
            int sig = 0;
            sigwait(&stopSignals, &sig);
            platform::PostMessage(stopWindow, platform::WM_USER, 0, 0);
        }).detach();
        std::printf("zuneigo-service: listening on http://%s:%s/\n", options.bindAddr.c_str(), port.c_str());
        std::fflush(stdout);
        std::fprintf(stderr, "zuneigo-service: %llu ads in %s; up to %zu clients at once\n",
                     static_cast<unsigned long long>(store.RecordCount()), data.c_str(), server.ClientLimit());
        platform::MSG m;
        while (platform::GetMessage(m))
            platform::DispatchMessage(m);
        server.Stop();
        // The flush count tells how many submissions each flush carried.
        std::fprintf(stderr, "zuneigo-service: stopped; %llu ads stored with %llu flushes\n",
                     static_cast<unsigned long long>(server.StoredCount()),
                     static_cast<unsigned long long>(store.FlushCount()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zuneigo-service: %s\n", e.what());
        return 1;
    }
    return 0;
}
