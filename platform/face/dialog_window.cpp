// The Qt window behind a CDialog: controls from a template, routing of keys and clicks,
// painting through the framebuffer, timers and the system menu.
#include "platform/face/dialog_window.h"

#include <QApplication>
#include <QBackingStore>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextLayout>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "platform/desktop/readers/image.h"
#include "platform/face/dialog_screen.h"
#include "platform/face/gdi_qt.h"
#include "platform/face/keys.h"
#include "platform/face/qt_text.h"
#include "platform/face/scaling.h"
#include "platform/face/seams.h"
#include "platform/sound/sound.h"

using namespace platform_detail;

namespace {

// A template's face where it is installed, else a sans-serif that always is; characters the
// face lacks (Chinese, Japanese) come from the system's fallback fonts.
QString AvailableFamily(const QString& face)
{
    if (QFontDatabase::families().contains(face)) {
        return face;
    }
    return QStringLiteral("DejaVu Sans");
}

// Tests set their own screen size: windows then show at that size, not full screen.
bool ScreenIsOverridden()
{
    int width = 0;
    int height = 0;
    return platform_seams::ScreenSizeSet(width, height);
}

}  // namespace

std::vector<DialogWindow*>& LiveDialogWindows()
{
    static std::vector<DialogWindow*> windows;
    return windows;
}

// ---------------------------------------------------------------------------------------------
// WrapCheckBox

QFont WrapCheckBox::CaptionFont() const
{
    // Captions stay readable: 12 pixels at least, Chinese and Japanese 13.
    QFont captionFont = font();
    if (captionFont.pixelSize() > 0) {
        const QString caption = text();
        const bool ideographs =
            std::any_of(caption.begin(), caption.end(), [](QChar c) { return c.unicode() >= 0x2E80; });
        captionFont.setPixelSize(std::max(captionFont.pixelSize(), ideographs ? 13 : 12));
    }
    return captionFont;
}

// The caption starts 4 pixels right of the check square; 2 pixels stay free at the right, and
// 2 above and below the taller of square and line.
QSize WrapCheckBox::OneLineSize() const
{
    QStyleOptionButton opt;
    initStyleOption(&opt);
    const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, this);
    const QFontMetricsF m(CaptionFont());
    const int width = indicator.right() + 4 + static_cast<int>(std::ceil(m.horizontalAdvance(text()))) + 2;
    const int height = std::max(indicator.height(), static_cast<int>(std::ceil(m.height()))) + 4;
    return {width, height};
}

void WrapCheckBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, this);
    QStyleOptionButton box = opt;
    box.rect = QRect(indicator.left(), (height() - indicator.height()) / 2, indicator.width(), indicator.height());
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, &painter, this);
    const QRect textRect(indicator.right() + 4, 0, width() - indicator.right() - 4, height());

    const QFont captionFont = CaptionFont();
    // Wrap the caption and, when its lines are taller than the box, draw them closer together
    // rather than cut any off.
    QTextLayout layout(text(), captionFont);
    QTextOption wrap;
    wrap.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(wrap);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(textRect.width());
    }
    layout.endLayout();
    const int lines = std::max(1, layout.lineCount());
    const qreal natural = QFontMetricsF(captionFont).height();
    const qreal step = std::min(natural, static_cast<qreal>(textRect.height()) / lines);
    const qreal top = (textRect.height() - step * lines) / 2 - (natural - step) / 2;
    for (int i = 0; i < layout.lineCount(); ++i) {
        layout.lineAt(i).setPosition(QPointF(0, top + i * step));
    }
    painter.setPen(palette().color(QPalette::WindowText));
    layout.draw(&painter, textRect.topLeft());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = textRect.adjusted(-1, 0, 0, 0);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

bool WrapCheckBox::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

// ---------------------------------------------------------------------------------------------
// DialogWindow

