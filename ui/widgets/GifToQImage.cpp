#include "ui/widgets/GifToQImage.h"

#include <QPainter>
#include <QRect>

namespace zuneigo {

QImage GifFrameToQImage(const TGIFFrame& frame, bool leaveOut)
{
    const TGIFBitmap& bitmap = frame.Bitmap();
    if (bitmap.Width() <= 0 || bitmap.Height() <= 0)
        return QImage();
    const bool cut = leaveOut && frame.HasTransparentColor();
    const TGIFColor clear = frame.TransparentColor();

    // One ARGB value per palette entry; entries of the transparent colour are left out, so
    // every index that shows that colour disappears, as when the colour is keyed out.
    const TGIFColorTable& palette = bitmap.Palette();
    std::vector<QRgb> argb(palette.size());
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const TGIFColor c = palette[i];
        argb[i] = cut && c == clear ? qRgba(0, 0, 0, 0) : qRgb(c.R, c.G, c.B);
    }

    QImage out(bitmap.Width(), bitmap.Height(), cut ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (out.isNull())
        return out;
    for (int y = 0; y < bitmap.Height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < bitmap.Width(); ++x)
            line[x] = argb[static_cast<std::size_t>(bitmap.Pixel(x, y))];
    }
    return out;
}

QImage GifToQImage(const TGIFImage& image)
{
    const TGIFFrame* frame = image.CurrentFrame();
    if (!frame)
        return QImage();
    return GifFrameToQImage(*frame, image.Transparent());
}

void DrawGif(QPainter& painter, const QRect& target, const TGIFImage& image)
{
    const QImage picture = GifToQImage(image);
    if (!picture.isNull())
        painter.drawImage(target, picture);
}

} // namespace zuneigo
