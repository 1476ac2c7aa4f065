// Resources embedded in the program (resources.cpp), found through Qt's resource system.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/surface/wintypes.h"

class QByteArray;

// Resources embedded in the program. Names compare without regard to case; a number is
// the name written in decimal. A missing resource gives a null handle.
struct ResourceEntry;
using HRSRC = const ResourceEntry*;
using HGLOBAL = const ResourceEntry*;
HRSRC FindResource(std::string_view name, std::string_view type);
HGLOBAL LoadResource(HRSRC res);
const void* LockResource(HGLOBAL res);
std::size_t SizeofResource(HRSRC res);
// String table entry; empty when there is none.
std::string LoadString(UINT id);

namespace platform_detail {
// Bytes of an embedded resource file, kept for the whole run; null when missing.
const QByteArray* ResourceBytes(std::string_view type, std::string_view name);
}  // namespace platform_detail
