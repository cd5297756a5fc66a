// bench_database generate DB.txt TABLE.tsv [COUNT]
//     writes COUNT ads (default 1000000) as the service's database text (CR LF lines) and
//     the same ads as tab-separated rows for an SQL table.
// bench_database measure DB.txt [REPEAT]
//     loads the database as the client does after a download and searches it; prints
//     key=value lines (times in milliseconds, best of REPEAT runs, default 5).
#include "AdGenerator.h"
#include "app/core/AdDatabase.h"
#include "app/core/AdSearch.h"
#include "base/Stream.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <time.h>

using namespace zuneigo;

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

// Processor time of this process in ms: unlike the wall clock, not stretched when other
// processes hold the processors.
double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// A /proc/self/status value in bytes ("VmRSS", "VmHWM").
long long StatusBytes(const std::string& key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key + ":", 0) == 0)
            return std::stoll(line.substr(key.size() + 1)) * 1024;
    }
    return -1;
}

TMemoryStream ReadWhole(const std::string& path)
{
    TFileStream file(path, TFileStream::fmOpenRead);
    TMemoryStream memory;
    memory.SetSize(static_cast<std::size_t>(file.Size()));
    file.ReadBuffer(memory.Memory(), static_cast<std::size_t>(file.Size()));
    return memory;
}

// A man seeking a woman aged 25 to 45 within 150 km of the middle of the map.
const SearchCriteria BenchCriteria{
    .SearcherIsMan = true, .SearcherSeeksMan = false, .VonAge = 25, .BisAge = 45, .UmKreis = 150, .Position = {136, 120}};

int Generate(const std::string& textPath, const std::string& tablePath, long count)
{
    std::ofstream text(textPath, std::ios::binary);
    std::ofstream table(tablePath, std::ios::binary);
    bench::AdGenerator generator(20261208);
    for (long k = 0; k < count; ++k) {
        const AdValues ad = generator.Next();
        for (int i = 0; i < AdFieldCount; ++i) {
            text << ad[static_cast<std::size_t>(i)] << "\r\n";
            table << ad[static_cast<std::size_t>(i)] << (i + 1 < AdFieldCount ? '\t' : '\n');
        }
    }
    return text && table ? 0 : 1;
}

int Measure(const std::string& path, int repeat)
{
    const long long baseline = StatusBytes("VmRSS");
    double indexMs = 1e300;
    double indexCpuMs = 1e300;
    double fileMs = 1e300;
    double copyMs = 1e300;
    std::size_t records = 0;
    std::size_t lines = 0;
    std::size_t fileBytes = 0;
    long long peak = 0;
    std::size_t usage = 0;
    for (int run = 0; run < repeat; ++run) {
        const auto start = Clock::now();
        TMemoryStream stream = ReadWhole(path);
        fileBytes = static_cast<std::size_t>(stream.Size());
        const auto split = Clock::now();
        const double splitCpu = CpuMs();
        AdDatabase db;
        StreamToLines(db, std::move(stream));
        records = db.RecordCount();
        indexCpuMs = std::min(indexCpuMs, CpuMs() - splitCpu);
        indexMs = std::min(indexMs, Ms(split));
        fileMs = std::min(fileMs, Ms(start));
        lines = db.Count();
        if (run == 0) {
            peak = StatusBytes("VmHWM") - baseline;
            usage = db.MemoryUsage();
        }
    }
    for (int run = 0; run < repeat; ++run) {
        TMemoryStream stream = ReadWhole(path);
        const auto start = Clock::now();
        AdDatabase db;
        StreamToLines(db, stream);
        records = db.RecordCount();
        copyMs = std::min(copyMs, Ms(start));
    }

    AdDatabase db;
    StreamToLines(db, ReadWhole(path));
    double searchMs = 1e300;
    std::size_t matches = 0;
    for (int run = 0; run < repeat; ++run) {
        const auto start = Clock::now();
        matches = SearchAds(db, BenchCriteria).size();
        searchMs = std::min(searchMs, Ms(start));
    }

    std::printf("file_bytes=%zu\nlines=%zu\nrecords=%zu\n", fileBytes, lines, records);
    std::printf("load_index_cpu_ms=%.2f\n", indexCpuMs);
    std::printf("load_index_ms=%.2f\nload_copy_ms=%.2f\nload_file_ms=%.2f\n", indexMs, copyMs, fileMs);
    std::printf("peak_bytes=%lld\ndatabase_bytes=%zu\n", peak, usage);
    std::printf("search_ms=%.2f\nmatches=%zu\n", searchMs, matches);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "generate" && (argc == 4 || argc == 5))
        return Generate(argv[2], argv[3], argc == 5 ? std::stol(argv[4]) : 1000000);
    if (mode == "measure" && (argc == 3 || argc == 4))
        return Measure(argv[2], argc == 4 ? std::stoi(argv[3]) : 5);
    std::cerr << "usage: bench_database generate DB.txt TABLE.tsv [COUNT]\n"
                 "       bench_database measure DB.txt [REPEAT]\n";
    return 2;
}
