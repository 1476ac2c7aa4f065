// CDialog on a Qt top-level widget: controls from a template resource, message routing,
// painting through the framebuffer, timers, the system menu and message boxes.
#include "platform/dialog_window.h"

#include <QApplication>
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
#include <cstdio>
#include <ctime>

#include "platform/internal.h"
#include "platform/testing.h"

using namespace platform_detail;

namespace {

std::function<int(std::string_view, UINT)>& MessageBoxHook()
{
    static std::function<int(std::string_view, UINT)> hook;
    return hook;
}

std::function<void(CDialog&)>& ModalHook()
{
    static std::function<void(CDialog&)> hook;
    return hook;
}

bool& ScreenOverridden()
{
    static bool overridden = false;
    return overridden;
}

QJsonObject LoadTemplate(UINT id)
{
    const QByteArray* bytes = ResourceBytes("dialog", ResourceName(id));
    if (bytes == nullptr) {
        return {};
    }
    return QJsonDocument::fromJson(*bytes).object();
}

// A template's face where it is installed, else a sans-serif that always is; characters the
// face lacks (Chinese, Japanese) come from the system's fallback fonts.
QString AvailableFamily(const QString& face)
{
    if (QFontDatabase::families().contains(face)) {
        return face;
    }
    return QStringLiteral("DejaVu Sans");
}

int VirtualKeyOf(const QKeyEvent* e)
{
    const int key = e->key();
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        return VK_F1 + (key - Qt::Key_F1);
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        return 'A' + (key - Qt::Key_A);
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        return '0' + (key - Qt::Key_0);
    }
    switch (key) {
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    default: return static_cast<int>(e->nativeVirtualKey() & 0xFF);
    }
}

}  // namespace

std::vector<DialogWindow*>& LiveDialogWindows()
{
    static std::vector<DialogWindow*> windows;
    return windows;
}

// ---------------------------------------------------------------------------------------------
// WrapCheckBox

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

    // Wrap the caption and, when its lines are taller than the box, draw them closer together
    // rather than cut any off.
    QTextLayout layout(text(), font());
    QTextOption wrap;
    wrap.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(wrap);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(textRect.width());
    }
    layout.endLayout();
    const int lines = std::max(1, layout.lineCount());
    const qreal natural = QFontMetricsF(font()).height();
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
    const bool popup = tmpl.value("style").toString() == QLatin1String("popup");
    m_usesFramebuffer = tmpl.value("framebuffer").toBool();
    if (popup) {
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    } else {
        setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    }
    setWindowTitle(ToQt(FromQt(tmpl.value("caption").toString())));
    if (m_usesFramebuffer) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
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
    auto& live = LiveDialogWindows();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

void DialogWindow::BuildControls(const QJsonObject& tmpl)
{
    for (const QJsonValue& v : tmpl.value("controls").toArray()) {
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
    QPointer<DialogWindow> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self) {
            self->PaintNow();
        }
    });
}

void DialogWindow::PaintNow()
{
    m_paintQueued = false;
    m_paintRect = m_invalid.boundingRect();
    if (isMinimized()) {
        m_paintRect = QRect(0, 0, m_iconSurface.Width(), m_iconSurface.Height());
    }
    if (m_paintRect.isEmpty()) {
        m_paintRect = QRect(0, 0, width(), height());
    }
    m_invalid = QRegion();
    Dispatch(WM_PAINT, 0, 0, [&] { m_owner->OnPaint(); });
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
    for (const RECT& r : m_framebuffer.TakeDirty()) {
        m_presented.push_back(r);
        update(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top));
    }
    // Tests read the list; a running program keeps only the latest few.
    if (m_presented.size() > 4096) {
        m_presented.erase(m_presented.begin(), m_presented.begin() + 2048);
    }
}

std::vector<RECT> DialogWindow::TakePresented()
{
    Present();
    std::vector<RECT> out;
    out.swap(m_presented);
    return out;
}

