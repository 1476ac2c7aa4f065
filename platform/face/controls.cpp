// Controls of a dialog by id, and data exchange towards them.
#include "platform/face/controls.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>

#include "platform/face/dialog_window.h"
#include "platform/face/qt_text.h"
#include "platform/face/scaling.h"

using namespace platform_detail;

namespace platform_detail {

QWidget* ControlOf(const CDialog* dlg, int id)
{
    return dlg != nullptr && dlg->Window() != nullptr ? dlg->Window()->Control(id) : nullptr;
}

namespace {

// A read-only box of one paragraph (the report, rewritten after every key) gets only the
// characters that changed replaced, not its whole document rebuilt: the toolkit then keeps its
// layout objects and lays out that one paragraph again.
void SetReportText(QPlainTextEdit* e, const QString& s)
{
    QTextDocument* doc = e->document();
    const auto breaksLines = [](QChar c) {
        return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::ParagraphSeparator ||
               c == QChar::LineSeparator;
    };
    if (!e->isReadOnly() || doc->blockCount() != 1 || std::any_of(s.begin(), s.end(), breaksLines)) {
        e->setPlainText(s);
        return;
    }
    const QString old = doc->firstBlock().text();
    const qsizetype shorter = std::min(old.size(), s.size());
    qsizetype same = 0;  // leading UTF-16 units in common, never half a surrogate pair
    while (same < shorter && old[same] == s[same]) {
        ++same;
    }
    if (same > 0 && same < shorter && s[same - 1].isHighSurrogate()) {
        --same;
    }
    qsizetype tail = 0;  // trailing units in common, not overlapping the leading ones
    while (tail < shorter - same && old[old.size() - 1 - tail] == s[s.size() - 1 - tail]) {
        ++tail;
    }
    if (tail > 0 && tail < s.size() - same && s[s.size() - tail].isLowSurrogate()) {
        --tail;
    }
    // Nobody can undo in a read-only box; without this every replacement would be kept.
    doc->setUndoRedoEnabled(false);
    QTextCursor cursor(doc);
    cursor.setPosition(static_cast<int>(same));
    cursor.setPosition(static_cast<int>(old.size() - tail), QTextCursor::KeepAnchor);
    cursor.insertText(s.mid(same, s.size() - tail - same));
}

}  // namespace

void SetControlText(QWidget* w, std::string_view text)
{
    const QString s = ToQt(text);
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        // Start is given its caption at every Start: the same caption draws nothing again.
        if (b->text() != s) {
            b->setText(s);
            b->update();
        }
    } else if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
        if (e->toPlainText() != s) {
            SetReportText(e, s);
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

RECT DeviceGeometry(const QWidget* w)
{
    if (w == nullptr) {
        return {};
    }
    const QRect g = w->geometry();
    return PlaceInDevice(RECT{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()}, w->devicePixelRatioF());
}

}  // namespace platform_detail

using platform_detail::ControlOf;
using platform_detail::ControlText;
using platform_detail::SetControlText;

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
    // The program places controls in device pixels; on a scaled screen the control itself,
    // its font and its frame are scaled by the toolkit, so it is as readable as the desktop's.
    if (QWidget* w = ControlOf(m_owner, m_id)) {
        // POMAREL_TRACE=1 tells the end-to-end tests where each control went, in device pixels.
        static const bool trace = qEnvironmentVariableIntValue("POMAREL_TRACE") != 0;
        if (trace) {
            std::fprintf(stderr, "pomarel: control %d %d %d %d %d\n", m_id, x, y, x + std::max(0, width),
                         y + std::max(0, height));
            std::fflush(stderr);
        }
        const RECT l =
            PlaceInLogical(RECT{x, y, x + std::max(0, width), y + std::max(0, height)}, w->devicePixelRatioF());
        w->setGeometry(l.left, l.top, l.right - l.left, l.bottom - l.top);
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
    const RECT g = DeviceGeometry(ControlOf(m_owner, m_id));
    *rc = RECT{0, 0, g.right - g.left, g.bottom - g.top};
}

void CWnd::GetWindowRect(RECT* rc) const
{
    if (rc == nullptr) {
        return;
    }
    *rc = DeviceGeometry(ControlOf(m_owner, m_id));
}

void CWnd::GetFitRect(RECT* rc) const
{
    if (rc == nullptr) {
        return;
    }
    *rc = {};
    const QWidget* w = ControlOf(m_owner, m_id);
    if (w == nullptr) {
        return;
    }
    QSize size = w->property("templateSize").toSize();
    if (const auto* box = dynamic_cast<const WrapCheckBox*>(w)) {
        size = size.expandedTo(box->OneLineSize());
    } else if (const auto* b = qobject_cast<const QAbstractButton*>(w)) {
        // A push button's caption with the frame's margins on either side.
        const QFontMetrics m(b->font());
        size = size.expandedTo(QSize(m.horizontalAdvance(b->text()) + 12, m.height() + 6));
    }
    const RECT d = PlaceInDevice(RECT{0, 0, size.width(), size.height()}, w->devicePixelRatioF());
    *rc = RECT{0, 0, d.right - d.left, d.bottom - d.top};
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
