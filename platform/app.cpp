// Application start-up: the toolkit and its translations, then the program's InitInstance;
// the process status.
#include "platform/app.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <future>
#include <memory>

#include "platform/dialog.h"
#include "platform/internal.h"

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
    // On Wayland the toolkit draws a title bar of its own on every box, with minimise and maximise
    // buttons whatever the box allows, and the compositor places a box where it likes: the boxes
    // go without one, as parts of the practice window. The user's own choice stands.
    if (!qEnvironmentVariableIsSet("QT_WAYLAND_DISABLE_WINDOWDECORATION")) {
        qputenv("QT_WAYLAND_DISABLE_WINDOWDECORATION", "1");
    }
    // Reading the font configuration (a few dozen XML files) is the longest part of the first
    // text measurement; it is done on the other core while the toolkit connects to the display.
    // The toolkit finds the configuration read and uses it.
    std::future<void> fonts = std::async(std::launch::async, [] { FcInit(); });
    QApplication qapp(argc, argv);
    fonts.wait();
    QApplication::setApplicationName(QStringLiteral("Pomarel"));
    QApplication::setQuitOnLastWindowClosed(false);
    // Stock buttons and menus speak the system language, as the program's own texts do.
    InstallToolkitTranslations(GetSystemDefaultLangID());
    app.InitInstance();
    const int status = app.ExitInstance();
    InstallToolkitTranslations(0);
    return status;
}
