// Shared inside platform/ only: conversions between the program's types and Qt's.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QRect>
#include <QString>

#include <string>
#include <string_view>

#include "platform/face/gdi.h"
#include "platform/face/winapi.h"

class QScreen;

struct IconHandle {
    QIcon icon;
};

namespace platform_detail {

inline QString ToQt(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string FromQt(const QString& s)
{
    const QByteArray utf8 = s.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

// A QImage sharing the surface's memory (no copy); null for an empty surface.
QImage WrapSurface(Surface& s);
QImage WrapSurface(const Surface& s);
Surface SurfaceFromImage(const QImage& image);

// The Qt font that stands for a CreateFont request (cached).
const QFont& FontFor(const FontRequest& request);

// Starts loading the sound libraries in the background; the first sound then finds them ready.
void PrepareSound();

// Bytes of an embedded resource file, kept for the whole run; null when missing.
const QByteArray* ResourceBytes(std::string_view type, std::string_view name);

// The desktop PaintDesktop shows, drawn into target's pixels [left, right) x [top, bottom): the
// user's wallpaper (read when first drawn), else the default background.
void DrawDesktop(Surface& target, int left, int top, int right, int bottom);
// A screen size was set through platform_seams::SetScreenSize; windows then show at that size, not
// full screen.
void SetScreenOverridden(bool on);

// The screen the program draws on: that of its full-screen window once it has one, else the primary.
QScreen* ProgramScreen();
// A screen's size in device pixels (exact at a fractional scale on X11).
QSize ScreenDeviceSize(const QScreen* screen);

}  // namespace platform_detail
