// The full-screen window and its screen: following a screen that changes size, orientation or
// scale, or a move to another monitor; the exact device size at a fractional scale; the end of
// the program when the native window is destroyed from outside.
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cmath>
#include <cstdio>
#include <ctime>

#include "platform/face/dialog_screen.h"
#include "platform/face/dialog_window.h"

using namespace platform_detail;

namespace {

// Asks at most this long after the first sign of a change: a mode change comes as several
// signals (size, then scale, then the window's own resize), and the window is laid out once.
constexpr int kScreenSettleMs = 60;

xcb_connection_t* X11Connection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return nullptr;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

bool Fractional(double ratio)
{
    return std::abs(ratio - std::round(ratio)) > 1e-6;
}

}  // namespace

// Sees the X server's DestroyNotify of one window.
class NativeWindowWatch : public QAbstractNativeEventFilter {
public:
    NativeWindowWatch(DialogWindow* window, quint32 id) : m_window(window), m_id(id) {}
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != QByteArrayLiteral("xcb_generic_event_t") || message == nullptr) {
            return false;
        }
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) == XCB_DESTROY_NOTIFY &&
            reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window == m_id) {
            QPointer<DialogWindow> window(m_window);
            // Not from inside the toolkit's event handling: the dialog's loop ends afterwards.
            QTimer::singleShot(0, m_window, [window] {
                if (window) {
                    window->LostNativeWindow();
                }
            });
        }
        return false;
    }

private:
    DialogWindow* m_window;
    quint32 m_id;
};

namespace platform_detail {

QScreen* ProgramScreen()
{
    for (DialogWindow* w : LiveDialogWindows()) {
        if (w->UsesFramebuffer() && w->parentWidget() == nullptr && w->windowHandle() != nullptr &&
            w->windowHandle()->screen() != nullptr) {
            return w->windowHandle()->screen();
        }
    }
    return QGuiApplication::primaryScreen();
}

QSize ScreenDeviceSize(const QScreen* screen)
{
    if (screen == nullptr) {
        return {1024, 768};
    }
    const QRect g = screen->geometry();
    const double ratio = screen->devicePixelRatio();
    QSize size(static_cast<int>(std::lround(g.width() * ratio)), static_cast<int>(std::lround(g.height() * ratio)));
    // The toolkit's logical size is rounded at a fractional scale (1366 / 1.5 gives 911, and 911
    // x 1.5 gives 1367): one screen alone is the X server's root window, whose size is exact.
    xcb_connection_t* c = X11Connection();
    if (c != nullptr && Fractional(ratio) && QGuiApplication::screens().size() == 1) {
        const xcb_screen_t* root = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        if (root != nullptr) {
            xcb_get_geometry_reply_t* reply = xcb_get_geometry_reply(c, xcb_get_geometry(c, root->root), nullptr);
            if (reply != nullptr) {
                size = QSize(reply->width, reply->height);
                std::free(reply);
            }
        }
    }
    return size;
}

}  // namespace platform_detail

void DialogWindow::PaintPending()
{
    if (m_paintQueued) {
        PaintNow();
    }
}

void DialogWindow::FollowScreen()
{
    if (m_followsScreen || windowHandle() == nullptr) {
        return;
    }
    m_followsScreen = true;
    m_screenCheck.setSingleShot(true);
    m_screenCheck.setInterval(kScreenSettleMs);
    connect(&m_screenCheck, &QTimer::timeout, this, &DialogWindow::CheckScreen);
    const auto later = [this] { m_screenCheck.start(); };
    connect(windowHandle(), &QWindow::screenChanged, this, later);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, later);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, later);
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, later);
    WatchScreen(windowHandle()->screen());
    if (xcb_connection_t* c = X11Connection(); c != nullptr && !m_nativeWatch) {
        m_nativeWatch = std::make_shared<NativeWindowWatch>(this, static_cast<quint32>(winId()));
        qApp->installNativeEventFilter(m_nativeWatch.get());
    }
    FitNativeSize(m_deviceSize);
}

void DialogWindow::WatchScreen(QScreen* screen)
{
    for (const QMetaObject::Connection& link : m_screenLinks) {
        disconnect(link);
    }
    m_screenLinks.clear();
    m_watchedScreen = screen;
    if (screen == nullptr) {
        return;
    }
    const auto later = [this] { m_screenCheck.start(); };
    m_screenLinks.push_back(connect(screen, &QScreen::geometryChanged, this, later));
    m_screenLinks.push_back(connect(screen, &QScreen::physicalDotsPerInchChanged, this, later));
    m_screenLinks.push_back(connect(screen, &QScreen::logicalDotsPerInchChanged, this, later));
    m_screenLinks.push_back(connect(screen, &QScreen::primaryOrientationChanged, this, later));
}

void DialogWindow::resizeEvent(QResizeEvent* event)
{
    // The toolkit makes its image of the window anew at the new size before it next paints.
    OwnFramebuffer();
    QWidget::resizeEvent(event);
    // A window manager resizes a full-screen window to a changed screen before the program hears
    // of the screen: the program lays itself out for it, and nothing stays black.
    if (m_followsScreen && !m_ended) {
        m_screenCheck.start();
    }
}

void DialogWindow::CheckScreen()
{
    if (!m_followsScreen || m_ended || windowHandle() == nullptr) {
        return;
    }
    QScreen* screen = windowHandle()->screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return;
    }
    if (screen != m_watchedScreen) {
        WatchScreen(screen);
    }
    const QSize device = ScreenDeviceSize(screen);
    const bool resized = device != m_deviceSize;
    if (!isMinimized()) {
        if (geometry() != screen->geometry()) {
            setGeometry(screen->geometry());
        }
        if (!isFullScreen()) {
            showFullScreen();
        }
        FitNativeSize(device);
    }
    if (resized) {
        m_deviceSize = device;
        const LPARAM size = static_cast<LPARAM>((device.height() & 0xFFFF) << 16 | (device.width() & 0xFFFF));
        Dispatch(WM_DISPLAYCHANGE, 32, size, [&] { m_owner->OnDisplayChange(32, device.width(), device.height()); });
        // POMAREL_TRACE=1 tells the benchmarks when the window is laid out and painted for the new
        // screen (CLOCK_MONOTONIC).
        if (qEnvironmentVariableIntValue("POMAREL_TRACE") != 0) {
            timespec ts{};
            clock_gettime(CLOCK_MONOTONIC, &ts);
            std::fprintf(stderr, "pomarel: screen-followed %d %d %lld.%06ld\n", device.width(), device.height(),
                         static_cast<long long>(ts.tv_sec), ts.tv_nsec / 1000);
            std::fflush(stderr);
        }
    }
    // A new scale with the same size in device pixels, or another monitor: drawn anew all the same.
    RequestPaint(QRect(0, 0, width(), height()));
}

void DialogWindow::FitNativeSize(QSize device)
{
    xcb_connection_t* c = X11Connection();
    if (c == nullptr || !device.isValid() || !Fractional(Ratio()) || windowHandle() == nullptr ||
        !testAttribute(Qt::WA_WState_Created)) {
        return;
    }
    const uint32_t values[2] = {static_cast<uint32_t>(device.width()), static_cast<uint32_t>(device.height())};
    xcb_configure_window(c, static_cast<xcb_window_t>(winId()), XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         values);
    xcb_flush(c);
}

void DialogWindow::LostNativeWindow()
{
    if (m_ended) {
        return;
    }
    qWarning("pomarel: the window was destroyed from outside; the program ends");
    // As Exit ends it: the dialog's loop returns, and the program with status 0.
    m_owner->EndDialog(IDCANCEL);
}
