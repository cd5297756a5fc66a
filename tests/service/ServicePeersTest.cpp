// zuneigo-service against real clients: curl, zuneigo-fetch (directly and through
// tinyproxy) and scripted peers for floods, crashes and clients that stall.
#include "service/AdStore.h"
#include "tests/service/ServiceFixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <sstream>
#include <thread>

using namespace zuneigo;
using namespace zuneigo::test;

TEST(ServicePeers, CurlSeesEveryStatus)
{
    Service s({"--demo", "20"});
    const std::string before = ReadFile(s.file);
    const std::string big(9000, 'x');
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string shows;
    };
    const Case cases[] = {
        {{s.Url("/")}, 200, "charset=windows-1252"},
        {{s.Url("/kelto/kelto.txt")}, 401, "WWW-Authenticate: Basic"},
        {{"-u", "nomen:wrongpw", s.Url("/kelto/kelto.txt")}, 401, "WWW-Authenticate: Basic"},
        {{"-u", "other:" + ServicePassword(), s.Url("/kelto/kelto.txt")}, 401, ""},
        {{"-u", Auth, s.Url("/kelto/kelto.txt")}, 200, "Content-Length: " + std::to_string(before.size())},
        {{"-u", Auth, s.Url("/kelto/kelto.txt")}, 200, "Last-Modified: "},
        {{"-u", Auth, "-I", s.Url("/kelto/kelto.txt")}, 200, "Connection: close"},
        {{"-u", Auth, "--http1.1", s.Url("/")}, 200, "Connection: close"},
        {{"-u", Auth, "--request-target", s.Url("/kelto/kelto.txt"), s.Url("/")}, 200, "text/plain"},
        {{"-u", Auth, "--path-as-is", s.Url("/kelto/../kelto/kelto.txt")}, 404, ""},
        {{"-u", Auth, "--path-as-is", s.Url("/kelto/%2e%2e/%2e%2e/etc/passwd")}, 404, ""},
        {{"-u", Auth, s.Url("/kelto%2Fkelto.txt")}, 404, ""},
        {{"-u", Auth, s.Url("/kelto.txt")}, 404, ""},
        {{"-u", Auth, "-X", "POST", s.Url("/kelto/kelto.txt")}, 405, "Allow: GET, HEAD"},
        {{"-u", Auth, "-H", "X-Big: " + big, s.Url("/")}, 431, ""},
        {{"-u", Auth, s.Url("/" + std::string(70000, 'x'))}, 414, ""},
        {{"-u", Auth, s.Url("/" + big)}, 404, ""}, // a long target is no error by itself
        {{"-u", Auth, s.Url(Submission("a%0Db"))}, 400, ""},
        {{"-u", Auth, s.Url(Submission("a%0ab"))}, 400, ""},
        {{"-u", Auth, s.Url(Submission("a%00b"))}, 400, ""},
        {{"-u", Auth, s.Url(Submission("a%zz"))}, 400, ""},
        {{"-u", Auth, s.Url(Submission("a") + "&T3=1")}, 400, ""},
        {{"-u", Auth, s.Url("/kelto/addkelto.cgi?T1=a&T2=1")}, 400, ""},
        {{"-u", Auth, "-I", s.Url(Submission("checked"))}, 200, ""}, // HEAD stores nothing
        {{s.Url(Submission("anonymous"))}, 401, ""}};
    for (const Case& c : cases) {
        int status = 0;
        const std::string answer = Curl(c.args, status);
        EXPECT_EQ(status, c.status) << c.args.back().substr(0, 80);
        EXPECT_NE(answer.find(c.shows), std::string::npos) << c.shows;
    }
    EXPECT_EQ(ReadFile(s.file), before);
    EXPECT_EQ(s.Peer({"raw", "474152424147450d0a0d0a"}), "HTTP/1.0 400 Bad Request"); // GARBAGE
}

TEST(ServicePeers, FetchDownloadsAndSubmitsDirectlyAndThroughTinyproxy)
{
    Service s({"--demo", "50"});
    TempDir proxyDir;
    const int proxyPort = FreeTcpPort();
    const std::string d = proxyDir.Path();
    WriteFile(d + "/tinyproxy.conf", "Port " + std::to_string(proxyPort) + "\nListen 127.0.0.1\nTimeout 60\n"
                                                                           "Allow 127.0.0.1\nLogFile \"" +
                  d + "/tinyproxy.log\"\nPidFile \"" + d + "/tinyproxy.pid\"\n");
    RunCommand({"chmod", "777", d});
    Process proxy({FindProgram("tinyproxy"), "-d", "-c", d + "/tinyproxy.conf"}, d + "/stdout.log");
    ASSERT_TRUE(WaitForTcpPort(proxyPort));
    const std::string viaProxy = "127.0.0.1:" + std::to_string(proxyPort);

    std::string expected = ReadFile(s.file);
    for (const std::string& proxyArg : {std::string(), viaProxy}) {
        std::vector<std::string> route;
        if (!proxyArg.empty()) route = {"--proxy", proxyArg};
        const std::string name = proxyArg.empty() ? "direkt" : "proxy";
        std::vector<std::string> submit = route;
        submit.insert(submit.end(), {"-u", Auth, "-o", s.dir.File("reply"), s.Url(Submission(name))});
        EXPECT_EQ(Fetch(submit), "0") << name;
        expected += StoredSubmission(name);
        EXPECT_EQ(ReadFile(s.file), expected) << name;
        std::vector<std::string> download = route;
        download.insert(download.end(), {"-u", Auth, "-o", s.dir.File("got"), s.Url("/kelto/kelto.txt")});
        EXPECT_EQ(Fetch(download), "0") << name;
        EXPECT_EQ(ReadFile(s.dir.File("got")), expected) << name;
    }
    EXPECT_EQ(Fetch({"-o", s.dir.File("denied"), s.Url("/kelto/kelto.txt")}), "1");
}

