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
    if (buf_.size() < need)
        buf_.resize(need);
    return buf_.data() + count_;
}

void TLineSplitter::Edit(std::size_t& n, Host& host)
{
    // Nothing before the floor may change: the line being delivered, and lines already
    // complete. Bytes held from earlier reads of the current line may be erased.
    std::size_t floor = delivering_ ? regionEnd_ : 0;
    const std::string in(buf_.data() + count_, n);
    std::size_t held = count_;
    std::string out;
    out.reserve(n + 8);
    const std::size_t lineEndLen = lineEnd_.size();
    auto at = [&](std::size_t i) { return i < held ? buf_[i] : out[i - held]; };

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
    const std::string_view held(buf_.data(), count_);
    const std::size_t p = held.find(lineEnd_, start);
    return p == std::string_view::npos ? -1 : static_cast<long>(p);
}

bool TLineSplitter::DeliverLine(std::size_t end, Host& host)
{
    regionEnd_ = end;
    lineLength_ = end;
    delivering_ = true;
    const unsigned gen = generation_;
    try {
        while (lineMode_ && lineLength_ > 0) {
            const bool heard = host.Announce();
            if (gen != generation_)
                return false; // emptied or switched to raw under us
            if (!heard)
                lineLength_ = 0; // nobody listens: the line is dropped
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
    std::memmove(buf_.data(), buf_.data() + end, count_ - end);
    count_ -= end;
    regionEnd_ = 0;
    delivering_ = false;
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
    std::memcpy(dst, buf_.data(), k);
    if (k < lineLength_)
        std::memmove(buf_.data(), buf_.data() + k, lineLength_ - k);
    lineLength_ -= k;
    return static_cast<long>(k);
}

long TLineSplitter::TakeHeld(char* dst, std::size_t max)
{
    if (delivering_ || count_ == 0)
        return -1;
    const std::size_t k = std::min(max, count_);
    std::memcpy(dst, buf_.data(), k);
    std::memmove(buf_.data(), buf_.data() + k, count_ - k);
    count_ -= k;
    return static_cast<long>(k);
}

void TLineSplitter::Compact()
{
    if (!delivering_)
        return;
    std::memmove(buf_.data() + lineLength_, buf_.data() + regionEnd_, count_ - regionEnd_);
    count_ = count_ - regionEnd_ + lineLength_;
    lineLength_ = 0;
    regionEnd_ = 0;
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
    if (Splitting()) {
        Split(0, host);
        if (Splitting() && !delivering_ && count_ > 0)
            DeliverLine(count_, host); // the last line has no line end
    }
    if (!Splitting() && !delivering_)
        DeliverHeldRaw(host);
}

void TLineSplitter::Clear()
{
    std::vector<char>().swap(buf_);
    count_ = 0;
    lineLength_ = 0;
    regionEnd_ = 0;
    delivering_ = false;
    rescan_ = false;
    ++generation_;
}

} // namespace zuneigo
