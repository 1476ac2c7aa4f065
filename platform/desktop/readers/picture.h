// Picture files: what a file is right now, and decoding it at the size the screen needs.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/surface/surface.h"

struct FileStamp {
    bool exists = false;
    bool regular = false;  // a plain file (not a folder, device or pipe)
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
FileStamp StatFile(std::string_view path);

// TRUE when the file can be opened for reading now.
bool CanReadFile(std::string_view path);

// Decodes the picture in the file (any format the image decoders know, whatever its name),
// upright, scaled to width x height. Never larger than that in memory, whatever the file claims;
// an empty surface when the file cannot be read or decoded.
Surface DecodePicture(std::string_view path, int width, int height);

// The picture's own size in pixels, read from its header only; false when it cannot be read.
bool PictureSize(std::string_view path, int& width, int& height);

// Like DecodePicture, but only 'part' of the scaled picture (in its pixels, right and bottom
// exclusive) is kept: the result is part-sized.
Surface DecodePicturePart(std::string_view path, int width, int height, const RECT& part);
