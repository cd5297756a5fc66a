#include "PilPicture.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace zuneigo::test {

namespace {

// Writes "width height frames transparent\n", the indices, then the RGB triples.
const char* const kDumpScript = R"(
import sys
from PIL import Image
im = Image.open(sys.argv[1])
frames = getattr(im, 'n_frames', 1)
im.seek(0)
im.load()
if im.mode != 'P':
    sys.exit('not a palette picture: ' + im.mode)
t = im.info.get('transparency')
with open(sys.argv[2], 'wb') as out:
    out.write(b'%d %d %d %d\n' % (im.width, im.height, frames, -1 if t is None else t))
    out.write(im.tobytes())
    out.write(im.convert('RGB').tobytes())
)";

} // namespace

PilPicture DecodeWithPil(const std::string& path)
{
    TempDir dir;
    const std::string dump = dir.File("dump");
    std::string output;
    const int status = RunCommand({Python(), "-c", kDumpScript, path, dump}, &output);
    PilPicture picture;
    EXPECT_EQ(status, 0) << path << ": " << output;
    if (status != 0) {
        return picture;
    }
    const std::string data = ReadFile(dump);
    const auto newline = data.find('\n');
    std::istringstream header(data.substr(0, newline));
    header >> picture.Width >> picture.Height >> picture.Frames >> picture.Transparent;
    const std::size_t pixels = static_cast<std::size_t>(picture.Width) * picture.Height;
    if (newline == std::string::npos || data.size() != newline + 1 + pixels * 4) {
        ADD_FAILURE() << path << ": PIL's dump has " << data.size() << " bytes";
        return PilPicture{};
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data()) + newline + 1;
    picture.Index.assign(bytes, bytes + pixels);
    picture.Colour.resize(pixels);
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint8_t* p = bytes + pixels + 3 * i;
        picture.Colour[i] = Rgb{p[0], p[1], p[2]};
    }
    return picture;
}

} // namespace zuneigo::test
