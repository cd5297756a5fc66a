// zuneigo: the client's windows on Qt, with the platform's message queue joined to Qt's loop.
#include "app/core/ServiceSettings.h"
#include "app/gui/DetailForm.h"
#include "app/gui/MainForm.h"
#include "app/gui/QtBridge.h"
#include "app/gui/StartupProbe.h"
#include "app/gui/Translations.h"
#include "platform/Application.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void ShowHelp()
{
    std::printf("Aufruf: zuneigo [--service HOST[:PORT]]\n"
                "Kontaktanzeige aufgeben und Anzeigen in deiner Umgebung suchen.\n"
                "\n"
                "  --service HOST[:PORT]  mit diesem Server des Dienstes sprechen\n"
                "                         (Vorgabe dieses Programms: %s; Port 80, wenn er fehlt)\n"
                "  --help                 diesen Text zeigen\n"
                "\n"
                "Außerdem versteht das Programm die Optionen von Qt (zum Beispiel -platform offscreen).\n"
                "Beendigungsstatus: 0 nach dem Schließen des Fensters; 2 bei falschem Aufruf.\n",
                zuneigo::BuiltInServiceHost().c_str());
}

[[noreturn]] void UsageError(const std::string& message)
{
    std::fprintf(stderr, "zuneigo: %s\nMehr mit 'zuneigo --help'.\n", message.c_str());
    std::exit(2);
}

// Takes the program's own options out of argv, before Qt sees the rest: --help and the
// usage errors need no display.
void TakeOwnOptions(int& argc, char** argv)
{
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            ShowHelp();
            std::exit(0);
        }
        std::string host;
        if (a == "--service") {
            if (i + 1 >= argc)
                UsageError("--service braucht HOST[:PORT]");
            host = argv[++i];
        } else if (a.rfind("--service=", 0) == 0) {
            host = a.substr(10);
        } else {
            rest.push_back(argv[i]);
            continue;
        }
        if (!zuneigo::IsServiceHost(host))
            UsageError("--service: '" + host + "' ist kein HOST[:PORT]");
        zuneigo::SetServiceHost(host);
    }
    argc = static_cast<int>(rest.size());
    for (int i = 0; i < argc; ++i)
        argv[i] = rest[static_cast<std::size_t>(i)];
    argv[argc] = nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    TakeOwnOptions(argc, argv);
    QApplication app(argc, argv);
    // Qt removed the arguments it knows; whatever is left is a mistake.
    if (argc > 1)
        UsageError(std::string("unbekanntes Argument ") + argv[1]);
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
