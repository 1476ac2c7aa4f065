// Placing the outlines for a screen, and testing apple spots against the tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "scene/Scene.h"

TEST(ShapeOutlines, PlacementForScreenWidths)
{
    struct Case {
        int width;
        int shift;
    };
    // 700 would give 0, which apple placement divides by: it is held at 1.
    const Case cases[] = {{640, -22}, {697, -1},   {698, 1},    {700, 1},   {702, 1},
                          {703, 1},   {1024, 123}, {1280, 221}, {1920, 466}};
    for (const Case& c : cases) {
        EXPECT_EQ(TreeShiftFor(c.width, 700), c.shift) << c.width;
    }
    for (const int width : {640, 700, 1024, 1280, 1920}) {
        Scene scene;
        scene.Build(width, 600);
        EXPECT_EQ(scene.TreeShift(), TreeShiftFor(width, 700));
        EXPECT_EQ(scene.ShadeFirst(), 1296);
        EXPECT_EQ(scene.ShadeLast(), 1917);
        EXPECT_EQ(scene.ShadeHeight(), 104);
        EXPECT_EQ(scene.AppleHalfWidth(), 26);
        EXPECT_EQ(scene.AppleHalfHeight(), 35);
        EXPECT_EQ(scene.AppleBackground().size(), 3834u);
        EXPECT_EQ(scene.TreePoints()[0], (POINT{96 + scene.TreeShift(), 80}));
        EXPECT_EQ(scene.TreePoints()[829], (POINT{700 + scene.TreeShift(), 220}));
        EXPECT_EQ(scene.ApplePoints()[0], (POINT{37, 0}));
        int maxX = 0, maxY = 0, minX = 99, minY = 99;
        for (const POINT& p : scene.ApplePoints()) {
            maxX = std::max<int>(maxX, p.x);
            maxY = std::max<int>(maxY, p.y);
            minX = std::min<int>(minX, p.x);
            minY = std::min<int>(minY, p.y);
        }
        EXPECT_EQ(minX, 0);
        EXPECT_EQ(minY, 0);
        EXPECT_EQ(maxX, 53);
        EXPECT_EQ(maxY, 70);
    }
}

TEST(ApplePlacement, TheLookupAgreesWithThePairwiseComparison)
{
    Scene scene;
    scene.Build(1024, 768);
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> xs(-80, 1000);
    std::uniform_int_distribution<int> ys(-20, 500);
    int free = 0;
    for (int i = 0; i < 3000; ++i) {
        const int x = xs(rng);
        const int y = ys(rng);
        const int expected = AppleSpotFreePairwise(scene.TreePoints(), scene.ApplePoints(), x, y);
        ASSERT_EQ(scene.IsAppleSpotFree(x, y), expected) << x << "," << y;
        free += expected;
    }
    // Along the crown's edge, where outlines touch.
    for (int x = 100; x < 850; ++x) {
        ASSERT_EQ(scene.IsAppleSpotFree(x, 270), AppleSpotFreePairwise(scene.TreePoints(), scene.ApplePoints(), x, 270))
            << x;
    }
    EXPECT_GT(free, 100);
    EXPECT_LT(free, 2900);
}

TEST(ApplePlacement, TheSearchMovesTowardTheCentreAndEndsAtTheScreenEdge)
{
    // Free only at x = 300 and 700.
    auto isFree = [](int x, int) { return x == 300 || x == 700; };
    EXPECT_EQ(SearchAppleX(250, 0, 1024, 54, isFree), 300);  // left of the centre: moves right
    EXPECT_EQ(SearchAppleX(800, 0, 1024, 54, isFree), 700);  // right of it: moves left
    EXPECT_EQ(SearchAppleX(300, 0, 1024, 54, isFree), 300);  // a free drawn spot stays
    // Nothing free to the right before the edge: it looks left of the drawn spot instead.
    EXPECT_EQ(SearchAppleX(200, 0, 250, 54, [](int x, int) { return x == 120; }), 120);
    // Nothing free at all: the drawn spot stands, and the search ends.
    EXPECT_EQ(SearchAppleX(4000, 0, 7680, 54, [](int, int) { return false; }), 4000);
}

