// The line splitter on its own: reads of any size, partial takes, switching modes with
// bytes held, editing and echo, the remainder at the end.
#include "net/LineSplitter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace zuneigo;

namespace {

// Stands in for the socket: feeds reads, records every announcement and the echo; the
// handler decides what to take.
struct Harness : TLineSplitter::Host {
    TLineSplitter s;
    std::function<void(Harness&)> handler; // empty: nobody listens
    std::vector<std::size_t> announced;    // LineLength (or held count) at each call
    std::string echo;
    std::string got;                // everything taken, in order
    std::vector<std::string> lines; // whole lines taken by CollectLines

    explicit Harness(bool edit = false, bool echo = false)
    {
        s.SetLineMode(true);
        s.SetLineEdit(edit);
        s.SetLineEcho(echo);
    }
    // The handler takes each line whole.
    void CollectLines()
    {
        handler = [](Harness& x) { x.lines.push_back(x.Take(x.s.LineLength())); };
    }
    // The handler switches to raw mode at the first line without taking it, then takes all.
    void SwitchOffThenTakeAll()
    {
        handler = [](Harness& x) {
            if (x.s.Splitting())
                x.s.SetLineMode(false);
            else
                x.TakeAll();
        };
    }

    bool Announce() override
    {
        if (!handler)
            return false;
        announced.push_back(s.Splitting() ? s.LineLength() : s.HeldCount());
        handler(*this);
        return true;
    }
    void Echo(const char* data, std::size_t len) override { echo.append(data, len); }

    void Read(const std::string& bytes)
    {
        char* p = s.Reserve(bytes.size());
        bytes.copy(p, bytes.size());
        std::size_t n = bytes.size();
        if (s.LineEdit())
            s.Edit(n, *this);
        else if (s.LineEcho())
            Echo(p, n);
        s.Commit(n, *this);
    }
    // Takes k bytes of the current line (or of the held bytes in raw mode).
    std::string Take(std::size_t k)
    {
        std::string b(k, '\0');
        long r = s.Splitting() ? s.TakeLine(b.data(), k) : s.TakeHeld(b.data(), k);
        b.resize(r < 0 ? 0 : static_cast<std::size_t>(r));
        got += b;
        return b;
    }
    void TakeAll() { Take(s.Splitting() ? s.LineLength() : s.HeldCount()); }
};

} // namespace

TEST(LineSplitter, TwoLinesInOneReadAreAnnouncedOneByOne)
{
    Harness h;
    h.CollectLines();
    h.Read("A\r\nB\r\n");
    EXPECT_EQ(h.lines, (std::vector<std::string>{"A\r\n", "B\r\n"}));
    EXPECT_EQ(h.announced, (std::vector<std::size_t>{3, 3}));
    EXPECT_EQ(h.s.HeldCount(), 0u);
}

TEST(LineSplitter, FindsLineEndSplitAcrossReadsAndAnyLineEnd)
{
    Harness h;
    h.CollectLines();
    h.Read("abc\r");
    EXPECT_TRUE(h.lines.empty());
    h.Read("\nde");
    h.Read("f\r");
    h.Read("\n");
    EXPECT_EQ(h.lines, (std::vector<std::string>{"abc\r\n", "def\r\n"}));

    // A three-byte line end arriving one byte per read, and overlapping candidates.
    Harness g;
    g.s.SetLineEnd("--|");
    g.CollectLines();
    for (char c : std::string("x---|y-|--|"))
        g.Read(std::string(1, c));
    EXPECT_EQ(g.lines, (std::vector<std::string>{"x---|", "y-|--|"}));
}

TEST(LineSplitter, PartialTakesGiveTheSameBytes)
{
    Harness h;
    std::vector<std::string> pieces;
    h.handler = [&](Harness& x) { pieces.push_back(x.Take(2)); };
    h.Read("A\r\nBCD\r\nrest");
    EXPECT_EQ(pieces, (std::vector<std::string>{"A\r", "\n", "BC", "D\r", "\n"}));
    EXPECT_EQ(h.announced, (std::vector<std::size_t>{3, 1, 5, 3, 1}));
    EXPECT_EQ(h.s.HeldCount(), 4u); // "rest" waits for its line end
}

