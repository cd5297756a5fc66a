// The socket component against real peers: nc and socat as servers and clients, curl
// as a client of a listening component, and 100 MB through the chain both ways.
#include "net/WSocket.h"
#include "tests/net/WSocketEventLog.h"
#include "tests/net/WSocketTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace zuneigo;
using namespace zuneigo::test;

namespace {

// A listening component that adopts each accepted connection into a fresh component.
struct Server {
    TWSocket listener;
    std::vector<std::unique_ptr<TWSocket>> clients;
    std::function<void(TWSocket&)> setup; // called for each new client before Dup
    int port = 0;
    std::string got; // what the clients sent, unless setup changes the handlers
    bool closed = false;

    void Start()
    {
        port = FreeTcpPort();
        listener.SetAddr("127.0.0.1");
        listener.SetPort(std::to_string(port));
        listener.OnSessionAvailable = [this](TCustomWSocket* sender, std::uint16_t) {
            SOCKET h = sender->Accept();
            auto c = std::make_unique<TWSocket>();
            c->OnDataAvailable = [this](TCustomWSocket* client, std::uint16_t) { got += client->ReceiveText(); };
            c->OnSessionClosed = [this](TCustomWSocket*, std::uint16_t) { closed = true; };
            if (setup) setup(*c);
            c->Dup(h);
            clients.push_back(std::move(c));
        };
        listener.Listen();
    }
};

} // namespace

TEST(WSocketPeers, NcServerGreetingIsReceivedThenTheClose)
{
    std::string nc = Require("nc");
    TempDir dir;
    WriteFile(dir.File("greeting"), "Hallo vom Server\r\nzweite Zeile\r\n");
    int port = FreeTcpPort();
    // nc keeps the connection open after its greeting and ends when this side closes.
    Process server({nc, "-l", "127.0.0.1", std::to_string(port)}, dir.File("nc.out"), dir.File("greeting"));
    ASSERT_TRUE(WaitForListener(port));
    TWSocket s;
    EventLog log(s);
    ConnectLocal(s, port);
    ASSERT_TRUE(PumpUntil([&] { return log.received.size() >= 32; })) << log.Text();
    EXPECT_EQ(log.received, "Hallo vom Server\r\nzweite Zeile\r\n");
    s.SendText("Antwort\n");
    s.Flush();
    s.Shutdown(1);
    ASSERT_TRUE(PumpUntil([&] { return s.State() == wsClosed; })) << log.Text();
    EXPECT_EQ(log.Count("closed 0"), 1);
    server.Wait(std::chrono::seconds(5));
    EXPECT_EQ(ReadFile(dir.File("nc.out")), "Antwort\n");
}

TEST(WSocketPeers, NcClientIsAcceptedAndItsDataReceived)
{
    std::string nc = Require("nc");
    TempDir dir;
    const std::string data = Payload(200000, 11);
    WriteFile(dir.File("upload"), data);
    Server server;
    server.Start();
    EXPECT_EQ(server.listener.State(), wsListening);
    Process client({nc, "-N", "127.0.0.1", std::to_string(server.port)}, dir.File("nc.log"), dir.File("upload"));
    ASSERT_TRUE(PumpUntil([&] { return server.closed; })) << ReadFile(dir.File("nc.log"));
    EXPECT_EQ(server.got.size(), data.size());
    EXPECT_TRUE(server.got == data);
    ASSERT_EQ(server.clients.size(), 1u);
    EXPECT_EQ(server.clients[0]->State(), wsClosed);
    EXPECT_EQ(server.listener.State(), wsListening);
}

TEST(WSocketPeers, SocatEchoReturnsWhatWasSent)
{
    std::string socat = Require("socat");
    int port = FreeTcpPort();
    TempDir dir;
    Process server({socat, "TCP-LISTEN:" + std::to_string(port) + ",bind=127.0.0.1,reuseaddr", "PIPE"}, dir.File("log"));
    ASSERT_TRUE(WaitForListener(port));
    TWSocket s;
    std::string got;
    s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) { got += sender->ReceiveText(); };
    s.SetAddr("localhost"); // resolved by the blocking resolver inside Connect
    s.SetPort(std::to_string(port));
    s.Connect();
    const std::string text = Payload(500000, 2);
    ASSERT_TRUE(PumpUntil([&] { return s.State() == wsConnected; }));
    EXPECT_EQ(s.Send(text.data(), static_cast<int>(text.size())), static_cast<int>(text.size()));
    ASSERT_TRUE(PumpUntil([&] { return got.size() >= text.size(); }));
    EXPECT_TRUE(got == text);
    s.Close();
}

