// Checks the generated sound and picture files in res/ against the formats the program relies on:
// RIFF WAVE PCM mono 11025 Hz (lengths matter, some sounds are dropped while another plays) and
// 24-bit bitmaps whose pure black is keyed out when a hand is drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const std::string kRes = std::string(POMAREL_SOURCE_DIR) + "/res/";

std::vector<unsigned char> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t Le(const std::vector<unsigned char>& b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | b.at(at + static_cast<size_t>(i));
    return v;
}

// A canonical WAVE: "RIFF", "WAVE", a 16-byte fmt chunk, then the data chunk.
struct Wave {
    bool ok = false;
    unsigned format = 0, channels = 0, rate = 0, bits = 0;
    std::vector<double> samples;  // -1 .. 1
};

Wave ReadWave(const std::string& name)
{
    Wave w;
    const auto b = ReadFile(kRes + "wave/" + name + ".wav");
    if (b.size() < 44 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
        std::string(b.begin() + 8, b.begin() + 16) != "WAVEfmt " || Le(b, 16, 4) != 16 ||
        std::string(b.begin() + 36, b.begin() + 40) != "data" || Le(b, 4, 4) != b.size() - 8 ||
        Le(b, 40, 4) != b.size() - 44)
        return w;
    w.format = Le(b, 20, 2);
    w.channels = Le(b, 22, 2);
    w.rate = Le(b, 24, 4);
    w.bits = Le(b, 34, 2);
    const size_t bytes = w.bits / 8;
    if (bytes == 0 || Le(b, 32, 2) != bytes || Le(b, 28, 4) != w.rate * bytes)
        return w;
    for (size_t at = 44; at + bytes <= b.size(); at += bytes)
        w.samples.push_back(bytes == 2 ? static_cast<int16_t>(Le(b, at, 2)) / 32768.0 : (b[at] - 128) / 128.0);
    w.ok = true;
    return w;
}

double Peak(const Wave& w)
{
    double p = 0;
    for (double s : w.samples)
        p = std::max(p, std::fabs(s));
    return p;
}

// A 24-bit BI_RGB bitmap, read into rows from the top.
struct Bitmap {
    int width = 0, height = 0;
    std::vector<std::vector<uint32_t>> rows;  // 0xRRGGBB
    bool Black(int x, int y) const { return rows.at(static_cast<size_t>(y)).at(static_cast<size_t>(x)) == 0; }
    double Luma(int x, int y) const
    {
        const uint32_t c = rows.at(static_cast<size_t>(y)).at(static_cast<size_t>(x));
        return 0.299 * (c >> 16) + 0.587 * ((c >> 8) & 255) + 0.114 * (c & 255);
    }
};

Bitmap ReadBitmap(int id)
{
    Bitmap bm;
    const auto b = ReadFile(kRes + "bitmap/" + std::to_string(id) + ".bmp");
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || Le(b, 28, 2) != 24 || Le(b, 30, 4) != 0)
        return bm;
    const auto height = static_cast<int32_t>(Le(b, 22, 4));
    if (height <= 0)
        return bm;  // bottom-up only
    bm.width = static_cast<int>(Le(b, 18, 4));
    bm.height = height;
    const size_t stride = (static_cast<size_t>(bm.width) * 3 + 3) & ~size_t{3};
    const size_t offset = Le(b, 10, 4);
    if (b.size() < offset + stride * static_cast<size_t>(bm.height))
        return Bitmap{};
    for (int y = 0; y < bm.height; ++y) {
        const size_t row = offset + stride * static_cast<size_t>(bm.height - 1 - y);
        std::vector<uint32_t> line;
        for (size_t x = 0; x < static_cast<size_t>(bm.width); ++x)
            line.push_back(Le(b, row + x * 3, 3));  // stored B, G, R
        bm.rows.push_back(line);
    }
    return bm;
}

