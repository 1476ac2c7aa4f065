// A corpus of bad "Face.jpg" files in the working directory: truncated, corrupt, empty, other
// formats, huge claimed sizes, not a file at all, unreadable, and a file replaced while the program
// runs. The program must never crash, every paint must end with the keys drawn, and memory must
// stay bounded whatever size a file claims.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <numeric>
#include <random>

#include "tests/robustness/Robustness.h"
#include "tests/support/Pictures.h"

namespace {

using namespace robustness;
namespace fs = std::filesystem;

constexpr int kW = 800;
constexpr int kH = 600;
constexpr char kFace[] = "Face.jpg";
// However large a picture claims to be, the program may not grow by more than this, and while
// it decodes one at this screen size not by more than the decoder's 64 MB and the picture.
constexpr long kMemoryBoundKb = 300 * 1024;
constexpr long kDecodingBoundKb = 128 * 1024;
constexpr COLORREF kNoPicture = 0xFFFFFFFF;   // the case shows no picture
constexpr COLORREF kAnyPicture = 0xFFFFFFFE;  // whether it shows depends on who runs the test

Bytes FromHex(const char* hex)
{
    Bytes b;
    for (; hex[0] != '\0'; hex += 2)
        b.push_back(static_cast<unsigned char>(std::stoi(std::string(hex, 2), nullptr, 16)));
    return b;
}

// A 32 x 24 baseline JPEG, left half RGB(20, 60, 200), right half RGB(230, 120, 30).
const Bytes kJpeg = FromHex(
    "ffd8ffe000104a46494600010101006400640000ffdb0043000302020302020303030304030304050805050404050a070706080c0a0c0c0b"
    "0a0b0b0d0e12100d0e110e0b0b1016101113141515150c0f171816141812141514ffdb00430103040405040509050509140d0b0d14141414"
    "14141414141414141414141414141414141414141414141414141414141414141414141414141414141414141414ffc00011080018002003"
    "012200021101031101ffc4001f0000010501010101010100000000000000000102030405060708090a0bffc400b510000201030302040305"
    "0504040000017d01020300041105122131410613516107227114328191a1082342b1c11552d1f02433627282090a161718191a2526272829"
    "2a3435363738393a434445464748494a535455565758595a636465666768696a737475767778797a838485868788898a9293949596979899"
    "9aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8b9bac2c3c4c5c6c7c8c9cad2d3d4d5d6d7d8d9dae1e2e3e4e5e6e7e8e9eaf1f2f3f4f5f6f7f8f9"
    "faffc4001f0100030101010101010101010000000000000102030405060708090a0bffc400b5110002010204040304070504040001027700"
    "0102031104052131061241510761711322328108144291a1b1c109233352f0156272d10a162434e125f11718191a262728292a3536373839"
    "3a434445464748494a535455565758595a636465666768696a737475767778797a82838485868788898a92939495969798999aa2a3a4a5a6"
    "a7a8a9aab2b3b4b5b6b7b8b9bac2c3c4c5c6c7c8c9cad2d3d4d5d6d7d8d9dae2e3e4e5e6e7e8e9eaf2f3f4f5f6f7f8f9faffda000c030100"
    "02110311003f00f9528a28afecd3f2c3ed3a28a2bfc873fbe0f8b28a28aff5e0fe073ed3a28a2bfc873fbe0fffd9");
constexpr COLORREF kJpegLeft = RGB(20, 60, 200);

// Appends 'v' in 'n' bytes, least significant first unless 'bigEndian'.
void Put(Bytes& b, std::uint32_t v, int n, bool bigEndian = false)
{
    for (int i = 0; i < n; ++i)
        b.push_back(static_cast<unsigned char>(v >> (8 * (bigEndian ? n - 1 - i : i))));
}

void PngChunk(Bytes& png, const char* type, const Bytes& data)
{
    Put(png, static_cast<std::uint32_t>(data.size()), 4, true);
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = start; i < png.size(); ++i) {
        crc ^= png[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    Put(png, ~crc, 4, true);
}

// An RGB PNG of one colour, its pixel rows in stored (uncompressed) deflate blocks. With a claimed
// size, the header says 'claimW' x 'claimH' while the data stays that of w x h.
Bytes Png(int w, int h, COLORREF c, int claimW = 0, int claimH = 0)
{
    Bytes raw;
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < w; ++x)
            Put(raw, static_cast<std::uint32_t>(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c)), 3, true);
    }
    Bytes z{0x78, 0x01};
    std::uint32_t a = 1, s = 0;
    for (std::size_t at = 0; at < raw.size();) {
        const std::size_t n = std::min<std::size_t>(raw.size() - at, 65535);
        z.push_back(at + n == raw.size() ? 1 : 0);
        Put(z, static_cast<std::uint32_t>(n | (~n & 0xFFFF) << 16), 4);
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                 raw.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    }
    for (const unsigned char v : raw) {
        a = (a + v) % 65521;
        s = (s + a) % 65521;
    }
    Put(z, s << 16 | a, 4, true);
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    Put(ihdr, static_cast<std::uint32_t>(claimW != 0 ? claimW : w), 4, true);
    Put(ihdr, static_cast<std::uint32_t>(claimH != 0 ? claimH : h), 4, true);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    PngChunk(png, "IHDR", ihdr);
    PngChunk(png, "IDAT", z);
    PngChunk(png, "IEND", {});
    return png;
}