TEST(OutlineMask, APocketOpenBelowIsOutsideAndTheArmsAndBridgeAreInside)
{
    // An upside-down U given by its corners: the gaps between them are closed with straight lines.
    const POINT u[] = {{0, 0}, {30, 0}, {30, 20}, {20, 20}, {20, 5}, {10, 5}, {10, 20}, {0, 20}};
    OutlineMask mask;
    mask.Build(u, 8);
    int inside = 0;
    for (int y = -2; y <= 22; ++y) {
        for (int x = -2; x <= 32; ++x) {
            inside += mask.Inside(x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(inside, 2 * 9 * 19 + 11 * 4);  // two arms, and the bridge over the pocket
    EXPECT_TRUE(mask.Inside(5, 12));
    EXPECT_TRUE(mask.Inside(15, 3));
    EXPECT_FALSE(mask.Inside(15, 12));  // the pocket, reached from below
    EXPECT_FALSE(mask.Inside(10, 12));
    EXPECT_TRUE(mask.Has(10, 5));
    EXPECT_FALSE(mask.Has(10, 12));  // a filled-in gap is a wall, not an outline point
}

namespace {

// Even-odd ray casting against the tree's closed chain taken as a polygon: an independent
// answer to "is this point inside the crown".
bool InsidePolygon(const POINT (&poly)[kTreePointCount], double px, double py)
{
    bool inside = false;
    for (int i = 0, j = kTreePointCount - 1; i < kTreePointCount; j = i++) {
        const double xi = poly[i].x, yi = poly[i].y, xj = poly[j].x, yj = poly[j].y;
        if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) {
            inside = !inside;
        }
    }
    return inside;
}

}  // namespace

TEST(ApplePlacement, EveryAppleHangsInsideTheCrownOnEveryScreenShape)
{
    const POINT screens[] = {{800, 600},   {1024, 768},  {1366, 768}, {1920, 1080},
                             {2560, 1440}, {3440, 1440}, {3840, 2160}};
    for (const POINT& size : screens) {
        Scene scene;
        scene.Build(size.x, size.y);
        int outside = 0;
        for (unsigned seed = 1; seed <= 400; ++seed) {
            const POINT a = scene.PlaceApple(seed * 7919u);
            // Half a pixel off the grid, so the ray never runs along an edge of the chain.
            const double cx = a.x + scene.AppleHalfWidth() + 0.5;
            const double cy = a.y + scene.AppleHalfHeight() + 0.5;
            outside += InsidePolygon(scene.TreePoints(), cx, cy) ? 0 : 1;
            ASSERT_TRUE(scene.IsAppleSpotFree(a.x, a.y)) << size.x << "x" << size.y << " seed " << seed;
            ASSERT_LT(a.y + 2 * scene.AppleHalfHeight(), scene.TreePoints()[scene.ShadeFirst()].y);
        }
        EXPECT_EQ(outside, 0) << size.x << "x" << size.y;
    }
}

TEST(ApplePlacement, ApplesKeepOutFromUnderTheControls)
{
    // A small screen whose controls stand over the crown.
    Scene scene;
    scene.Build(800, 600);
    const RECT bands[] = {{0, 0, 800, 60}, {0, 200, 800, 240}};
    scene.SetCoveredAreas({bands[0], bands[1]});
    for (unsigned seed = 1; seed <= 300; ++seed) {
        const POINT a = scene.PlaceApple(seed * 104729u);
        for (const RECT& r : bands) {
            const bool overlaps = a.x < r.right && a.x + 2 * scene.AppleHalfWidth() + 2 > r.left && a.y < r.bottom &&
                                  a.y + 2 * scene.AppleHalfHeight() + 1 > r.top;
            ASSERT_FALSE(overlaps) << "seed " << seed << " apple at " << a.x << "," << a.y;
        }
        ASSERT_TRUE(scene.IsAppleInCrown(a.x, a.y)) << "seed " << seed;
    }
}
