// The files that keep a picture at the screen's size: which of them count for a picture, their
// names and folder, and which are removed. No toolkit, no files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/desktop/picture_cache_file.h"

namespace {

// A picture's key, with 'change' made to it.
PictureCacheKey Key(const std::function<void(PictureCacheKey&)>& change = {})
{
    PictureCacheKey k;
    k.path = "/home/ann/typing/Face.jpg";
    k.size = 4'200'000;
    k.modifiedNs = 1'700'000'000'123'456'789;
    k.changedNs = 1'700'000'000'223'456'789;
    k.inode = 918273;
    k.contentHash = 0x0123456789abcdefull;
    k.width = 64;
    k.height = 48;
    if (change) {
        change(k);
    }
    return k;
}

TEST(PictureCacheFile, ContentHashIsXxHash64)
{
    // Reference values from the xxHash library itself.
    const struct {
        const char* text;
        std::uint64_t seed;
        std::uint64_t hash;
    } cases[] = {
        {"", 0, 0xef46db3751d8e999ull},
        {"a", 0, 0xd24ec4f1a98c6e5bull},
        {"abcd", 0, 0xde0327b0d25d92ccull},
        {"abcd", 1234567, 0x4042d617e034010full},
        {"Nobody inspects the spammish repetition", 0, 0xfbcea83c8a378bf1ull},
        {"0123456789abcdef0123456789abcdef0123456789abcdef!", 0, 0xbc7c85eebf06937full},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PictureContentHash(c.text, std::strlen(c.text), c.seed), c.hash) << c.text;
    }
}

TEST(PictureCacheFile, OnlyTheWholeFileMadeForTheSameKeyFits)
{
    const PictureCacheKey key = Key();
    const std::string header = PictureCacheHeader(key);
    const std::int64_t whole = static_cast<std::int64_t>(header.size()) + 64 * 48 * 4;
    std::string otherMagic = header;
    otherMagic[0] ^= 0x20;
    std::string otherVersion = header;
    otherVersion[8] ^= 0x7f;  // the version word follows the 8-byte magic
    const struct {
        const char* name;
        std::string head;
        std::int64_t length;
        bool fits;
    } cases[] = {
        {"as written", header, whole, true},
        {"pixels cut short", header, whole - 1, false},
        {"a byte too many", header, whole + 1, false},
        {"header cut short", header.substr(0, header.size() - 1), whole, false},
        {"empty file", "", 0, false},
        {"garbage", std::string(header.size(), '\x5a'), whole, false},
        {"another magic", otherMagic, whole, false},
        {"another version", otherVersion, whole, false},
        {"another path", PictureCacheHeader(Key([](auto& k) { k.path = "/home/ann/typing/Face.jpeg"; })), whole, false},
        {"another size", PictureCacheHeader(Key([](auto& k) { ++k.size; })), whole, false},
        {"another mtime", PictureCacheHeader(Key([](auto& k) { ++k.modifiedNs; })), whole, false},
        {"another ctime", PictureCacheHeader(Key([](auto& k) { ++k.changedNs; })), whole, false},
        {"another inode", PictureCacheHeader(Key([](auto& k) { ++k.inode; })), whole, false},
        {"another content", PictureCacheHeader(Key([](auto& k) { k.contentHash ^= 1; })), whole, false},
        {"another width", PictureCacheHeader(Key([](auto& k) { k.width = 48; })), whole, false},
        {"another height", PictureCacheHeader(Key([](auto& k) { k.height = 64; })), whole, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PictureCacheFileFits(c.head, c.length, key), c.fits) << c.name;
    }
    const PictureCacheKey huge =
        Key([](auto& k) { k.width = k.height = 1 << 20; });  // more than any screen: never read
    EXPECT_FALSE(PictureCacheFileFits(PictureCacheHeader(huge), 0, huge));
}

TEST(PictureCacheFile, FolderAndNames)
{
    const struct {
        const char* xdg;
        const char* home;
        const char* folder;
    } folders[] = {
        {"/var/cache/ann", "/home/ann", "/var/cache/ann/pomarel"},
        {"", "/home/ann", "/home/ann/.cache/pomarel"},
        {"cache", "/home/ann/", "/home/ann/.cache/pomarel"},  // relative: not used
        {"", "", ""},
        {"", "ann", ""},
    };
    for (const auto& f : folders) {
        EXPECT_EQ(PictureCacheFolder(f.xdg, f.home), f.folder) << f.xdg << " " << f.home;
    }
    // One file per path and size: a changed picture at the same path and size replaces it.
    const std::string name = PictureCacheFileName(Key());
    EXPECT_EQ(PictureCacheFileName(Key([](auto& k) {
                  k.contentHash ^= 1;
                  ++k.changedNs;
              })),
              name);
    EXPECT_NE(PictureCacheFileName(Key([](auto& k) { k.width = 1920; })), name);
    EXPECT_NE(PictureCacheFileName(Key([](auto& k) { k.path = "/tmp/Face.jpg"; })), name);
    const std::string temp = PictureCacheTempName(name, 42);
    EXPECT_TRUE(IsPictureCacheFileName(name));
    EXPECT_TRUE(IsPictureCacheTempName(temp));
    EXPECT_FALSE(IsPictureCacheFileName(temp));
    EXPECT_FALSE(IsPictureCacheTempName(name));
    for (const char* other :
         {"Face.jpg", "notes.pixels", "0123456789abcdef-1x.pixels", ".pixels.tmp0000000000000000"}) {
        EXPECT_FALSE(IsPictureCacheFileName(other)) << other;
        EXPECT_FALSE(IsPictureCacheTempName(other)) << other;
    }
}

TEST(PictureCacheFile, TheTwoMostRecentlyUsedStay)
{
    const std::int64_t now = 2'000'000'000'000'000'000;
    const std::int64_t minute = 60'000'000'000;
    const PictureCacheKey a = Key();
    const PictureCacheKey b = Key([](auto& k) { k.width = 1920; });
    const PictureCacheKey c = Key([](auto& k) { k.width = 3840; });
    const std::string oldTemp = PictureCacheTempName(PictureCacheFileName(a), 1);
    const std::string newTemp = PictureCacheTempName(PictureCacheFileName(b), 2);
    std::vector<std::string> removed = PictureCacheFilesToRemove(
        {
            {PictureCacheFileName(a), now - 3 * minute},
            {"notes.txt", now - 100 * minute},  // not ours
            {PictureCacheFileName(b), now - 1 * minute},
            {oldTemp, now - 11 * minute},  // a writer that never finished
            {newTemp, now - 1 * minute},   // one that may still be writing
            {PictureCacheFileName(c), now - 2 * minute},
        },
        2, PictureCacheFileName(a), now);
    // 'a' was just written, whatever its time says: a and the newest other (b) stay.
    std::sort(removed.begin(), removed.end());
    std::vector<std::string> expected{PictureCacheFileName(c), oldTemp};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(removed, expected);
}

}  // namespace
