// The least a Qt window program does before its first paint: one window of the main
// window's size with a caption, a line edit and a button, reported as zuneigo reports.
#include "app/gui/StartupProbe.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(638, 512);
    window.setWindowTitle(QStringLiteral("Zuneigo"));
    (new QLabel(QStringLiteral("Name/Nickname:"), &window))->move(8, 8);
    (new QLineEdit(&window))->setGeometry(152, 8, 241, 21);
    (new QPushButton(QStringLiteral("Suchen"), &window))->setGeometry(8, 40, 161, 25);
    zuneigo::WatchFirstPaint(&window);
    window.show();
    return app.exec();
}
