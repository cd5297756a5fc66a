#include "app/gui/Pictures.h"

#include "ui/gif/GIFImage.h"
#include "ui/widgets/GifToQImage.h"

#include <QFile>

namespace zuneigo {

QImage LoadPicture(const QString& name)
{
    QFile file(QStringLiteral(":/pictures/") + name);
    if (!file.open(QIODevice::ReadOnly)) return QImage();
    const QByteArray bytes = file.readAll();
    try {
        TGIFImage gif;
        gif.LoadFromBuffer(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        // Pictures with a transparent colour show the background around them.
        gif.SetTransparent(true);
        return GifToQImage(gif);
    } catch (const std::exception&) {
        return QImage();
    }
}

} // namespace zuneigo