// A GIF of one pixel of one colour on a logical screen of 'screenW' x 'screenH'.
Bytes Gif(COLORREF c, int screenW = 1, int screenH = 1)
{
    Bytes b{'G', 'I', 'F', '8', '9', 'a'};
    Put(b, static_cast<std::uint32_t>(screenW) | static_cast<std::uint32_t>(screenH) << 16, 4);
    b.insert(b.end(), {0x80, 0, 0});  // a global table of two colours: c and black
    Put(b, static_cast<std::uint32_t>(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c)), 3, true);
    Put(b, 0, 3);
    b.insert(b.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B});  // 1 x 1 at 0, 0
    return b;
}

// The JPEG with its frame header claiming w x h; the scan data stays that of 32 x 24.
Bytes JpegClaiming(int w, int h)
{
    Bytes b = kJpeg;
    const Bytes marker{0xFF, 0xC0};
    const auto sof = std::search(b.begin(), b.end(), marker.begin(), marker.end()) - b.begin();
    for (const auto& [at, v] : {std::pair{5, h >> 8}, {6, h}, {7, w >> 8}, {8, w}})
        b[static_cast<std::size_t>(sof + at)] = static_cast<unsigned char>(v);
    return b;
}

Bytes Cut(const Bytes& b, std::size_t n)
{
    return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n));
}

// 'count' bytes after the start-of-image marker replaced by others, from a fixed seed.
Bytes Corrupt(Bytes b, unsigned seed, int count)
{
    std::mt19937 rng(seed);
    for (int i = 0; i < count; ++i)
        b[2 + rng() % (b.size() - 2)] = static_cast<unsigned char>(rng());
    return b;
}

void Clear()
{
    std::error_code ec;
    fs::permissions(kFace, fs::perms::owner_all, ec);
    fs::remove_all(kFace, ec);
}

// The pixels the key caps cover (the part of each key rectangle the cap is stretched over).
std::vector<std::uint32_t> KeyPixels(PracticeWindow& win)
{
    PracticeDialog& d = win.dlg();
    std::vector<std::uint32_t> out;
    for (int r = 0; r < kKeyRows; ++r)
        for (int c = 0; c < kKeysInRow[r]; ++c) {
            const RECT& k = d.GetScene().KeyRectangles()[r][c];
            for (int y = std::max(k.top, 0); y < std::min(k.bottom, kH); ++y)
                for (int x = std::max(k.left, 0); x < std::min(k.right, kW); ++x)
                    out.push_back(win.screen().Row(y)[x]);
        }
    return out;
}

// The keys as painted over the desktop with no picture at all; made before any other window.
const std::vector<std::uint32_t>& ReferenceKeys()
{
    static const std::vector<std::uint32_t> keys = [] {
        Clear();
        PracticeWindow bare(kW, kH);
        testing_hooks::PaintNow(bare.dlg());
        return KeyPixels(bare);
    }();
    return keys;
}

