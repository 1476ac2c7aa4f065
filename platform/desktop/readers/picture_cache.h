// The user's picture kept at the screen's size on disk (picture_cache.cpp), so that a later start
// with the same picture and screen reads its pixels (a few milliseconds) instead of decoding it
// (a tenth of a second for a photo). The files and their rules are in ../picture_cache_file.h.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/desktop/picture_cache_file.h"
#include "platform/surface/surface.h"

// What identifies the picture in the file as it is now at width x height: its absolute path, its
// stamp and a hash of all it holds. None when it is not a plain file that can be read whole, or
// when it changed while it was read.
std::optional<PictureCacheKey> PictureCacheKeyOf(std::string_view path, int width, int height);

// The kept pixels for 'key'; an empty surface when there are none, or the file is not one this
// program wrote for exactly this key (anything else is ignored quietly).
Surface ReadCachedPicture(const PictureCacheKey& key);

// Keeps 'pixels' (key.width x key.height) for 'key', replacing what was kept for the same path and
// size, and removes all but the two most recently used. Written whole or not at all; a failure
// leaves nothing behind and says so once a run on stderr.
void WritePictureCache(const PictureCacheKey& key, const Surface& pixels);

// How many pictures were read from the cache.
int CachedPictureReads();

namespace platform_seams {
// The folder the cache uses instead of the one the environment names; an empty path: no cache.
// nullopt: back to the environment's.
void SetPictureCacheFolder(std::optional<std::string> folder);
}  // namespace platform_seams
