// deps: zuneigo_core zuneigo_base
// Splits arbitrary bytes into lines three ways (copied from a stream, taken over from a
// stream, appended in two pieces) and checks each against the plain line break rules.
#include "app/core/AdDatabase.h"
#include "base/Stream.h"
#include "fuzz/PlainAds.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Check(const zuneigo::AdDatabase& db, const std::vector<std::string>& expected)
{
    if (db.Count() != expected.size() || db.RecordCount() != expected.size() / zuneigo::AdFieldCount)
        std::abort();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (db.Line(i) != expected[i])
            std::abort();
    }
    if (db.Lines() != expected)
        std::abort();
    for (std::size_t k = 0; k < db.RecordCount(); ++k) {
        const auto record = db.Record(k);
        for (std::size_t i = 0; i < record.size(); ++i) {
            if (record[i] != expected[k * zuneigo::AdFieldCount + i])
                std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto expected = zuneigo::plain::Lines(text);

    zuneigo::TMemoryStream stream;
    stream.WriteBuffer(text.data(), text.size());
    zuneigo::AdDatabase copied;
    zuneigo::StreamToLines(copied, stream);
    Check(copied, expected);

    zuneigo::AdDatabase taken;
    zuneigo::StreamToLines(taken, std::move(stream));
    Check(taken, expected);

    // Two pieces give the lines of each piece, one after the other.
    const std::size_t cut = size == 0 ? 0 : data[0] % (size + 1);
    zuneigo::AdDatabase pieces;
    pieces.AppendText(text.substr(0, cut));
    pieces.AppendText(text.substr(cut));
    Check(pieces, zuneigo::plain::LinesInPieces(text, cut));
    return 0;
}
