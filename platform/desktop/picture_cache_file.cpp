#include "platform/desktop/picture_cache_file.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr std::uint64_t kP1 = 11400714785074694791ull;
constexpr std::uint64_t kP2 = 14029467366897019727ull;
constexpr std::uint64_t kP3 = 1609587929392839161ull;
constexpr std::uint64_t kP4 = 9650029242287828579ull;
constexpr std::uint64_t kP5 = 2870177450012600261ull;

constexpr std::uint64_t Rotl(std::uint64_t v, int by)
{
    return (v << by) | (v >> (64 - by));
}

std::uint64_t Read64(const unsigned char* p)
{
    std::uint64_t v = 0;
    std::memcpy(&v, p, sizeof v);
    return v;
}

std::uint32_t Read32(const unsigned char* p)
{
    std::uint32_t v = 0;
    std::memcpy(&v, p, sizeof v);
    return v;
}

constexpr std::uint64_t Round(std::uint64_t acc, std::uint64_t input)
{
    return Rotl(acc + input * kP2, 31) * kP1;
}

constexpr std::uint64_t Merge(std::uint64_t acc, std::uint64_t lane)
{
    return (acc ^ Round(0, lane)) * kP1 + kP4;
}

// Header layout: magic, version, byte order, width, height, path length, a zero word, then the
// key's five 64-bit fields and the path's bytes.
constexpr std::array<char, 8> kMagic{'P', 'O', 'M', 'K', 'E', 'P', 'T', '\x1a'};
constexpr std::uint32_t kVersion = 1;
constexpr std::uint32_t kByteOrder = 0x01020304u;
constexpr std::size_t kFixedSize = kMagic.size() + 6 * 4 + 5 * 8;
// The largest side a kept picture may claim: beyond any screen there is.
constexpr int kLargestSide = 1 << 15;

constexpr std::string_view kSuffix = ".pixels";
constexpr std::string_view kTempMark = ".pixels.tmp";

template <class T> void Put(std::string& out, T value)
{
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.append(bytes, sizeof(T));
}