TEST(ServicePeers, FiftyConcurrentSubmittersLeaveTenThousandWholeRecords)
{
    Service s;
    EXPECT_EQ(s.Peer({"flood", Auth, "50", "200"}), "10000");
    const std::string text = ReadFile(s.file);
    std::uint64_t records = 0;
    EXPECT_EQ(service::WholeRecordsEnd(text.data(), text.size(), &records), text.size());
    EXPECT_EQ(records, 10000u);
    std::set<std::string> names;
    std::istringstream in(text);
    std::string line;
    for (int n = 0; std::getline(in, line); ++n) {
        ASSERT_EQ(line.back(), '\r');
        if (n % 14 == 0)
            names.insert(line);
        else
            ASSERT_EQ(line, "v" + std::to_string(n % 14 + 1) + " \xE4\r");
    }
    EXPECT_EQ(names.size(), 10000u);
}

TEST(ServicePeers, KillDuringSubmissionsKeepsEveryAnsweredAdAndWholeRecords)
{
    TempDir keep;
    const std::string file = keep.File("kelto.txt");
    const std::string answered = keep.File("answered");
    {
        Service s({}, file);
        Process stream({Python(), SourceDir() + "/tests/service/peer.py", "stream", std::to_string(s.port),
                        Auth, answered});
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        ::kill(s.process.Pid(), SIGKILL);
        s.process.Wait(std::chrono::milliseconds(5000));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    const std::string text = ReadFile(file);
    std::uint64_t records = 0;
    EXPECT_EQ(service::WholeRecordsEnd(text.data(), text.size(), &records), text.size());
    std::istringstream in(ReadFile(answered));
    std::string name;
    int count = 0;
    for (; std::getline(in, name); ++count)
        EXPECT_NE(text.find(name + "\r\n"), std::string::npos) << name;
    EXPECT_GT(count, 10);
    EXPECT_GE(records, static_cast<std::uint64_t>(count));

    // A torn tail left by another writer is cut back at the next start, with a word.
    WriteFile(file, text + "half a record\r\n0\r\n");
    Service again({}, file);
    EXPECT_EQ(ReadFile(file), text);
    EXPECT_NE(ReadFile(again.dir.File("service.log")).find("torn record"), std::string::npos);
}

TEST(ServicePeers, StalledClientIsDroppedAfterTheTimeoutWhileOthersAreServed)
{
    Service s({"--timeout", "1"});
    std::string stalled;
    std::thread t([&] { stalled = s.Peer({"half"}); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    int status = 0;
    const std::string answer = Curl({"-u", Auth, s.Url("/kelto/kelto.txt")}, status);
    EXPECT_EQ(status, 200);
    EXPECT_EQ(answer.find("Content-Length: 0"), answer.rfind("Content-Length")); // the empty database, once
    t.join();
    const double seconds = std::atof(stalled.c_str());
    EXPECT_GT(seconds, 0.5) << stalled;
    EXPECT_LT(seconds, 5.0) << stalled;
}

TEST(ServicePeers, ResetClientsAreNoErrorsAndTheServiceRestartsOnItsPortAtOnceOrSaysWhyNot)
{
    Service s;
    s.Peer({"resets", "200"});
    int status = 0;
    Curl({s.Url("/")}, status); // closed by the service first: its side waits in TIME_WAIT
    EXPECT_EQ(status, 200);
    EXPECT_EQ(s.process.Stop(), 0);
    EXPECT_EQ(ReadFile(s.dir.File("service.log")).find("Error"), std::string::npos);
    const std::string bin = BinDir() + "/zuneigo-service", port = std::to_string(s.port);
    Process again({bin, "--port", port, "--data", s.file}, s.dir.File("again.log"));
    ASSERT_TRUE(WaitForTcpPort(s.port));
    for (const std::string bind : {"127.0.0.1", "10.0.0.99", "nonsense"}) {
        std::string out;
        EXPECT_EQ(RunCommand({bin, "--bind", bind, "--port", port, "--data", s.file}, &out), 1) << bind;
        EXPECT_EQ(out.find("zuneigo-service: cannot listen on " + bind + ":" + port + ": "), 0u) << out;
    }
}