DialogWindow::DialogWindow(CDialog* owner, const QJsonObject& tmpl, QWidget* parent)
    : QWidget(parent, Qt::Window), m_owner(owner), m_sysMenu(owner)
{
    LiveDialogWindows().push_back(this);
    // A paint asked for is done once, when the toolkit next looks at its events.
    m_paintTimer.setSingleShot(true);
    m_paintTimer.setInterval(0);
    connect(&m_paintTimer, &QTimer::timeout, this, &DialogWindow::PaintNow);
    const bool popup = tmpl.value("style").toString() == QLatin1String("popup");
    m_usesFramebuffer = tmpl.value("framebuffer").toBool();
    if (popup) {
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    } else {
        // A box of the practice window: a title and a close button, no maximise button.
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    }
    setWindowTitle(ToQt(FromQt(tmpl.value("caption").toString())));
    if (m_usesFramebuffer) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        // On X11 the toolkit keeps one image of the window and sends the changed parts of it to
        // the X server, which keeps its own copy: the program draws straight on that image. A
        // Wayland compositor holds on to the buffer it was given while the next is drawn, and
        // the toolkit draws into another one and carries the old content over: there the
        // framebuffer stays an image of its own, copied at each paint. POMAREL_SEPARATE_SCREEN=1
        // keeps it separate on X11 too.
        m_mayShareImage = parent == nullptr && QGuiApplication::platformName() == QLatin1String("xcb") &&
                          qEnvironmentVariableIntValue("POMAREL_SEPARATE_SCREEN") == 0;
    }
    const QJsonObject font = tmpl.value("font").toObject();
    QFont f(AvailableFamily(font.value("face").toString()));
    if (font.contains("pixels")) {
        f.setPixelSize(font.value("pixels").toInt());
    } else {
        f.setPointSize(font.value("points").toInt(9));
    }
    setFont(f);
    const QFontMetrics m(f);
    m_dluX = m.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52.0 / 4.0;
    m_dluY = m.height() / 8.0;
    if (tmpl.value("units").toString() == QLatin1String("pixels")) {
        m_dluX = m_dluY = 1.0;
    }
    const QJsonArray r = tmpl.value("rect").toArray();
    resize(std::max(1, static_cast<int>(r.at(2).toInt() * m_dluX)),
           std::max(1, static_cast<int>(r.at(3).toInt() * m_dluY)));
    m_iconSurface = Surface(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    BuildControls(tmpl);
    qApp->installEventFilter(this);
}

DialogWindow::~DialogWindow()
{
    qApp->removeEventFilter(this);
    if (m_nativeWatch) {
        qApp->removeNativeEventFilter(m_nativeWatch.get());
    }
    auto& live = LiveDialogWindows();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

void DialogWindow::BuildControls(const QJsonObject& tmpl)
{
    for (const QJsonValue v : tmpl.value("controls").toArray()) {
        const QJsonObject c = v.toObject();
        const QString kind = c.value("kind").toString();
        const int id = c.value("id").toInt();
        const QString text = c.value("text").toString();
        QWidget* w = nullptr;
        if (kind == QLatin1String("button")) {
            auto* b = new QPushButton(text, this);
            b->setAutoDefault(false);
            if (c.value("default").toBool()) {
                b->setDefault(true);
                m_defaultId = id;
            }
            connect(b, &QPushButton::clicked, this, [this, id] { PressButton(id); });
            w = b;
        } else if (kind == QLatin1String("checkbox")) {
            auto* b = new WrapCheckBox(text, this);
            // Like a dialog's check box: its own face colour behind the caption.
            b->setAutoFillBackground(true);
            QPalette pal = b->palette();
            pal.setColor(QPalette::Window, QColor(212, 208, 200));
            pal.setColor(QPalette::WindowText, Qt::black);
            b->setPalette(pal);
            connect(b, &QCheckBox::clicked, this, [this, id] { PressButton(id); });
            w = b;
        } else if (kind == QLatin1String("edit")) {
            auto* e = new QPlainTextEdit(this);
            e->setReadOnly(c.value("readonly").toBool());
            e->setTabChangesFocus(true);
            e->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            e->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            e->document()->setDocumentMargin(1);
            e->setPlainText(text);
            w = e;
        } else if (kind == QLatin1String("icon")) {
            auto* l = new QLabel(this);
            if (HICON icon = LoadIcon(static_cast<UINT>(c.value("icon").toInt()))) {
                l->setPixmap(icon->icon.pixmap(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)));
            }
            w = l;
        } else {
            auto* l = new QLabel(this);
            l->setTextFormat(Qt::PlainText);
            l->setText(text);
            w = l;
        }
        if (c.contains("font_px") || c.contains("font_face")) {
            QFont f = font();
            if (c.contains("font_face")) {
                f.setFamily(AvailableFamily(c.value("font_face").toString()));
            }
            if (c.contains("font_px")) {
                f.setPixelSize(c.value("font_px").toInt());
            }
            w->setFont(f);
        }
        const QJsonArray r = c.value("rect").toArray();
        // The template's size: what GetFitRect starts from after the program has moved the control.
        w->setProperty("templateSize",
                       QSize(static_cast<int>(r.at(2).toInt() * m_dluX), static_cast<int>(r.at(3).toInt() * m_dluY)));
        w->setGeometry(static_cast<int>(r.at(0).toInt() * m_dluX), static_cast<int>(r.at(1).toInt() * m_dluY),
                       static_cast<int>(r.at(2).toInt() * m_dluX), static_cast<int>(r.at(3).toInt() * m_dluY));
        if (c.value("tabstop").toBool()) {
            w->setFocusPolicy(Qt::StrongFocus);
            m_tabOrder.push_back(w);
        } else {
            w->setFocusPolicy(Qt::NoFocus);
        }
        if (id != -1) {
            m_controls[id] = w;
        }
    }
    for (std::size_t i = 1; i < m_tabOrder.size(); ++i) {
        setTabOrder(m_tabOrder[i - 1], m_tabOrder[i]);
    }
}