bool AllHex(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool AllDigits(std::string_view s)
{
    return !s.empty() && s.size() <= 5 && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string Hex(std::uint64_t v)
{
    char text[16];
    for (int i = 15; i >= 0; --i, v >>= 4) {
        text[i] = "0123456789abcdef"[v & 0xF];
    }
    return std::string(text, 16);
}

}  // namespace

std::uint64_t PictureContentHash(const void* data, std::size_t size, std::uint64_t seed)
{
    const auto* p = static_cast<const unsigned char*>(data);
    const unsigned char* const end = p + size;
    std::uint64_t h = 0;
    if (size >= 32) {
        std::uint64_t v1 = seed + kP1 + kP2;
        std::uint64_t v2 = seed + kP2;
        std::uint64_t v3 = seed;
        std::uint64_t v4 = seed - kP1;
        for (; end - p >= 32; p += 32) {
            v1 = Round(v1, Read64(p));
            v2 = Round(v2, Read64(p + 8));
            v3 = Round(v3, Read64(p + 16));
            v4 = Round(v4, Read64(p + 24));
        }
        h = Rotl(v1, 1) + Rotl(v2, 7) + Rotl(v3, 12) + Rotl(v4, 18);
        h = Merge(Merge(Merge(Merge(h, v1), v2), v3), v4);
    } else {
        h = seed + kP5;
    }
    h += static_cast<std::uint64_t>(size);
    for (; end - p >= 8; p += 8) {
        h = Rotl(h ^ Round(0, Read64(p)), 27) * kP1 + kP4;
    }
    if (end - p >= 4) {
        h = Rotl(h ^ (static_cast<std::uint64_t>(Read32(p)) * kP1), 23) * kP2 + kP3;
        p += 4;
    }
    for (; p < end; ++p) {
        h = Rotl(h ^ (static_cast<std::uint64_t>(*p) * kP5), 11) * kP1;
    }
    h ^= h >> 33;
    h *= kP2;
    h ^= h >> 29;
    h *= kP3;
    h ^= h >> 32;
    return h;
}

std::string PictureCacheFolder(std::string_view xdgCacheHome, std::string_view home)
{
    if (xdgCacheHome.starts_with('/')) {
        return std::string(xdgCacheHome) + "/pomarel";
    }
    if (home.starts_with('/')) {
        return std::string(home) + (home.ends_with('/') ? "" : "/") + ".cache/pomarel";
    }
    return {};
}

std::string PictureCacheFileName(const PictureCacheKey& key)
{
    return Hex(PictureContentHash(key.path.data(), key.path.size())) + "-" + std::to_string(key.width) + "x" +
           std::to_string(key.height) + std::string(kSuffix);
}

bool IsPictureCacheFileName(std::string_view name)
{
    // 16 hex digits, '-', W 'x' H, the suffix.
    if (name.size() < 16 + 1 + 3 + kSuffix.size() || !name.ends_with(kSuffix) || name[16] != '-' ||
        !AllHex(name.substr(0, 16))) {
        return false;
    }
    const std::string_view size = name.substr(17, name.size() - 17 - kSuffix.size());
    const std::size_t x = size.find('x');
    return x != std::string_view::npos && AllDigits(size.substr(0, x)) && AllDigits(size.substr(x + 1));
}

std::string PictureCacheTempName(std::string_view keptName, std::uint64_t unique)
{
    std::string name = ".";
    name += keptName.substr(0, keptName.size() - std::min(keptName.size(), kSuffix.size()));
    name += kTempMark;
    name += Hex(unique);
    return name;
}

bool IsPictureCacheTempName(std::string_view name)
{
    const std::size_t mark = name.find(kTempMark);
    return name.starts_with('.') && mark != std::string_view::npos &&
           IsPictureCacheFileName(std::string(name.substr(1, mark - 1)) + std::string(kSuffix)) &&
           name.size() == mark + kTempMark.size() + 16 && AllHex(name.substr(mark + kTempMark.size()));
}

std::size_t PictureCacheHeaderSize(const PictureCacheKey& key)
{
    return kFixedSize + key.path.size();
}

std::string PictureCacheHeader(const PictureCacheKey& key)
{
    std::string out(kMagic.data(), kMagic.size());
    Put(out, kVersion);
    Put(out, kByteOrder);
    Put(out, static_cast<std::uint32_t>(key.width));
    Put(out, static_cast<std::uint32_t>(key.height));
    Put(out, static_cast<std::uint32_t>(key.path.size()));
    Put(out, std::uint32_t{0});
    Put(out, key.size);
    Put(out, key.modifiedNs);
    Put(out, key.changedNs);
    Put(out, key.inode);
    Put(out, key.contentHash);
    out += key.path;
    return out;
}

bool PictureCacheFileFits(std::string_view head, std::int64_t fileLength, const PictureCacheKey& key)
{
    if (key.width <= 0 || key.height <= 0 || key.width > kLargestSide || key.height > kLargestSide) {
        return false;
    }
    const std::int64_t pixels = std::int64_t{key.width} * key.height * 4;
    const std::size_t headerSize = PictureCacheHeaderSize(key);
    // The whole header is compared: magic, version, byte order, sizes, every field of the key.
    return head.size() >= headerSize && head.substr(0, headerSize) == PictureCacheHeader(key) &&
           fileLength == static_cast<std::int64_t>(headerSize) + pixels;
}

std::vector<std::string> PictureCacheFilesToRemove(std::vector<PictureCacheEntry> entries, std::size_t keep,
                                                   std::string_view latest, std::int64_t nowNs)
{
    constexpr std::int64_t kWriterTakesAtMostNs = 600'000'000'000;
    std::vector<std::string> remove;
    std::vector<PictureCacheEntry> kept;
    for (PictureCacheEntry& e : entries) {
        if (IsPictureCacheFileName(e.name)) {
            kept.push_back(std::move(e));
        } else if (IsPictureCacheTempName(e.name) && nowNs - e.usedNs > kWriterTakesAtMostNs) {
            remove.push_back(std::move(e.name));
        }
    }
    // Most recently used first (file times move in steps of a clock tick, so 'latest' is put
    // first by name); the same time is ordered by name, so the choice does not depend on the
    // order the folder lists them in.
    std::sort(kept.begin(), kept.end(), [latest](const PictureCacheEntry& a, const PictureCacheEntry& b) {
        if ((a.name == latest) != (b.name == latest)) {
            return a.name == latest;
        }
        return a.usedNs != b.usedNs ? a.usedNs > b.usedNs : a.name < b.name;
    });
    for (std::size_t i = keep; i < kept.size(); ++i) {
        remove.push_back(std::move(kept[i].name));
    }
    return remove;
}