void DialogWindow::paintEvent(QPaintEvent* event)
{
    if (!m_usesFramebuffer) {
        QWidget::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QImage image = WrapSurface(static_cast<const Surface&>(Framebuffer()));
    if (image.isNull()) {
        return;
    }
    for (const QRect& r : event->region()) {
        painter.drawImage(r, image, r);
    }
}

void DialogWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton && childAt(event->position().toPoint()) == nullptr) {
        const POINT pt{event->position().toPoint().x(), event->position().toPoint().y()};
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
    const int vk = VirtualKeyOf(key);
    const bool alt = (key->modifiers() & Qt::AltModifier) != 0;
    QPointer<DialogWindow> self(this);

    MSG down{WM_KEYDOWN, static_cast<WPARAM>(vk), 0};
    Dispatch(WM_KEYDOWN, down.wParam, 0, [&] { m_owner->PreTranslateMessage(&down); });
    if (!self || m_ended) {
        return true;
    }
    const bool dialogKey = qk == Qt::Key_Escape || qk == Qt::Key_Return || qk == Qt::Key_Enter ||
                           qk == Qt::Key_Tab || qk == Qt::Key_Backtab || qk == Qt::Key_Delete;
    if (!alt && !dialogKey) {
        for (const char32_t c : key->text().toStdU32String()) {
            MSG ch{WM_CHAR, static_cast<WPARAM>(c), 0};
            Dispatch(WM_CHAR, ch.wParam, 0, [&] { m_owner->PreTranslateMessage(&ch); });
            if (!self || m_ended) {
                return true;
            }
        }
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
    return false;
}

void DialogWindow::SetTimer(UINT_PTR id, UINT ms)
{
    auto& timer = m_timers[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer.get(), &QTimer::timeout, this, [this, id] {
            Dispatch(WM_TIMER, id, 0, [&] { m_owner->OnTimer(id); });
        });
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

void DialogWindow::AppendSystemMenu(UINT flags, UINT_PTR id, const QString& text)
{
    m_sysItems.push_back({flags, id, text});
}

std::vector<std::string> DialogWindow::SystemMenuItems() const
{
    std::vector<std::string> out{"Minimize", "Close"};
    for (const MenuItem& item : m_sysItems) {
        out.push_back((item.flags & MF_SEPARATOR) != 0 ? std::string("-") : FromQt(item.text));
    }
    return out;
}

void DialogWindow::ShowSystemMenu()
{
    QMenu menu(this);
    menu.addAction(QStringLiteral("Minimize"))->setData(QVariant::fromValue<qulonglong>(SC_MINIMIZE));
    menu.addAction(QStringLiteral("Close"))->setData(QVariant::fromValue<qulonglong>(SC_CLOSE));
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
        const QRect p = parentWidget()->geometry();
        move(p.center() - QPoint(width() / 2, height() / 2));
    }
    const bool coversScreen = m_usesFramebuffer && x() == 0 && y() == 0 &&
                              width() == GetSystemMetrics(SM_CXSCREEN) &&
                              height() == GetSystemMetrics(SM_CYSCREEN);
    if (coversScreen && !ScreenOverridden() && QGuiApplication::platformName() != QLatin1String("offscreen")) {
        // A bare X server has no window manager to honour a full-screen request alone.
        setGeometry(0, 0, width(), height());
        showFullScreen();
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
    setGeometry(x, y, std::max(1, w), std::max(1, h));
}

Surface& DialogWindow::Framebuffer()
{
    // Made at the window's size when first drawn on: the practice window moves to the
    // screen's size right after creation, and a template-sized one would be filled for nothing.
    if (m_usesFramebuffer && (m_framebuffer.Width() != width() || m_framebuffer.Height() != height())) {
        m_framebuffer = Surface(width(), height());
        m_framebuffer.EnableDirtyTracking(true);
    }
    return m_framebuffer;
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

// ---------------------------------------------------------------------------------------------
// Controls and data exchange

namespace {

QWidget* ControlOf(const CDialog* dlg, int id)
{
    return dlg != nullptr && dlg->Window() != nullptr ? dlg->Window()->Control(id) : nullptr;
}

void SetControlText(QWidget* w, std::string_view text)
{
    const QString s = ToQt(text);
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(s);
        b->update();
    } else if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
        if (e->toPlainText() != s) {
            e->setPlainText(s);
            // Auto-scrolling: the end of the text stays in view.
            e->moveCursor(QTextCursor::End);
            e->ensureCursorVisible();
        }
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(s);
    }
}

std::string ControlText(const QWidget* w)
{
    if (const auto* b = qobject_cast<const QAbstractButton*>(w)) {
        return FromQt(b->text());
    }
    if (const auto* e = qobject_cast<const QPlainTextEdit*>(w)) {
        return FromQt(e->toPlainText());
    }
    if (const auto* l = qobject_cast<const QLabel*>(w)) {
        return FromQt(l->text());
    }
    return {};
}

}  // namespace

void CWnd::SetWindowText(std::string_view text)
{
    SetControlText(ControlOf(m_owner, m_id), text);
}

std::string CWnd::GetWindowText() const
{
    const QWidget* w = ControlOf(m_owner, m_id);
    return w != nullptr ? ControlText(w) : std::string();
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL)
{
    if (QWidget* w = ControlOf(m_owner, m_id)) {
        w->setGeometry(x, y, std::max(0, width), std::max(0, height));
    }
}

void CWnd::MoveWindow(const RECT& rc, BOOL repaint)
{
    MoveWindow(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, repaint);
}

void CWnd::GetClientRect(RECT* rc) const
{
    if (rc == nullptr) {
        return;
    }
    const QWidget* w = ControlOf(m_owner, m_id);
    *rc = w != nullptr ? RECT{0, 0, w->width(), w->height()} : RECT{};
}

void CWnd::GetWindowRect(RECT* rc) const
{
    if (rc == nullptr) {
        return;
    }
    const QWidget* w = ControlOf(m_owner, m_id);
    *rc = w != nullptr ? RECT{w->x(), w->y(), w->x() + w->width(), w->y() + w->height()} : RECT{};
}

BOOL CWnd::IsWindowVisible() const
{
    const QWidget* w = ControlOf(m_owner, m_id);
    return w != nullptr && w->isVisible() ? TRUE : FALSE;
}

void CWnd::SetFocus()
{
    if (QWidget* w = ControlOf(m_owner, m_id)) {
        w->setFocus(Qt::OtherFocusReason);
    }
}

BOOL CWnd::HasFocus() const
{
    const QWidget* w = ControlOf(m_owner, m_id);
    return w != nullptr && w->window()->focusWidget() == w ? TRUE : FALSE;
}

int CButton::GetCheck() const
{
    const auto* b = qobject_cast<const QAbstractButton*>(ControlOf(m_owner, m_id));
    return b != nullptr && b->isChecked() ? 1 : 0;
}

void CButton::SetCheck(int check)
{
    if (auto* b = qobject_cast<QAbstractButton*>(ControlOf(m_owner, m_id))) {
        b->setChecked(check != 0);
    }
}

void CButton::Click()
{
    if (auto* b = qobject_cast<QAbstractButton*>(ControlOf(m_owner, m_id))) {
        b->click();
    }
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (!control.IsBound()) {
        control.Bind(dx->m_pDlgWnd, id);
    }
}

void DDX_Text(CDataExchange* dx, int id, std::string& value)
{
    if (dx->m_bSaveAndValidate) {
        value = dx->m_pDlgWnd->GetDlgItemText(id);
    } else {
        dx->m_pDlgWnd->SetDlgItemText(id, value);
    }
}

void DDX_Check(CDataExchange* dx, int id, int& value)
{
    auto* b = qobject_cast<QAbstractButton*>(ControlOf(dx->m_pDlgWnd, id));
    if (b == nullptr) {
        return;
    }
    if (dx->m_bSaveAndValidate) {
        value = b->isChecked() ? 1 : 0;
    } else {
        b->setChecked(value != 0);
    }
}

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR id, std::string_view text)
{
    if (m_owner == nullptr || m_owner->Window() == nullptr) {
        return FALSE;
    }
    m_owner->Window()->AppendSystemMenu(flags, id, ToQt(text));
    return TRUE;
}