QWidget* DialogWindow::Control(int id) const
{
    const auto it = m_controls.find(id);
    return it != m_controls.end() ? it->second : nullptr;
}

void DialogWindow::PressButton(int id)
{
    Dispatch(0x0111 /* WM_COMMAND */, static_cast<WPARAM>(id), 0,
             [&] { m_owner->OnCommand(static_cast<WPARAM>(id), 0); });
}

void DialogWindow::SetIcon(const QIcon& icon)
{
    if (m_paintedOnce) {
        m_pendingIcon = QIcon();
        setWindowIcon(icon);
    } else {
        m_pendingIcon = icon;
    }
}

void DialogWindow::RequestPaint(const QRect& area)
{
    const QRect clipped = area.intersected(QRect(0, 0, width(), height()));
    if (clipped.isEmpty() && !isMinimized()) {
        return;
    }
    m_invalid += clipped;
    if (m_paintQueued) {
        return;
    }
    m_paintQueued = true;
    m_paintTimer.start();
}

void DialogWindow::PaintNow()
{
    m_paintQueued = false;
    // The invalid area is collected in logical pixels; the program paints in device pixels.
    const QRect client(QPoint(0, 0), DeviceSize());
    m_paintRect = ToDevice(m_invalid.boundingRect()).intersected(client);
    if (isMinimized()) {
        m_paintRect = QRect(0, 0, m_iconSurface.Width(), m_iconSurface.Height());
    }
    if (m_paintRect.isEmpty()) {
        m_paintRect = client;
    }
    m_invalid = QRegion();
    // The paint and what the program draws again over it after (the apple, a hidden key, a hand)
    // reach the screen together: a compositor never shows the screen without them in between.
    QPointer<DialogWindow> painted(this);
    ++m_holdPresent;
    Dispatch(WM_PAINT, 0, 0, [&] { m_owner->OnPaint(); });
    if (!painted) {
        return;
    }
    --m_holdPresent;
    FlushHeld();
    if (!m_paintedOnce) {
        m_paintedOnce = true;
        PrepareSound();
        if (!m_pendingIcon.isNull()) {
            QPointer<DialogWindow> self(this);
            QTimer::singleShot(0, this, [self] {
                if (self && !self->m_pendingIcon.isNull()) {
                    self->setWindowIcon(self->m_pendingIcon);
                    self->m_pendingIcon = QIcon();
                }
            });
        }
    }
    // POMAREL_TRACE=1 tells the benchmarks when the first full paint is done (CLOCK_MONOTONIC).
    static const bool trace = qEnvironmentVariableIntValue("POMAREL_TRACE") != 0;
    if (trace && m_usesFramebuffer && !m_tracedFirstPaint) {
        m_tracedFirstPaint = true;
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        std::fprintf(stderr, "pomarel: first-paint %lld.%06ld\n", static_cast<long long>(ts.tv_sec), ts.tv_nsec / 1000);
        std::fflush(stderr);
    }
}

