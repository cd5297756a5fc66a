#include "net/LineSplitter.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace zuneigo {

bool TLineSplitter::SetLineMode(bool on)
{
    if (on != lineMode_) {
        lineMode_ = on;
        if (!on && delivering_)
            Compact();
        if (on)
            rescan_ = true; // bytes held from raw mode may contain whole lines
    }
    return count_ > 0 || lineLength_ > 0;
}

void TLineSplitter::SetLineEnd(const std::string& lineEnd)
{
    lineEnd_ = lineEnd;
    rescan_ = true;
}

char* TLineSplitter::Reserve(std::size_t n)
{
    const std::size_t need = count_ + n + 1;
    if (head_ + need > buf_.size()) {
        if (need <= buf_.size() && head_ >= count_) {
            // Moves no more bytes than were taken since the last move.
            if (count_ > 0)
                std::memmove(buf_.data(), Held(), count_);
        } else {
            std::vector<char> bigger(std::max(need, buf_.size() * 2));
            if (count_ > 0)
                std::memcpy(bigger.data(), Held(), count_);
            buf_.swap(bigger);
        }
        head_ = 0;
    }
    return Held() + count_;
}

void TLineSplitter::Consume(std::size_t k)
{
    head_ += k;
    count_ -= k;
    if (count_ == 0)
        head_ = 0;
}

void TLineSplitter::Edit(std::size_t& n, Host& host)
{
    // Nothing before the floor may change: the line being delivered, and lines already
    // complete. Bytes held from earlier reads of the current line may be erased.
    std::size_t floor = delivering_ ? lineLength_ : 0;
    const std::string in(Held() + count_, n);
    std::size_t held = count_;
    std::string out;
    out.reserve(n + 8);
    const std::size_t lineEndLen = lineEnd_.size();
    auto at = [&](std::size_t i) { return i < held ? Held()[i] : out[i - held]; };

    for (char c : in) {
        if (c == '\b') {
            if (held + out.size() > floor) {
                if (lineEcho_)
                    host.Echo("\b \b", 3);
                if (!out.empty())
                    out.pop_back();
                else
                    --held;
            }
        } else if (c == '\t') {
            do {
                out.push_back(' ');
                if (lineEcho_)
                    host.Echo(" ", 1);
            } while ((held + out.size() - floor) % 8 != 0);
        } else {
            if (lineEcho_)
                host.Echo(&c, 1);
            out.push_back(c);
            const std::size_t pos = held + out.size();
            if (lineEndLen > 0 && pos - floor >= lineEndLen) {
                bool match = true;
                for (std::size_t k = 0; k < lineEndLen && match; ++k)
                    match = at(pos - lineEndLen + k) == lineEnd_[k];
                if (match)
                    floor = pos; // a complete line: later backspaces stop here
            }
        }
    }

    count_ = held;
    char* dst = Reserve(out.size());
    if (!out.empty())
        std::memcpy(dst, out.data(), out.size());
    n = out.size();
}

void TLineSplitter::Commit(std::size_t n, Host& host)
{
    const std::size_t low = count_;
    count_ += n;
    if (!Splitting() || delivering_)
        return; // a delivery further up the stack searches the whole buffer after its line
    const std::size_t len = lineEnd_.size();
    // A line end may have started in the bytes held before: search from len bytes back.
    Split(rescan_ ? 0 : (low >= len ? low - len : 0), host);
}

void TLineSplitter::SplitHeld(Host& host)
{
    if (Splitting() && !delivering_)
        Split(0, host);
}

long TLineSplitter::FindLineEnd(std::size_t start) const
{
    const std::string_view held(Held(), count_);
    const std::size_t p = held.find(lineEnd_, start);
    return p == std::string_view::npos ? -1 : static_cast<long>(p);
}

bool TLineSplitter::DeliverLine(std::size_t end, Host& host)
{
    lineLength_ = end;
    delivering_ = true;
    const unsigned gen = generation_;
    try {
        while (lineMode_ && lineLength_ > 0) {
            const bool heard = host.Announce();
            if (gen != generation_)
                return false; // emptied or switched to raw under us
            if (!heard) {
                Consume(lineLength_); // nobody listens: the line is dropped
                lineLength_ = 0;
            }
        }
    } catch (...) {
        // The line stays held (its untaken rest) and is found again with the next bytes.
        if (gen == generation_)
            Compact();
        throw;
    }
    if (lineLength_ > 0) {
        Compact();
        return false;
    }
    delivering_ = false; // the handler took the line: the next one is at the front
    return true;
}

void TLineSplitter::Split(std::size_t start, Host& host)
{
    rescan_ = false;
    while (Splitting() && !delivering_) {
        const long p = FindLineEnd(start);
        if (p < 0)
            return;
        if (!DeliverLine(static_cast<std::size_t>(p) + lineEnd_.size(), host))
            return;
        start = 0;
    }
}

long TLineSplitter::TakeLine(char* dst, std::size_t max)
{
    if (!delivering_ || lineLength_ == 0)
        return -1;
    const std::size_t k = std::min(max, lineLength_);
    std::memcpy(dst, Held(), k);
    lineLength_ -= k;
    Consume(k);
    return static_cast<long>(k);
}

long TLineSplitter::TakeHeld(char* dst, std::size_t max)
{
    if (delivering_ || count_ == 0)
        return -1;
    const std::size_t k = std::min(max, count_);
    std::memcpy(dst, Held(), k);
    Consume(k);
    return static_cast<long>(k);
}

void TLineSplitter::Compact()
{
    if (!delivering_)
        return;
    lineLength_ = 0;
    delivering_ = false;
    rescan_ = true;
    ++generation_;
}

void TLineSplitter::DeliverHeldRaw(Host& host)
{
    const unsigned gen = generation_;
    while (count_ > 0 && !Splitting() && !delivering_) {
        const std::size_t before = count_;
        if (!host.Announce()) {
            Clear();
            return;
        }
        if (gen != generation_ || count_ == before)
            return; // emptied meanwhile, or the handler left the bytes for a later read
    }
    if (Splitting() && gen == generation_)
        SplitHeld(host); // the handler switched line mode on again
}

void TLineSplitter::DeliverRemainder(Host& host)
{
    struct ClearAtEnd {
        TLineSplitter& s;
        ~ClearAtEnd() { s.Clear(); }
    } clearAtEnd{*this};

    if (delivering_)
        Compact(); // closed inside a delivery: what is left of that line comes first
    // The handler may switch modes any number of times while the held bytes go out (a
    // line, then raw bytes, then a line again...): go on while that makes progress.
    while (count_ > 0 && !delivering_) {
        const std::size_t before = count_;
        const bool splitting = Splitting();
        if (splitting) {
            Split(0, host);
            if (Splitting() && !delivering_ && count_ > 0)
                DeliverLine(count_, host); // the last line has no line end
        } else {
            DeliverHeldRaw(host);
        }
        if (count_ == before && Splitting() == splitting)
            break; // the handler leaves the bytes where they are
    }
}

void TLineSplitter::Clear()
{
    std::vector<char>().swap(buf_);
    head_ = 0;
    count_ = 0;
    lineLength_ = 0;
    delivering_ = false;
    rescan_ = false;
    ++generation_;
}

} // namespace zuneigo