// ---------------------------------------------------------------------------------------------
// CDialog

CDialog::CDialog(UINT templateId, CDialog* parent) : m_templateId(templateId), m_parent(parent) {}

CDialog::~CDialog() = default;

BOOL CDialog::Create()
{
    if (m_window) {
        return TRUE;
    }
    QWidget* parentWidget = m_parent != nullptr ? m_parent->Window() : nullptr;
    m_window = std::make_unique<DialogWindow>(this, LoadTemplate(m_templateId), parentWidget);
    // The window's own lifetime is ours, not its parent's.
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);
    BOOL ok = TRUE;
    m_window->Dispatch(0x0110 /* WM_INITDIALOG */, 0, 0, [&] { OnInitDialog(); });
    if (!m_window->Ended()) {
        m_window->ShowDialog(m_parent != nullptr);
    }
    return ok;
}

int CDialog::DoModal()
{
    Create();
    if (ModalHook() && m_parent != nullptr) {
        ModalHook()(*this);
    }
    const int result = m_window->RunLoop();
    m_window->Dispatch(0x0002 /* WM_DESTROY */, 0, 0, [&] { OnDestroy(); });
    const QRect covered = m_window->geometry();
    m_window->hide();
    m_window.reset();
    if (m_parent != nullptr && m_parent->Window() != nullptr) {
        DialogWindow* p = m_parent->Window();
        p->RequestPaint(QRect(p->mapFromGlobal(covered.topLeft()), covered.size()));
    }
    return result;
}

