// The user's picture kept at the screen's size between starts: a later start reads what an
// earlier one decoded, and never a copy of another picture or a broken file.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop/readers/desktop.h"
#include "platform/desktop/readers/picture_cache.h"
#include "platform/testing/testing.h"
#include "tests/support/Pictures.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 64;
constexpr int kHeight = 48;

// A picture whose every pixel differs from its neighbours, so that a scaled copy shows any change.
void WritePicture(COLORREF base)
{
    Write(Bmp(40, 30, [base](int x, int y) {
        return RGB((GetRValue(base) + 6 * x) % 256, (GetGValue(base) + 8 * y) % 256, (GetBValue(base) + x * y) % 256);
    }));
}

// What a start of the program on a w x h screen shows for Face.jpg: read ahead, taken by the
// paint, and the reading ended (with the cache written) as the program's exit ends it.
std::optional<std::vector<std::uint32_t>> Start(int w = kWidth, int h = kHeight)
{
    testing_hooks::SetDesktop(Surface());
    platform_detail::PrepareBackground(w, h, "Face.jpg");
    const Surface* shown = BackgroundPictureOf("Face.jpg", w, h);
    std::optional<std::vector<std::uint32_t>> pixels;
    if (shown != nullptr) {
        pixels.emplace(shown->Data(), shown->Data() + static_cast<std::ptrdiff_t>(w) * h);
    }
    testing_hooks::SetDesktop(Surface());
    return pixels;
}

std::vector<fs::path> FilesIn(const fs::path& folder)
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        files.push_back(it->path());
    }
    return files;
}

}  // namespace

// Each test in a scratch working folder, the cache in a folder of its own below it.
class PictureCache : public ::testing::Test {
protected:
    PictureCache() { platform_seams::SetPictureCacheFolder(cache.string()); }
    ~PictureCache() override { platform_seams::SetPictureCacheFolder(std::string()); }
    ScratchDirectory dir;
    const fs::path cache = fs::current_path() / "cache" / "pomarel";
};

TEST_F(PictureCache, ASecondStartReadsWhatTheFirstDecodedAndAChangedPictureIsDecodedAgain)
{
    WritePicture(RGB(0, 0, 0));
    const int reads = CachedPictureReads();
    const auto decoded = Start();
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(CachedPictureReads(), reads);
    const std::vector<fs::path> files = FilesIn(cache);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(fs::status(cache).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(fs::status(files[0]).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    EXPECT_EQ(Start(), decoded) << "the second start shows the same pixels";
    EXPECT_EQ(CachedPictureReads(), reads + 1) << "from the cache";

    // Replaced by another picture of the same size in bytes: decoded, never the old copy.
    WritePicture(RGB(100, 50, 25));
    const auto replaced = Start();
    ASSERT_TRUE(replaced.has_value());
    EXPECT_NE(replaced, decoded);
    EXPECT_EQ(CachedPictureReads(), reads + 1);
    EXPECT_EQ(Start(), replaced);
    EXPECT_EQ(CachedPictureReads(), reads + 2);
    EXPECT_EQ(FilesIn(cache).size(), 1u) << "the new copy replaced the old one";
}

TEST_F(PictureCache, ABrokenOrForeignCacheFileIsPassedOverQuietly)
{
    WritePicture(RGB(10, 20, 30));
    const auto decoded = Start();
    ASSERT_TRUE(decoded.has_value());
    const fs::path file = FilesIn(cache).at(0);
    const auto length = fs::file_size(file);
    const auto replaceWith = [&](const std::string& bytes) {
        fs::remove_all(file);
        std::ofstream(file, std::ios::binary) << bytes;
    };
    const struct {
        const char* name;
        std::function<void()> spoil;
        bool rewritten;  // the start puts a good copy in its place
    } cases[] = {
        {"truncated", [&] { fs::resize_file(file, length - 1); }, true},
        {"one byte more", [&] { fs::resize_file(file, length + 1); }, true},
        {"garbage", [&] { replaceWith(std::string(length, 'x')); }, true},
        {"empty", [&] { replaceWith(""); }, true},
        {"a pipe",
         [&] {
             fs::remove_all(file);
             ::mkfifo(file.c_str(), 0600);
         },
         true},
        {"a link to a good copy",
         [&] {
             fs::copy_file(file, cache / "elsewhere");
             fs::remove(file);
             fs::create_symlink(cache / "elsewhere", file);
         },
         true},
        {"a folder",
         [&] {
             fs::remove_all(file);
             fs::create_directory(file);
         },
         false},
    };
    for (const auto& c : cases) {
        c.spoil();
        const int reads = CachedPictureReads();
        testing::internal::CaptureStderr();
        EXPECT_EQ(Start(), decoded) << c.name;
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(CachedPictureReads(), reads) << c.name;
        EXPECT_EQ(Start(), decoded) << c.name;
        EXPECT_EQ(CachedPictureReads(), reads + (c.rewritten ? 1 : 0)) << c.name;
        EXPECT_LE(std::count(said.begin(), said.end(), '\n'), 1) << c.name << ": " << said;
        const std::vector<fs::path> left = FilesIn(cache);
        EXPECT_TRUE(
            std::none_of(left.begin(), left.end(),
                         [](const fs::path& f) { return f.filename().string().find(".tmp") != std::string::npos; }))
            << c.name << ": a write that failed left its file behind";
        fs::remove_all(file);
        fs::remove(cache / "elsewhere");
        ASSERT_TRUE(Start().has_value());  // a good copy again for the next case
    }
}

TEST_F(PictureCache, AFolderThatCannotBeWrittenLeavesTheCacheOut)
{
    std::ofstream("cache") << "a file where the folder would go";
    WritePicture(RGB(0, 90, 0));
    const int reads = CachedPictureReads();
    testing::internal::CaptureStderr();
    const auto first = Start();
    const auto second = Start();
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(second, first);
    EXPECT_EQ(CachedPictureReads(), reads);
    EXPECT_LE(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

TEST_F(PictureCache, TheTwoScreenSizesUsedLastAreKept)
{
    WritePicture(RGB(0, 0, 90));
    for (const int width : {32, 48, 64}) {
        EXPECT_TRUE(Start(width, width * 3 / 4).has_value()) << width;
    }
    // Written within a few milliseconds, maybe in one tick of the file clock: the one written last
    // is kept in any case.
    const std::vector<fs::path> files = FilesIn(cache);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(std::count_if(files.begin(), files.end(),
                            [](const fs::path& f) { return f.filename().string().ends_with("-64x48.pixels"); }),
              1);
}
