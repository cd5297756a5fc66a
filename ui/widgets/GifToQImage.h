#pragma once
// Draws a GIF picture for Qt: its current frame (frame 0 after reading) as a QImage.
#include "ui/gif/GIFImage.h"

#include <QImage>

class QPainter;
class QRect;

namespace zuneigo {

// The current frame's bitmap in its palette colours. When the picture counts as transparent
// (marked so, and a frame has a transparent colour), the pixels of the frame's transparent
// colour are left out (alpha 0). A picture without frames gives a null QImage.
QImage GifToQImage(const TGIFImage& image);

// Draws the picture's current frame stretched into the target rectangle, leaving out the
// transparent colour as GifToQImage does.
void DrawGif(QPainter& painter, const QRect& target, const TGIFImage& image);

// One frame's bitmap; leaveOut says whether its transparent colour is left out.
QImage GifFrameToQImage(const TGIFFrame& frame, bool leaveOut);

} // namespace zuneigo
