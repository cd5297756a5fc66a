#include "AdText.h"
#include "app/core/AdDatabase.h"
#include "base/Stream.h"
#include "fuzz/PlainAds.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace zuneigo;
using zuneigo::test::AdLines;
using zuneigo::test::MakeAd;

namespace {

std::vector<std::string> Split(const std::string& text)
{
    TMemoryStream stream;
    stream.WriteString(text);
    AdDatabase db;
    StreamToLines(db, stream);
    const auto lines = db.Lines();
    EXPECT_EQ(db.RecordCount(), lines.size() / 14);
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(db.Line(i), lines[i]);
    return lines;
}

using Lines = std::vector<std::string>;

} // namespace

TEST(StreamToLines, BreakRules)
{
    const std::pair<std::string, Lines> cases[] = {
        // CR LF, a lone CR and a lone LF are each one break.
        {"A\r\nB\r\n", {"A", "B"}},
        {"A\nB", {"A", "B"}},
        {"A\rB", {"A", "B"}},
        {"A\rB\nC\r\nD", {"A", "B", "C", "D"}},
        // LF CR is two breaks with an empty line between.
        {"A\n\rB", {"A", "", "B"}},
        {"A\r\r\nB", {"A", "", "B"}},
        {"A\r\n\r\n", {"A", ""}},
        {"A\n\n", {"A", ""}},
        // No extra line after a final break, nothing from nothing.
        {"", {}},
        {"\r\n", {""}},
        {"\r", {""}},
        {"\n\r", {"", ""}},
        {"A", {"A"}},
        // Lines are kept unchanged.
        {std::string("  blanks  \r\n\t\x01\xE4\xFF\x00z\n", 19), {"  blanks  ", std::string("\t\x01\xE4\xFF\x00z", 6)}}};
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(Split(cases[i].first), cases[i].second) << "case " << i;
}

TEST(StreamToLines, AgreesWithThePlainRulesAcrossBlockBoundaries)
{
    // Breaks at every position around the 64-byte blocks the splitter works in, CR LF
    // pairs split across blocks, and long runs without any break.
    std::mt19937 random(7);
    const char alphabet[] = {'a', '\r', '\n', 'b', ' '};
    for (int round = 0; round < 3000; ++round) {
        const std::size_t length = random() % 300;
        const int breakWeight = static_cast<int>(random() % 5);
        std::string text;
        for (std::size_t i = 0; i < length; ++i) {
            const bool isBreak = static_cast<int>(random() % 8) < breakWeight;
            text += isBreak ? alphabet[1 + random() % 2] : alphabet[random() % 5 == 0 ? 3 : 0];
        }
        ASSERT_EQ(Split(text), plain::Lines(text)) << "round " << round;
    }
}

TEST(StreamToLines, ReadsTheWholeContentWhateverThePosition)
{
    TMemoryStream memory;
    memory.WriteString("A\r\nB\r\nC");
    memory.SetPosition(4);
    AdDatabase db;
    StreamToLines(db, memory);
    EXPECT_EQ(db.Lines(), (Lines{"A", "B", "C"}));
    EXPECT_EQ(memory.Position(), 4);

    zuneigo::test::TempDir dir;
    zuneigo::test::WriteFile(dir.File("ads.txt"), "X\nY\r\n");
    TFileStream file(dir.File("ads.txt"), TFileStream::fmOpenRead);
    file.Seek(3, SeekOrigin::Begin);
    AdDatabase fromFile;
    StreamToLines(fromFile, file);
    EXPECT_EQ(fromFile.Lines(), (Lines{"X", "Y"}));
    EXPECT_EQ(file.Position(), 3);
}

TEST(StreamToLines, AppendsWithoutJoiningOntoThePreviousLastLine)
{
    // The caller empties the list; StreamToLines itself only appends.
    AdDatabase db;
    db.AppendText("A\r\nB");
    db.AppendText("C\n");
    EXPECT_EQ(db.Lines(), (Lines{"A", "B", "C"}));
    db.AppendText("\nD"); // previous text ended with a break: the new text starts afresh
    EXPECT_EQ(db.Lines(), (Lines{"A", "B", "C", "", "D"}));

    AdDatabase endsWithCr;
    endsWithCr.AppendText("A\r");
    endsWithCr.AppendText("\nB"); // the LF must not pair with the earlier CR
    EXPECT_EQ(endsWithCr.Lines(), (Lines{"A", "", "B"}));
    endsWithCr.AppendText("");
    EXPECT_EQ(endsWithCr.Count(), 3u);
}

TEST(StreamToLines, TakesOverAMemoryStreamsBytes)
{
    TMemoryStream stream;
    stream.WriteString("A\r\nB\r\n");
    AdDatabase db;
    StreamToLines(db, std::move(stream));
    EXPECT_EQ(db.Lines(), (Lines{"A", "B"}));
    EXPECT_EQ(stream.Size(), 0); // NOLINT(bugprone-use-after-move): the stream is left empty

    TMemoryStream more;
    more.WriteString("C");
    StreamToLines(db, std::move(more));
    EXPECT_EQ(db.Lines(), (Lines{"A", "B", "C"}));
}

TEST(AdDatabase, CountsWholeRecordsOnly)
{
    auto linesOf = [](int n) {
        std::string text;
        for (int i = 0; i < n; ++i)
            text += "line" + std::to_string(i) + "\r\n";
        return text;
    };
    for (const auto& [lines, records] : std::vector<std::pair<int, std::size_t>>{{0, 0}, {13, 0}, {14, 1}, {27, 1}, {28, 2}, {29, 2}}) {
        AdDatabase db;
        db.AppendText(linesOf(lines));
        EXPECT_EQ(db.Count(), static_cast<std::size_t>(lines));
        EXPECT_EQ(db.RecordCount(), records) << lines << " lines";
    }
    AdDatabase db;
    db.AppendText(linesOf(27));
    EXPECT_EQ(db.Field(0, 13), "line13");
    EXPECT_EQ(db.Line(26), "line26"); // lines after the last record stay in the list
    EXPECT_THROW(db.RecordText(1), EListError);
    EXPECT_THROW(db.Line(27), EListError);
}

