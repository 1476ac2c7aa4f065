// Placing the outlines for a screen, and testing apple spots against the tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "scene/Scene.h"
#include "tests/support/Outlines.h"

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
    // Where the keyboard starts 502 pixels down (a 768-pixel-high screen) the tree has its own size.
    for (const int width : {1024, 1280, 1920}) {
        Scene scene;
        scene.Build(width, 768);
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
        EXPECT_EQ(Bounds(scene.ApplePoints()), (RECT{0, 0, 53, 70}));
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

    // The nearest inside column either way, and the outline's extreme columns in a box, against
    // a walk over every pixel.
    for (int y = -2; y <= 22; ++y) {
        for (int x = -2; x <= 32; ++x) {
            for (const int dir : {1, -1}) {
                std::optional<int> walked;
                for (int k = x; k >= -3 && k <= 33 && !walked; k += dir) {
                    walked = mask.Inside(k, y) ? std::optional<int>(k) : std::nullopt;
                }
                ASSERT_EQ(mask.NextInside(x, y, dir), walked) << x << "," << y << " dir " << dir;
            }
            const int right = x + 7;
            const int bottom = y + 4;
            std::optional<std::pair<int, int>> seen;
            for (int by = y; by < bottom; ++by) {
                for (int bx = x; bx < right; ++bx) {
                    if (mask.Has(bx, by)) {
                        seen =
                            seen ? std::pair{std::min(seen->first, bx), std::max(seen->second, bx)} : std::pair{bx, bx};
                    }
                }
            }
            ASSERT_EQ(mask.OutlineColumnsIn(x, y, right, bottom), seen) << x << "," << y;
            ASSERT_EQ(mask.AnyOutlineIn(x, y, right, bottom), seen.has_value()) << x << "," << y;
        }
    }
}

namespace {

// Even-odd ray casting against the tree's closed chain taken as a polygon: an independent
// answer to "is this point inside the crown".
bool InsidePolygon(const std::vector<POINT>& poly, double px, double py)
{
    bool inside = false;
    const int n = static_cast<int>(poly.size());
    for (int i = 0, j = n - 1; i < n; j = i++) {
        const POINT a = poly[static_cast<std::size_t>(i)];
        const POINT b = poly[static_cast<std::size_t>(j)];
        const double xi = a.x, yi = a.y, xj = b.x, yj = b.y;
        if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) {
            inside = !inside;
        }
    }
    return inside;
}

}  // namespace

// The screens a user may have, landscape and portrait.
const POINT kScreens[] = {{800, 600},   {1024, 768},  {1366, 768},  {1920, 1080},
                          {2560, 1440}, {3440, 1440}, {1080, 1920}, {3840, 2160}};

TEST(TreeSize, TheTreeFillsTheRoomAboveTheKeyboardWithAClosedOutline)
{
    for (const POINT& size : kScreens) {
        Scene scene;
        scene.Build(size.x, size.y);
        const std::vector<POINT>& tree = scene.TreePoints();
        const std::string at = std::to_string(size.x) + "x" + std::to_string(size.y);
        for (std::size_t i = 0; i < tree.size(); ++i) {
            const POINT a = tree[i];
            const POINT z = tree[(i + 1) % tree.size()];
            // At its own size the table's two-pixel steps stand as they are; scaled, none is left.
            ASSERT_LE(std::max(std::abs(a.x - z.x), std::abs(a.y - z.y)), scene.TreeScale() == 1.0 ? 2 : 1)
                << at << ": a gap after point " << i;
        }
        const auto [left, top, right, bottom] = Bounds(tree);
        const int keyTop = scene.KeyRect(0, 0).top;
        EXPECT_EQ(top, scene.TreeTop()) << at;
        EXPECT_LT(bottom, keyTop) << at << ": the foot reaches the keys";
        EXPECT_GE(left, 0) << at;
        EXPECT_LT(right, size.x) << at;
        // The foot stands as far above the keys as at 1024 x 768 (10 pixels there), scaled. Where
        // the width holds the tree smaller (portrait), its crown spans nine tenths of the screen
        // and the sky is above it; elsewhere its top is the screen's.
        EXPECT_GE(bottom, keyTop - 12 * std::max(1.0, keyTop / 502.0)) << at << ": the tree floats";
        const bool byWidth = (right - left) * 10 >= size.x * 9 - 20;
        EXPECT_EQ(byWidth, scene.TreeTop() > 0) << at;
        // The tree stands at the golden-ratio place across: 38.2 % of the free width to its left.
        EXPECT_NEAR(left, (size.x - (right - left)) * 0.382, 2.0) << at;
    }
}

