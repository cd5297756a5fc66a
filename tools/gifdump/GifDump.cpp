// zuneigo-gifdump: reads a GIF picture with the program's reader, describes it on standard
// error and writes frame 0 as a PPM (colours) or PGM (palette indices).
#include "base/Exception.h"
#include "ui/gif/GIFImage.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

using namespace zuneigo;

namespace {

const char* const Usage = "usage: zuneigo-gifdump [--indices] [--strict] FILE [OUT]";

const char* const Help =
    "usage: zuneigo-gifdump [--indices] [--strict] FILE [OUT]\n"
    "\n"
    "Reads the GIF picture FILE the way the program reads its pictures (damaged data is\n"
    "tolerated unless --strict is given) and describes it on standard error:\n"
    "\n"
    "  version: 87a|89a\n"
    "  screen: WIDTHxHEIGHT bits=N                 logical screen, bits of its colours\n"
    "  frames: N\n"
    "  frame: left=L top=T width=W height=H interlaced=0|1 depth=D corrupted=0|1\n"
    "         transparent=R,G,B|none delay=MS disposal=N   (one line, frame 0 only)\n"
    "  loop: N|none                                loop count of an animation\n"
    "  comment: TEXT                               one line per comment line\n"
    "\n"
    "depth is the frame's bits per colour (1 to 8); its bitmap holds 1, 4 or 8 bits per pixel.\n"
    "Frame 0 is written to OUT (standard output when OUT is missing) as a binary PPM (P6) of\n"
    "its palette colours, or with --indices as a binary PGM (P5) of its palette indices masked\n"
    "to the bitmap depth. A picture without frames writes no image.\n"
    "\n"
    "Options:\n"
    "  --indices   write palette indices (P5) instead of colours (P6)\n"
    "  --strict    do not tolerate damaged data: it raises instead\n"
    "  --help      show this text\n"
    "\n"
    "Exit status: 0 success; 1 the picture could not be read or the image not written\n"
    "(\"zuneigo-gifdump: MESSAGE\" on standard error); 2 usage error.\n";

int UsageError(const std::string& why)
{
    std::fprintf(stderr, "zuneigo-gifdump: %s\n%s\n", why.c_str(), Usage);
    return 2;
}

std::string Describe(const TGIFImage& image)
{
    std::string s;
    char line[512];
    std::snprintf(line, sizeof line, "version: %s\nscreen: %dx%d bits=%d\nframes: %zu\n", image.VersionText().c_str(), image.Width(),
                  image.Height(), image.BitsPerPixel(), image.FrameCount());
    s += line;
    if (!image.Empty()) {
        const TGIFFrame& f = image.Frame(0);
        char transparent[32] = "none";
        if (f.HasTransparentColor()) {
            const TGIFColor c = f.TransparentColor();
            std::snprintf(transparent, sizeof transparent, "%d,%d,%d", c.R, c.G, c.B);
        }
        std::snprintf(line, sizeof line,
                      "frame: left=%d top=%d width=%d height=%d interlaced=%d depth=%d corrupted=%d transparent=%s delay=%d disposal=%d\n",
                      f.Left(), f.Top(), f.Width(), f.Height(), f.Interlaced() ? 1 : 0, f.BitsPerPixel(), f.Corrupted() ? 1 : 0,
                      transparent, f.Delay(), f.Disposal());
        s += line;
    }
    if (image.Looping())
        s += "loop: " + std::to_string(image.LoopCount()) + "\n";
    else
        s += "loop: none\n";
    for (const std::string& c : image.Comment())
        s += "comment: " + c + "\n";
    return s;
}

std::string Render(const TGIFBitmap& bitmap, bool indices)
{
    const int w = bitmap.Width();
    const int h = bitmap.Height();
    std::string out = (indices ? "P5\n" : "P6\n") + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    const std::size_t header = out.size();
    out.resize(header + static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * (indices ? 1 : 3));
    char* p = out.data() + header;
    const TGIFColorTable& palette = bitmap.Palette();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int index = bitmap.Pixel(x, y);
            if (indices) {
                *p++ = static_cast<char>(index);
            } else {
                const TGIFColor c = palette[static_cast<std::size_t>(index)];
                *p++ = static_cast<char>(c.R);
                *p++ = static_cast<char>(c.G);
                *p++ = static_cast<char>(c.B);
            }
        }
    }
    return out;
}

bool WriteAll(std::FILE* f, const std::string& data)
{
    return std::fwrite(data.data(), 1, data.size(), f) == data.size();
}

} // namespace

int main(int argc, char** argv)
{
    bool indices = false;
    bool strict = false;
    bool optionsDone = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!optionsDone && arg == "--help") {
            std::fputs(Help, stdout);
            return 0;
        }
        if (!optionsDone && arg == "--indices")
            indices = true;
        else if (!optionsDone && arg == "--strict")
            strict = true;
        else if (!optionsDone && arg == "--")
            optionsDone = true;
        else if (!optionsDone && arg.size() > 1 && arg[0] == '-')
            return UsageError("unknown option " + arg);
        else
            files.push_back(arg);
    }
    if (files.empty())
        return UsageError("missing FILE");
    if (files.size() > 2)
        return UsageError("too many arguments");

    TGIFImage::SetTolerateDamagedData(!strict);
    TGIFImage image;
    std::string imageBytes;
    try {
        image.LoadFromFile(files[0]);
        if (!image.Empty())
            imageBytes = Render(image.Frame(0).Bitmap(), indices);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zuneigo-gifdump: %s\n", e.what());
        return 1;
    }
    const std::string description = Describe(image);
    std::fwrite(description.data(), 1, description.size(), stderr);
    if (image.Empty())
        return 0;

    if (files.size() == 2) {
        std::FILE* f = std::fopen(files[1].c_str(), "wb");
        if (!f) {
            std::fprintf(stderr, "zuneigo-gifdump: cannot write %s: %s\n", files[1].c_str(), std::strerror(errno));
            return 1;
        }
        const bool ok = WriteAll(f, imageBytes);
        if (std::fclose(f) != 0 || !ok) {
            std::fprintf(stderr, "zuneigo-gifdump: cannot write %s\n", files[1].c_str());
            return 1;
        }
    } else if (!WriteAll(stdout, imageBytes) || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "zuneigo-gifdump: cannot write the image\n");
        return 1;
    }
    return 0;
}