TEST(AdDatabase, FieldsStayAlignedAcrossPiecesEmptyFieldsAndMixedBreaks)
{
    auto first = MakeAd("1", "0", "30", "10", "", "");
    auto second = MakeAd("0", "1", "31", "11", "21", "Berta");
    AdDatabase db;
    db.AppendText(AdLines(first, "\n").substr(0, 20));
    db.Clear();
    EXPECT_EQ(db.Count(), 0u);
    // Appended in pieces that end mid-record, so the record index must carry on.
    const std::string firstText = AdLines(first, "\n");
    const std::size_t cut = firstText.find("30\n") + 3;
    db.AppendText(firstText.substr(0, cut));
    db.AppendText(firstText.substr(cut));
    db.AppendText(AdLines(second, "\r") + "extra\r\n");
    ASSERT_EQ(db.Count(), 29u);
    ASSERT_EQ(db.RecordCount(), 2u);
    const auto record0 = db.Record(0);
    const auto record1 = db.Record(1);
    for (int i = 0; i < AdFieldCount; ++i) {
        const auto f = static_cast<std::size_t>(i);
        EXPECT_EQ(db.Field(0, i), first[f]) << i;
        EXPECT_EQ(db.Field(1, i), second[f]) << i;
        EXPECT_EQ(record0[f], first[f]) << i;
        EXPECT_EQ(record1[f], second[f]) << i;
    }
    EXPECT_THROW(db.Record(2), EListError);
    EXPECT_EQ(db.Line(28), "extra");
    db.AppendText(db.Line(14)); // a view into the database itself
    EXPECT_EQ(db.Line(29), "Berta");
}

TEST(AdDatabase, HoldsTheTextOnceWithASmallIndex)
{
    std::string text;
    for (int k = 0; k < 2000; ++k)
        text += AdLines(MakeAd("1", "0", std::to_string(18 + k % 60), "10", "20"));
    AdDatabase db;
    db.AppendBytes(std::vector<char>(text.begin(), text.end()));
    EXPECT_EQ(db.RecordCount(), 2000u);
    // A string per line would cost more than 28000 * 32 bytes on top.
    EXPECT_LE(db.MemoryUsage(), text.size() + 2000 * 24 * 2);
}

namespace {

// Records of short fields the search reads (flags, numbers, junk, empty) with every kind
// of break, so record starts, summaries and CR LF pairs fall on both sides of the point
// where a two-thread load splits the text.
std::string RandomAdText(std::mt19937& random, std::size_t fields)
{
    const char* values[] = {"0", "1", "7", "25", "-4", "130", "x", "", "1 ", "99999", "$1F"};
    const char* breaks[] = {"\r\n", "\n", "\r"};
    std::string text;
    for (std::size_t i = 0; i < fields; ++i)
        text += std::string(values[random() % std::size(values)]) + breaks[random() % std::size(breaks)];
    if (!text.empty() && random() % 2)
        text.pop_back(); // maybe no final break, or a CR LF cut to a lone CR
    return text;
}

struct LoadSettings {
    LoadSettings(std::size_t parallelFrom, std::size_t scanWidth)
    {
        AdDatabase::ParallelLoadMin = parallelFrom;
        AdDatabase::LoadJobBytes = 7; // many stretches, most shorter than a record
        AdDatabase::ScanWidthLimit = scanWidth;
    }
    ~LoadSettings()
    {
        AdDatabase::ParallelLoadMin = parallel;
        AdDatabase::LoadJobBytes = jobBytes;
        AdDatabase::ScanWidthLimit = width;
    }
    std::size_t parallel = AdDatabase::ParallelLoadMin;
    std::size_t jobBytes = AdDatabase::LoadJobBytes;
    std::size_t width = AdDatabase::ScanWidthLimit;
};

} // namespace

TEST(StreamToLines, TwoThreadLoadAgreesWithThePlainRulesWithEveryScanner)
{
    std::mt19937 random(11);
    const SearchCriteria wide{.SearcherIsMan = true, .SearcherSeeksMan = false, .VonAge = -10, .BisAge = 200, .UmKreis = 1000, .Position = {0, 0}};
    for (int round = 0; round < 3000; ++round) {
        const LoadSettings settings(0, std::size_t{128} << (round % 3));
        const std::string text = RandomAdText(random, random() % 80);
        AdDatabase db;
        db.AppendBytes(std::vector<char>(text.begin(), text.end()));
        const auto lines = plain::Lines(text);
        ASSERT_EQ(db.Lines(), lines) << "round " << round;
        ASSERT_EQ(SearchAds(db, wide), plain::Search(lines, wide)) << "round " << round;

        // Appended in two pieces, the second loaded by two threads onto a partial record.
        const std::size_t cut = random() % (text.size() + 1);
        AdDatabase pieces;
        pieces.AppendText(std::string_view(text).substr(0, cut));
        pieces.AppendText(std::string_view(text).substr(cut));
        const auto pieceLines = plain::LinesInPieces(text, cut);
        ASSERT_EQ(pieces.Lines(), pieceLines) << "round " << round;
        ASSERT_EQ(SearchAds(pieces, wide), plain::Search(pieceLines, wide)) << "round " << round;
    }
}
