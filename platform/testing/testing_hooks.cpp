// Hooks for tests and benchmarks that drive the real windows: the test library's only source. It
// starts the toolkit on its own terms and reaches platform/ through the seams (face/seams.h and those of
// the desktop and sound wings) and the window class; the program links none of it.
#include "platform/testing/testing.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QWindow>

#include <cstdlib>
#include <map>
#include <memory>

#include "platform/desktop/readers/desktop.h"
#include "platform/desktop/readers/image.h"
#include "platform/desktop/readers/picture_cache.h"
#include "platform/face/dialog_window.h"
#include "platform/face/qt_text.h"
#include "platform/face/seams.h"
#include "platform/sound/sound.h"

using namespace platform_detail;

namespace {

std::unique_ptr<QApplication>& TestApp()
{
    static std::unique_ptr<QApplication> app;
    return app;
}

// Rectangles each live window presented since TakePresented last asked; a window's list goes with
// the window. A list nobody takes keeps only its latest few. Never freed: a window that outlives
// the process's statics still finds it when it goes.
std::map<const DialogWindow*, std::vector<RECT>>& PresentedLog()
{
    static auto* const log = new std::map<const DialogWindow*, std::vector<RECT>>;
    return *log;
}

void RecordPresented(DialogWindow& window, const RECT& r)
{
    auto [it, added] = PresentedLog().try_emplace(&window);
    if (added) {
        const DialogWindow* key = &window;
        QObject::connect(&window, &QObject::destroyed, [key] { PresentedLog().erase(key); });
    }
    std::vector<RECT>& rects = it->second;
    rects.push_back(r);
    if (rects.size() > 4096) {
        rects.erase(rects.begin(), rects.begin() + 2048);
    }
}

}  // namespace

namespace testing_hooks {

void StopToolkit()
{
    // While the rest of the process is still whole: Qt's own statics go at exit.
    TestApp().reset();
    platform_seams::PresentObserver() = nullptr;
    PresentedLog().clear();
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
        const QString path =
            QDir(dir).filePath(QStringLiteral("pomarel-offscreen-%1.json").arg(QCoreApplication::applicationPid()));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            f.write(QStringLiteral(
                        "{\"screens\":[{\"name\":\"s\",\"x\":0,\"y\":0,\"width\":%1,\"height\":%2,\"logicalDpi\":96}]}")
                        .arg(screenWidth)
                        .arg(screenHeight)
                        .toUtf8());
        }
        const std::string platform = "offscreen:configfile=" + FromQt(path);
        setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
    }
    if (std::getenv("SDL_AUDIODRIVER") == nullptr) {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    // Pictures are decoded, never kept in the user's cache folder; a test of the cache names a
    // folder of its own.
    platform_seams::SetPictureCacheFolder(std::string());
    static int argc = 1;
    static char name[] = "pomarel-tests";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    platform_seams::PresentObserver() = RecordPresented;
}

void SetScreenSize(int width, int height)
{
    platform_seams::SetScreenSize(width, height);
}

void PumpEvents(int ms)
{
    QElapsedTimer timer;
    timer.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (timer.elapsed() < ms);
}

void SetMessageBoxHook(std::function<int(std::string_view text, UINT type)> hook)
{
    platform_seams::MessageBoxAnswerer() = std::move(hook);
}

void SetModalDialogHook(std::function<void(CDialog&)> hook)
{
    platform_seams::ModalDialogObserver() = std::move(hook);
}

void SetSoundObserver(std::function<void(const SoundEvent&)> observer)
{
    if (!observer) {
        platform_seams::SoundObserver() = nullptr;
        return;
    }
    platform_seams::SoundObserver() = [observer = std::move(observer)](const platform_seams::SoundEvent& e) {
        observer({e.image, e.flags, e.played});
    };
}

void SetSoundClock(std::function<double()> clock)
{
    platform_seams::SetSoundClock(std::move(clock));
}

double SoundSeconds(const void* image)
{
    return platform_seams::SoundSeconds(image);
}

bool SoundDeviceOpen()
{
    return platform_seams::SoundDeviceOpen();
}

void LoseSoundDevice()
{
    platform_seams::LoseSoundDevice();
}

std::size_t QueuedSoundBytes()
{
    return platform_seams::QueuedSoundBytes();
}

void SetDesktop(const Surface& desktop)
{
    platform_seams::SetDesktop(desktop);
}

void SetDesktopReader(std::function<Surface()> reader)
{
    platform_seams::SetDesktopReader(std::move(reader));
}

std::string ControlTextOf(CDialog& dlg, int index)
{
    DialogWindow* w = dlg.Window();
    if (w == nullptr) {
        return {};
    }
    const QList<QWidget*> children = w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    return index >= 0 && index < children.size() ? ControlText(children.at(index)) : std::string();
}

std::string WindowTitle(CDialog& dlg)
{
    return dlg.Window() != nullptr ? FromQt(dlg.Window()->windowTitle()) : std::string();
}

