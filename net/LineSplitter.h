#pragma once
// The receive buffer of line mode. Bytes pulled from the socket are held here and handed
// out one complete line at a time; the owner announces each line (OnDataAvailable) and
// the handler takes its bytes with TakeLine. The splitter knows nothing of sockets, so
// it can be driven directly by tests and the fuzzer.
//
// Layout of the held bytes: they start at an offset into the buffer, so taking bytes from
// the front only moves the offset; the buffer is compacted when it runs out of room, at
// most once for as many bytes as were taken. While a line is being delivered, its untaken
// bytes are the first LineLength() held bytes. Everything works with positions relative
// to the first held byte, never with pointers, because the handler may pump messages and
// so add bytes (and grow the buffer) during a delivery.
#include <cstddef>
#include <string>
#include <vector>

namespace zuneigo {

class TLineSplitter {
public:
    // What the splitter needs from its owner.
    class Host {
    public:
        virtual ~Host() = default;
        // Announces held data (OnDataAvailable(0) of the layer below). False when no
        // handler is assigned: the data announced is then dropped.
        virtual bool Announce() = 0;
        // Sends echoed bytes back to the peer.
        virtual void Echo(const char* data, std::size_t len) = 0;
    };

    TLineSplitter() = default;
    TLineSplitter(const TLineSplitter&) = delete;
    TLineSplitter& operator=(const TLineSplitter&) = delete;

    bool LineMode() const { return lineMode_; }
    // Switching line mode off in the middle of a line keeps the untaken rest of the line
    // and everything behind it as held bytes, in order. Returns true when bytes are held
    // (the owner then arranges for them to be handed out).
    bool SetLineMode(bool on);
    const std::string& LineEnd() const { return lineEnd_; }
    void SetLineEnd(const std::string& lineEnd);
    bool LineEcho() const { return lineEcho_; }
    void SetLineEcho(bool on) { lineEcho_ = on; }
    bool LineEdit() const { return lineEdit_; }
    void SetLineEdit(bool on) { lineEdit_ = on; }
    // Line mode with a line end: lines are cut. Otherwise bytes pass through raw.
    bool Splitting() const { return lineMode_ && !lineEnd_.empty(); }

    // Bytes held (RcvCount), the untaken bytes of the line being delivered (LineLength).
    std::size_t HeldCount() const { return count_; }
    std::size_t LineLength() const { return lineLength_; }
    bool Delivering() const { return delivering_; }
    std::size_t Capacity() const { return buf_.size(); }

    // Room for n new bytes behind the held ones. The pointer is valid until the next call
    // that adds bytes.
    char* Reserve(std::size_t n);
    // The editing step on the n bytes just written at Reserve()'s position: backspace
    // erases the byte before it (never a byte of a line already complete), a tab becomes
    // blanks up to the next multiple of 8 counted from the start of the line; with
    // LineEcho every byte is sent back as typed (a backspace that erased something as
    // back, blank, back). Afterwards the n bytes from HeldCount() on are the edited
    // new bytes (HeldCount() may have fallen).
    void Edit(std::size_t& n, Host& host);
    // Makes the n bytes at HeldCount() part of the held bytes and hands out every complete
    // line (unless a delivery is already running further up the stack; that one goes on
    // to the new lines).
    void Commit(std::size_t n, Host& host);
    // Hands out the complete lines already held (after line mode was switched on while
    // bytes were held).
    void SplitHeld(Host& host);

    // The handler's read in line mode: up to max bytes of the line being delivered.
    // -1 when no line is being delivered (the read then goes to the socket).
    long TakeLine(char* dst, std::size_t max);
    // The handler's read in raw mode: up to max held bytes; -1 when none are held.
    long TakeHeld(char* dst, std::size_t max);

    // Hands out the held bytes in raw mode until none are left (or nobody listens).
    void DeliverHeldRaw(Host& host);
    // At the end of the connection: complete lines, then the unterminated remainder as a
    // last line (or the held bytes raw when line mode is off); then empties the buffer.
    void DeliverRemainder(Host& host);
    // Forgets everything held; a delivery running further up the stack stops.
    void Clear();

private:
    void Split(std::size_t start, Host& host);
    long FindLineEnd(std::size_t start) const;
    // Announces the line [0, end) until the handler has taken it. False when the buffer
    // was emptied or switched to raw mode meanwhile.
    bool DeliverLine(std::size_t end, Host& host);
    // Turns a half-taken line back into plain held bytes (its untaken rest, then the bytes
    // behind it, already in place). Ends the delivery.
    void Compact();
    // Takes k bytes from the front of the held bytes.
    void Consume(std::size_t k);
    char* Held() { return buf_.data() + head_; }
    const char* Held() const { return buf_.data() + head_; }

    bool lineMode_ = false;
    std::string lineEnd_ = "\r\n";
    bool lineEcho_ = false;
    bool lineEdit_ = false;

    std::vector<char> buf_;
    std::size_t head_ = 0; // position of the first held byte in buf_
    std::size_t count_ = 0;
    std::size_t lineLength_ = 0;
    bool delivering_ = false;
    bool rescan_ = false;
    unsigned generation_ = 0;
};

} // namespace zuneigo
