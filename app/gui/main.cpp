// zuneigo: the client's windows on Qt, with the platform's message queue joined to Qt's loop.
#include "app/gui/DetailForm.h"
#include "app/gui/MainForm.h"
#include "app/gui/QtBridge.h"
#include "app/gui/StartupProbe.h"
#include "app/gui/Translations.h"
#include "platform/Application.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zuneigo"));
    if (!zuneigo::InstallGermanToolkitTexts(app))
        std::fprintf(stderr, "zuneigo: the toolkit's German texts are missing; standard buttons stay English\n");
    zuneigo::TQtBridge bridge;
    // Waits inside a handler give up once the main window has closed.
    QObject::connect(&app, &QGuiApplication::lastWindowClosed,
                     [] { zuneigo::platform::Application::Instance().Terminate(); });

    zuneigo::TMainForm mainForm;
    zuneigo::TDetailForm detailForm;
    // The main window's close ends the program, even with the detail window open.
    detailForm.setAttribute(Qt::WA_QuitOnClose, false);
    mainForm.DetailForm = &detailForm;
    zuneigo::WatchFirstPaint(&mainForm);
    mainForm.show();
    return app.exec();
}