void DialogWindow::Present()
{
    if (!m_usesFramebuffer) {
        return;
    }
    const auto& observe = platform_seams::PresentObserver();
    QRegion changed;
    const std::vector<RECT> drawn = m_framebuffer.TakeDirty();
    for (const RECT& r : drawn) {
        if (observe) {
            observe(*this, r);
        }
        changed += ToLogical(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top));
    }
    if (changed.isEmpty()) {
        return;
    }
    KeepUnderControls(drawn, true);
    // What a handler drew goes to the screen before the next event is taken: a key's answer
    // does not wait for another turn of the event loop. The messages of one key are shown
    // together, once the last has been handled (FlushHeld). A window not on the screen is drawn
    // whole when it is shown.
    if (m_holdPresent > 0) {
        m_held += changed;
        update(changed);  // shown by the toolkit if a nested loop (a message box) runs first
    } else if (isVisible() && !isMinimized() && updatesEnabled()) {
        repaint(changed);
    } else {
        update(changed);
    }
}

void DialogWindow::FlushHeld()
{
    const QRegion held = m_held;
    m_held = QRegion();
    if (!held.isEmpty() && isVisible() && !isMinimized() && updatesEnabled()) {
        repaint(held);
    }
}

void DialogWindow::paintEvent(QPaintEvent* event)
{
    if (!m_usesFramebuffer) {
        QWidget::paintEvent(event);
        return;
    }
    m_painting = true;
    const Surface& screen = Framebuffer();
    m_painting = false;
    if (screen.Borrowed()) {
        // The program's pixels are already where the toolkit draws: only what lay under the
        // controls it is about to draw again is put back.
        KeepUnderControls(m_framebuffer.PendingDirty(), false);
        RestoreUnderControls(event->region());
        return;
    }
    QPainter painter(this);
    const QImage image = WrapSurface(screen);
    if (image.isNull()) {
        return;
    }
    // The painter maps logical pixels to the screen's; each framebuffer pixel lands on exactly
    // one screen pixel, so the scene is as sharp at 150 % or 200 % as at 100 %.
    const double ratio = Ratio();
    for (const QRect& r : event->region()) {
        const QRect d = ToDevice(r).intersected(image.rect());
        if (!d.isEmpty()) {
            painter.drawImage(QRectF(d.x() / ratio, d.y() / ratio, d.width() / ratio, d.height() / ratio), image,
                              QRectF(d));
        }
    }
}

void DialogWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton && childAt(event->position().toPoint()) == nullptr) {
        const QPointF at = event->position() * Ratio();
        const POINT pt{static_cast<int>(at.x()), static_cast<int>(at.y())};
        Dispatch(WM_RBUTTONDOWN, 0x0002, 0, [&] { m_owner->OnRButtonDown(0x0002, pt); });
        return;
    }
    QWidget::mousePressEvent(event);
}

void DialogWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange) {
        const auto* e = static_cast<QWindowStateChangeEvent*>(event);
        const bool wasMin = (e->oldState() & Qt::WindowMinimized) != 0;
        if (wasMin != isMinimized()) {
            RequestPaint(QRect(0, 0, width(), height()));
        }
    }
    QWidget::changeEvent(event);
}

void DialogWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        RequestPaint(QRect(0, 0, width(), height()));
    }
}

void DialogWindow::closeEvent(QCloseEvent* event)
{
    // The window manager's close goes the way of the system menu's Close: IDCANCEL.
    event->ignore();
    if (!m_ended) {
        Dispatch(WM_SYSCOMMAND, SC_CLOSE, 0, [&] { m_owner->OnSysCommand(SC_CLOSE, 0); });
    }
}

