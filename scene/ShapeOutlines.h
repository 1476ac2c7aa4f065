// Placing the tree and apple outlines on the screen, and testing apple positions against the tree.
#pragma once

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "platform/surface/wintypes.h"
#include "scene/ShapeTables.h"

// How much the tree is scaled for a screen: with the height above the keyboard, whose top row
// starts at 'keyTop' (exactly 1 where that is 502 pixels, as on a 1024 x 768 screen), and never
// wider than nine tenths of the screen.
double TreeScaleFor(int screenWidth, int keyTop);

// The outline 'points' (a closed chain) scaled by 'scale' about (0, 0), still a closed chain of
// neighbouring pixels: each scaled point is joined to the next by a straight line of pixels.
// indexOf[i] is the index the scaled point i has in 'out'. A scale of exactly 1 copies.
void ScaleOutline(const POINT* points, int count, double scale, std::vector<POINT>& out, std::vector<int>& indexOf);

// The tree stands with 38.2 % of the free width to its left. Never 0: apple placement divides
// by it, so a screen within two pixels of the tree's width gets a shift of 1.
int TreeShiftFor(int screenWidth, int largestTreeX);

// Which pixels the tree outline covers, and which lie inside it, over the outline's bounding
// box: one look-up per apple point instead of a comparison with every tree point.
class OutlineMask {
public:
    // 'points' is a closed chain; steps longer than one pixel are closed with straight lines
    // when telling the inside from the outside.
    void Build(const POINT* points, int count);
    bool Has(int x, int y) const;
    // Strictly inside the closed outline (the outline itself is not).
    bool Inside(int x, int y) const;
    int MinX() const { return m_left; }
    int MaxX() const { return m_left + m_width - 1; }
    // True when some outline pixel lies in [left, right) x [top, bottom).
    bool AnyOutlineIn(int left, int top, int right, int bottom) const;
    // The leftmost and rightmost columns of the outline pixels in [left, right) x [top, bottom),
    // or nothing when there are none.
    std::optional<std::pair<int, int>> OutlineColumnsIn(int left, int top, int right, int bottom) const;
    // The nearest column from x (x itself included) that is inside on row y, going right for a
    // positive 'dir' and left otherwise; nothing when there is none that way.
    std::optional<int> NextInside(int x, int y, int dir) const;

private:
    // Row y's entries of a per-row list, or an empty range outside the box.
    std::pair<const int*, const int*> RowOf(const std::vector<int>& starts, const std::vector<int>& values,
                                            int y) const;

    int m_left = 0;
    int m_top = 0;
    int m_width = 0;
    int m_height = 0;
    // Kept row by row as sorted columns rather than a byte a pixel, which would hold several MB
    // at large screens. The outline pixels' columns: row y's are
    // m_outlineXs[m_rowStart[y - m_top] .. m_rowStart[y - m_top + 1]).
    std::vector<int> m_rowStart;
    std::vector<int> m_outlineXs;
    // The inside as runs [begin, end) of columns, two numbers a run, indexed the same way.
    std::vector<int> m_insideStart;
    std::vector<int> m_insideRuns;
};

// 1 when an apple with its top-left at (x, y) shares no pixel with the tree outline and is not
// wholly left or right of the tree.
int AppleSpotFree(const OutlineMask& tree, const POINT (&apple)[kApplePointCount], int x, int y);
// The same by comparing every pair of points (the reference for the fast form).
int AppleSpotFreePairwise(const std::vector<POINT>& tree, const POINT (&apple)[kApplePointCount], int x, int y);

// From the drawn x, moves one pixel at a time toward the screen's vertical centre line until the
// spot is free. The search stays on the screen: when it reaches the edge it looks the other way
// from the drawn x, and if no spot is free at all the drawn x stands.
template <class IsFree> int SearchAppleX(int drawnX, int y, int screenWidth, int appleWidth, IsFree&& isFree)
{
    const int step = drawnX > screenWidth / 2 ? -1 : 1;
    const int lowest = std::min(0, drawnX);
    const int highest = std::max(screenWidth - appleWidth, drawnX);
    for (const int dir : {step, -step}) {
        for (int x = drawnX; x >= lowest && x <= highest; x += dir) {
            if (isFree(x, y)) {
                return x;
            }
        }
    }
    return drawnX;
}

// The same search with bigger steps: next(x, y, dir) is x when x is free, and otherwise a column
// further along 'dir' such that none between them is free (beyond the screen when none is left).
template <class Next> int SearchAppleXSkipping(int drawnX, int y, int screenWidth, int appleWidth, Next&& next)
{
    const int step = drawnX > screenWidth / 2 ? -1 : 1;
    const int lowest = std::min(0, drawnX);
    const int highest = std::max(screenWidth - appleWidth, drawnX);
    for (const int dir : {step, -step}) {
        for (int x = drawnX; x >= lowest && x <= highest;) {
            const int n = next(x, y, dir);
            if (n == x) {
                return x;
            }
            x = n;
        }
    }
    return drawnX;
}
