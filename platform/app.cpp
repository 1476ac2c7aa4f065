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
#include <string>

#include "platform/dialog.h"
#include "platform/internal.h"

namespace {

int& QuitCode()
{
    static int code = 0;
    return code;
}

// The toolkit's installed translations and the language they are of.
struct ToolkitTranslations {
    std::unique_ptr<QTranslator> translator;
    std::string language;
};

ToolkitTranslations& Installed()
{
    static ToolkitTranslations installed;
    return installed;
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

BOOL InstallToolkitTranslations(std::string_view language)
{
    ToolkitTranslations& installed = Installed();
    if (installed.translator && !language.empty() && installed.language == language) {
        return TRUE;
    }
    if (installed.translator) {
        QCoreApplication::removeTranslator(installed.translator.get());
        installed.translator.reset();
        installed.language.clear();
    }
    if (language.empty()) {
        return FALSE;
    }
    auto translator = std::make_unique<QTranslator>();
    const QString catalogue = QStringLiteral("qtbase_") + platform_detail::ToQt(language);
    if (!translator->load(catalogue, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return FALSE;
    }
    // English's catalogue holds no texts, and installing it reports so; it is installed all the same.
    QCoreApplication::installTranslator(translator.get());
    installed.translator = std::move(translator);
    installed.language = language;
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
    // The program installs the stock texts' translations itself, in the language it chose for
    // its own texts.
    app.InitInstance();
    const int status = app.ExitInstance();
    InstallToolkitTranslations({});
    return status;
}
