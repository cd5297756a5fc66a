// zuneigo-screenshots FOLDER: renders the main window with each tab in front, the search
// tab after a search on the demo database, and the about box into FOLDER as PNG files, for
// the documentation.
#include "app/gui/AboutBox.h"
#include "app/gui/MainForm.h"
#include "app/gui/MessageBox.h"
#include "service/DemoDatabase.h"
#include "ui/widgets/RxSpinEdit.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>

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

    // The demo database's women for a man of 25 to 40 within 200 km, one row selected.
    zuneigo::SetMessageHook([](const zuneigo::ShownMessage&) { return int(QMessageBox::Ok); });
    form.Database.AppendText(zuneigo::service::DemoDatabase(5000));
    form.SearchBtn->setEnabled(true); // as after a download
    form.VonAge->setText(QStringLiteral("25"));
    form.BisAge->setText(QStringLiteral("40"));
    form.UmKreis->setText(QStringLiteral("200"));
    form.SearchBtnClick();
    form.ListView1->setFocus();
    form.ListView1->setCurrentIndex(form.ListView1->model()->index(0, 0));
    save(&form, "results.png");
    zuneigo::SetMessageHook(nullptr);

    zuneigo::TAboutBox about(&form);
    about.show();
    save(&about, "about.png");
    about.hide();
    return ok ? 0 : 1;
}
