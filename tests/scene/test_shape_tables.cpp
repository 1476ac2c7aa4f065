#include "scene/ShapeTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <vector>

namespace {

struct Landmark {
    int index;
    POINT point;
};

// The points the tree outline must pass through, at these indexes, clockwise.
const Landmark kLandmarks[] = {
    {0, {96, 80}},      {19, {115, 79}},    {35, {128, 66}},    {47, {140, 65}},    {58, {151, 71}},
    {63, {155, 66}},    {74, {154, 55}},    {89, {169, 49}},    {104, {178, 34}},   {118, {192, 35}},
    {132, {206, 21}},   {148, {222, 15}},   {166, {240, 22}},   {185, {259, 22}},   {199, {273, 13}},
    {218, {292, 14}},   {233, {307, 1}},    {250, {324, 5}},    {259, {333, 0}},    {274, {348, 0}},
    {286, {349, 12}},   {296, {359, 15}},   {305, {357, 22}},   {313, {365, 28}},   {325, {377, 25}},
    {335, {386, 15}},   {351, {402, 14}},   {362, {410, 3}},    {376, {423, 0}},    {389, {431, 12}},
    {403, {445, 10}},   {414, {453, 20}},   {428, {467, 20}},   {442, {469, 34}},   {451, {477, 42}},
    {469, {495, 44}},   {491, {517, 38}},   {515, {533, 56}},   {540, {533, 81}},   {559, {552, 86}},
    {584, {556, 111}},  {605, {577, 111}},  {613, {585, 117}},  {621, {593, 112}},  {632, {604, 113}},
    {642, {607, 123}},  {651, {616, 127}},  {671, {620, 147}},  {687, {611, 163}},  {691, {613, 167}},
    {747, {669, 158}},  {754, {674, 165}},  {768, {688, 170}},  {776, {688, 178}},  {792, {677, 194}},
    {802, {687, 200}},  {817, {690, 211}},  {829, {700, 220}},  {841, {696, 231}},  {874, {669, 252}},
    {887, {682, 257}},  {898, {683, 268}},  {906, {691, 274}},  {916, {690, 284}},  {925, {681, 289}},
    {941, {672, 305}},  {960, {653, 301}},  {980, {634, 305}},  {1000, {621, 314}}, {1025, {604, 309}},
    {1048, {581, 311}}, {1065, {567, 298}}, {1074, {566, 290}}, {1081, {560, 290}}, {1092, {562, 297}},
    {1100, {557, 305}}, {1143, {514, 316}}, {1155, {502, 309}}, {1170, {487, 310}}, {1184, {475, 295}},
    {1200, {470, 310}}, {1236, {437, 333}}, {1296, {409, 388}}, {1378, {402, 443}}, {1404, {413, 469}},
    {1427, {436, 480}}, {1482, {489, 492}}, {1592, {401, 488}}, {1669, {328, 475}}, {1703, {294, 483}},
    {1782, {216, 491}}, {1824, {256, 474}}, {1851, {283, 454}}, {1875, {296, 430}}, {1917, {304, 388}},
    {1960, {299, 345}}, {1979, {288, 326}}, {2008, {259, 327}}, {2017, {250, 324}}, {2023, {249, 319}},
    {2052, {223, 312}}, {2062, {216, 322}}, {2084, {195, 328}}, {2098, {183, 326}}, {2117, {170, 334}},
    {2164, {124, 324}}, {2174, {115, 331}}, {2194, {95, 329}},  {2208, {81, 339}},  {2223, {66, 339}},
    {2235, {62, 328}},  {2261, {40, 321}},  {2273, {44, 309}},  {2296, {35, 288}},  {2314, {50, 272}},
    {2318, {49, 268}},  {2343, {24, 264}},  {2352, {20, 256}},  {2369, {6, 255}},   {2377, {0, 249}},
    {2390, {0, 236}},   {2399, {7, 228}},   {2415, {6, 212}},   {2429, {19, 205}},  {2439, {22, 195}},
    {2448, {31, 191}},  {2468, {14, 173}},  {2487, {14, 154}},  {2502, {28, 140}},  {2514, {40, 137}},
    {2526, {47, 125}},  {2556, {75, 117}},  {2572, {81, 101}},  {2584, {94, 91}},   {2596, {95, 81}},
};

constexpr POINT kRightMarker{409, 388};
constexpr POINT kLeftMarker{304, 388};

int Chebyshev(POINT a, POINT b)
{
    return std::max(std::abs(a.x - b.x), std::abs(a.y - b.y));
}

// Euclidean distance of p from the segment a-b.
double SegmentDistance(POINT p, POINT a, POINT b)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double px = p.x - a.x;
    const double py = p.y - a.y;
    const double length2 = dx * dx + dy * dy;
    const double t = length2 == 0.0 ? 0.0 : std::clamp((px * dx + py * dy) / length2, 0.0, 1.0);
    return std::hypot(px - t * dx, py - t * dy);
}

// The smallest rectangle holding every point, both edges inclusive.
template <std::size_t N> RECT Bounds(const POINT (&points)[N])
{
    RECT r{points[0].x, points[0].y, points[0].x, points[0].y};
    for (const POINT& p : points) {
        r = RECT{std::min(r.left, p.x), std::min(r.top, p.y), std::max(r.right, p.x), std::max(r.bottom, p.y)};
    }
    return r;
}

