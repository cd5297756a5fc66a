// A request that receives nothing for the idle limit is given up; one that keeps receiving,
// however slowly, is not.
#include "app/client/ServiceClient.h"
#include "tests/http/HttpPeers.h"

#include <gtest/gtest.h>

using namespace zuneigo;
using namespace zuneigo::test;

namespace {

struct ShortLimit {
    ShortLimit() { SetRequestIdleLimit(std::chrono::milliseconds(600)); }
    ~ShortLimit() { SetRequestIdleLimit(RequestIdleTimeout); }
};

} // namespace

TEST(RequestWatch, GivesUpOnlyAfterTheLimitWithoutReceiving)
{
    ShortLimit limit;
    std::vector<PeerStep> trickle = {Recv(), Send("HTTP/1.0 200 OK\r\n")};
    for (int i = 0; i < 6; ++i) {
        trickle.push_back(Sleep(0.2));
        trickle.push_back(Send(i == 0 ? "\r\n" : "Zeile\r\n"));
    }
    const struct {
        const char* what;
        std::vector<PeerStep> steps;
        bool timesOut;
    } rows[] = {{"silent in the middle of the body", {Recv(), Send("HTTP/1.0 200 OK\r\n\r\nZeile\r\n"), Hold()}, true},
                {"a piece every 200 ms for 1.2 s", trickle, false}};
    THttpCli cli;
    ApplyServiceSettings(cli);
    for (const auto& row : rows) {
        ScriptedPeer server({row.steps});
        AdDatabase db;
        bool timedOut = false;
        try {
            FetchDatabase(cli, server.Url("/kelto/kelto.txt"), "", db);
        } catch (const ERequestTimedOut& e) {
            timedOut = true;
            EXPECT_STREQ(e.what(), "nothing received for 600 ms");
        }
        EXPECT_EQ(timedOut, row.timesOut) << row.what;
        EXPECT_EQ(cli.RequestState(), hsReady) << row.what;
        EXPECT_EQ(db.Count(), timedOut ? 0u : 5u) << row.what;
    }
}
