// CDialog: a dialog from a template resource, its modal loop and its handlers' defaults;
// message boxes.
#include "platform/face/dialog_window.h"

#include <QFile>
#include <QGridLayout>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "platform/face/gdi_qt.h"
#include "platform/face/qt_text.h"
#include "platform/face/resources.h"
#include "platform/face/seams.h"

using namespace platform_detail;

namespace {

// A text too tall for the screen in the box as the toolkit makes it (the help texts on small
// screens) is shown in a box nearly as wide as the screen allows, and where it is still too tall,
// in a scroll area of the screen's height, so the box and its buttons stay on the screen.
void FitLongText(QMessageBox& box, const QString& text)
{
    const QScreen* screen = box.parentWidget() != nullptr && box.parentWidget()->screen() != nullptr
                                ? box.parentWidget()->screen()
                                : QGuiApplication::primaryScreen();
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (screen == nullptr || label == nullptr || grid == nullptr) {
        return;
    }
    const QSize avail = screen->availableGeometry().size();
    // Pixels of the box's frame, icon, margins and button row around its text.
    constexpr int kAroundW = 140;
    constexpr int kAroundH = 110;
    // The toolkit's own box for a long text is at most half the screen wide, at most 500 pixels,
    // the text inside it narrower by the icon and margins; its box never grows wider than the
    // screen (up to 1024) or 1000 pixels.
    const int usual = std::min(avail.width() / 2, 500) - kAroundW;
    const int widest = (avail.width() <= 1024 ? avail.width() : std::min(avail.width() - 480, 1000)) - kAroundW;
    const QFontMetrics fm(label->font());
    const auto textHeight = [&](int width) {
        return fm.boundingRect(QRect(0, 0, std::max(1, width), 1 << 24), Qt::TextWordWrap, text).height();
    };
    // Room for the text below a window manager's title bar.
    constexpr int kTitleBar = 40;
    const int tallest = avail.height() - kAroundH - kTitleBar;
    // The toolkit's limits are the whole box's; its text is narrower by what is around it.
    if (textHeight(usual - kAroundW) <= tallest || widest <= usual - kAroundW) {
        return;
    }
    const int bar = box.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int height = std::min(textHeight(widest - bar - 4) + 4, tallest);
    int row = 0, col = 0, rows = 0, cols = 0;
    grid->getItemPosition(grid->indexOf(label), &row, &col, &rows, &cols);
    grid->removeWidget(label);
    auto* area = new QScrollArea(&box);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setWidgetResizable(true);
    label->setWordWrap(true);
    // A little room between the text and the scroll bar.
    label->setContentsMargins(0, 0, 6, 0);
    area->setWidget(label);
    area->setFixedSize(widest, height);
    grid->addWidget(area, row, col, rows, cols);
    // What the icon, the buttons and the margins take in this language's fonts, measured, and the
    // title bar a window manager adds: the box with its frame stays within the screen.
    grid->invalidate();
    const int around = grid->sizeHint().height() - height;
    if (height + around + kTitleBar > avail.height()) {
        area->setFixedSize(widest, std::max(fm.height() * 3, avail.height() - around - kTitleBar));
    }
}

// A message box that belongs to the window it is asked from: no maximise button, never larger
// than the screen (a text too long for it scrolls), and centred on its owner.
class OwnedMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override
    {
        // The box takes its final size here; it is fitted and placed before it is mapped.
        QMessageBox::showEvent(event);
        FitToScreen();
    }

private:
    void FitToScreen()
    {
        const QWidget* owner = parentWidget();
        const QScreen* screen = owner != nullptr && owner->screen() != nullptr ? owner->screen() : this->screen();
        if (screen == nullptr) {
            return;
        }
        const QRect avail = screen->availableGeometry();
        // A window manager's title bar and frame, not known before the box is on the screen.
        const bool framed = QGuiApplication::platformName() != QLatin1String("offscreen");
        const int frameH = framed ? 40 : 0;
        const int frameW = framed ? 10 : 0;
        const int overH = height() - (avail.height() - frameH);
        const int overW = width() - (avail.width() - frameW);
        if (overH > 0 || overW > 0) {
            if (auto* area = findChild<QScrollArea*>()) {
                area->setFixedSize(area->width() - std::max(0, overW), area->height() - std::max(0, overH));
            }
            setFixedSize(width() - std::max(0, overW), height() - std::max(0, overH));
        }
        const QRect over = owner != nullptr ? owner->frameGeometry() : avail;
        QRect placed(QPoint(0, 0), frameGeometry().size().expandedTo(size()));
        placed.moveCenter(over.center());
        placed.moveLeft(
            std::clamp(placed.left(), avail.left(), std::max(avail.left(), avail.right() + 1 - placed.width())));
        placed.moveTop(
            std::clamp(placed.top(), avail.top(), std::max(avail.top(), avail.bottom() + 1 - placed.height())));
        move(placed.topLeft());
    }
};