void CDialog::EndDialog(int result)
{
    if (m_window) {
        m_window->End(result);
    }
}

BOOL CDialog::IsEnded() const
{
    return m_window && m_window->Ended() ? TRUE : FALSE;
}

int CDialog::Result() const
{
    return m_window ? m_window->Result() : 0;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::SetDlgItemText(int id, std::string_view text)
{
    SetControlText(ControlOf(this, id), text);
}

std::string CDialog::GetDlgItemText(int id) const
{
    const QWidget* w = ControlOf(this, id);
    return w != nullptr ? ControlText(w) : std::string();
}

CMenu* CDialog::GetSystemMenu(BOOL)
{
    return m_window ? m_window->SystemMenu() : nullptr;
}

LPARAM CDialog::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!m_window) {
        return 0;
    }
    switch (message) {
    case WM_SETICON: {
        const auto* icon = reinterpret_cast<const HICON__*>(lParam);
        if (icon != nullptr && wParam == ICON_BIG) {
            m_window->setWindowIcon(icon->icon);
        }
        return 0;
    }
    case WM_ICONERASEBKGND: {
        Surface& s = m_window->IconSurface();
        std::fill(s.Data(), s.Data() + static_cast<std::ptrdiff_t>(s.Width()) * s.Height(), 0xff3a6ea5u);
        return 1;
    }
    default:
        return 0;
    }
}

BOOL CDialog::SetTimer(UINT_PTR id, UINT elapseMs)
{
    if (!m_window) {
        return FALSE;
    }
    m_window->SetTimer(id, elapseMs);
    return TRUE;
}

BOOL CDialog::KillTimer(UINT_PTR id)
{
    return m_window && m_window->KillTimer(id) ? TRUE : FALSE;
}

CDC* CDialog::GetDC()
{
    return m_window ? m_window->NewClientDC() : nullptr;
}

int CDialog::ReleaseDC(CDC* dc)
{
    if (m_window && dc != nullptr) {
        m_window->FreeClientDC(dc);
        return 1;
    }
    return 0;
}

BOOL CDialog::IsIconic() const
{
    return m_window && m_window->isMinimized() ? TRUE : FALSE;
}

void CDialog::GetClientRect(RECT* rc) const
{
    if (rc == nullptr) {
        return;
    }
    if (!m_window) {
        *rc = RECT{};
    } else if (m_window->isMinimized()) {
        *rc = RECT{0, 0, m_window->IconSurface().Width(), m_window->IconSurface().Height()};
    } else {
        *rc = RECT{0, 0, m_window->width(), m_window->height()};
    }
}

void CDialog::MoveWindow(int x, int y, int width, int height, BOOL repaint)
{
    if (!m_window) {
        return;
    }
    m_window->MoveTo(x, y, width, height);
    if (repaint != FALSE && m_window->isVisible()) {
        m_window->RequestPaint(QRect(0, 0, width, height));
    }
}

void CDialog::Invalidate()
{
    if (m_window) {
        m_window->RequestPaint(QRect(0, 0, m_window->width(), m_window->height()));
    }
}

void CDialog::ShowWindow(int cmd)
{
    if (!m_window) {
        return;
    }
    switch (cmd) {
    case SW_HIDE: m_window->hide(); break;
    case SW_MINIMIZE: m_window->showMinimized(); break;
    default: m_window->ShowDialog(false); break;
    }
}

