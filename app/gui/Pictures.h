#pragma once
// The program's pictures, built into the program and read by our GIF reader.
#include <QImage>
#include <QString>

namespace zuneigo {

// name is a file of resources/ ("map.gif"). A missing or unreadable picture gives a null
// image: the windows still work without it.
QImage LoadPicture(const QString& name);

} // namespace zuneigo