bool DialogWindow::eventFilter(QObject* obj, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || obj != windowHandle() || m_ended) {
        return false;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    const int qk = key->key();
    const bool alt = (key->modifiers() & Qt::AltModifier) != 0;
    QPointer<DialogWindow> self(this);

    KeyPress press;
    press.toolkitKey = qk;
    press.modifiers = ((key->modifiers() & Qt::ShiftModifier) != 0 ? kShiftHeld : 0u) |
                      ((key->modifiers() & Qt::ControlModifier) != 0 ? kControlHeld : 0u) | (alt ? kAltHeld : 0u);
    press.text = key->text().toStdU32String();
    ++m_holdPresent;
    for (MSG msg : KeyMessages(press)) {
        Dispatch(msg.message, msg.wParam, 0, [&] { m_owner->PreTranslateMessage(&msg); });
        if (!self) {
            return true;
        }
        if (m_ended) {
            break;
        }
    }
    --m_holdPresent;
    FlushHeld();
    if (m_ended) {
        return true;
    }
    // What the dialog manager does with the key after the program has seen it.
    if (qk == Qt::Key_Escape) {
        Dispatch(0x0111, IDCANCEL, 0, [&] { m_owner->OnCommand(IDCANCEL, 0); });
        return true;
    }
    if (qk == Qt::Key_Return || qk == Qt::Key_Enter) {
        int id = m_defaultId;
        if (auto* b = qobject_cast<QPushButton*>(focusWidget()); b != nullptr) {
            for (const auto& [cid, w] : m_controls) {
                if (w == b) {
                    id = cid;
                }
            }
        }
        if (id != 0) {
            PressButton(id);
        }
        return true;
    }
    if (qk == Qt::Key_F1 && key->modifiers() == Qt::NoModifier) {
        HELPINFO info;
        Dispatch(WM_HELP, 0, 0, [&] { m_owner->OnHelpInfo(&info); });
        return true;
    }
    if (qk == Qt::Key_Space && alt) {
        ShowSystemMenu();
        return true;
    }
    // Alt+F4 closes as the system menu's Close does (a window manager may take it first).
    if (qk == Qt::Key_F4 && alt) {
        Dispatch(WM_SYSCOMMAND, SC_CLOSE, 0, [&] { m_owner->OnSysCommand(SC_CLOSE, 0); });
        return true;
    }
    return false;
}

void DialogWindow::SetTimer(UINT_PTR id, UINT ms)
{
    auto& timer = m_timers[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer.get(), &QTimer::timeout, this,
                         [this, id] { Dispatch(WM_TIMER, id, 0, [&] { m_owner->OnTimer(id); }); });
    }
    timer->start(static_cast<int>(ms));
}

bool DialogWindow::KillTimer(UINT_PTR id)
{
    const auto it = m_timers.find(id);
    if (it == m_timers.end() || !it->second->isActive()) {
        return false;
    }
    it->second->stop();
    return true;
}

QTimer* DialogWindow::Timer(UINT_PTR id) const
{
    const auto it = m_timers.find(id);
    return it != m_timers.end() ? it->second.get() : nullptr;
}

namespace {
// The system menu's own items, in the language of the toolkit's installed translations: its
// catalogue has them for a sub-window's menu.
QString MinimizeText()
{
    return QCoreApplication::translate("QMdiSubWindow", "Mi&nimize");
}
QString CloseText()
{
    return QCoreApplication::translate("QMdiSubWindow", "&Close");
}
}  // namespace

void DialogWindow::AppendSystemMenu(UINT flags, UINT_PTR id, const QString& text)
{
    m_sysItems.push_back({flags, id, text});
}

std::vector<std::string> DialogWindow::SystemMenuItems() const
{
    std::vector<std::string> out{FromQt(MinimizeText()), FromQt(CloseText())};
    for (const MenuItem& item : m_sysItems) {
        out.push_back((item.flags & MF_SEPARATOR) != 0 ? std::string("-") : FromQt(item.text));
    }
    return out;
}

