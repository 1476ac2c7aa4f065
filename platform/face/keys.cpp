// Key presses to keystroke messages.
#include "platform/face/keys.h"

#include <QChar>
#include <Qt>

namespace {

int VirtualKeyOf(int key)
{
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
    // Never the low byte of the X keysym: XF86Reload (0x1008FF73) and Armenian letters
    // (0x1000571 ...) would read as F2 to F6.
    default: return 0;
    }
}

bool IsDialogKey(int key)
{
    return key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab ||
           key == Qt::Key_Backtab || key == Qt::Key_Delete;
}

}  // namespace

std::vector<MSG> KeyMessages(const KeyPress& press)
{
    const bool system = (press.modifiers & kAltHeld) != 0 || press.toolkitKey == Qt::Key_Alt;
    std::vector<MSG> out;
    out.push_back(MSG{system ? WM_SYSKEYDOWN : WM_KEYDOWN, static_cast<WPARAM>(VirtualKeyOf(press.toolkitKey)), 0});
    if (!system && !IsDialogKey(press.toolkitKey)) {
        const bool shift = (press.modifiers & kShiftHeld) != 0;
        for (const char32_t c : press.text) {
            const bool capsCase = (QChar::isUpper(c) && !shift) || (QChar::isLower(c) && shift);
            out.push_back(MSG{WM_CHAR, static_cast<WPARAM>(c), capsCase ? KF_CAPSLOCKON : 0});
        }
    }
    return out;
}
