// A corpus of bad "Face.jpg" files in the working directory: truncated, corrupt, empty, other
// formats, huge claimed sizes, not a file at all, unreadable, and a file replaced while the program
// runs. The program must never crash, every paint must end with the keys drawn, and memory must
// stay bounded whatever size a file claims.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/DialogFixture.h"

namespace {

using Bytes = std::vector<unsigned char>;
namespace fs = std::filesystem;

constexpr int kW = 800;
constexpr int kH = 600;
constexpr char kFace[] = "Face.jpg";
// However large a picture claims to be, the program may not grow by more than this, and while
// it decodes one at this screen size not by more than the decoder's 64 MB and the picture.
constexpr long kMemoryBoundKb = 300 * 1024;
constexpr long kDecodingBoundKb = 128 * 1024;
// AddressSanitizer keeps freed memory in quarantine and maps shadow memory, so resident sizes
// measured under it say nothing about the program's own use: there they are printed, not judged.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kResidentSizeMeaningful = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kResidentSizeMeaningful = false;
#else
constexpr bool kResidentSizeMeaningful = true;
#endif
#else
constexpr bool kResidentSizeMeaningful = true;
#endif

// A 32 x 24 baseline JPEG, left half RGB(20, 60, 200), right half RGB(230, 120, 30).
const Bytes kJpeg = {
    0xff, 0xd8, 0xff, 0xe0, 0x00, 0x10, 0x4a, 0x46, 0x49, 0x46, 0x00, 0x01, 0x01, 0x01, 0x00, 0x64, 0x00, 0x64, 0x00,
    0x00, 0xff, 0xdb, 0x00, 0x43, 0x00, 0x03, 0x02, 0x02, 0x03, 0x02, 0x02, 0x03, 0x03, 0x03, 0x03, 0x04, 0x03, 0x03,
    0x04, 0x05, 0x08, 0x05, 0x05, 0x04, 0x04, 0x05, 0x0a, 0x07, 0x07, 0x06, 0x08, 0x0c, 0x0a, 0x0c, 0x0c, 0x0b, 0x0a,
    0x0b, 0x0b, 0x0d, 0x0e, 0x12, 0x10, 0x0d, 0x0e, 0x11, 0x0e, 0x0b, 0x0b, 0x10, 0x16, 0x10, 0x11, 0x13, 0x14, 0x15,
    0x15, 0x15, 0x0c, 0x0f, 0x17, 0x18, 0x16, 0x14, 0x18, 0x12, 0x14, 0x15, 0x14, 0xff, 0xdb, 0x00, 0x43, 0x01, 0x03,
    0x04, 0x04, 0x05, 0x04, 0x05, 0x09, 0x05, 0x05, 0x09, 0x14, 0x0d, 0x0b, 0x0d, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14,
    0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14,
    0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14,
    0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0xff, 0xc0, 0x00, 0x11, 0x08, 0x00, 0x18, 0x00, 0x20, 0x03, 0x01, 0x22, 0x00,
    0x02, 0x11, 0x01, 0x03, 0x11, 0x01, 0xff, 0xc4, 0x00, 0x1f, 0x00, 0x00, 0x01, 0x05, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a,
    0x0b, 0xff, 0xc4, 0x00, 0xb5, 0x10, 0x00, 0x02, 0x01, 0x03, 0x03, 0x02, 0x04, 0x03, 0x05, 0x05, 0x04, 0x04, 0x00,
    0x00, 0x01, 0x7d, 0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07,
    0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62,
    0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37,
    0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a,
    0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83, 0x84, 0x85,
    0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6,
    0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7,
    0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7,
    0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa, 0xff, 0xc4, 0x00, 0x1f, 0x01, 0x00,
    0x03, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x03,
    0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0xff, 0xc4, 0x00, 0xb5, 0x11, 0x00, 0x02, 0x01, 0x02, 0x04, 0x04,
    0x03, 0x04, 0x07, 0x05, 0x04, 0x04, 0x00, 0x01, 0x02, 0x77, 0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31,
    0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09,
    0x23, 0x33, 0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18, 0x19, 0x1a,
    0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a,
    0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75,
    0x76, 0x77, 0x78, 0x79, 0x7a, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96,
    0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7,
    0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8,
    0xd9, 0xda, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9,
    0xfa, 0xff, 0xda, 0x00, 0x0c, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3f, 0x00, 0xf9, 0x52, 0x8a, 0x28,
    0xaf, 0xec, 0xd3, 0xf2, 0xc3, 0xed, 0x3a, 0x28, 0xa2, 0xbf, 0xc8, 0x73, 0xfb, 0xe0, 0xf8, 0xb2, 0x8a, 0x28, 0xaf,
    0xf5, 0xe0, 0xfe, 0x07, 0x3e, 0xd3, 0xa2, 0x8a, 0x2b, 0xfc, 0x87, 0x3f, 0xbe, 0x0f, 0xff, 0xd9,
};
constexpr COLORREF kJpegLeft = RGB(20, 60, 200);

// Starts the peak resident size (VmHWM) afresh from the current size; false where the kernel cannot.
bool ResetPeak()
{
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return static_cast<bool>(out);
}

long StatusKb(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::strtol(line.c_str() + key.size(), nullptr, 10);
        }
    }
    return -1;
}