void DialogWindow::ShowSystemMenu()
{
    QMenu menu(this);
    menu.addAction(MinimizeText())->setData(QVariant::fromValue<qulonglong>(SC_MINIMIZE));
    menu.addAction(CloseText())->setData(QVariant::fromValue<qulonglong>(SC_CLOSE));
    for (const MenuItem& item : m_sysItems) {
        if ((item.flags & MF_SEPARATOR) != 0) {
            menu.addSeparator();
        } else {
            menu.addAction(item.text)->setData(QVariant::fromValue<qulonglong>(item.id));
        }
    }
    QPointer<DialogWindow> self(this);
    QAction* chosen = menu.exec(mapToGlobal(QPoint(0, 0)));
    if (!self) {
        return;
    }
    RequestPaint(QRect(mapFromGlobal(menu.geometry().topLeft()), menu.geometry().size()));
    if (chosen != nullptr) {
        const UINT id = static_cast<UINT>(chosen->data().toULongLong());
        Dispatch(WM_SYSCOMMAND, id, 0, [&] { m_owner->OnSysCommand(id, 0); });
    }
}

void DialogWindow::ShowDialog(bool modal)
{
    if (modal && parentWidget() != nullptr) {
        setWindowModality(Qt::ApplicationModal);
        // Its own size, on the screen, centred on the window it belongs to.
        if (const QScreen* screen = parentWidget()->screen()) {
            const QRect avail = screen->availableGeometry();
            resize(size().boundedTo(avail.size()));
        }
        setFixedSize(size());
        const QRect p = parentWidget()->geometry();
        move(p.center() - QPoint(width() / 2, height() / 2));
    }
    const QScreen* screen = ProgramScreen();
    const bool coversScreen = m_usesFramebuffer && screen != nullptr && geometry() == screen->geometry();
    if (coversScreen && !ScreenIsOverridden() && QGuiApplication::platformName() != QLatin1String("offscreen")) {
        // A bare X server has no window manager to honour a full-screen request alone.
        setGeometry(screen->geometry());
        showFullScreen();
        FollowScreen();
    } else {
        show();
    }
    if (!m_tabOrder.empty()) {
        QWidget* first = m_tabOrder.front();
        if (auto it = m_controls.find(m_defaultId); it != m_controls.end()) {
            first = it->second;
        }
        first->setFocus(Qt::OtherFocusReason);
    }
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        activateWindow();
        raise();
    }
}

int DialogWindow::RunLoop()
{
    if (m_ended) {
        return m_result;
    }
    QEventLoop loop;
    m_loop = &loop;
    loop.exec(QEventLoop::DialogExec);
    m_loop = nullptr;
    return m_result;
}

void DialogWindow::End(int result)
{
    m_ended = true;
    m_result = result;
    for (auto& [id, timer] : m_timers) {
        timer->stop();
    }
    if (m_loop != nullptr) {
        m_loop->exit(result);
    }
}

void DialogWindow::MoveTo(int x, int y, int w, int h)
{
    w = std::max(1, w);
    h = std::max(1, h);
    m_deviceSize = QSize(w, h);
    // A top-level window's (0, 0) is the corner of the screen it is on, wherever that screen
    // stands among several.
    const QScreen* screen = nullptr;
    if (parentWidget() == nullptr && !ScreenIsOverridden()) {
        screen = ProgramScreen();
    }
    if (screen != nullptr && x == 0 && y == 0 && w == GetSystemMetrics(SM_CXSCREEN) &&
        h == GetSystemMetrics(SM_CYSCREEN)) {
        // The whole screen: exactly its logical geometry, whatever the rounding of a fractional
        // scale would make of the device size.
        setGeometry(screen->geometry());
        return;
    }
    const QPoint origin = screen != nullptr ? screen->geometry().topLeft() : QPoint(0, 0);
    const RECT l = PlaceInLogical(RECT{x, y, x + w, y + h}, Ratio());
    setGeometry(origin.x() + l.left, origin.y() + l.top, std::max(1, l.right - l.left), std::max(1, l.bottom - l.top));
}

