// The window system's vocabulary as the program knows it: messages, virtual keys, styles and
// flags; with it the services declared by system.h and resources.h. No toolkit header leaks from here.
#pragma once

#include <functional>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/surface/wintypes.h"

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using UINT_PTR = std::uintptr_t;

// Messages seen by PreTranslateMessage and the dialog.
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_SETICON = 0x0080;
constexpr UINT WM_ICONERASEBKGND = 0x0027;
constexpr UINT WM_HELP = 0x0053;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
// The screen the window is on changed size, orientation or scale, or the window moved to another
// screen: wParam bits per pixel, lParam the new size in device pixels (width low word, height high).
constexpr UINT WM_DISPLAYCHANGE = 0x007E;

struct MSG {
    UINT message = 0;
    WPARAM wParam = 0;  // WM_KEYDOWN: virtual-key code; WM_CHAR: the character (a Unicode code point)
    LPARAM lParam = 0;
};
// WM_CHAR's lParam: set when the letter came in the case Caps Lock gives (a capital without Shift,
// a small letter with it), so Caps Lock is on.
constexpr LPARAM KF_CAPSLOCKON = 0x02000000;

// Virtual-key codes.
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_CAPITAL = 0x14;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_F1 = 0x70;
constexpr int VK_F2 = 0x71;
constexpr int VK_F3 = 0x72;
constexpr int VK_F4 = 0x73;
constexpr int VK_F5 = 0x74;
constexpr int VK_F6 = 0x75;
constexpr int VK_F12 = 0x7B;

// Dialog results and control ids.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Message box styles.
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_YESNO = 0x4;

// System commands (low four bits are free for the program's own).
constexpr UINT SC_MINIMIZE = 0xF020;
constexpr UINT SC_CLOSE = 0xF060;
constexpr UINT SC_RESTORE = 0xF120;

// WM_SETICON
constexpr WPARAM ICON_SMALL = 0;
constexpr WPARAM ICON_BIG = 1;

// Menu item flags.
constexpr UINT MF_STRING = 0x0;
constexpr UINT MF_SEPARATOR = 0x800;

// sndPlaySound flags.
constexpr UINT SND_SYNC = 0x0;
constexpr UINT SND_ASYNC = 0x1;
constexpr UINT SND_MEMORY = 0x4;
constexpr UINT SND_NOSTOP = 0x10;

// GetSystemMetrics indexes.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;

// Pixel and file helpers used by the layer itself and by tests.
inline std::string ResourceName(UINT id)
{
    return std::to_string(id);
}

#include "platform/face/resources.h"
#include "platform/face/system.h"