// Ends the process with a message when a case takes far too long: a hang must fail.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit)
    {
        m_thread = std::thread([this, limit] {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (!m_done.wait_for(lock, limit, [this] { return m_finished; })) {
                std::fprintf(stderr, "hang: the picture case \"%s\" did not end within %lld s\n", m_case.load(),
                             static_cast<long long>(limit.count()));
                std::abort();
            }
        });
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        m_thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
    void Case(const char* name) { m_case = name; }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::atomic<const char*> m_case{""};
    std::thread m_thread;
};

// A fresh empty working directory for the test, the old one restored and the new one removed after.
class ScratchDirectory {
public:
    ScratchDirectory()
    {
        m_old = fs::current_path();
        char name[] = "/tmp/pomarel-faces-XXXXXX";
        if (mkdtemp(name) == nullptr) {
            ADD_FAILURE() << "no temporary directory";
            return;
        }
        m_dir = name;
        fs::current_path(m_dir);
    }
    ~ScratchDirectory()
    {
        std::error_code ec;
        fs::current_path(m_old, ec);
        if (!m_dir.empty()) {
            fs::permissions(m_dir / kFace, fs::perms::owner_all, ec);
            fs::remove_all(m_dir, ec);
        }
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

private:
    fs::path m_old;
    fs::path m_dir;
};

void Clear()
{
    std::error_code ec;
    fs::remove_all(kFace, ec);
}

void Write(const Bytes& data, const char* name = kFace)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

// Overwrites the file in place and moves its modification time a second on, so that the change
// shows on file systems with coarse times too.
void Touch(const Bytes& data)
{
    const fs::file_time_type before = fs::last_write_time(kFace);
    Write(data);
    fs::last_write_time(kFace, before + std::chrono::seconds(1));
}

// Writes beside the file and renames over it, as editors and downloads do.
void Replace(const Bytes& data)
{
    Write(data, "Face.jpg.new");
    fs::rename("Face.jpg.new", kFace);
}

void Put16(Bytes& b, unsigned v)
{
    b.push_back(static_cast<unsigned char>(v & 0xFF));
    b.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}
void Put32(Bytes& b, std::uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void Put32BigEndian(Bytes& b, std::uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8) {
        b.push_back(static_cast<unsigned char>((v >> s) & 0xFF));
    }
}

// A 24-bit bottom-up BMP of one colour; 'claimW' x 'claimH' in the header when given.
Bytes Bmp(int w, int h, COLORREF c, int claimW = 0, int claimH = 0)
{
    const int stride = (w * 3 + 3) / 4 * 4;
    const auto pixels = static_cast<std::uint32_t>(stride * h);
    Bytes b{'B', 'M'};
    Put32(b, 54 + pixels);
    Put32(b, 0);
    Put32(b, 54);
    Put32(b, 40);
    Put32(b, static_cast<std::uint32_t>(claimW != 0 ? claimW : w));
    Put32(b, static_cast<std::uint32_t>(claimH != 0 ? claimH : h));
    Put16(b, 1);
    Put16(b, 24);
    Put32(b, 0);
    Put32(b, pixels);
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, 0);
    Put32(b, 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < stride; ++x) {
            const int k = x % 3;
            b.push_back(x >= w * 3 ? 0
                                   : static_cast<unsigned char>(k == 0   ? GetBValue(c)
                                                                : k == 1 ? GetGValue(c)
                                                                         : GetRValue(c)));
        }
    }
    return b;
}