QSize DialogWindow::DeviceSize() const
{
    const double ratio = Ratio();
    // The size the program asked for while the window still has it, so the framebuffer is
    // exactly the screen size the program measured; else what the window has become.
    if (m_deviceSize.isValid()) {
        const RECT l = PlaceInLogical(RECT{0, 0, m_deviceSize.width(), m_deviceSize.height()}, ratio);
        if (l.right == width() && l.bottom == height()) {
            return m_deviceSize;
        }
    }
    const RECT d = PlaceInDevice(RECT{0, 0, width(), height()}, ratio);
    return {std::max(1, d.right), std::max(1, d.bottom)};
}

QRect DialogWindow::ToDevice(const QRect& logical) const
{
    const RECT d = CoverInDevice(
        RECT{logical.left(), logical.top(), logical.left() + logical.width(), logical.top() + logical.height()},
        Ratio());
    return {d.left, d.top, d.right - d.left, d.bottom - d.top};
}

QRect DialogWindow::ToLogical(const QRect& device) const
{
    const RECT l = CoverInLogical(
        RECT{device.left(), device.top(), device.left() + device.width(), device.top() + device.height()}, Ratio());
    return {l.left, l.top, l.right - l.left, l.bottom - l.top};
}

Surface& DialogWindow::Framebuffer()
{
    // Made at the window's size when first drawn on: the practice window moves to the
    // screen's size right after creation, and a template-sized one would be filled for nothing.
    const QSize size = DeviceSize();
    if (!m_usesFramebuffer) {
        return m_framebuffer;
    }
    const bool sameSize = m_framebuffer.Width() == size.width() && m_framebuffer.Height() == size.height();
    if (std::uint32_t* image = WindowImagePixels(size)) {
        if (!sameSize || m_framebuffer.Data() != image) {
            Surface shared = Surface::Borrowing(image, size.width(), size.height());
            shared.EnableDirtyTracking(true);
            if (sameSize && !m_framebuffer.Borrowed()) {
                // What the program drew so far moves into the window's image, to be shown whole.
                std::copy(m_framebuffer.Data(),
                          m_framebuffer.Data() + static_cast<std::size_t>(size.width()) * size.height(), image);
                shared.MarkDirty(0, 0, size.width(), size.height());
            } else if (sameSize) {
                // The toolkit made its image anew under the program: it is drawn again.
                RequestPaint(rect());
            }
            m_framebuffer = std::move(shared);
            m_underControls.clear();
        }
    } else if (!sameSize) {
        m_framebuffer = Surface(size.width(), size.height());
        m_framebuffer.EnableDirtyTracking(true);
        m_underControls.clear();
    } else if (m_framebuffer.Borrowed() && !m_painting) {
        OwnFramebuffer();
    }
    return m_framebuffer;
}

std::uint32_t* DialogWindow::WindowImagePixels(QSize size)
{
    if (!m_mayShareImage || !testAttribute(Qt::WA_WState_Created) || windowHandle() == nullptr || Ratio() != 1.0) {
        return nullptr;
    }
    QBackingStore* store = backingStore();
    if (store == nullptr) {
        return nullptr;
    }
    if (store->size() != this->size()) {
        if (m_painting) {
            return nullptr;
        }
        // As the toolkit would before its next paint; made now, so the program draws on it.
        store->resize(this->size());
    }
    QPaintDevice* device = store->paintDevice();
    if (device == nullptr || device->devType() != QInternal::Image) {
        return nullptr;
    }
    const auto* image = static_cast<const QImage*>(device);
    const QImage::Format f = image->format();
    if (image->size() != size || image->bytesPerLine() != static_cast<qsizetype>(size.width()) * 4 ||
        (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32_Premultiplied && f != QImage::Format_ARGB32)) {
        return nullptr;
    }
    // Not bits(): that would give a copy of an image shared with another QImage.
    return reinterpret_cast<std::uint32_t*>(const_cast<uchar*>(image->constBits()));
}

void DialogWindow::OwnFramebuffer()
{
    if (m_framebuffer.Borrowed()) {
        Surface own(m_framebuffer);  // owns a copy of the pixels, with what is still to present
        m_framebuffer = std::move(own);
    }
    m_underControls.clear();
}

