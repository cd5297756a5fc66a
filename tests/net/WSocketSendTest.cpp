// The send chain: blocks, OnDataSent, OnSendData, would-block and resume, resets while
// sending, Flush and DrainUntilClosed waiting without spinning.
#include "net/WSocket.h"
#include "tests/net/WSocketEventLog.h"
#include "tests/net/WSocketTestSupport.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace zuneigo;
using namespace zuneigo::test;

namespace {

double CpuSeconds()
{
    rusage ru{};
    getrusage(RUSAGE_THREAD, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// A socket whose platform sends can be refused, as when the platform accepts nothing.
class RefusingSocket : public TWSocket {
public:
    bool refuse = false;
    int rawCalls = 0;

protected:
    int SendRaw(const void* data, int len) override
    {
        ++rawCalls;
        if (refuse) {
            platform::WsSetLastError(platform::WSAEWOULDBLOCK);
            return -1;
        }
        return TWSocket::SendRaw(data, len);
    }
};

// A connection to a peer that reads slowly and writes what it got to a file.
struct SlowReaderLink {
    TempDir dir;
    std::string out = dir.File("received");
    ScriptedPeer reader{"slow-reader", out};
    TWSocket s;
    bool closed = false;
    std::uint16_t closeError = 99;
    SlowReaderLink()
    {
        s.SetLingerOnOff(wsLingerOff);
        s.OnSessionClosed = [this](TCustomWSocket*, std::uint16_t e) {
            closed = true;
            closeError = e;
        };
    }
    // Ends the sending side and checks the reader got exactly data.
    void ShutdownAndCheck(const std::string& data)
    {
        s.Shutdown(1);
        ASSERT_TRUE(PumpUntil([&] { return closed; }, std::chrono::seconds(60)));
        EXPECT_EQ(closeError, 0);
        reader.Proc().Wait(std::chrono::seconds(10));
        EXPECT_EQ(ChecksumOfFile(out), ChecksumOf(data));
    }
};

} // namespace

TEST(WSocketSend, DataSentFiresOnceAfterSendReturns)
{
    ScriptedPeer peer("echo");
    TWSocket s;
    ASSERT_TRUE(ConnectAndWait(s, peer.Port()));
    PumpFor(std::chrono::milliseconds(50)); // the write notification of the connect
    bool insideSend = false;
    int sent = 0, insideCount = 0;
    s.OnDataSent = [&](TCustomWSocket*, std::uint16_t e) {
        EXPECT_EQ(e, 0);
        ++sent;
        insideCount += insideSend;
    };
    // A zero-length send on a fresh chain completes too, and Flush returns at once.
    EXPECT_TRUE(s.SendBuffers().empty());
    EXPECT_EQ(s.Send(nullptr, 0), 0);
    EXPECT_TRUE(s.AllSent());
    s.Flush();
    ASSERT_TRUE(PumpUntil([&] { return sent == 1; }));
    sent = 0;

    std::string echoed;
    s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) { echoed += sender->ReceiveText(); };
    insideSend = true;
    EXPECT_EQ(s.SendText("hello"), 5);
    insideSend = false;
    EXPECT_EQ(sent, 0);
    ASSERT_TRUE(PumpUntil([&] { return echoed == "hello"; }));
    PumpFor(std::chrono::milliseconds(50));
    EXPECT_EQ(sent, 1);
    EXPECT_EQ(insideCount, 0);

    // A zero-length send buffers nothing but still reports the empty chain.
    EXPECT_EQ(s.Send("", 0), 0);
    EXPECT_EQ(s.Send("x", -5), 0);
    ASSERT_TRUE(PumpUntil([&] { return sent == 3; }));
    EXPECT_EQ(s.BufferedByteCount(), 0);
    s.Close();
}

TEST(WSocketSend, DataRefusedByThePlatformIsHeldInBlocksOf1514)
{
    ScriptedPeer peer("echo");
    RefusingSocket s;
    ASSERT_TRUE(ConnectAndWait(s, peer.Port()));
    std::string echoed;
    s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) { echoed += sender->ReceiveText(); };
    const std::string data = Payload(4000);
    s.refuse = true;
    EXPECT_EQ(s.Send(data.data(), 4000), 4000);
    ASSERT_EQ(s.SendBuffers().size(), 3u);
    EXPECT_EQ(s.SendBuffers()[0]->Pending(), 1514);
    EXPECT_EQ(s.SendBuffers()[1]->Pending(), 1514);
    EXPECT_EQ(s.SendBuffers()[2]->Pending(), 972);
    EXPECT_FALSE(s.AllSent());
    s.refuse = false;
    int calls = 0;
    std::vector<int> pieces;
    s.OnSendData = [&](TCustomWSocket*, int n) {
        ++calls;
        pieces.push_back(n);
    };
    s.Flush();
    EXPECT_TRUE(s.AllSent());
    EXPECT_EQ(pieces, (std::vector<int>{4000})); // the blocks of one Send leave in one platform call
    ASSERT_EQ(s.SendBuffers().size(), 1u);       // the drained first block stays for reuse
    ASSERT_TRUE(PumpUntil([&] { return echoed.size() == 4000; }));
    EXPECT_EQ(echoed, data);
    s.Close();
}

