#include "base/Exception.h"
#include "base/Stream.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace zuneigo;

TEST(MemoryStream, WritesReadsAndSeeks)
{
    TMemoryStream s;
    s.WriteString("hello world");
    EXPECT_EQ(s.Size(), 11);
    EXPECT_EQ(s.Position(), 11);
    s.SetPosition(6);
    char buf[16] = {};
    EXPECT_EQ(s.Read(buf, sizeof buf), 5u);
    EXPECT_EQ(std::string(buf, 5), "world");
    EXPECT_EQ(s.Read(buf, 1), 0u);
    EXPECT_EQ(s.Seek(-5, SeekOrigin::End), 6);
    s.WriteString("there!");
    EXPECT_EQ(s.ToString(), "hello there!");
}

TEST(MemoryStream, SeekPastEndThenWriteFillsWithZeros)
{
    TMemoryStream s;
    s.Seek(3, SeekOrigin::Begin);
    s.WriteString("x");
    EXPECT_EQ(s.ToString(), std::string("\0\0\0x", 4));
    EXPECT_EQ(s.Seek(-100, SeekOrigin::Current), 0);
}

TEST(MemoryStream, ReadBufferRaisesOnShortRead)
{
    TMemoryStream s;
    s.WriteString("abc");
    s.SetPosition(0);
    char buf[4];
    EXPECT_THROW(s.ReadBuffer(buf, 4), EReadError);
}

TEST(FileStream, RoundTripsAndReportsSize)
{
    const test::TempDir dir;
    const std::string path = dir.File("stream");
    {
        TFileStream f(path, TFileStream::fmCreate);
        f.WriteString("line1\nline2\n");
        EXPECT_EQ(f.Size(), 12);
    }
    {
        TFileStream f(path, TFileStream::fmOpenRead);
        f.Seek(6, SeekOrigin::Begin);
        char buf[6];
        f.ReadBuffer(buf, 6);
        EXPECT_EQ(std::string(buf, 6), "line2\n");
        EXPECT_EQ(f.Position(), 12);
        // A read-only file takes nothing: the short write becomes the write error.
        EXPECT_THROW(f.WriteString("x"), EWriteError);
    }
}

TEST(FileStream, MissingFileRaisesOpenError)
{
    EXPECT_THROW(TFileStream("/nonexistent/dir/file", TFileStream::fmOpenRead), EFOpenError);
}

TEST(FileStream, FullDeviceGivesWriteError)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    TFileStream f("/dev/full", TFileStream::fmOpenWrite);
    EXPECT_THROW(f.WriteString("data"), EWriteError);
}