void CDialog::Default()
{
    if (!m_window) {
        return;
    }
    const MSG& m = m_window->CurrentMessage();
    if (m.message == WM_SYSCOMMAND) {
        switch (static_cast<UINT>(m.wParam) & 0xFFF0) {
        case SC_MINIMIZE: m_window->showMinimized(); break;
        case SC_RESTORE: ShowWindow(SW_RESTORE); break;
        case SC_CLOSE: OnCommand(IDCANCEL, 0); break;
        default: break;
        }
    }
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::PreTranslateMessage(MSG*)
{
    return FALSE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnPaint()
{
    CPaintDC dc(this);
}

void CDialog::OnTimer(UINT_PTR)
{
    Default();
}

void CDialog::OnSysCommand(UINT, LPARAM)
{
    Default();
}

void CDialog::OnRButtonDown(UINT, POINT)
{
    Default();
}

BOOL CDialog::OnHelpInfo(HELPINFO*)
{
    return FALSE;
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM)
{
    switch (static_cast<int>(wParam & 0xFFFF)) {
    case IDOK: OnOK(); return TRUE;
    case IDCANCEL: OnCancel(); return TRUE;
    default: return FALSE;
    }
}

HICON CDialog::OnQueryDragIcon()
{
    return nullptr;
}

void CDialog::OnDestroy() {}

Surface& CDialog::ScreenSurface()
{
    static Surface empty;
    return m_window ? m_window->Framebuffer() : empty;
}

RECT CDialog::PaintRect() const
{
    if (!m_window) {
        return {};
    }
    const QRect r = m_window->PaintRect();
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

Surface* CDialog::IconSurface()
{
    return m_window ? &m_window->IconSurface() : nullptr;
}

CPaintDC::CPaintDC(CDialog* wnd) : m_wnd(wnd)
{
    if (wnd == nullptr) {
        return;
    }
    if (wnd->IsIconic()) {
        Attach(wnd->IconSurface());
    } else {
        Attach(&wnd->ScreenSurface());
        SetClip(wnd->PaintRect());
        // The window's own background erase, under whatever the paint draws.
        const RECT c = Clip();
        FillSolidRect(c.left, c.top, c.right - c.left, c.bottom - c.top, RGB(212, 208, 200));
    }
}

CPaintDC::~CPaintDC() = default;

// ---------------------------------------------------------------------------------------------
// Message boxes

int AfxMessageBox(std::string_view text, UINT type, UINT)
{
    const bool yesNo = (type & 0xF) == MB_YESNO;
    if (MessageBoxHook()) {
        return MessageBoxHook()(text, type);
    }
    DialogWindow* owner = LiveDialogWindows().empty() ? nullptr : LiveDialogWindows().back();
    QMessageBox box(yesNo ? QMessageBox::Question : QMessageBox::Information, QStringLiteral("Pomarel"),
                    ToQt(text), yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    if (yesNo) {
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    }
    // Keep the box on the screen for a long help text.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        box.setMaximumSize(screen->availableGeometry().size());
    }
    QPointer<DialogWindow> guard(owner);
    const int answer = box.exec();
    const QRect covered = box.geometry();
    if (guard) {
        guard->RequestPaint(QRect(guard->mapFromGlobal(covered.topLeft()), covered.size()));
    }
    if (yesNo) {
        return answer == QMessageBox::Yes ? IDYES : IDNO;
    }
    return IDOK;
}

// ---------------------------------------------------------------------------------------------
// Test hooks

namespace testing_hooks {

void SetMessageBoxHook(std::function<int(std::string_view, UINT)> hook)
{
    MessageBoxHook() = std::move(hook);
}

void SetModalDialogHook(std::function<void(CDialog&)> hook)
{
    ModalHook() = std::move(hook);
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
    QWidget* target = w->childAt(x, y);
    const QPoint local = target != nullptr ? target->mapFrom(w, QPoint(x, y)) : QPoint(x, y);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(local), QPointF(w->mapToGlobal(QPoint(x, y))),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
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
    return dlg.Window() != nullptr ? dlg.Window()->TakePresented() : std::vector<RECT>{};
}

RECT ControlRect(CDialog& dlg, int id)
{
    const QWidget* c = ControlOf(&dlg, id);
    if (c == nullptr) {
        return {};
    }
    return {c->x(), c->y(), c->x() + c->width(), c->y() + c->height()};
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

namespace platform_detail {
void SetScreenOverridden(bool on)
{
    ScreenOverridden() = on;
}
}  // namespace platform_detail