void PressKey(CDialog& dlg, int vk, std::u32string_view text, bool shift, bool alt)
{
    DialogWindow* w = dlg.Window();
    if (w == nullptr || w->windowHandle() == nullptr) {
        return;
    }
    int key = 0;
    if (vk >= VK_F1 && vk <= VK_F12) {
        key = Qt::Key_F1 + (vk - VK_F1);
    } else if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
        key = vk;
    } else {
        switch (vk) {
        case VK_ESCAPE: key = Qt::Key_Escape; break;
        case VK_RETURN: key = Qt::Key_Return; break;
        case VK_TAB: key = Qt::Key_Tab; break;
        case VK_BACK: key = Qt::Key_Backspace; break;
        case VK_SPACE: key = Qt::Key_Space; break;
        case VK_SHIFT: key = Qt::Key_Shift; break;
        case VK_CAPITAL: key = Qt::Key_CapsLock; break;
        default: key = Qt::Key_unknown; break;
        }
    }
    Qt::KeyboardModifiers mods;
    if (shift) {
        mods |= Qt::ShiftModifier;
    }
    if (alt) {
        mods |= Qt::AltModifier;
    }
    // Character by character: a string conversion would take a leading U+FEFF for a byte-order
    // mark and drop it.
    QString str;
    for (const char32_t c : text) {
        str += QChar::fromUcs4(c);
    }
    QKeyEvent press(QEvent::KeyPress, key, mods, str);
    QCoreApplication::sendEvent(w->windowHandle(), &press);
    if (dlg.Window() != nullptr) {
        QKeyEvent release(QEvent::KeyRelease, key, mods, str);
        QCoreApplication::sendEvent(w->windowHandle(), &release);
    }
}

void RightClick(CDialog& dlg, int x, int y)
{
    DialogWindow* w = dlg.Window();
    if (w == nullptr) {
        return;
    }
    // (x, y) is in the program's device pixels; the toolkit's events are in logical ones.
    const QPoint at = (QPointF(x, y) / w->Ratio()).toPoint();
    QWidget* target = w->childAt(at);
    const QPoint local = target != nullptr ? target->mapFrom(w, at) : at;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(local), QPointF(w->mapToGlobal(at)), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(target != nullptr ? target : w, &press);
}

void FireTimer(CDialog& dlg, UINT_PTR id)
{
    if (DialogWindow* w = dlg.Window()) {
        w->Dispatch(WM_TIMER, id, 0, [&] { dlg.OnTimer(id); });
    }
}

bool IsTimerRunning(CDialog& dlg, UINT_PTR id)
{
    const QTimer* t = dlg.Window() != nullptr ? dlg.Window()->Timer(id) : nullptr;
    return t != nullptr && t->isActive();
}

int TimerInterval(CDialog& dlg, UINT_PTR id)
{
    const QTimer* t = dlg.Window() != nullptr ? dlg.Window()->Timer(id) : nullptr;
    return t != nullptr && t->isActive() ? t->interval() : 0;
}

void PaintNow(CDialog& dlg)
{
    if (DialogWindow* w = dlg.Window()) {
        w->RequestPaint(QRect(0, 0, w->width(), w->height()));
        w->PaintNow();
    }
}

std::vector<RECT> TakePresented(CDialog& dlg)
{
    DialogWindow* w = dlg.Window();
    if (w == nullptr) {
        return {};
    }
    w->Present();
    const auto it = PresentedLog().find(w);
    if (it == PresentedLog().end()) {
        return {};
    }
    std::vector<RECT> out;
    out.swap(it->second);
    return out;
}

Surface PresentedPicture(CDialog& dlg)
{
    DialogWindow* w = dlg.Window();
    if (w == nullptr) {
        return {};
    }
    w->Present();
    return SurfaceFromImage(w->grab().toImage());
}

RECT ControlRect(CDialog& dlg, int id)
{
    return DeviceGeometry(ControlOf(&dlg, id));
}

bool ControlChecked(CDialog& dlg, int id)
{
    const auto* b = qobject_cast<const QAbstractButton*>(ControlOf(&dlg, id));
    return b != nullptr && b->isChecked();
}

std::string FocusedControlText(CDialog& dlg)
{
    const QWidget* f = dlg.Window() != nullptr ? dlg.Window()->focusWidget() : nullptr;
    return f != nullptr ? ControlText(f) : std::string();
}

int FocusedControlId(CDialog& dlg)
{
    const QWidget* f = dlg.Window() != nullptr ? dlg.Window()->focusWidget() : nullptr;
    for (const int id : {1, 2, 57670, 1000, 1004, 1005, 1006, 1007}) {
        if (f != nullptr && ControlOf(&dlg, id) == f) {
            return id;
        }
    }
    return 0;
}

std::vector<std::string> SystemMenuItems(CDialog& dlg)
{
    return dlg.Window() != nullptr ? dlg.Window()->SystemMenuItems() : std::vector<std::string>{};
}

}  // namespace testing_hooks