// Paints the window and checks that the keys came out whole and the picture, if any, shows at the
// top left.
void PaintAndExpect(PracticeWindow& win, const std::string& what, COLORREF picture = kAnyPicture, int tolerance = 40)
{
    const std::vector<std::uint32_t>& reference = ReferenceKeys();
    testing_hooks::PaintNow(win.dlg());
    const std::vector<std::uint32_t> keys = KeyPixels(win);
    ASSERT_EQ(keys.size(), reference.size()) << what;
    EXPECT_EQ(std::inner_product(keys.begin(), keys.end(), reference.begin(), 0, std::plus<>(), std::not_equal_to<>()),
              0)
        << what << ": key pixels not drawn as caps";
    const COLORREF p = win.Pixel(3, 3);
    if (picture < kAnyPicture) {
        EXPECT_TRUE(std::abs(GetRValue(p) - GetRValue(picture)) <= tolerance &&
                    std::abs(GetGValue(p) - GetGValue(picture)) <= tolerance &&
                    std::abs(GetBValue(p) - GetBValue(picture)) <= tolerance)
            << what << ": the picture does not show";
    }
}

struct PictureCase {
    std::string name;
    std::function<void()> make;   // puts the case's Face.jpg in the working directory
    COLORREF shows = kNoPicture;  // at the top left of the screen
};

auto File(Bytes b)
{
    return [b] { Write(b); };
}

const COLORREF kGreen = RGB(10, 200, 40), kPurple = RGB(150, 30, 160), kTeal = RGB(0, 128, 128);
const COLORREF kBlue = RGB(30, 40, 220), kRed = RGB(220, 20, 20);

}  // namespace

TEST(BadPictures, NeverCrashAlwaysPaintTheKeysAndKeepMemoryBounded)
{
    const PictureCase corpus[] = {
        {"good JPEG", File(kJpeg), kJpegLeft},
        {"PNG named Face.jpg", File(Png(40, 30, kGreen)), kGreen},
        {"BMP named Face.jpg", File(Bmp(40, 30, kPurple)), kPurple},
        {"GIF named Face.jpg", File(Gif(kTeal)), kTeal},
        {"empty file", File({})},
        {"start-of-image marker only", File(Cut(kJpeg, 2))},
        {"JPEG cut in its frame header", File(Cut(kJpeg, 160))},
        {"JPEG cut in its Huffman tables", File(Cut(kJpeg, 400))},
        {"JPEG cut in its scan", File(Cut(kJpeg, 630))},
        {"JPEG without its end marker", File(Cut(kJpeg, kJpeg.size() - 2))},
        {"JPEG with 8 corrupt bytes", File(Corrupt(kJpeg, 1, 8))},
        {"JPEG with 40 corrupt bytes", File(Corrupt(kJpeg, 2, 40))},
        {"JPEG with 300 corrupt bytes", File(Corrupt(kJpeg, 3, 300))},
        {"PNG cut in its data", File(Cut(Png(40, 30, kGreen), 200))},
        {"PNG with corrupt bytes", File(Corrupt(Png(40, 30, kGreen), 4, 30))},
        {"BMP cut in its pixels", File(Cut(Bmp(40, 30, kPurple), 300))},
        {"text file", [] { std::ofstream(kFace) << "This is not a picture.\nJust text, named like one.\n"; }},
        {"JPEG claiming 20000 x 20000", File(JpegClaiming(20000, 20000))},
        {"JPEG claiming 60000 x 60000", File(JpegClaiming(60000, 60000))},
        {"JPEG claiming 65535 x 1", File(JpegClaiming(65535, 1))},
        {"JPEG claiming 0 x 0", File(JpegClaiming(0, 0))},
        {"PNG claiming 20000 x 20000", File(Png(4, 4, kGreen, 20000, 20000))},
        {"PNG claiming 60000 x 60000", File(Png(4, 4, kGreen, 60000, 60000))},
        {"PNG claiming 2^31-1 x 2^31-1", File(Png(4, 4, kGreen, 0x7FFFFFFF, 0x7FFFFFFF))},
        {"BMP claiming 60000 x 60000", File(Bmp(4, 4, kPurple, 60000, 60000))},
        {"BMP claiming 20000 x -20000", File(Bmp(4, 4, kPurple, 20000, -20000))},
        {"GIF on a 65535 x 65535 screen", File(Gif(kTeal, 65535, 65535))},
        {"directory named Face.jpg", [] { fs::create_directory(kFace); }},
        {"named pipe", [] { mkfifo(kFace, 0600); }},
        {"link to /dev/zero", [] { fs::create_symlink("/dev/zero", kFace); }},
        {"link to nowhere", [] { fs::create_symlink("no-such-picture.jpg", kFace); }},
        {"link to itself", [] { fs::create_symlink(kFace, kFace); }},
        // Root reads files whatever their permissions: there the picture shows.
        {"unreadable file",
         [] {
             Write(kJpeg);
             fs::permissions(kFace, fs::perms::none);
         },
         kAnyPicture},
    };
    ScratchDirectory dir;
    ReferenceKeys();
    const long rssBefore = StatusKb("VmRSS");
    Watchdog dog(std::chrono::seconds(300), "the bad pictures");
    long worst = 0, worstPeak = 0;
    for (const PictureCase& c : corpus) {
        dog.Step(c.name);
        Clear();
        c.make();
        const bool peakKnown = ResetPeak();
        {
            PracticeWindow win(kW, kH);
            PaintAndExpect(win, c.name, c.shows);
            win.Key(VK_F2);
            for (int i = 0; i < 3; ++i)
                win.Type(static_cast<unsigned char>(win.Target()));
            EXPECT_EQ(win.dlg().GetExercise().TotalRight(), 3) << c.name;
            PaintAndExpect(win, c.name);
            PaintAndExpect(win, c.name);
        }
        const long grown = StatusKb("VmRSS") - rssBefore;
        // While the case ran, too: a decoder must not take what the file claims.
        const long peak = peakKnown ? StatusKb("VmHWM") - rssBefore : 0;
        worst = std::max(worst, grown);
        worstPeak = std::max(worstPeak, peak);
        if (kResidentSizeMeaningful) {
            EXPECT_LT(grown, kMemoryBoundKb) << c.name << ": resident memory grew by " << grown << " kB";
            EXPECT_LT(peak, kDecodingBoundKb) << c.name << ": resident memory peaked " << peak << " kB higher";
        }
        std::printf("  %-40s resident +%ld kB, peak +%ld kB\n", c.name.c_str(), grown, peak);
    }
    std::printf("bad pictures: resident memory grew by at most %ld kB after a case and %ld kB during one%s\n", worst,
                worstPeak, kResidentSizeMeaningful ? "" : " (not judged under AddressSanitizer)");
}

