// zuneigo-service and its data file: the operator truncates, replaces or deletes it while
// the service runs; submissions share flushes; a long ad fits in one request line.
#include "service/AdStore.h"
#include "tests/service/ServiceFixture.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace zuneigo;
using namespace zuneigo::test;

namespace {

std::string Get(const Service& s, const std::string& path)
{
    int status = 0;
    const std::string answer = Curl({"-u", Auth, s.Url(path)}, status);
    return std::to_string(status) + " " + answer;
}

bool Has(const std::string& text, const std::string& what)
{
    return text.find(what) != std::string::npos;
}

} // namespace

TEST(ServiceDataFile, TheServiceFollowsItsPathWhenTheOperatorChangesTheFile)
{
    Service s({"--demo", "20"});
    const auto homeCount = [&](int n) { return "enth\xE4lt zur Zeit " + std::to_string(n) + " Anzeigen"; };
    EXPECT_TRUE(Has(Get(s, "/"), homeCount(20)));

    WriteFile(s.file, ""); // truncated in place
    EXPECT_TRUE(Has(Get(s, "/"), homeCount(0)));
    EXPECT_TRUE(Has(Get(s, "/kelto/kelto.txt"), "Content-Length: 0\r\n"));
    EXPECT_EQ(Get(s, Submission("gekuerzt")).substr(0, 4), "200 ");
    EXPECT_EQ(ReadFile(s.file), StoredSubmission("gekuerzt"));

    // Replaced by a rename: the new file is the database from now on.
    const std::string replaced = StoredSubmission("a") + StoredSubmission("b") + "torn\r\n";
    WriteFile(s.dir.File("new"), replaced);
    ASSERT_EQ(std::rename(s.dir.File("new").c_str(), s.file.c_str()), 0);
    EXPECT_TRUE(Has(Get(s, "/"), homeCount(2)));
    EXPECT_EQ(Get(s, Submission("ersetzt")).substr(0, 4), "200 ");
    const std::string expected = StoredSubmission("a") + StoredSubmission("b") + StoredSubmission("ersetzt");
    EXPECT_EQ(ReadFile(s.file), expected);
    EXPECT_TRUE(Has(Get(s, "/kelto/kelto.txt"), "\r\n\r\n" + expected));

    // Deleted: created again, as at a start.
    ASSERT_EQ(std::remove(s.file.c_str()), 0);
    EXPECT_EQ(Get(s, Submission("geloescht")).substr(0, 4), "200 ");
    EXPECT_EQ(ReadFile(s.file), StoredSubmission("geloescht"));
    EXPECT_TRUE(Has(Get(s, "/"), homeCount(1)));
}

TEST(ServiceDataFile, ConcurrentSubmissionsShareFlushesAndAFailedWriteIsRefused)
{
    {
        Service s;
        EXPECT_EQ(s.Peer({"flood", Auth, "32", "20"}), "640");
        EXPECT_EQ(s.process.Stop(), 0);
        const std::string log = s.Log();
        const auto at = log.find("stopped; ");
        ASSERT_NE(at, std::string::npos) << log;
        unsigned stored = 0, flushes = 0;
        ASSERT_EQ(std::sscanf(log.c_str() + at, "stopped; %u ads stored with %u flushes", &stored, &flushes), 2);
        EXPECT_EQ(stored, 640u);
        EXPECT_LT(flushes, 640u);
        std::uint64_t records = 0;
        const std::string text = ReadFile(s.file);
        EXPECT_EQ(service::WholeRecordsEnd(text.data(), text.size(), &records), text.size());
        EXPECT_EQ(records, 640u);
    }
    // A disk that takes nothing: every ad of the batch is refused, none acknowledged.
    Service full({}, "/dev/full");
    EXPECT_EQ(full.Peer({"flood", Auth, "4", "3"}), "0");
    EXPECT_EQ(Get(full, Submission("voll")).substr(0, 4), "503 ");
}

TEST(ServiceDataFile, ALongAdFitsInOneRequestLine)
{
    Service s;
    const std::string text(60000, 'l');
    EXPECT_EQ(Get(s, Submission(text)).substr(0, 4), "200 ");
    EXPECT_EQ(ReadFile(s.file), StoredSubmission(text));
    EXPECT_EQ(Get(s, Submission(text + std::string(6000, 'l'))).substr(0, 4), "414 ");
}