TEST(LineSplitter, SwitchingOffMidStreamHandsOutBothLinesOnceInOrder)
{
    Harness h;
    int calls = 0;
    h.handler = [&](Harness& x) {
        if (x.s.Splitting()) {
            ++calls;
            x.Take(1); // one byte of the first line, then raw mode
            EXPECT_TRUE(x.s.SetLineMode(false));
        } else {
            x.Take(2); // raw: two bytes at a time
        }
    };
    h.Read("AB\r\nCD\r\nE");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(h.got, "A");
    EXPECT_EQ(h.s.HeldCount(), 8u);
    EXPECT_EQ(h.s.LineLength(), 0u);
    h.s.DeliverHeldRaw(h); // what the posted message does
    EXPECT_EQ(h.got, "AB\r\nCD\r\nE");
    EXPECT_EQ(h.s.HeldCount(), 0u);
}

TEST(LineSplitter, SwitchingOffWithoutTakingKeepsEverything)
{
    Harness h;
    h.SwitchOffThenTakeAll();
    h.Read("one\r\ntwo\r\n");
    h.s.DeliverHeldRaw(h);
    EXPECT_EQ(h.got, "one\r\ntwo\r\n");
}

TEST(LineSplitter, SwitchingBackOnReSplitsHeldBytes)
{
    Harness h;
    std::vector<std::string> lines;
    bool first = true;
    h.handler = [&](Harness& x) {
        if (first) {
            first = false;
            x.s.SetLineMode(false);
            x.s.SetLineMode(true); // on again before the held bytes went out
            return;
        }
        lines.push_back(x.Take(x.s.LineLength()));
    };
    h.Read("a\r\nb\r\nc");
    // The posted message finds line mode on: it cuts the held bytes instead of looping.
    h.s.SplitHeld(h);
    EXPECT_EQ(lines, (std::vector<std::string>{"a\r\n", "b\r\n"}));
    EXPECT_EQ(h.s.HeldCount(), 1u);
}

TEST(LineSplitter, UnterminatedRemainderIsTheLastLine)
{
    Harness h;
    h.CollectLines();
    h.Read("x\r\nabc");
    h.s.DeliverRemainder(h);
    EXPECT_EQ(h.lines, (std::vector<std::string>{"x\r\n", "abc"}));
    EXPECT_EQ(h.announced.back(), 3u);
    EXPECT_EQ(h.s.HeldCount(), 0u);
    EXPECT_EQ(h.s.Capacity(), 0u); // the buffer is freed

    // Raw mode with held bytes: they are not lost at the close either.
    Harness r;
    r.SwitchOffThenTakeAll();
    r.Read("p\r\nq");
    r.s.DeliverRemainder(r);
    EXPECT_EQ(r.got, "p\r\nq");
}

TEST(LineSplitter, RemainderSurvivesAnyNumberOfModeSwitches)
{
    // A server reading pipelined requests: a head line gives the body length, the body
    // is read raw, then line mode goes on again. The close comes before the held bytes
    // went out (nothing else hands them out).
    Harness h;
    std::vector<std::string> bodies;
    std::size_t want = 0;
    h.handler = [&](Harness& x) {
        if (x.s.Splitting()) {
            want = std::stoul(x.Take(x.s.LineLength()));
            bodies.emplace_back();
            x.s.SetLineMode(false);
            return;
        }
        bodies.back() += x.Take(std::min(want - bodies.back().size(), x.s.HeldCount()));
        if (bodies.back().size() == want)
            x.s.SetLineMode(true);
    };
    h.Read("3\r\nabc2\r\nxy4\r\nwxyz1\r\nq");
    h.s.DeliverRemainder(h);
    EXPECT_EQ(bodies, (std::vector<std::string>{"abc", "xy", "wxyz", "q"}));
    EXPECT_EQ(h.got, "3\r\nabc2\r\nxy4\r\nwxyz1\r\nq");
}