std::vector<std::string> KeyNames()
{
    std::vector<std::string> names;
    for (char c = '0'; c <= '9'; ++c)
        names.push_back(std::string("Z") + c);
    for (char c = 'A'; c <= 'Z'; ++c)
        names.push_back(std::string("Z") + c);
    return names;
}

}  // namespace

TEST(ResWave, EveryWaveHasItsFormatAndLength)
{
    struct Expect {
        std::string name;
        unsigned bits;
        double minSeconds, maxSeconds;
    };
    std::vector<Expect> table = {{"ZOK", 16, 0.6, 0.6}, {"ZERROR", 16, 0.9, 0.9}};
    for (const auto& n : KeyNames())
        table.push_back({n, 16, 1.0, 1.0});
    for (int i = 0; i < 5; ++i)
        table.push_back({"CAR" + std::to_string(i), 8, 0.7, 1.5});
    ASSERT_EQ(table.size(), 43u);
    for (const auto& e : table) {
        SCOPED_TRACE(e.name);
        const Wave w = ReadWave(e.name);
        ASSERT_TRUE(w.ok) << "not a canonical 44-byte-header RIFF WAVE";
        EXPECT_EQ(w.format, 1u);
        EXPECT_EQ(w.channels, 1u);
        EXPECT_EQ(w.rate, 11025u);
        EXPECT_EQ(w.bits, e.bits);
        const double seconds = static_cast<double>(w.samples.size()) / 11025;
        EXPECT_GE(seconds, e.minSeconds - 0.5 / 11025);
        EXPECT_LE(seconds, e.maxSeconds + 0.5 / 11025);
        // Fades at both ends: no sound starts or stops with a jump.
        EXPECT_LT(std::fabs(w.samples.front()), 0.02);
        EXPECT_LT(std::fabs(w.samples.back()), 0.02);
        EXPECT_GT(Peak(w), 0.1) << "silent";
    }
}

TEST(ResWave, KeyNamesStartAtOnceWithOneLoudness)
{
    double lowest = 1, highest = 0;
    for (const auto& n : KeyNames()) {
        SCOPED_TRACE(n);
        const Wave w = ReadWave(n);
        ASSERT_TRUE(w.ok);
        size_t first = 0;
        while (first < w.samples.size() && std::fabs(w.samples[first]) < 0.05)
            ++first;
        EXPECT_LT(first, 11025u * 50 / 1000) << "speech starts after 50 ms";
        // Speech, not a click: a quarter of the first 0.3 s after the onset is above -40 dBFS.
        size_t audible = 0;
        for (size_t i = first; i < first + 3308 && i < w.samples.size(); ++i)
            audible += std::fabs(w.samples[i]) > 0.01;
        EXPECT_GT(audible, 3308u / 4);
        lowest = std::min(lowest, Peak(w));
        highest = std::max(highest, Peak(w));
    }
    EXPECT_LT(20 * std::log10(highest / lowest), 1.0) << "key names peak at different levels";
}

TEST(ResBitmap, KeyCapIsACreamFaceInsideADarkerRim)
{
    const Bitmap cap = ReadBitmap(129);
    ASSERT_EQ(cap.width, 73);
    ASSERT_EQ(cap.height, 47);
    const double face = cap.Luma(36, 22);
    EXPECT_GT(face, 200);
    const int rim[][2] = {{36, 1}, {36, 45}, {1, 23}, {71, 23}};  // middle of each edge
    for (const auto& p : rim)
        EXPECT_LT(cap.Luma(p[0], p[1]), face - 80) << p[0] << "," << p[1];
}

