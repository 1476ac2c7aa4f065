// What gdi.cpp gives the face's other files in the toolkit's terms: icons and fonts.
#pragma once

#include <QFont>
#include <QIcon>

#include "platform/face/gdi.h"

struct IconHandle {
    QIcon icon;
};

namespace platform_detail {

// The Qt font that stands for a CreateFont request (cached).
const QFont& FontFor(const FontRequest& request);

}  // namespace platform_detail
