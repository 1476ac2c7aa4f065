// Application start-up: the toolkit and its translations, then the program's InitInstance;
// the process status.
#include "platform/app.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTranslator>

#include <cstdlib>
#include <memory>

#include "platform/dialog.h"
#include "platform/internal.h"
#include "platform/testing.h"

namespace {

int& QuitCode()
{
    static int code = 0;
    return code;
}

std::unique_ptr<QTranslator>& ToolkitTranslator()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

}  // namespace

CWinApp::CWinApp() = default;
CWinApp::~CWinApp() = default;

int CWinApp::ExitInstance()
{
    return QuitCode();
}

void PostQuitMessage(int exitCode)
{
    QuitCode() = exitCode;
}

std::string ToolkitCatalogue(LANGID id)
{
    const unsigned primary = id & 0x3FFu;
    switch (primary) {
    case 0x04:
        // Simplified script for the mainland and Singapore; traditional for Taiwan, Hong Kong, Macao.
        return id == 0x0804 || id == 0x1004 ? "qtbase_zh_CN" : "qtbase_zh_TW";
    case 0x09: return "qtbase_en";
    case 0x0C: return "qtbase_fr";
    case 0x07: return "qtbase_de";
    case 0x11: return "qtbase_ja";
    case 0x0A: return "qtbase_es";
    default: return {};
    }
}

BOOL InstallToolkitTranslations(LANGID id)
{
    std::unique_ptr<QTranslator>& installed = ToolkitTranslator();
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    const std::string name = ToolkitCatalogue(id);
    if (name.empty()) {
        return FALSE;
    }
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QString::fromStdString(name), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return FALSE;
    }
    // English's catalogue holds no texts, and installing it reports so; it is installed all the same.
    QCoreApplication::installTranslator(translator.get());
    installed = std::move(translator);
    return TRUE;
}

int RunApplication(CWinApp& app, int argc, char** argv)
{
    // One pixel of the program is one pixel of the screen (its layout is in device pixels);
    // the toolkit scales controls and boxes as the desktop asks.
    // The window reaches the X server by plain PutImage, not through a shared-memory copy: the
    // copy costs 8 MiB at 1920 x 1080 and a round trip to the server before nearly every paint;
    // PutImage costs about 1.6 ms more for a full-screen paint. The user's own choice stands.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) {
        qputenv("QT_XCB_NO_MITSHM", "1");
    }
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pomarel"));
    QApplication::setQuitOnLastWindowClosed(false);
    // Stock buttons and menus speak the system language, as the program's own texts do.
    InstallToolkitTranslations(GetSystemDefaultLangID());
    app.InitInstance();
    const int status = app.ExitInstance();
    InstallToolkitTranslations(0);
    return status;
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
