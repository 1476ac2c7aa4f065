// The screen the program's windows are on (dialog_screen.cpp).
#pragma once

#include <QSize>

class QScreen;

namespace platform_detail {

// The screen the program draws on: that of its full-screen window once it has one, else the primary.
QScreen* ProgramScreen();
// A screen's size in device pixels (exact at a fractional scale on X11).
QSize ScreenDeviceSize(const QScreen* screen);

}  // namespace platform_detail