TEST(ApplePlacement, EveryAppleHangsInTheCrownOnEveryScreenShape)
{
    for (const POINT& size : kScreens) {
        Scene scene;
        scene.Build(size.x, size.y);
        const std::string at = std::to_string(size.x) + "x" + std::to_string(size.y);
        const std::vector<POINT>& tree = scene.TreePoints();
        std::set<std::pair<int, int>> outline;
        for (const POINT& p : tree) {
            outline.emplace(p.x, p.y);
        }
        // The trunk's edge lines meet the crown at (437,333) and (288,326) of the tree's own table.
        const double s = scene.TreeScale();
        const int crownBottom =
            scene.TreeTop() + static_cast<int>(std::min(std::lround(333 * s), std::lround(326 * s)));
        const int boxW = 2 * scene.AppleHalfWidth() + 2;
        const int boxH = 2 * scene.AppleHalfHeight() + 1;
        for (unsigned seed = 1; seed <= 300; ++seed) {
            const POINT a = scene.PlaceApple(seed * 7919u);
            for (int y = a.y; y < a.y + boxH; ++y) {
                for (int x = a.x; x < a.x + boxW; ++x) {
                    ASSERT_EQ(outline.count({x, y}), 0u)
                        << at << " seed " << seed << ": the apple's box covers the outline at " << x << "," << y;
                }
            }
            const int cx = a.x + scene.AppleHalfWidth();
            const int cy = a.y + scene.AppleHalfHeight();
            // Half a pixel off the grid, so the ray never runs along an edge of the chain.
            ASSERT_TRUE(InsidePolygon(tree, cx + 0.5, cy + 0.5)) << at << " seed " << seed;
            ASSERT_LT(cy, crownBottom) << at << " seed " << seed << ": the apple hangs at the trunk";
        }
    }
}

TEST(ApplePlacement, At1024x768TodaysSpotStandsWheneverItIsInTheCrown)
{
    Scene scene;
    scene.Build(1024, 768);
    OutlineMask mask;
    mask.Build(scene.TreePoints().data(), static_cast<int>(scene.TreePoints().size()));
    const int hw = scene.AppleHalfWidth();
    const int hh = scene.AppleHalfHeight();
    // The search as it stood: a drawn row, then the nearest rows, each searched sideways for a
    // spot whose outline touches no branch and whose centre is inside the outline.
    const auto before = [&](unsigned seed) {
        std::srand(seed);
        const int s = scene.TreeShift();
        const int drawnX = std::rand() % s + (2 * ((mask.MinX() + mask.MaxX()) / 2 - hw) - s) / 2;
        const int rows = 388 - 2 * hh;
        const int drawnY = std::rand() % rows;
        const auto fits = [&](int x, int y) {
            return AppleSpotFree(mask, scene.ApplePoints(), x, y) != 0 && mask.Inside(x + hw, y + hh);
        };
        for (int d = 0; d < rows; ++d) {
            for (const int y : {drawnY + d, drawnY - d}) {
                if (y < 0 || y >= rows || (d == 0 && y != drawnY)) {
                    continue;
                }
                const int x = SearchAppleX(drawnX, y, 1024, 2 * hw + 2, fits);
                if (fits(x, y)) {
                    return POINT{x, y};
                }
            }
        }
        return POINT{drawnX, drawnY};
    };
    int same = 0;
    for (unsigned seed = 1; seed <= 400; ++seed) {
        const POINT old = before(seed * 104729u);
        const POINT now = scene.PlaceApple(seed * 104729u);
        if (scene.IsAppleInCrown(old.x, old.y)) {
            ASSERT_EQ(now, old) << "seed " << seed;
            ++same;
        }
    }
    EXPECT_GT(same, 200);
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

TEST(ApplePlacement, TheSkippingSearchFindsWhatTheColumnByColumnSearchFinds)
{
    struct Case {
        int width, height;
        std::vector<RECT> covered;
        int rowStep;
    };
    // Controls over the crown on a small screen; a plain 1024 x 768; large screens row by row
    // in steps (rows without room and rows cut by the trunk and by the outline's pockets among them).
    const Case cases[] = {{800, 600, {{0, 0, 800, 60}, {0, 200, 800, 240}, {300, 100, 420, 160}}, 1},
                          {1024, 768, {}, 1},
                          {1920, 1080, {{1500, 40, 1700, 400}}, 3},
                          {3840, 2160, {}, 17}};
    for (const Case& c : cases) {
        Scene scene;
        scene.Build(c.width, c.height);
        scene.SetCoveredAreas(c.covered);
        const int boxWidth = 2 * scene.AppleHalfWidth() + 2;
        const auto fits = [&](int x, int y) { return scene.AppleFits(x, y); };
        const auto next = [&](int x, int y, int dir) { return scene.NextAppleCandidate(x, y, dir); };
        const auto [left, right] = std::minmax_element(scene.TreePoints().begin(), scene.TreePoints().end(),
                                                       [](const POINT& a, const POINT& b) { return a.x < b.x; });
        const int middle = (left->x + right->x) / 2;
        int found = 0;
        for (int y = scene.TreeTop() - 5; y < scene.CrownBottom() + 5; y += c.rowStep) {
            for (const int drawnX : {-40, 0, middle - c.width / 5, middle, middle + c.width / 7, c.width - 1}) {
                const int plain = SearchAppleX(drawnX, y, c.width, boxWidth, fits);
                ASSERT_EQ(SearchAppleXSkipping(drawnX, y, c.width, boxWidth, next), plain)
                    << c.width << "x" << c.height << " drawn at " << drawnX << "," << y;
                found += fits(plain, y) ? 1 : 0;
            }
        }
        // Both kinds of rows were searched: with room and without.
        EXPECT_GT(found, 20) << c.width;
    }
}