TEST(WSocketSend, PlatformCallsCarryTheBlocksOfOneSendTogether)
{
    // Held while the platform refuses, then flushed: which blocks share a call.
    const struct {
        std::vector<int> sends;
        std::vector<int> calls;
    } cases[] = {
        {{1000, 3000}, {1514, 2486}}, // the first block has room from before: a call of its own
        {{100, 200}, {300}},
        {{1514, 1514}, {1514, 1514}},
        {{5000, 10}, {5010}}, // the last block of the first Send takes the 10 bytes
    };
    for (const auto& k : cases) {
        ScriptedPeer peer("echo");
        RefusingSocket s;
        ASSERT_TRUE(ConnectAndWait(s, peer.Port()));
        std::string sent, echoed;
        s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) { echoed += sender->ReceiveText(); };
        s.refuse = true;
        for (int len : k.sends) {
            const std::string data = Payload(static_cast<std::size_t>(len), static_cast<std::uint32_t>(sent.size()));
            s.Send(data.data(), len);
            sent += data;
        }
        s.refuse = false;
        std::vector<int> calls;
        s.OnSendData = [&](TCustomWSocket*, int n) { calls.push_back(n); };
        s.Flush();
        EXPECT_EQ(calls, k.calls) << k.sends.front();
        ASSERT_TRUE(PumpUntil([&] { return echoed.size() == sent.size(); }));
        EXPECT_EQ(echoed, sent);
        s.Close();
    }
}

TEST(WSocketSend, SendFromOnSendDataGoesOutOnceInOrder)
{
    ScriptedPeer peer("echo");
    TWSocket s;
    ASSERT_TRUE(ConnectAndWait(s, peer.Port()));
    const std::string data = Payload(5000);
    std::string echoed;
    s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) { echoed += sender->ReceiveText(); };
    bool added = false;
    s.OnSendData = [&](TCustomWSocket* sender, int) {
        if (!std::exchange(added, true))
            sender->SendText("tail");
    };
    s.Send(data.data(), static_cast<int>(data.size()));
    ASSERT_TRUE(PumpUntil([&] { return echoed.size() >= data.size() + 4; }));
    PumpFor(std::chrono::milliseconds(50));
    EXPECT_TRUE(echoed == data + "tail") << echoed.size();
    s.Close();
}

TEST(WSocketSend, SlowReaderMakesSendsWaitForTheWriteNotification)
{
    SlowReaderLink link;
    TWSocket& s = link.s;
    ASSERT_TRUE(ConnectAndWait(s, link.reader.Port()));
    PumpFor(std::chrono::milliseconds(50));
    const std::string data = Payload(6 * 1024 * 1024, 3);
    int sent = 0, sendCalls = 0;
    long long sendBytes = 0;
    s.OnDataSent = [&](TCustomWSocket*, std::uint16_t) { ++sent; };
    s.OnSendData = [&](TCustomWSocket*, int n) {
        ++sendCalls;
        sendBytes += n;
    };
    EXPECT_EQ(s.Send(data.data(), static_cast<int>(data.size())), static_cast<int>(data.size()));
    EXPECT_GT(s.BufferedByteCount(), 0); // the platform did not take it all
    EXPECT_FALSE(s.AllSent());
    ASSERT_TRUE(PumpUntil([&] { return sent > 0; }, std::chrono::seconds(60)));
    PumpFor(std::chrono::milliseconds(50));
    EXPECT_EQ(sent, 1);
    EXPECT_EQ(sendBytes, static_cast<long long>(data.size()));
    EXPECT_LT(sendCalls, static_cast<int>(data.size() / 1514)); // not one platform call per block
    link.ShutdownAndCheck(data);
}

TEST(WSocketSend, FlushWaitsWithoutSpinning)
{
    SlowReaderLink link;
    TWSocket& s = link.s;
    ASSERT_TRUE(ConnectAndWait(s, link.reader.Port()));
    const std::string data = Payload(12 * 1024 * 1024, 5); // more than the kernel buffers hold
    s.Send(data.data(), static_cast<int>(data.size()));
    double cpu0 = CpuSeconds();
    auto t0 = std::chrono::steady_clock::now();
    s.Flush();
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    double cpu = CpuSeconds() - cpu0;
    EXPECT_TRUE(s.AllSent());
    EXPECT_EQ(s.BufferedByteCount(), 0);
    EXPECT_GT(wall, 0.1); // the reader takes its time
    EXPECT_LT(cpu, wall * 0.5) << "cpu " << cpu << " s in " << wall << " s";
    link.ShutdownAndCheck(data);
}

