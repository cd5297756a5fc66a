// One loop for Qt and the platform: a synchronous request inside a button handler while
// the server holds its answer; meanwhile the window paints, takes clicks and keys, and
// the waiting costs no CPU.
// Mouse events go through the window, as the desktop delivers them (grabs, children).
#define QTEST_QPA_MOUSE_HANDLING
#include "ClientWindow.h"

#include "app/gui/StatusBar.h"
#include "base/Stream.h"
#include "http/HttpCli.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <ctime>
#include <filesystem>

namespace zuneigo::test {
namespace {

// Answers each request once the file "release" exists; writes "got" when a request is in.
const char* HoldingServer = R"(
import os, socket, sys, time
port, folder = int(sys.argv[1]), sys.argv[2]
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(('127.0.0.1', port)); s.listen(5)
while True:
    c, _ = s.accept(); data = b''
    while b'\r\n\r\n' not in data:
        part = c.recv(4096)
        if not part: break
        data += part
    if b'\r\n\r\n' not in data: c.close(); continue
    open(os.path.join(folder, 'got'), 'w').close()
    while not os.path.exists(os.path.join(folder, 'release')): time.sleep(0.01)
    c.sendall(b'HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nheld answer'); c.close()
)";

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

TEST(QtBridge, WindowStaysLiveWhileAHandlerWaitsForTheServer)
{
    ClientWindow w;
    TMainForm& f = w.Form();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    TempDir dir;
    const int port = FreeTcpPort();
    Process server({Python(), "-c", HoldingServer, std::to_string(port), dir.Path()});
    ASSERT_TRUE(WaitForTcpPort(port));

    QPushButton go(QStringLiteral("go"), &f);
    go.show();
    std::string body;
    QObject::connect(&go, &QPushButton::clicked, [&] {
        TMemoryStream stream;
        f.HttpCli1->SetURL("http://127.0.0.1:" + std::to_string(port) + "/held");
        f.HttpCli1->SetRcvdStream(&stream);
        f.HttpCli1->Get();
        f.HttpCli1->SetRcvdStream(nullptr);
        body = stream.ToString();
    });

    int step = 0, paintsBefore = 0;
    double cpuStart = 0, wallStart = 0;
    bool painted = false;
    double cpuShare = 1;
    WhileWaiting during([&] {
        switch (step) {
        case 0: // the request is at the server: use the window
            if (!std::filesystem::exists(dir.File("got"))) return false;
            QTest::mouseClick(f.BiFrau, Qt::LeftButton);
            QTest::keyClicks(f.Proxy2Ed, "xy");
            f.PageControl1->tabBar()->setCurrentIndex(1);
            paintsBefore = f.StatusBar1->FullPaints();
            f.StatusBar1->update();
            cpuStart = CpuSeconds();
            wallStart = QDateTime::currentMSecsSinceEpoch() / 1000.0;
            step = 1;
            return false;
        case 1: // idle for half a second
            painted = f.StatusBar1->FullPaints() > paintsBefore;
            if (QDateTime::currentMSecsSinceEpoch() / 1000.0 - wallStart < 0.5) return false;
            cpuShare = (CpuSeconds() - cpuStart) / (QDateTime::currentMSecsSinceEpoch() / 1000.0 - wallStart);
            WriteFile(dir.File("release"), "");
            step = 2;
            return true;
        }
        return true;
    });
    QTest::mouseClick(&go, Qt::LeftButton);

    EXPECT_EQ(step, 2);
    EXPECT_EQ(body, "held answer");
    EXPECT_TRUE(f.BiFrau->isChecked());
    EXPECT_EQ(f.Proxy2Ed->text(), QStringLiteral("xy"));
    EXPECT_EQ(f.PageControl1->currentIndex(), 1);
    EXPECT_TRUE(painted);
    EXPECT_LT(cpuShare, 0.2); // waiting sleeps; a spinning wait would take a whole core
}

} // namespace
} // namespace zuneigo::test