TEST(LineSplitter, NobodyListeningDropsLines)
{
    Harness h;
    h.Read("a\r\nb\r\nc");
    EXPECT_EQ(h.s.HeldCount(), 1u);
    h.s.DeliverRemainder(h);
    EXPECT_EQ(h.s.HeldCount(), 0u);
}

TEST(LineSplitter, EditingWithEchoSendsTheExactBytes)
{
    Harness h(true, true);
    h.CollectLines();
    h.Read("ab\bc\r\n");
    EXPECT_EQ(h.lines, (std::vector<std::string>{"ac\r\n"}));
    EXPECT_EQ(h.echo, std::string("ab\b \bc\r\n"));

    // Without echo nothing goes back; a tab fills to the next multiple of eight.
    Harness t(true);
    t.CollectLines();
    t.Read("a\tb\r\n");
    t.Read("12345678\tx\r\n");
    EXPECT_EQ(t.lines, (std::vector<std::string>{"a       b\r\n", "12345678        x\r\n"}));
    EXPECT_EQ(t.echo, "");
}

TEST(LineSplitter, EditingAcrossReadsStopsAtTheLineStart)
{
    Harness h(true, true);
    h.CollectLines();
    h.Read("abc");
    h.Read("\b\b");          // erases bytes held from the earlier read
    h.Read("\r\n\b\bz\r\n"); // cannot reach back into the finished line
    EXPECT_EQ(h.lines, (std::vector<std::string>{"a\r\n", "z\r\n"}));
    EXPECT_EQ(h.echo, std::string("abc\b \b\b \b\r\nz\r\n"));

    // The same input in one read cuts the same lines, tabs counted from the line start.
    Harness g(true);
    g.CollectLines();
    g.Read("abc\b\b\r\n\b\bz\r\nab\tc\r\n");
    EXPECT_EQ(g.lines, (std::vector<std::string>{"a\r\n", "z\r\n", "ab      c\r\n"}));
}

TEST(LineSplitter, EchoWithoutEditingSendsTheReadBack)
{
    Harness h(false, true);
    h.handler = [](Harness& x) { x.TakeAll(); };
    h.Read("a\bb\r\n");
    EXPECT_EQ(h.echo, "a\bb\r\n");
    EXPECT_EQ(h.got, "a\bb\r\n");
}

TEST(LineSplitter, ExceptionInHandlerKeepsTheLineForTheNextRead)
{
    Harness h;
    int calls = 0;
    h.handler = [&](Harness& x) {
        if (++calls == 1) {
            x.Take(1);
            throw std::runtime_error("handler failed");
        }
        x.TakeAll();
    };
    EXPECT_THROW(h.Read("AB\r\nC"), std::runtime_error);
    EXPECT_FALSE(h.s.Delivering());
    h.Read("D\r\n");
    EXPECT_EQ(h.got, "AB\r\nCD\r\n");
}

TEST(LineSplitter, BytesAddedDuringADeliveryAreCutAfterIt)
{
    // The handler pumps messages and so a new read arrives in the middle of a line.
    Harness h;
    std::vector<std::string> lines;
    bool nested = false;
    h.handler = [&](Harness& x) {
        if (!nested) {
            nested = true;
            x.Read("3\r\n4");
        }
        lines.push_back(x.Take(x.s.LineLength()));
    };
    h.Read("1\r\n2");
    h.Read("\r\n");
    EXPECT_EQ(lines, (std::vector<std::string>{"1\r\n", "23\r\n", "4\r\n"}));
}

TEST(LineSplitter, ClosedInsideADeliveryDeliversTheRestOnce)
{
    Harness h;
    bool closed = false;
    h.handler = [&](Harness& x) {
        x.Take(1);
        if (!closed) {
            closed = true;
            x.s.DeliverRemainder(x);
        }
    };
    h.Read("ab\r\ncd");
    EXPECT_EQ(h.got, "ab\r\ncd");
    EXPECT_EQ(h.s.HeldCount(), 0u);
}
