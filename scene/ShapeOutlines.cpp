#include "scene/ShapeOutlines.h"

#include <algorithm>

int TreeShiftFor(int screenWidth, int largestTreeX)
{
    const int shift = static_cast<int>((screenWidth - largestTreeX) * 0.382);
    return shift == 0 ? 1 : shift;
}

void OutlineMask::Build(const POINT* points, int count)
{
    if (count <= 0) {
        *this = OutlineMask();
        return;
    }
    int l = points[0].x, r = points[0].x, t = points[0].y, b = points[0].y;
    for (int i = 1; i < count; ++i) {
        l = std::min<int>(l, points[i].x);
        r = std::max<int>(r, points[i].x);
        t = std::min<int>(t, points[i].y);
        b = std::max<int>(b, points[i].y);
    }
    m_left = l;
    m_top = t;
    m_width = r - l + 1;
    m_height = b - t + 1;
    m_bits.assign(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height), 0);
    for (int i = 0; i < count; ++i) {
        m_bits[static_cast<std::size_t>(points[i].y - t) * static_cast<std::size_t>(m_width) +
               static_cast<std::size_t>(points[i].x - l)] = 1;
    }
}

int AppleSpotFree(const OutlineMask& tree, const POINT (&apple)[kApplePointCount], int x, int y)
{
    int appleMaxX = apple[0].x;
    int appleMinX = apple[0].x;
    for (const POINT& p : apple) {
        if (tree.Has(x + p.x, y + p.y)) {
            return 0;
        }
        appleMaxX = std::max<int>(appleMaxX, p.x);
        appleMinX = std::min<int>(appleMinX, p.x);
    }
    const bool notLeftOfTree = x + appleMaxX > tree.MinX();
    const bool notRightOfTree = x + appleMinX < tree.MaxX();
    return notLeftOfTree && notRightOfTree ? 1 : 0;
}

int AppleSpotFreePairwise(const POINT (&tree)[kTreePointCount], const POINT (&apple)[kApplePointCount], int x, int y)
{
    for (const POINT& a : apple) {
        for (const POINT& t : tree) {
            if (x + a.x == t.x && y + a.y == t.y) {
                return 0;
            }
        }
    }
    bool right = false;
    bool left = false;
    for (const POINT& a : apple) {
        for (const POINT& t : tree) {
            right = right || x + a.x > t.x;
            left = left || x + a.x < t.x;
        }
    }
    return right && left ? 1 : 0;
}
