// Application start-up: the toolkit, then the program's InitInstance.
#include "platform/app.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>

#include <cstdlib>
#include <memory>

#include "platform/dialog.h"
#include "platform/internal.h"
#include "platform/testing.h"

CWinApp::CWinApp() = default;
CWinApp::~CWinApp() = default;

int RunApplication(CWinApp& app, int argc, char** argv)
{
    // One pixel of the program is one pixel of the screen: its layout is in screen pixels.
    if (!qEnvironmentVariableIsSet("QT_ENABLE_HIGHDPI_SCALING")) {
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    }
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pomarel"));
    QApplication::setQuitOnLastWindowClosed(false);
    app.InitInstance();
    return 0;
}

namespace testing_hooks {

namespace {
std::unique_ptr<QApplication>& TestApp()
{
    static std::unique_ptr<QApplication> app;
    return app;
}
}  // namespace

void StopToolkit()
{
    // While the rest of the process is still whole: Qt's own statics go at exit.
    TestApp().reset();
}

void StartToolkit(int screenWidth, int screenHeight)
{
    std::unique_ptr<QApplication>& app = TestApp();
    if (app) {
        return;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        // The offscreen platform takes its screen size from a small configuration file.
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
        const QString path = QDir(dir).filePath(QStringLiteral("pomarel-offscreen-%1.json").arg(QCoreApplication::applicationPid()));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            f.write(QStringLiteral("{\"screens\":[{\"name\":\"s\",\"x\":0,\"y\":0,\"width\":%1,\"height\":%2,\"logicalDpi\":96}]}")
                        .arg(screenWidth)
                        .arg(screenHeight)
                        .toUtf8());
        }
        const std::string platform = "offscreen:configfile=" + platform_detail::FromQt(path);
        setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
    }
    if (std::getenv("SDL_AUDIODRIVER") == nullptr) {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    static int argc = 1;
    static char name[] = "pomarel-tests";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
}

void PumpEvents(int ms)
{
    QElapsedTimer timer;
    timer.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (timer.elapsed() < ms);
}

}  // namespace testing_hooks