TEST(ResBitmap, HandsOnBlackWithEveryFingerMarkOnTheHand)
{
    struct Hand {
        int id;
        int marks[4][2];  // index, middle, ring, little
        bool thumbRight;
    };
    const Hand hands[] = {{130, {{47, 15}, {30, 12}, {19, 23}, {11, 37}}, true},
                          {131, {{29, 15}, {45, 12}, {57, 23}, {63, 37}}, false}};
    for (const auto& h : hands) {
        SCOPED_TRACE(h.id);
        const Bitmap bm = ReadBitmap(h.id);
        ASSERT_EQ(bm.width, 75);
        ASSERT_EQ(bm.height, 83);
        for (int x = 0; x < 75; ++x)
            EXPECT_TRUE(bm.Black(x, 0) && bm.Black(x, 82)) << "border column " << x;
        for (int y = 0; y < 83; ++y)
            EXPECT_TRUE(bm.Black(0, y) && bm.Black(74, y)) << "border row " << y;
        // The 2-pixel ring of radius 5 covers the pixels 4 to 6 from the mark's centre.
        for (const auto& m : h.marks)
            for (int y = m[1] - 6; y <= m[1] + 6; ++y)
                for (int x = m[0] - 6; x <= m[0] + 6; ++x) {
                    const int d2 = (x - m[0]) * (x - m[0]) + (y - m[1]) * (y - m[1]);
                    if (d2 >= 16 && d2 <= 36) {
                        EXPECT_FALSE(bm.Black(x, y)) << "ring of " << m[0] << "," << m[1];
                    }
                }
        // The thumb stands out on its side: below the fingertips (rows 45 and down) more of the hand
        // lies beyond the wrist's edge on the thumb's side than beyond the other edge.
        int wristLeft = 75, wristRight = -1, outLeft = 0, outRight = 0;
        for (int x = 0; x < 75; ++x)
            if (!bm.Black(x, 81)) {
                wristLeft = std::min(wristLeft, x);
                wristRight = std::max(wristRight, x);
            }
        ASSERT_LT(wristLeft, wristRight) << "the wrist reaches the row above the bottom border";
        for (int y = 45; y < 83; ++y)
            for (int x = 0; x < 75; ++x) {
                outLeft += x < wristLeft && !bm.Black(x, y);
                outRight += x > wristRight && !bm.Black(x, y);
            }
        EXPECT_GT(h.thumbRight ? outRight : outLeft, 1.2 * (h.thumbRight ? outLeft : outRight));
    }
}

TEST(ResBitmap, HandsHaveNoHolesOfPureBlack)
{
    // Pure black inside the hand would show the background through it: every black pixel must be
    // reachable from the border through black pixels.
    for (int id : {130, 131}) {
        const Bitmap bm = ReadBitmap(id);
        ASSERT_EQ(bm.width, 75);
        std::vector<char> seen(75 * 83, 0);
        std::vector<int> todo = {0};
        seen[0] = 1;
        while (!todo.empty()) {
            const int p = todo.back();
            todo.pop_back();
            const int x = p % 75, y = p / 75;
            const int next[][2] = {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}};
            for (const auto& n : next)
                if (n[0] >= 0 && n[0] < 75 && n[1] >= 0 && n[1] < 83 && !seen[static_cast<size_t>(n[1] * 75 + n[0])] &&
                    bm.Black(n[0], n[1])) {
                    seen[static_cast<size_t>(n[1] * 75 + n[0])] = 1;
                    todo.push_back(n[1] * 75 + n[0]);
                }
        }
        int holes = 0;
        for (int y = 0; y < 83; ++y)
            for (int x = 0; x < 75; ++x)
                holes += bm.Black(x, y) && !seen[static_cast<size_t>(y * 75 + x)];
        EXPECT_EQ(holes, 0) << id;
    }
}

TEST(ResIcon, AppleAtEveryIconSize)
{
    for (unsigned size : {16u, 24u, 32u, 48u, 64u, 128u, 256u}) {
        const auto b = ReadFile(kRes + "icon/pomarel-" + std::to_string(size) + ".png");
        ASSERT_GE(b.size(), 33u) << size;
        EXPECT_EQ(std::string(b.begin() + 1, b.begin() + 4), "PNG");
        auto be = [&](size_t at) {
            return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (b[at + 2] << 8) | b[at + 3];
        };
        EXPECT_EQ(be(16), size);
        EXPECT_EQ(be(20), size);
        EXPECT_EQ(b[25], 6) << "RGBA, for the transparent surround";
    }
}
