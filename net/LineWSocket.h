#pragma once
// TCustomLineWSocket: line-mode reception. With LineMode on, received bytes are held and
// OnDataAvailable fires once per complete line; the handler takes the line with Receive.
// Switching LineMode off hands the held bytes out raw (WM_SOCKET_LINE_DATA) before
// anything new is read. LineEdit applies backspace and tab, LineEcho sends the received
// bytes back. With LineMode off every call passes through.
#include "net/LineSplitter.h"
#include "net/SocksWSocket.h"

#include <string>

namespace zuneigo {

class TCustomLineWSocket : public TCustomSocksWSocket {
public:
    TCustomLineWSocket();

    bool LineMode() const { return splitter_.LineMode(); }
    virtual void SetLineMode(bool value);
    const std::string& LineEnd() const { return splitter_.LineEnd(); }
    void SetLineEnd(const std::string& value) { splitter_.SetLineEnd(value); }
    bool LineEcho() const { return splitter_.LineEcho(); }
    void SetLineEcho(bool value) { splitter_.SetLineEcho(value); }
    bool LineEdit() const { return splitter_.LineEdit(); }
    void SetLineEdit(bool value) { splitter_.SetLineEdit(value); }

    // In line mode the untaken bytes of the line being delivered; otherwise bytes still
    // held from line mode, or what the socket has.
    int RcvdCount() override;

protected:
    // The editing step on the len bytes just read (len may change).
    virtual void EditLine(int& len);

    LRESULT DispatchWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool FireDataAvailable(std::uint16_t error) override;
    void FireSessionClosed(std::uint16_t error) override;
    int RecvRaw(void* buffer, int bufferSize, int flags) override;

private:
    // Lets the splitter announce lines through the layer below and echo through Send.
    class Host : public TLineSplitter::Host {
    public:
        explicit Host(TCustomLineWSocket& owner) : owner_(owner) {}
        bool Announce() override;
        void Echo(const char* data, std::size_t len) override;

    private:
        TCustomLineWSocket& owner_;
    };

    TLineSplitter splitter_;
    Host host_{*this};
};

} // namespace zuneigo
