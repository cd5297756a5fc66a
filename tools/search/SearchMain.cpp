// zuneigo-search: the partner search without the window, for scripts and for checking a
// database.
#include "SearchOptions.h"

#include "app/client/ServiceClient.h"
#include "app/core/Cp1252.h"
#include "app/core/ResultColumns.h"
#include "base/Stream.h"

#include <cstdio>

using namespace zuneigo;
using namespace zuneigo::search;

namespace {

void Say(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
}

// The rows in list order, cells separated by tabs, in UTF-8.
bool WriteRows(const ResultRows& rows)
{
    std::string out;
    for (std::size_t r = 0; r < rows.Count(); ++r) {
        const ResultCells cells = rows.Cells(r);
        for (int c = 0; c < ResultColumnCount; ++c) {
            if (c > 0)
                out += '\t';
            out += Cp1252ToUtf8(cells[static_cast<std::size_t>(c)]);
        }
        out += '\n';
        if (out.size() >= (1 << 16) || r + 1 == rows.Count()) {
            if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size())
                return false;
            out.clear();
        }
    }
    return std::fflush(stdout) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    SearchOptions o;
    try {
        o = ParseSearchOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        Say("zuneigo-search: " + e.message);
        std::fputs(SearchHelp, stderr);
        return 2;
    }
    if (o.help) {
        std::fputs(SearchHelp, stdout);
        return 0;
    }

    AdDatabase db;
    if (o.source.rfind("http://", 0) == 0) {
        try {
            THttpCli cli;
            ApplyServiceSettings(cli);
            FetchDatabase(cli, o.source, o.proxy, db);
        } catch (const std::exception& e) {
            Say(std::string("zuneigo-search: ") + e.what());
            return 1;
        }
    } else {
        try {
            TFileStream file(o.source, TFileStream::fmOpenRead);
            StreamToLines(db, file);
        } catch (const std::exception& e) {
            Say(std::string("zuneigo-search: ") + e.what());
            return 3;
        }
    }

    const ResultRows rows(db, o.criteria);
    if (!WriteRows(rows)) {
        Say("zuneigo-search: cannot write the result");
        return 3;
    }
    Say(Cp1252ToUtf8(SearchDoneText(rows.Count())));
    return 0;
}
