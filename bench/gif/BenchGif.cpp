// Decoding speed of TGIFImage against giflib's DGifSlurp on the same bytes in memory.
// Usage: bench_gif [--seconds S] FILE...
// For each picture: the best time of a full read (parse and decode frame 0) over repeated
// runs, the rate in megapixels per second, and giflib's time divided by ours.
#include "ui/gif/GIFImage.h"

#include <gif_lib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

using namespace zuneigo;
using Clock = std::chrono::steady_clock;

namespace {

struct Memory {
    const std::string* bytes;
    std::size_t pos;
};

int ReadMemory(GifFileType* gif, GifByteType* buf, int len)
{
    auto* m = static_cast<Memory*>(gif->UserData);
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(len), m->bytes->size() - m->pos);
    std::memcpy(buf, m->bytes->data() + m->pos, n);
    m->pos += n;
    return static_cast<int>(n);
}

// Decodes with giflib; returns frame 0's indices (empty on failure).
std::vector<unsigned char> Giflib(const std::string& bytes, bool keep)
{
    Memory m{&bytes, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&m, ReadMemory, &error);
    std::vector<unsigned char> out;
    if (gif && DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0 && keep) {
        const SavedImage& s = gif->SavedImages[0];
        out.assign(s.RasterBits, s.RasterBits + static_cast<std::size_t>(s.ImageDesc.Width) * static_cast<std::size_t>(s.ImageDesc.Height));
    }
    if (gif)
        DGifCloseFile(gif, &error);
    return out;
}

// Best time of each of the two, run alternately so that a change in the machine's load
// falls on both alike.
template <typename A, typename B>
std::pair<double, double> BestSeconds(A a, B b, double budget)
{
    a(); // warm up
    b();
    double bestA = 1e30, bestB = 1e30;
    const auto start = Clock::now();
    for (int runs = 0; runs < 3 || (std::chrono::duration<double>(Clock::now() - start).count() < 2 * budget && runs < 1000); ++runs) {
        auto t0 = Clock::now();
        a();
        bestA = std::min(bestA, std::chrono::duration<double>(Clock::now() - t0).count());
        t0 = Clock::now();
        b();
        bestB = std::min(bestB, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return {bestA, bestB};
}

} // namespace

int main(int argc, char** argv)
{
    double budget = 3.0;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
            budget = std::atof(argv[++i]);
        else
            files.push_back(argv[i]);
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: bench_gif [--seconds S] FILE...\n");
        return 2;
    }
    std::printf("%-28s %11s %9s | %10s %9s | %10s %9s | %s\n", "picture", "pixels", "bytes", "TGIFImage", "Mpx/s", "DGifSlurp", "Mpx/s",
                "giflib time / ours");
    int rc = 0;
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        TGIFImage image;
        image.LoadFromBuffer(bytes.data(), bytes.size());
        if (image.Empty()) {
            std::fprintf(stderr, "%s: no frames\n", file.c_str());
            rc = 1;
            continue;
        }
        const TGIFBitmap& bm = image.Frame(0).Bitmap();
        const double pixels = static_cast<double>(bm.Width()) * bm.Height();

        // The two decoders must agree before their times mean anything.
        const std::vector<unsigned char> ref = Giflib(bytes, true);
        bool same = ref.size() == static_cast<std::size_t>(pixels);
        const int mask = (1 << bm.BitsPerPixel()) - 1;
        for (int y = 0; same && y < bm.Height(); ++y)
            for (int x = 0; same && x < bm.Width(); ++x)
                same = bm.Pixel(x, y) == (ref[static_cast<std::size_t>(y) * bm.Width() + x] & mask);
        if (!same) {
            std::fprintf(stderr, "%s: the decoders disagree\n", file.c_str());
            rc = 1;
            continue;
        }

        const auto [ours, theirs] = BestSeconds([&] { TGIFImage im; im.LoadFromBuffer(bytes.data(), bytes.size()); },
                                                [&] { Giflib(bytes, false); }, budget);
        std::string name = file.substr(file.find_last_of('/') + 1);
        char size[32];
        std::snprintf(size, sizeof size, "%dx%d", bm.Width(), bm.Height());
        std::printf("%-28s %11s %9zu | %8.2fms %9.1f | %8.2fms %9.1f | %.2f\n", name.c_str(), size, bytes.size(), ours * 1e3, pixels / ours / 1e6,
                    theirs * 1e3, pixels / theirs / 1e6, theirs / ours);
    }
    return rc;
}
