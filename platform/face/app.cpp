// Application start-up: the toolkit and its translations, then the program's InitInstance;
// the process status.
#include "platform/face/app.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/face/dialog.h"
#include "platform/face/display_check.h"
#include "platform/face/fontconfig_abi.h"
#include "platform/face/qt_text.h"

namespace {

// Reads the font configuration ahead, through the fontconfig library the toolkit has loaded
// (fontconfig_abi.h). Without it nothing is read ahead: the toolkit finds its fonts as
// it would. The library stays loaded, and the configuration read with it.
void ReadFontConfiguration()
{
    void* lib = dlopen("libfontconfig.so.1", RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) {
        return;
    }
    if (auto init = reinterpret_cast<fontconfig::InitFn>(dlsym(lib, "FcInit"))) {
        init();
    }
}

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
    const std::string noDisplay =
        MissingDisplay(std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"));
    if (!noDisplay.empty()) {
        std::fprintf(stderr, "%s\n", noDisplay.c_str());
        return 1;
    }
    // One pixel of the program is one pixel of the screen (its layout is in device pixels);
    // the toolkit scales controls and boxes as the desktop asks.
    // On X11 the window's image is shared with the X server (MIT-SHM) where the server allows it,
    // and the program draws on that image itself (DialogWindow): the screen is one image in
    // memory. Without it the toolkit keeps a buffer of up to 16 MiB for each PutImage of a large
    // area besides. QT_XCB_NO_MITSHM=1 sends the pixels by plain PutImage.
    // On Wayland the toolkit draws a title bar of its own on every box, with minimise and maximise
    // buttons whatever the box allows, and the compositor places a box where it likes: the boxes
    // go without one, as parts of the practice window. The user's own choice stands.
    if (!qEnvironmentVariableIsSet("QT_WAYLAND_DISABLE_WINDOWDECORATION")) {
        qputenv("QT_WAYLAND_DISABLE_WINDOWDECORATION", "1");
    }
    // Reading the font configuration (a few dozen XML files) is the longest part of the first
    // text measurement; it is done on the other core while the toolkit connects to the display.
    // The toolkit finds the configuration read and uses it.
    std::future<void> fonts = std::async(std::launch::async, ReadFontConfiguration);
    Start().previous = qInstallMessageHandler(HoldStartMessage);
    QApplication qapp(argc, argv);
    PassHeldMessages();
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