TEST(WSocketPeers, SocatClientConnectsToAListeningComponent)
{
    std::string socat = Require("socat");
    TempDir dir;
    Server server;
    server.setup = [&](TWSocket& c) {
        c.SetLingerOnOff(wsLingerOff);
        c.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
            std::string t = sender->ReceiveText();
            server.got += t;
            if (!t.empty()) sender->SendText("echo:" + t); // answer each piece
        };
    };
    server.Start();
    WriteFile(dir.File("in"), "ping");
    Process client({socat, "-t", "2", "STDIO", "TCP:127.0.0.1:" + std::to_string(server.port)}, dir.File("out"),
                   dir.File("in"));
    ASSERT_TRUE(PumpUntil([&] { return !client.Running(); }));
    PumpUntil([&] { return server.closed; }, std::chrono::seconds(5));
    EXPECT_EQ(server.got, "ping");
    EXPECT_EQ(ReadFile(dir.File("out")), "echo:ping");
}

TEST(WSocketPeers, CurlIsServedByAListeningComponent)
{
    std::string curl = Require("curl");
    TempDir dir;
    Server server;
    std::string request;
    const std::string body = "Hallo, curl!\n";
    server.setup = [&](TWSocket& c) {
        c.SetLingerOnOff(wsLingerOff); // a plain close lets the answer drain
        c.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
            request += sender->ReceiveText();
            if (request.find("\r\n\r\n") != std::string::npos && sender->State() == wsConnected) {
                sender->SendText("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                                 std::to_string(body.size()) + "\r\n\r\n" + body);
                sender->Flush();
                sender->Close();
            }
        };
    };
    server.Start();
    std::string url = "http://127.0.0.1:" + std::to_string(server.port) + "/kelto/test.txt";
    Process client({curl, "-s", "-S", "-o", dir.File("body"), url}, dir.File("curl.log"));
    ASSERT_TRUE(PumpUntil([&] { return !client.Running(); })) << ReadFile(dir.File("curl.log"));
    EXPECT_EQ(client.Wait(std::chrono::seconds(1)), 0) << ReadFile(dir.File("curl.log"));
    EXPECT_EQ(ReadFile(dir.File("body")), body);
    EXPECT_EQ(request.rfind("GET /kelto/test.txt HTTP/1.1\r\n", 0), 0u) << request;
}

TEST(WSocketPeers, HundredMegabytesReceivedFromSocatWithEqualChecksum)
{
    std::string socat = Require("socat");
    TempDir dir;
    const std::size_t size = 100u * 1000 * 1000;
    std::uint64_t expected = WritePayloadFile(dir.File("data"), size);
    int port = FreeTcpPort();
    Process server({socat, "-u", "OPEN:" + dir.File("data"), "TCP-LISTEN:" + std::to_string(port) + ",bind=127.0.0.1,reuseaddr"},
                   dir.File("log"));
    ASSERT_TRUE(WaitForListener(port));
    TWSocket s;
    Checksum sum;
    std::vector<char> buf(1 << 16);
    s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
        int n = sender->Receive(buf.data(), static_cast<int>(buf.size()));
        if (n > 0) sum.Add(buf.data(), static_cast<std::size_t>(n));
    };
    bool closed = false;
    s.OnSessionClosed = [&](TCustomWSocket*, std::uint16_t) { closed = true; };
    ConnectLocal(s, port);
    ASSERT_TRUE(PumpUntil([&] { return closed; }, std::chrono::seconds(300)));
    EXPECT_EQ(sum.bytes, size);
    EXPECT_EQ(sum.value, expected);
}

TEST(WSocketPeers, HundredMegabytesSentToSocatWithEqualChecksum)
{
    std::string socat = Require("socat");
    TempDir dir;
    const std::size_t size = 100u * 1000 * 1000;
    int port = FreeTcpPort();
    Process server({socat, "-u", "TCP-LISTEN:" + std::to_string(port) + ",bind=127.0.0.1,reuseaddr", "CREATE:" + dir.File("out")},
                   dir.File("log"));
    ASSERT_TRUE(WaitForListener(port));
    TWSocket s;
    Checksum sum;
    std::size_t handed = 0;
    std::uint32_t piece = 0;
    // Paced by OnDataSent, one megabyte at a time, as a request body would be.
    auto sendNext = [&](TCustomWSocket* sender) {
        if (handed >= size) return;
        std::size_t len = std::min<std::size_t>(size - handed, 1 << 20);
        std::string block = Payload(len, 100 + piece++);
        sum.Add(block.data(), len);
        handed += len;
        sender->Send(block.data(), static_cast<int>(len));
    };
    bool done = false, closed = false;
    s.OnSessionConnected = [&](TCustomWSocket* sender, std::uint16_t e) {
        ASSERT_EQ(e, 0);
        sendNext(sender);
    };
    s.OnDataSent = [&](TCustomWSocket* sender, std::uint16_t) {
        if (handed < size) {
            sendNext(sender);
        } else if (!done) {
            done = true;
            sender->Shutdown(1); // end of data; socat closes when it has written it all
        }
    };
    s.OnSessionClosed = [&](TCustomWSocket*, std::uint16_t) { closed = true; };
    ConnectLocal(s, port);
    ASSERT_TRUE(PumpUntil([&] { return closed; }, std::chrono::seconds(300)));
    server.Wait(std::chrono::seconds(30));
    std::uint64_t written = 0;
    EXPECT_EQ(ChecksumOfFile(dir.File("out"), &written), sum.value);
    EXPECT_EQ(written, size);
}
