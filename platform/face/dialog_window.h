// The Qt window behind a CDialog. Private to platform/.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QCheckBox>
#include <QEventLoop>
#include <QIcon>
#include <QJsonObject>
#include <QPointer>
#include <QScreen>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include <cstdint>

#include <map>
#include <memory>
#include <vector>

#include "platform/face/dialog.h"

// A check box whose caption wraps onto further lines when it is too long for one.
class WrapCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;
    // The caption's font: the control's, at 12 pixels at least (Chinese and Japanese 13).
    QFont CaptionFont() const;
    // Logical size that shows the caption on one line: check square, gap, caption and margins.
    QSize OneLineSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

class DialogWindow : public QWidget {
public:
    DialogWindow(CDialog* owner, const QJsonObject& tmpl, QWidget* parent);
    ~DialogWindow() override;

    CDialog* Owner() const { return m_owner; }
    QWidget* Control(int id) const;
    int DefaultButtonId() const { return m_defaultId; }
    Surface& Framebuffer();
    Surface& IconSurface() { return m_iconSurface; }
    bool UsesFramebuffer() const { return m_usesFramebuffer; }

    // Runs one message's handler: exceptions stay inside, touched pixels are presented after.
    template <class F> void Dispatch(UINT message, WPARAM wParam, LPARAM lParam, F&& handler);
    const MSG& CurrentMessage() const { return m_current; }

    // The window's icon for the task bar and the window list: set once the first paint is done
    // (its pictures are decoded then), so the start shows the screen the sooner.
    void SetIcon(const QIcon& icon);

    void RequestPaint(const QRect& area);
    void PaintNow();
    // Paints at once when a paint is waiting.
    void PaintPending();
    QRect PaintRect() const { return m_paintRect; }
    void Present();
    // Shows at once what was presented while a key's messages were being handled.
    void FlushHeld();

    void SetTimer(UINT_PTR id, UINT ms);
    bool KillTimer(UINT_PTR id);
    QTimer* Timer(UINT_PTR id) const;

    void AppendSystemMenu(UINT flags, UINT_PTR id, const QString& text);
    std::vector<std::string> SystemMenuItems() const;
    void ShowSystemMenu();

    void ShowDialog(bool modal);
    int RunLoop();
    void End(int result);
    bool Ended() const { return m_ended; }
    int Result() const { return m_result; }
    // Moves the window to a rectangle in device pixels (x, y from the corner of the screen in use).
    void MoveTo(int x, int y, int width, int height);

    // The full-screen window follows the screen it is on (size, rotation, scale, another monitor):
    // it covers that screen again and tells its owner with WM_DISPLAYCHANGE when the size changed.
    void FollowScreen();
    // Looks at the screen now (what FollowScreen does at each change of it).
    void CheckScreen();
    // The native window was destroyed from outside: the dialog ends as Exit ends it.
    void LostNativeWindow();

    // The program's coordinates are device pixels; Qt's geometry is logical (device / Ratio()).
    double Ratio() const { return devicePixelRatioF(); }
    // The client area in device pixels: the size of the framebuffer and of GetClientRect.
    QSize DeviceSize() const;
    QRect ToDevice(const QRect& logical) const;
    QRect ToLogical(const QRect& device) const;

    CDC* NewClientDC();
    void FreeClientDC(CDC* dc);
    CMenu* SystemMenu() { return &m_sysMenu; }

    void HandleKey(QKeyEvent* event);
    void PressButton(int id);

protected:
    bool eventFilter(QObject* obj, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    // The toolkit's own image of the window when the program's screen can be that very image
    // (X11, one device pixel a logical one, the image exactly the screen's size): pixels the
    // program draws are then presented without a copy. Null otherwise.
    std::uint32_t* WindowImagePixels(QSize size);
    // Gives the framebuffer memory of its own again, keeping what it shows: before the toolkit
    // may make its image anew (a new size, screen or native window).
    void OwnFramebuffer();
    // While the framebuffer is the window's image, the controls draw themselves on it: what the
    // program drew under each is kept aside, and put back before the toolkit draws a control
    // again. Called with the rectangles the program drew on (device pixels); 'redrawControls'
    // asks the toolkit to draw again the controls the program drew over.
    void KeepUnderControls(const std::vector<RECT>& drawn, bool redrawControls);
    void RestoreUnderControls(const QRegion& logical);

    void WatchScreen(QScreen* screen);
    // On X11 at a fractional scale the toolkit rounds the window's logical size: the native
    // window is set to the screen's exact size in device pixels.
    void FitNativeSize(QSize device);

    void BuildControls(const QJsonObject& tmpl);

    CDialog* m_owner;
    std::map<int, QWidget*> m_controls;  // children, owned by Qt
    std::vector<QWidget*> m_tabOrder;
    int m_defaultId = 0;
    bool m_usesFramebuffer = false;
    Surface m_framebuffer;
    bool m_mayShareImage = false;  // the platform's window image can be the framebuffer (X11)
    bool m_painting = false;       // inside paintEvent: the toolkit's image may not be resized
    struct UnderControl {
        QWidget* control = nullptr;
        QRect rect;      // device pixels, within the framebuffer
        Surface pixels;  // rect-sized: what the program drew there
        QRegion kept;    // the part of rect the program has drawn since the control came there
    };
    std::vector<UnderControl> m_underControls;
    Surface m_iconSurface;
    MSG m_current{};
    QRegion m_invalid;
    bool m_paintQueued = false;
    QTimer m_paintTimer;  // single shot, 0 ms: the queued paint
    bool m_shownOnce = false;
    bool m_tracedFirstPaint = false;
    bool m_paintedOnce = false;
    QIcon m_pendingIcon;
    int m_holdPresent = 0;  // inside a key's messages: presents are gathered (m_held)
    QRegion m_held;
    QRect m_paintRect;   // device pixels
    QSize m_deviceSize;  // as the program last asked for it
    std::map<UINT_PTR, std::unique_ptr<QTimer>> m_timers;
    struct MenuItem {
        UINT flags;
        UINT_PTR id;
        QString text;
    };
    std::vector<MenuItem> m_sysItems;
    CMenu m_sysMenu;
    std::vector<std::unique_ptr<CDC>> m_clientDCs;
    QEventLoop* m_loop = nullptr;
    bool m_ended = false;
    int m_result = 0;
    // Following the screen: the screen watched, its signals, and a check gathered from several.
    bool m_followsScreen = false;
    QPointer<QScreen> m_watchedScreen;
    std::vector<QMetaObject::Connection> m_screenLinks;
    QTimer m_screenCheck;
    std::shared_ptr<QAbstractNativeEventFilter> m_nativeWatch;
    double m_dluX = 1.5;
    double m_dluY = 1.625;
};

// Every dialog window alive, so message boxes can tell their owners what they covered.
std::vector<DialogWindow*>& LiveDialogWindows();

template <class F> void DialogWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, F&& handler)
{
    const MSG saved = m_current;
    m_current = MSG{message, wParam, lParam};
    QPointer<DialogWindow> self(this);
    try {
        handler();
    } catch (const std::exception& e) {
        qWarning("pomarel: a handler failed: %s", e.what());
    } catch (...) {
        qWarning("pomarel: a handler failed");
    }
    if (self) {
        m_current = saved;
        Present();
    }
}