std::uint32_t Crc32(const unsigned char* p, std::size_t n)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void PngChunk(Bytes& png, const char* type, const Bytes& data)
{
    Put32BigEndian(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    Put32BigEndian(png, Crc32(png.data() + start, png.size() - start));
}

// An RGB PNG of one colour, its pixel rows in stored (uncompressed) deflate blocks. With a claimed
// size, the header says 'claimW' x 'claimH' while the data stays that of w x h.
Bytes Png(int w, int h, COLORREF c, int claimW = 0, int claimH = 0)
{
    Bytes raw;
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < w; ++x) {
            raw.insert(raw.end(), {static_cast<unsigned char>(GetRValue(c)), static_cast<unsigned char>(GetGValue(c)),
                                   static_cast<unsigned char>(GetBValue(c))});
        }
    }
    Bytes z{0x78, 0x01};
    std::size_t at = 0;
    do {
        const std::size_t n = std::min<std::size_t>(raw.size() - at, 65535);
        z.push_back(at + n == raw.size() ? 1 : 0);
        Put16(z, static_cast<unsigned>(n));
        Put16(z, static_cast<unsigned>(~n & 0xFFFF));
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                 raw.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    } while (at < raw.size());
    std::uint32_t a = 1, b = 0;
    for (unsigned char v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    Put32BigEndian(z, (b << 16) | a);

    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    Put32BigEndian(ihdr, static_cast<std::uint32_t>(claimW != 0 ? claimW : w));
    Put32BigEndian(ihdr, static_cast<std::uint32_t>(claimH != 0 ? claimH : h));
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
    Put16(b, static_cast<unsigned>(screenW));
    Put16(b, static_cast<unsigned>(screenH));
    b.insert(b.end(), {0x80, 0, 0});  // a global table of two colours
    b.insert(b.end(), {static_cast<unsigned char>(GetRValue(c)), static_cast<unsigned char>(GetGValue(c)),
                       static_cast<unsigned char>(GetBValue(c)), 0, 0, 0});
    b.insert(b.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0});  // the image: 1 x 1 at 0, 0
    b.insert(b.end(), {0x02, 0x02, 0x44, 0x01, 0x00, 0x3B});
    return b;
}

// The JPEG with its frame header claiming w x h; the scan data stays that of 32 x 24.
Bytes JpegClaiming(int w, int h)
{
    Bytes b = kJpeg;
    for (std::size_t i = 0; i + 8 < b.size(); ++i) {
        if (b[i] == 0xFF && b[i + 1] == 0xC0) {
            b[i + 5] = static_cast<unsigned char>(h >> 8);
            b[i + 6] = static_cast<unsigned char>(h & 0xFF);
            b[i + 7] = static_cast<unsigned char>(w >> 8);
            b[i + 8] = static_cast<unsigned char>(w & 0xFF);
            break;
        }
    }
    return b;
}

Bytes Cut(const Bytes& b, std::size_t n)
{
    return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(std::min(n, b.size())));
}

// 'count' bytes after the start-of-image marker replaced by others, from a fixed seed.
Bytes Corrupt(const Bytes& b, unsigned seed, int count)
{
    Bytes out = b;
    std::mt19937 rng(seed);
    for (int i = 0; i < count; ++i) {
        out[2 + rng() % (out.size() - 2)] = static_cast<unsigned char>(rng());
    }
    return out;
}

Bytes Text(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

bool Near(COLORREF a, COLORREF b, int tolerance)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// The pixels the key caps cover (the part of each key rectangle the cap is stretched over).
std::vector<std::uint32_t> KeyPixels(PracticeWindow& win)
{
    PracticeDialog& d = win.dlg();
    std::vector<std::uint32_t> out;
    for (int r = 0; r < kKeyRows; ++r) {
        for (int c = 0; c < d.m_nKeysInRow[r]; ++c) {
            const RECT& k = d.m_rcKey[r][c];
            for (int y = std::max<int>(k.top, 0); y < std::min<int>(k.bottom, kH); ++y) {
                for (int x = std::max<int>(k.left, 0); x < std::min<int>(k.right, kW); ++x) {
                    out.push_back(win.screen().Row(y)[x]);
                }
            }
        }
    }
    return out;
}

// The keys as painted over the desktop, with no picture at all.
const std::vector<std::uint32_t>& ReferenceKeys()
{
    static const std::vector<std::uint32_t> keys = [] {
        Clear();
        PracticeWindow win(kW, kH);
        testing_hooks::PaintNow(win.dlg());
        return KeyPixels(win);
    }();
    return keys;
}

// Paints the window and checks that the keys came out whole.
void PaintAndExpectKeys(PracticeWindow& win, const std::string& what)
{
    testing_hooks::PaintNow(win.dlg());
    const std::vector<std::uint32_t> keys = KeyPixels(win);
    const std::vector<std::uint32_t>& want = ReferenceKeys();
    ASSERT_EQ(keys.size(), want.size()) << what;
    std::size_t differ = 0;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        differ += keys[i] != want[i] ? 1 : 0;
    }
    EXPECT_EQ(differ, 0u) << what << ": key pixels not drawn as caps";
}