TEST(BadPictures, FileReplacedWhileTheProgramRuns)
{
    // Writes beside the file and renames over it, as editors and downloads do.
    const auto replace = [](Bytes b) {
        return [b] {
            Write(b, "Face.jpg.new");
            fs::rename("Face.jpg.new", kFace);
        };
    };
    const PictureCase steps[] = {
        {"replaced by a truncated JPEG", replace(Cut(kJpeg, 400))},
        {"deleted", Clear},
        {"put back as a good PNG", replace(Png(40, 30, kGreen)), kGreen},
        {"overwritten in place by a BMP", File(Bmp(40, 30, kRed)), kRed},
        // Same file, same length: only its modification time, moved a second on, tells the change.
        {"overwritten in place by a BMP as long",
         [] {
             const fs::file_time_type before = fs::last_write_time(kFace);
             Write(Bmp(40, 30, kGreen));
             fs::last_write_time(kFace, before + std::chrono::seconds(1));
         },
         kGreen},
        {"overwritten in place by a PNG claiming 60000 x 60000", File(Png(4, 4, kGreen, 60000, 60000))},
        {"replaced by a directory",
         [] {
             Clear();
             fs::create_directory(kFace);
         }},
        {"put back as a good JPEG",
         [] {
             Clear();
             Write(kJpeg);
         },
         kJpegLeft},
        {"emptied", File({})},
        {"put back as a good BMP", replace(Bmp(40, 30, kBlue)), kBlue},
    };
    ScratchDirectory dir;
    ReferenceKeys();
    Watchdog dog(std::chrono::seconds(120), "the replaced picture");
    Write(Bmp(40, 30, kBlue));
    PracticeWindow win(kW, kH);  // looks for the file now, once
    PaintAndExpect(win, "good BMP", kBlue, 8);
    win.Key(VK_F2);
    for (const PictureCase& s : steps) {
        dog.Step(s.name);
        s.make();
        PaintAndExpect(win, s.name, s.shows);
        win.Type(static_cast<unsigned char>(win.Target()));
    }
    EXPECT_EQ(win.dlg().GetExercise().TotalRight(), static_cast<int>(std::size(steps)));
}
