// zuneigo-screenshots FOLDER: renders the main window with each tab in front and the about
// box into FOLDER as PNG files, for the documentation.
#include "app/gui/AboutBox.h"
#include "app/gui/MainForm.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zuneigo"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: zuneigo-screenshots FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    bool ok = true;
    auto save = [&](QWidget* w, const char* name) {
        QApplication::processEvents();
        ok = w->grab().save(folder.filePath(QString::fromLatin1(name))) && ok;
    };

    zuneigo::TMainForm form;
    form.show();
    QApplication::processEvents();
    save(&form, "search.png");
    form.PageControl1->setCurrentIndex(1);
    save(&form, "entry.png");
    form.PageControl1->setCurrentIndex(0);

    zuneigo::TAboutBox about(&form);
    about.show();
    save(&about, "about.png");
    about.hide();
    return ok ? 0 : 1;
}
