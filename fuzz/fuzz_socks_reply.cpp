// deps: zuneigo_net zuneigo_platform zuneigo_base
// SOCKS reply handling: arbitrary server bytes, in arbitrary read sizes, in each phase of
// SOCKS 4, 4A and 5; and the request builders with arbitrary values.
#include "net/SocksProtocol.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

using namespace zuneigo;
using Step = TSocksReplyReader::Step;

namespace {

[[noreturn]] void Fault() { std::abort(); }

void CheckRequests(FuzzedDataProvider& fdp)
{
    const std::string host = fdp.ConsumeRandomLengthString(300);
    const std::string user = fdp.ConsumeRandomLengthString(300);
    const std::string pass = fdp.ConsumeRandomLengthString(300);
    const auto port = fdp.ConsumeIntegral<std::uint16_t>();
    std::string out;
    if (auto f = Socks5ConnectRequest(host, port, out)) {
        if (f->Code != socksValueRejected || (!host.empty() && host.size() <= 255))
            Fault();
    } else if (out.size() != host.size() + 7 || static_cast<unsigned char>(out[4]) != host.size()) {
        Fault();
    }
    if (auto f = SocksAuthRequest(user, pass, out)) {
        if (user.size() <= 255 && pass.size() <= 255)
            Fault();
    } else if (out.size() != user.size() + pass.size() + 3 ||
               static_cast<unsigned char>(out[1]) != user.size() ||
               out.compare(2, user.size(), user) != 0 ||
               static_cast<unsigned char>(out[2 + user.size()]) != pass.size()) {
        Fault();
    }
    if (!Socks4AConnectRequest(port, host, user, out)) {
        // Exactly two field ends: the request cannot be cut or run on.
        if (out.size() != 8 + user.size() + 1 + host.size() + 1 || out.find('\0', 8) != 8 + user.size())
            Fault();
    }
}

void RunReplies(FuzzedDataProvider& fdp)
{
    TSocksReplyReader r;
    const bool socks4 = fdp.ConsumeBool();
    r.Start(socks4, fdp.ConsumeBool() ? 2 : 0);
    r.SetPhase(fdp.ConsumeIntegralInRange<int>(1, 3));
    std::size_t fed = 0;
    for (int round = 0; round < 64 && fdp.remaining_bytes() > 0; ++round) {
        const std::size_t room = r.Room();
        if (room == 0 || room > 600)
            Fault();
        const std::string bytes = fdp.ConsumeBytesAsString(fdp.ConsumeIntegralInRange<std::size_t>(1, room));
        if (bytes.empty())
            break;
        fed += bytes.size();
        const int phase = r.Phase();
        switch (r.Add(bytes.data(), bytes.size())) {
        case Step::NeedMore:
            if (r.Phase() != phase || r.HeldCount() > 600)
                Fault();
            break;
        case Step::SendAuth:
            if (socks4 || phase != 1)
                Fault();
            r.SetPhase(2);
            break;
        case Step::SendConnect:
            if (phase == 3 || (r.AuthNotRequired() && r.RequestedMethod() != 2))
                Fault();
            r.SetPhase(3);
            break;
        case Step::Granted:
            if (phase != 3 || r.Phase() != 0 || r.Leftover().size() >= fed)
                Fault();
            if (r.BoundAddr().size() > 255)
                Fault();
            return;
        case Step::Failed:
            if (r.Failure().Code < 20001 || r.Failure().Code > 20017 || r.Failure().Text.empty())
                Fault();
            return;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider fdp(data, size);
    if (fdp.ConsumeIntegralInRange<int>(0, 3) == 0)
        CheckRequests(fdp);
    else
        RunReplies(fdp);
    return 0;
}