struct PictureCase {
    const char* name;
    std::function<void()> make;  // puts the case's Face.jpg in the working directory
    bool shows;                  // a picture the program shows
    COLORREF colour;             // at the top left of the screen when it shows
};

std::vector<PictureCase> Corpus()
{
    const COLORREF green = RGB(10, 200, 40);
    const COLORREF purple = RGB(150, 30, 160);
    const COLORREF teal = RGB(0, 128, 128);
    auto file = [](Bytes b) { return [b] { Write(b); }; };
    return {
        {"good JPEG", file(kJpeg), true, kJpegLeft},
        {"PNG named Face.jpg", file(Png(40, 30, green)), true, green},
        {"BMP named Face.jpg", file(Bmp(40, 30, purple)), true, purple},
        {"GIF named Face.jpg", file(Gif(teal)), true, teal},
        {"empty file", file({}), false, 0},
        {"start-of-image marker only", file(Cut(kJpeg, 2)), false, 0},
        {"JPEG cut in its frame header", file(Cut(kJpeg, 160)), false, 0},
        {"JPEG cut in its Huffman tables", file(Cut(kJpeg, 400)), false, 0},
        {"JPEG cut in its scan", file(Cut(kJpeg, 630)), false, 0},
        {"JPEG without its end marker", file(Cut(kJpeg, kJpeg.size() - 2)), false, 0},
        {"JPEG with 8 corrupt bytes", file(Corrupt(kJpeg, 1, 8)), false, 0},
        {"JPEG with 40 corrupt bytes", file(Corrupt(kJpeg, 2, 40)), false, 0},
        {"JPEG with 300 corrupt bytes", file(Corrupt(kJpeg, 3, 300)), false, 0},
        {"PNG cut in its data", file(Cut(Png(40, 30, green), 200)), false, 0},
        {"PNG with corrupt bytes", file(Corrupt(Png(40, 30, green), 4, 30)), false, 0},
        {"BMP cut in its pixels", file(Cut(Bmp(40, 30, purple), 300)), false, 0},
        {"text file", file(Text("This is not a picture.\nJust text, named like one.\n")), false, 0},
        {"JPEG claiming 20000 x 20000", file(JpegClaiming(20000, 20000)), false, 0},
        {"JPEG claiming 60000 x 60000", file(JpegClaiming(60000, 60000)), false, 0},
        {"JPEG claiming 65535 x 1", file(JpegClaiming(65535, 1)), false, 0},
        {"JPEG claiming 0 x 0", file(JpegClaiming(0, 0)), false, 0},
        {"PNG claiming 20000 x 20000", file(Png(4, 4, green, 20000, 20000)), false, 0},
        {"PNG claiming 60000 x 60000", file(Png(4, 4, green, 60000, 60000)), false, 0},
        {"PNG claiming 2^31-1 x 2^31-1", file(Png(4, 4, green, 0x7FFFFFFF, 0x7FFFFFFF)), false, 0},
        {"BMP claiming 60000 x 60000", file(Bmp(4, 4, purple, 60000, 60000)), false, 0},
        {"BMP claiming 20000 x -20000", file(Bmp(4, 4, purple, 20000, -20000)), false, 0},
        {"GIF on a 65535 x 65535 screen", file(Gif(teal, 65535, 65535)), false, 0},
        {"directory named Face.jpg", [] { fs::create_directory(kFace); }, false, 0},
        {"named pipe", [] { mkfifo(kFace, 0600); }, false, 0},
        {"link to /dev/zero", [] { fs::create_symlink("/dev/zero", kFace); }, false, 0},
        {"link to nowhere", [] { fs::create_symlink("no-such-picture.jpg", kFace); }, false, 0},
        {"link to itself", [] { fs::create_symlink(kFace, kFace); }, false, 0},
    };
}

}  // namespace

