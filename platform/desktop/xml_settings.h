// The desktop settings kept as XML (xml_settings.cpp): Xfce's xfce4-desktop channel and GNOME's
// background descriptions.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/desktop/wallpaper_settings.h"

// A GNOME background description (an XML file named by picture-uri, as distributions ship their
// default): the picture it shows first; of one offered in several sizes, the one that suits the
// screen (as PickPackageImage). Empty when the text names none.
std::string GnomeSlideshowPicture(std::string_view xml, int screenWidth, int screenHeight);

// Xfce's image-style numbers and the xfce4-desktop channel (its XML file) for the monitor named
// 'monitor' (the output's name, e.g. "HDMI-1"); other monitors' settings where that one has none.
std::optional<FillMode> FillModeOfXfce(int imageStyle);
std::optional<WallpaperChoice> XfceWallpaper(std::string_view channelXml, std::string_view monitor);