void DialogWindow::KeepUnderControls(const std::vector<RECT>& drawn, bool redrawControls)
{
    if (!m_framebuffer.Borrowed()) {
        m_underControls.clear();
        return;
    }
    const QRect screen(0, 0, m_framebuffer.Width(), m_framebuffer.Height());
    std::vector<UnderControl> now;
    QRegion redraw;
    for (const auto& [id, control] : m_controls) {
        if (control == nullptr || !control->isVisible()) {
            continue;
        }
        const RECT g = DeviceGeometry(control);
        const QRect rect = QRect(g.left, g.top, g.right - g.left, g.bottom - g.top).intersected(screen);
        if (rect.isEmpty()) {
            continue;
        }
        QWidget* const widget = control;  // a structured binding is not captured by lambdas in C++20
        auto was = std::find_if(m_underControls.begin(), m_underControls.end(),
                                [widget](const UnderControl& u) { return u.control == widget; });
        if (was != m_underControls.end() && was->rect == rect) {
            now.push_back(std::move(*was));
            continue;
        }
        if (was != m_underControls.end()) {
            redraw += was->rect;  // the control's old place shows the control until drawn again
        }
        now.push_back(UnderControl{control, rect, Surface(rect.width(), rect.height()), QRegion()});
        redraw += rect;
    }
    m_underControls = std::move(now);
    for (UnderControl& u : m_underControls) {
        for (const RECT& r : drawn) {
            const QRect part = QRect(r.left, r.top, r.right - r.left, r.bottom - r.top).intersected(u.rect);
            if (part.isEmpty()) {
                continue;
            }
            for (int y = part.top(); y <= part.bottom(); ++y) {
                const std::uint32_t* from = m_framebuffer.Row(y) + part.left();
                std::copy(from, from + part.width(), u.pixels.Row(y - u.rect.top()) + (part.left() - u.rect.left()));
            }
            u.kept += part;
            if (redrawControls) {
                // The toolkit takes what it drew of a control, or of a part of one that paints
                // all of itself (an edit box's text area), to be still there: it is asked again.
                const QRect local = ToLogical(part).translated(-u.control->pos());
                u.control->update(local);
                for (QWidget* inner : u.control->findChildren<QWidget*>()) {
                    inner->update(QRect(inner->mapFrom(u.control, local.topLeft()), local.size()));
                }
            }
        }
    }
    for (const RECT& r : drawn) {
        redraw -= QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    if (!redraw.isEmpty()) {
        // What lies under a control that came there is the program's to draw (a WM_PAINT).
        RequestPaint(ToLogical(redraw.boundingRect()));
    }
}

void DialogWindow::RestoreUnderControls(const QRegion& logical)
{
    for (const UnderControl& u : m_underControls) {
        for (const QRect& r : logical) {
            for (const QRect& part : u.kept.intersected(ToDevice(r))) {
                for (int y = part.top(); y <= part.bottom(); ++y) {
                    const std::uint32_t* from = u.pixels.Row(y - u.rect.top()) + (part.left() - u.rect.left());
                    std::copy(from, from + part.width(), m_framebuffer.Row(y) + part.left());
                }
            }
        }
    }
}

bool DialogWindow::event(QEvent* event)
{
    // The toolkit may make its image of the window anew after these: the framebuffer keeps its
    // pixels in memory of its own until it is drawn on again.
    switch (event->type()) {
    case QEvent::ScreenChangeInternal:
    case QEvent::WinIdChange:
    case QEvent::PlatformSurface: OwnFramebuffer(); break;
    default: break;
    }
    return QWidget::event(event);
}

CDC* DialogWindow::NewClientDC()
{
    m_clientDCs.push_back(std::make_unique<CDC>(&Framebuffer()));
    return m_clientDCs.back().get();
}

void DialogWindow::FreeClientDC(CDC* dc)
{
    m_clientDCs.erase(std::remove_if(m_clientDCs.begin(), m_clientDCs.end(),
                                     [dc](const std::unique_ptr<CDC>& p) { return p.get() == dc; }),
                      m_clientDCs.end());
}
