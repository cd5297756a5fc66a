// deps: zuneigo_net zuneigo_platform zuneigo_base
// Line splitter: arbitrary bytes in arbitrary read sizes, with a handler that takes lines
// whole or in pieces, switches line mode off and on, and receives new bytes while it
// runs. Checks that no byte is lost, doubled or reordered (without editing), and that
// editing cuts the same lines whatever the read sizes are.
#include "net/LineSplitter.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

using zuneigo::TLineSplitter;

namespace {

[[noreturn]] void Fault() { std::abort(); }

// Plays the socket and the handler around the splitter.
struct Session : TLineSplitter::Host {
    FuzzedDataProvider& fdp;
    TLineSplitter s;
    std::string socket; // bytes readable on the socket
    std::string got;    // bytes the handler took, in order
    std::string echo;
    bool posted = false; // WM_SOCKET_LINE_DATA pending
    int depth = 0;
    bool listening = true;

    explicit Session(FuzzedDataProvider& f) : fdp(f) {}

    void SetLineMode(bool on)
    {
        if (s.SetLineMode(on))
            posted = true;
    }

    void Take(std::size_t k)
    {
        std::string b(k, '\0');
        long r = s.Splitting() ? s.TakeLine(b.data(), k) : s.TakeHeld(b.data(), k);
        if (r < 0 && !s.Splitting()) { // raw mode, nothing held: the socket
            r = static_cast<long>(std::min(k, socket.size()));
            b.assign(socket, 0, static_cast<std::size_t>(r));
            socket.erase(0, static_cast<std::size_t>(r));
        }
        if (r > 0)
            got.append(b.data(), static_cast<std::size_t>(r));
    }

    bool Announce() override
    {
        if (!listening)
            return false;
        const bool line = s.Splitting();
        const std::size_t len = line ? s.LineLength() : s.HeldCount();
        switch (fdp.ConsumeIntegralInRange<int>(0, 5)) {
        case 0:
        case 1:
            Take(len);
            break;
        case 2:
            Take(fdp.ConsumeIntegralInRange<std::size_t>(1, len + 1));
            break;
        case 3:
            Take(fdp.ConsumeIntegralInRange<std::size_t>(0, len));
            SetLineMode(!s.LineMode());
            break;
        case 4: // the handler pumps messages: a new read arrives inside the delivery
            if (depth < 2 && !socket.empty()) {
                ++depth;
                Notify();
                --depth;
            }
            Take(len);
            break;
        default:
            SetLineMode(false);
            SetLineMode(true);
            Take(len);
            break;
        }
        if (line && fdp.remaining_bytes() == 0)
            Take(s.LineLength()); // input exhausted: make sure every loop ends
        return true;
    }

    void Echo(const char* data, std::size_t len) override { echo.append(data, len); }

    // A read notification.
    void Notify()
    {
        if (!s.Splitting()) {
            const std::size_t before = socket.size() + s.HeldCount();
            if (before > 0)
                Announce();
            return;
        }
        const std::size_t n = socket.size();
        if (n == 0)
            return;
        char* p = s.Reserve(n);
        socket.copy(p, n);
        socket.clear();
        std::size_t len = n;
        if (s.LineEdit())
            s.Edit(len, *this);
        else if (s.LineEcho())
            Echo(p, len);
        s.Commit(len, *this);
    }

    void Dispatch()
    {
        while (posted) {
            posted = false;
            if (s.Splitting())
                s.SplitHeld(*this);
            else
                s.DeliverHeldRaw(*this);
        }
    }
};

// Every byte exactly once, in order, whatever the handler did.
void RunLossless(FuzzedDataProvider& fdp)
{
    Session x(fdp);
    const char* ends[] = {"\r\n", "\n", "ab", "aba", "\r\n\r\n", ""};
    x.s.SetLineEnd(ends[fdp.ConsumeIntegralInRange<int>(0, 5)]);
    x.SetLineMode(true);
    x.s.SetLineEcho(fdp.ConsumeBool());
    std::string input;
    while (fdp.remaining_bytes() > 0) {
        std::string chunk = fdp.ConsumeRandomLengthString(64);
        input += chunk;
        x.socket += chunk;
        x.Notify();
        x.Dispatch();
    }
    // The close: raw data still on the socket is read first, then the remainder.
    while (!x.socket.empty() && !x.s.Splitting())
        x.Take(x.socket.size());
    x.Notify();
    x.s.DeliverRemainder(x);
    if (x.s.HeldCount() != 0 || x.s.LineLength() != 0)
        Fault();
    if (x.got + x.socket != input)
        Fault();
    if (x.s.LineEcho() && x.echo.size() > input.size())
        Fault();
}

// Editing gives the same lines for any read sizes.
struct Collector : TLineSplitter::Host {
    TLineSplitter s;
    std::vector<std::string> lines;
    bool Announce() override
    {
        std::string b(s.LineLength(), '\0');
        const long r = s.TakeLine(b.data(), b.size());
        if (r != static_cast<long>(b.size()))
            Fault();
        lines.push_back(b);
        return true;
    }
    void Echo(const char*, std::size_t) override {}
    void Read(const std::string& bytes)
    {
        char* p = s.Reserve(bytes.size());
        bytes.copy(p, bytes.size());
        std::size_t n = bytes.size();
        s.Edit(n, *this);
        s.Commit(n, *this);
    }
};

void RunEditing(FuzzedDataProvider& fdp)
{
    const char* ends[] = {"\r\n", "\n", "\b\n", "xx"};
    const std::string end = ends[fdp.ConsumeIntegralInRange<int>(0, 3)];
    Collector whole, pieces;
    for (Collector* c : {&whole, &pieces}) {
        c->s.SetLineEnd(end);
        c->s.SetLineMode(true);
        c->s.SetLineEdit(true);
    }
    std::string input;
    while (fdp.remaining_bytes() > 0) {
        const std::string chunk = fdp.ConsumeRandomLengthString(32);
        input += chunk;
        pieces.Read(chunk);
    }
    whole.Read(input);
    if (whole.lines != pieces.lines)
        Fault();
    for (const std::string& l : whole.lines)
        if (l.find('\t') != std::string::npos)
            Fault();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider fdp(data, size);
    if (fdp.ConsumeBool())
        RunLossless(fdp);
    else
        RunEditing(fdp);
    return 0;
}