// Indexes at which the tree outline holds p, in order.
std::vector<int> TreeIndexesOf(POINT p)
{
    std::vector<int> found;
    for (int i = 0; i < kTreePointCount; ++i) {
        if (TreeOutline[i] == p)
            found.push_back(i);
    }
    return found;
}

TEST(TreeOutline, PassesThroughEveryLandmarkAtItsIndex)
{
    static_assert(std::size(TreeOutline) == 2597);
    EXPECT_EQ(std::size(kLandmarks), 135u);
    for (const Landmark& l : kLandmarks) {
        EXPECT_EQ(TreeOutline[l.index], l.point) << "landmark index " << l.index;
    }
}

TEST(TreeOutline, IsAClosedChainOfOneOrTwoPixelSteps)
{
    for (int i = 0; i < kTreePointCount; ++i) {
        const POINT a = TreeOutline[i];
        const POINT b = TreeOutline[(i + 1) % kTreePointCount];
        const int step = Chebyshev(a, b);
        EXPECT_GE(step, 1) << "index " << i;
        EXPECT_LE(step, 2) << "index " << i;
    }
    EXPECT_EQ(TreeOutline[kTreePointCount - 1], (POINT{95, 81}));
    EXPECT_EQ(Chebyshev(TreeOutline[kTreePointCount - 1], TreeOutline[0]), 1);
}

TEST(TreeOutline, StaysWithinThreePixelsOfTheLandmarkSegments)
{
    const std::size_t count = std::size(kLandmarks);
    for (std::size_t n = 0; n + 1 < count; ++n) {
        const Landmark& from = kLandmarks[n];
        const Landmark& to = kLandmarks[n + 1];
        for (int i = from.index; i <= to.index; ++i) {
            EXPECT_LE(SegmentDistance(TreeOutline[i], from.point, to.point), 3.0) << "index " << i;
        }
    }
    EXPECT_EQ(kLandmarks[0].index, 0);
    EXPECT_EQ(kLandmarks[count - 1].index, kTreePointCount - 1);
}

TEST(TreeOutline, FillsItsFrameExactly)
{
    EXPECT_EQ(Bounds(TreeOutline), (RECT{0, 0, 700, 492}));
}

// The shaded stretch runs from the last occurrence of the right marker to the last
// occurrence of the left one, so later visits would move it.
TEST(TreeOutline, TrunkMarkersLastOccurAtTheShadeEnds)
{
    const std::vector<int> right = TreeIndexesOf(kRightMarker);
    const std::vector<int> left = TreeIndexesOf(kLeftMarker);
    ASSERT_FALSE(right.empty());
    ASSERT_FALSE(left.empty());
    EXPECT_EQ(right.back(), 1296);
    EXPECT_NE(std::find(right.begin(), right.end(), 1294), right.end());
    EXPECT_EQ(left.back(), 1917);
}

constexpr int kAppleLeft = 537;
constexpr int kAppleTop = 310;
constexpr int kAppleWidth = 54;   // columns, 537..590
constexpr int kAppleHeight = 71;  // rows, 310..380

TEST(AppleOutline, SpansItsBoxAndStartsAtTheStalkTip)
{
    static_assert(std::size(AppleOutline) == 193);
    EXPECT_EQ(Bounds(AppleOutline),
              (RECT{kAppleLeft, kAppleTop, kAppleLeft + kAppleWidth - 1, kAppleTop + kAppleHeight - 1}));

    // Stalk tip, pointed bottom, and the last point beside the first.
    const struct {
        int index;
        POINT relative;
    } spots[] = {{0, {37, 0}}, {7, {44, 1}}, {98, {27, 70}}, {99, {26, 70}}, {192, {36, 1}}};
    for (const auto& s : spots) {
        EXPECT_EQ(AppleOutline[s.index], (POINT{s.relative.x + kAppleLeft, s.relative.y + kAppleTop}))
            << "index " << s.index;
    }
}

TEST(AppleOutline, IsAClosedChainOfNeighbours)
{
    for (int i = 0; i < kApplePointCount; ++i) {
        EXPECT_EQ(Chebyshev(AppleOutline[i], AppleOutline[(i + 1) % kApplePointCount]), 1) << "index " << i;
    }
}

// A fill spreading to the 4 neighbours from inside the body must stay inside the outline.
TEST(AppleOutline, HoldsAFourConnectedFill)
{
    std::vector<char> wall(kAppleWidth * kAppleHeight, 0);
    for (const POINT& p : AppleOutline)
        wall[(p.y - kAppleTop) * kAppleWidth + (p.x - kAppleLeft)] = 1;

    std::vector<char> filled(wall.size(), 0);
    std::vector<POINT> pending{{14, 25}};
    int count = 0;
    bool touchedBorder = false;
    while (!pending.empty()) {
        const POINT p = pending.back();
        pending.pop_back();
        if (p.x < 0 || p.y < 0 || p.x >= kAppleWidth || p.y >= kAppleHeight) {
            touchedBorder = true;
            continue;
        }
        const int at = p.y * kAppleWidth + p.x;
        if (wall[at] || filled[at])
            continue;
        filled[at] = 1;
        ++count;
        if (p.x == 0 || p.y == 0 || p.x == kAppleWidth - 1 || p.y == kAppleHeight - 1)
            touchedBorder = true;
        pending.push_back({p.x + 1, p.y});
        pending.push_back({p.x - 1, p.y});
        pending.push_back({p.x, p.y + 1});
        pending.push_back({p.x, p.y - 1});
    }
    EXPECT_EQ(count, 2060);
    EXPECT_FALSE(touchedBorder);
}

}  // namespace