TEST(WSocketSend, ResetWhileSendingClosesWithErrorAndNoException)
{
    ScriptedPeer peer("reset-after", "200000");
    TWSocket s;
    ASSERT_TRUE(ConnectAndWait(s, peer.Port()));
    EventLog log(s);
    int closes = 0;
    std::uint16_t error = 0;
    s.OnSessionClosed = [&](TCustomWSocket*, std::uint16_t e) {
        ++closes;
        error = e;
    };
    const std::string chunk = Payload(1 << 20);
    // Keep the chain full until the connection goes.
    s.OnDataSent = [&](TCustomWSocket* sender, std::uint16_t) {
        if (sender->State() == wsConnected) sender->Send(chunk.data(), static_cast<int>(chunk.size()));
    };
    EXPECT_NO_THROW(s.Send(chunk.data(), static_cast<int>(chunk.size())));
    EXPECT_NO_THROW(PumpUntil([&] { return closes > 0; }, std::chrono::seconds(30)));
    PumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(error, 10054);
    EXPECT_EQ(s.State(), wsClosed);
    EXPECT_EQ(s.HSocket(), -1);
}

TEST(WSocketSend, ResetWhileIdleIsReportedAsClosedWith10054)
{
    ScriptedPeer peer("send-reset", "bye");
    TWSocket s;
    EventLog log(s);
    ASSERT_TRUE(ConnectAndWait(s, peer.Port()));
    ASSERT_TRUE(PumpUntil([&] { return s.State() == wsClosed; })) << log.Text();
    EXPECT_EQ(log.received, "bye");
    EXPECT_EQ(log.Count("closed 10054"), 1) << log.Text();
}

TEST(WSocketSend, SendWhenNotConnectedIsReported)
{
    TWSocket s;
    EXPECT_EQ(RaisedText([&] { s.SendText("x"); }), "Error 10057 in function Send\r\nSocket is not connected");
    EXPECT_EQ(s.LastError(), 10057);
    int errors = 0;
    s.OnError = [&](TCustomWSocket*) { ++errors; };
    EXPECT_EQ(s.SendText("x"), -1);
    EXPECT_EQ(errors, 1);
    EXPECT_TRUE(s.SendBuffers().empty());
}

TEST(WSocketSend, SendFlagsSelectOutOfBandData)
{
    TWSocket s;
    EXPECT_EQ(s.SendFlags(), wsSendNormal);
    s.SetSendFlags(wsSendUrgent);
    EXPECT_EQ(s.SendFlags(), wsSendUrgent);
    EXPECT_EQ(RaisedText([&] { s.SetSendFlags(static_cast<TSocketSendFlags>(7)); }), "Invalid SendFlags");
    EXPECT_EQ(s.SendFlags(), wsSendUrgent);

    // A plain listening socket as the peer, to read the urgent byte.
    int l = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(l, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ::listen(l, 1);
    socklen_t len = sizeof a;
    ::getsockname(l, reinterpret_cast<sockaddr*>(&a), &len);
    ASSERT_TRUE(ConnectAndWait(s, ntohs(a.sin_port)));
    int c = ::accept(l, nullptr, nullptr);
    EXPECT_EQ(s.SendText("!"), 1);
    char got = 0;
    ssize_t n = -1;
    for (int i = 0; i < 200 && n != 1; ++i) {
        n = ::recv(c, &got, 1, MSG_OOB | MSG_DONTWAIT);
        if (n != 1) PumpFor(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(n, 1);
    EXPECT_EQ(got, '!');
    s.Close();
    ::close(c);
    ::close(l);
}

TEST(WSocketSend, DrainUntilClosedDeliversEverythingAndWaitsQuietly)
{
    const std::string text(120000, 'd');
    ScriptedPeer peer("send-close", text);
    TWSocket s;
    std::string got;
    s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
        char buf[4096];
        int n = sender->Receive(buf, sizeof buf);
        if (n > 0) got.append(buf, static_cast<std::size_t>(n));
    };
    ASSERT_TRUE(ConnectAndWait(s, peer.Port()));
    double cpu0 = CpuSeconds();
    s.DrainUntilClosed();
    EXPECT_LT(CpuSeconds() - cpu0, 1.0);
    PumpUntil([&] { return s.State() == wsClosed; });
    EXPECT_EQ(got.size(), text.size());
    EXPECT_EQ(s.State(), wsClosed);
}
