// The files that keep a picture at the screen's size between runs (picture_cache_file.cpp): what
// identifies the picture they were made from, their header, their names and which of them to
// keep. Plain C++ over bytes and names; readers/picture_cache.h reads and writes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What a kept picture was made from: the picture file as it was opened and what it held, and
// the size it was scaled to. A kept picture is used only when every field is the same.
struct PictureCacheKey {
    std::string path;  // absolute
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;  // the inode's change time: any write or rename touches it
    std::uint64_t inode = 0;
    std::uint64_t contentHash = 0;  // PictureContentHash of the whole file
    int width = 0;                  // the scaled picture, device pixels
    int height = 0;
    friend bool operator==(const PictureCacheKey&, const PictureCacheKey&) = default;
};

// A fast 64-bit hash of bytes (the xxHash64 scheme), continued from 'seed': hashing a file chunk
// by chunk passes each chunk's result as the next one's seed.
std::uint64_t PictureContentHash(const void* data, std::size_t size, std::uint64_t seed = 0);

// The folder the kept pictures go in: $XDG_CACHE_HOME/pomarel, else $HOME/.cache/pomarel. Only
// absolute paths count (a relative one would depend on the working folder); empty when neither is.
std::string PictureCacheFolder(std::string_view xdgCacheHome, std::string_view home);

// The file's name in that folder: one per picture path and size, so that a picture replaced at the
// same path overwrites its old copy, and two screens (a laptop that docks) keep one each.
std::string PictureCacheFileName(const PictureCacheKey& key);
// True for a name PictureCacheFileName gives (the folder's other files are not ours to remove).
bool IsPictureCacheFileName(std::string_view name);
// The name of a file being written, renamed to the kept name once whole; 'unique' tells the
// writers apart (the process id and a count).
std::string PictureCacheTempName(std::string_view keptName, std::uint64_t unique);
bool IsPictureCacheTempName(std::string_view name);

// The header that precedes the pixels (width x height 0xffRRGGBB words, row by row, in the
// machine's byte order); its size depends on the path's length only.
std::size_t PictureCacheHeaderSize(const PictureCacheKey& key);
std::string PictureCacheHeader(const PictureCacheKey& key);
// True when 'head' (the file's first PictureCacheHeaderSize(key) bytes or fewer) is the header
// made for 'key' by this version, and the whole file is exactly 'fileLength' bytes: header and
// pixels, nothing missing and nothing more.
bool PictureCacheFileFits(std::string_view head, std::int64_t fileLength, const PictureCacheKey& key);

// The kept pictures to remove so that only the 'keep' most recently used remain ('latest', the
// one just written, first whatever the clock's grain says), and the temporary files older than
// a writer can take ('nowNs' minus 'usedNs' over ten minutes). Other names are left alone.
struct PictureCacheEntry {
    std::string name;
    std::int64_t usedNs = 0;  // the file's modification time: set at each use
};
std::vector<std::string> PictureCacheFilesToRemove(std::vector<PictureCacheEntry> entries, std::size_t keep,
                                                   std::string_view latest, std::int64_t nowNs);
