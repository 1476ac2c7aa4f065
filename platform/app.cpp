// Application start-up: the toolkit and its translations, then the program's InitInstance;
// the process status.
#include "platform/app.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/display_check.h"
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

// While the toolkit starts, its messages are held back: when it cannot reach the display it warns
// twice and then aborts (status 134, a core dump, advice to reinstall). The program says instead
// in one line that there is no display and ends with status 1; otherwise the messages held back
// are passed on as they came.
struct HeldMessage {
    QtMsgType type;
    std::string category;
    QString text;
};

struct StartMessages {
    std::mutex mutex;
    std::vector<HeldMessage> held;
    QtMessageHandler previous = nullptr;
};

StartMessages& Start()
{
    static StartMessages start;
    return start;
}

void HoldStartMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        const std::string line = UnreachableDisplay(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"));
        std::fprintf(stderr, "%s\n", line.c_str());
        std::fflush(stderr);
        std::_Exit(1);
    }
    StartMessages& start = Start();
    const std::lock_guard lock(start.mutex);
    start.held.push_back({type, context.category != nullptr ? context.category : "", text});
}

void PassHeldMessages()
{
    StartMessages& start = Start();
    const std::lock_guard lock(start.mutex);
    qInstallMessageHandler(start.previous);
    for (const HeldMessage& m : start.held) {
        const QMessageLogContext context(nullptr, 0, nullptr, m.category.empty() ? nullptr : m.category.c_str());
        start.previous(m.type, context, m.text);
    }
    start.held.clear();
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
    const std::string noDisplay =
        MissingDisplay(std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"));
    if (!noDisplay.empty()) {
        std::fprintf(stderr, "%s\n", noDisplay.c_str());
        return 1;
    }
    // One pixel of the program is one pixel of the screen (its layout is in device pixels);
    // the toolkit scales controls and boxes as the desktop asks.
    // The window reaches the X server by plain PutImage, not through a shared-memory copy: the
    // copy costs 8 MiB at 1920 x 1080 and a round trip to the server before nearly every paint;
    // PutImage costs about 1.6 ms more for a full-screen paint. The user's own choice stands.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) {
        qputenv("QT_XCB_NO_MITSHM", "1");
    }
    // Reading the font configuration (a few dozen XML files) is the longest part of the first
    // text measurement; it is done on the other core while the toolkit connects to the display.
    // The toolkit finds the configuration read and uses it.
    std::future<void> fonts = std::async(std::launch::async, [] { FcInit(); });
    Start().previous = qInstallMessageHandler(HoldStartMessage);
    QApplication qapp(argc, argv);
    PassHeldMessages();
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
