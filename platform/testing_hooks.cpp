// Hooks for tests that drive the real windows.
#include "platform/dialog_window.h"

#include <QMouseEvent>
#include <QApplication>
#include <QKeyEvent>
#include <QWindow>

#include <algorithm>

#include "platform/internal.h"
#include "platform/testing.h"

using namespace platform_detail;

using platform_detail::ControlOf;
using platform_detail::ControlText;

namespace testing_hooks {

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
    return dlg.Window() != nullptr ? dlg.Window()->TakePresented() : std::vector<RECT>{};
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