QJsonObject LoadTemplate(UINT id)
{
    const QByteArray* bytes = ResourceBytes("dialog", ResourceName(id));
    if (bytes == nullptr) {
        return {};
    }
    return QJsonDocument::fromJson(*bytes).object();
}

}  // namespace

using platform_detail::ControlOf;
using platform_detail::ControlText;
using platform_detail::SetControlText;

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
    if (const auto& observe = platform_seams::ModalDialogObserver(); observe && m_parent != nullptr) {
        observe(*this);
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
        // The icon travels in lParam, as the message defines it.
        const auto* icon = reinterpret_cast<const IconHandle*>(lParam);  // NOLINT(performance-no-int-to-ptr)
        if (icon != nullptr && wParam == ICON_BIG) {
            m_window->SetIcon(icon->icon);
        }
        return 0;
    }
    case WM_ICONERASEBKGND: {
        Surface& s = m_window->IconSurface();
        std::fill(s.Data(), s.Data() + static_cast<std::ptrdiff_t>(s.Width()) * s.Height(), 0xff3a6ea5u);
        return 1;
    }
    default: return 0;
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
        const QSize size = m_window->DeviceSize();
        *rc = RECT{0, 0, size.width(), size.height()};
    }
}

void CDialog::MoveWindow(int x, int y, int width, int height, BOOL repaint)
{
    if (!m_window) {
        return;
    }
    m_window->MoveTo(x, y, width, height);
    if (repaint != FALSE && m_window->isVisible()) {
        m_window->RequestPaint(m_window->rect());
    }
}

void CDialog::Invalidate()
{
    if (m_window) {
        m_window->RequestPaint(QRect(0, 0, m_window->width(), m_window->height()));
    }
}

void CDialog::UpdateWindow()
{
    if (m_window) {
        m_window->PaintPending();
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

void CDialog::OnDisplayChange(UINT, int, int) {}

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
    if (const auto& answer = platform_seams::MessageBoxAnswerer()) {
        return answer(text, type);
    }
    DialogWindow* owner = LiveDialogWindows().empty() ? nullptr : LiveDialogWindows().back();
    OwnedMessageBox box(yesNo ? QMessageBox::Question : QMessageBox::Information, QStringLiteral("Pomarel"), ToQt(text),
                        yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, owner);
    // Transient for the practice window (a compositor keeps it over the full-screen window and
    // centres it there), with a title and a close button but no maximise button.
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    box.setTextFormat(Qt::PlainText);
    if (yesNo) {
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    }
    // Keep the box on the screen for a long help text.
    if (const QScreen* screen =
            owner != nullptr && owner->screen() != nullptr ? owner->screen() : QGuiApplication::primaryScreen()) {
        box.setMaximumSize(screen->availableGeometry().size());
    }
    FitLongText(box, ToQt(text));
    QPointer<DialogWindow> guard(owner);
    const int answer = box.exec();
    const QRect covered = box.geometry();
    if (guard) {
        // A compositor may have put its panel over the full-screen window while the box was
        // active; the window asks to be in front again.
        guard->raise();
        guard->activateWindow();
        guard->RequestPaint(QRect(guard->mapFromGlobal(covered.topLeft()), covered.size()));
    }
    if (yesNo) {
        return answer == QMessageBox::Yes ? IDYES : IDNO;
    }
    return IDOK;
}
