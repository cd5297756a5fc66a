// deps: zuneigo_gif zuneigo_base
// Reads arbitrary bytes as a GIF picture and decodes every frame, with damaged data
// tolerated and refused (the first byte chooses).
#include "base/Exception.h"
#include "ui/gif/GIFImage.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // Frames up to 512 x 512 pixels: larger ones only cost allocation time, their handling is
    // the same code.
    zuneigo::TGIFBitmap::SetMaxPixels(std::size_t(1) << 18);
    zuneigo::TGIFImage::SetTolerateDamagedData((data[0] & 1) == 0);
    zuneigo::TGIFImage image;
    try {
        image.LoadFromBuffer(data + 1, size - 1);
        unsigned sum = 0;
        for (const zuneigo::TGIFFrame& frame : image.Frames()) {
            const zuneigo::TGIFBitmap& bitmap = frame.Bitmap();
            if (bitmap.Size() != 0)
                sum += bitmap.Bits()[0] + bitmap.Bits()[bitmap.Size() - 1];
            (void)frame.Delay();
        }
        (void)image.Transparent();
        (void)sum;
    } catch (const zuneigo::Exception&) {
    }
    return 0;
}