TEST(BadPictures, NeverCrashAlwaysPaintTheKeysAndKeepMemoryBounded)
{
    ScratchDirectory dir;
    ReferenceKeys();
    const long rssBefore = StatusKb("VmRSS");
    Watchdog dog(std::chrono::seconds(300));
    long worst = 0;
    long worstPeak = 0;
    for (const PictureCase& c : Corpus()) {
        SCOPED_TRACE(c.name);
        dog.Case(c.name);
        Clear();
        c.make();
        const bool peakKnown = ResetPeak();
        {
            PracticeWindow win(kW, kH);
            PaintAndExpectKeys(win, c.name);
            if (c.shows) {
                EXPECT_TRUE(Near(win.Pixel(3, 3), c.colour, 40)) << c.name << ": the picture does not show";
            }
            win.Key(VK_F2);
            for (int i = 0; i < 3; ++i) {
                win.Type(static_cast<unsigned char>(win.Target()));
            }
            EXPECT_EQ(win.dlg().m_nTotalRight, 3) << c.name;
            PaintAndExpectKeys(win, c.name);
            PaintAndExpectKeys(win, c.name);
        }
        const long grown = StatusKb("VmRSS") - rssBefore;
        worst = std::max(worst, grown);
        if (kResidentSizeMeaningful) {
            EXPECT_LT(grown, kMemoryBoundKb) << c.name << ": resident memory grew by " << grown << " kB";
        }
        if (peakKnown) {
            // While the case ran, too: a decoder must not take what the file claims.
            const long peak = StatusKb("VmHWM") - rssBefore;
            worstPeak = std::max(worstPeak, peak);
            if (kResidentSizeMeaningful) {
                EXPECT_LT(peak, kDecodingBoundKb) << c.name << ": resident memory peaked " << peak << " kB higher";
            }
            std::printf("  %-40s resident +%ld kB, peak +%ld kB\n", c.name, grown, peak);
        }
    }
    Clear();
    std::printf("bad pictures: resident memory grew by at most %ld kB after a case and %ld kB during one%s\n", worst,
                worstPeak, kResidentSizeMeaningful ? "" : " (not judged under AddressSanitizer)");
}

TEST(BadPictures, UnreadableFile)
{
    ScratchDirectory dir;
    ReferenceKeys();
    Write(kJpeg);
    fs::permissions(kFace, fs::perms::none);
    if (std::FILE* f = std::fopen(kFace, "rb")) {
        std::fclose(f);
        GTEST_SKIP()
            << "this user reads files whatever their permissions (root), so an unreadable Face.jpg cannot be made";
    }
    PracticeWindow win(kW, kH);
    PaintAndExpectKeys(win, "unreadable file");
    win.Key(VK_F2);
    win.Type(static_cast<unsigned char>(win.Target()));
    PaintAndExpectKeys(win, "unreadable file");
}

TEST(BadPictures, FileReplacedWhileTheProgramRuns)
{
    ScratchDirectory dir;
    ReferenceKeys();
    Watchdog dog(std::chrono::seconds(120));
    const COLORREF blue = RGB(30, 40, 220);
    const COLORREF green = RGB(10, 200, 40);
    const COLORREF red = RGB(220, 20, 20);
    Write(Bmp(40, 30, blue));
    PracticeWindow win(kW, kH);  // looks for the file now, once
    PaintAndExpectKeys(win, "good BMP");
    EXPECT_TRUE(Near(win.Pixel(3, 3), blue, 8)) << "the picture does not show";
    win.Key(VK_F2);

    struct Step {
        const char* what;
        std::function<void()> change;
        bool shows;
        COLORREF colour;
    };
    const Step steps[] = {
        {"replaced by a truncated JPEG", [] { Replace(Cut(kJpeg, 400)); }, false, 0},
        {"deleted", [] { Clear(); }, false, 0},
        {"put back as a good PNG", [&] { Replace(Png(40, 30, green)); }, true, green},
        {"overwritten in place by a BMP", [&] { Write(Bmp(40, 30, red)); }, true, red},
        // Same file, same length: only its modification time tells the change.
        {"overwritten in place by a BMP as long", [&] { Touch(Bmp(40, 30, green)); }, true, green},
        {"overwritten in place by a PNG claiming 60000 x 60000", [&] { Write(Png(4, 4, green, 60000, 60000)); }, false,
         0},
        {"replaced by a directory",
         [] {
             Clear();
             fs::create_directory(kFace);
         },
         false, 0},
        {"put back as a good JPEG",
         [] {
             Clear();
             Write(kJpeg);
         },
         true, kJpegLeft},
        {"emptied", [] { Write({}); }, false, 0},
        {"put back as a good BMP", [&] { Replace(Bmp(40, 30, blue)); }, true, blue},
    };
    for (const Step& s : steps) {
        dog.Case(s.what);
        s.change();
        PaintAndExpectKeys(win, s.what);
        if (s.shows) {
            EXPECT_TRUE(Near(win.Pixel(3, 3), s.colour, 40)) << s.what << ": the new picture does not show";
        }
        win.Type(static_cast<unsigned char>(win.Target()));
    }
    EXPECT_EQ(win.dlg().m_nTotalRight, static_cast<int>(std::size(steps)));
}
