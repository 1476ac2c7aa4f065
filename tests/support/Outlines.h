// Outlines measured independently of the code under test: their bounds and their inside.
#pragma once

#include <algorithm>
#include <span>
#include <vector>

#include "platform/surface/wintypes.h"

// The smallest rectangle holding every point, both edges inclusive.
inline RECT Bounds(std::span<const POINT> points)
{
    RECT r{points[0].x, points[0].y, points[0].x, points[0].y};
    for (const POINT& p : points)
        r = RECT{std::min(r.left, p.x), std::min(r.top, p.y), std::max(r.right, p.x), std::max(r.bottom, p.y)};
    return r;
}

// The cells of a w x h grid that a fill spreading to the 4 neighbours reaches from 'start' without
// crossing the outline's points (taken relative to 'origin'), as grid coordinates.
inline std::vector<POINT> FourConnectedFill(std::span<const POINT> outline, POINT origin, int w, int h, POINT start)
{
    std::vector<char> seen(static_cast<std::size_t>(w * h), 0);
    for (const POINT& p : outline)
        seen[static_cast<std::size_t>((p.y - origin.y) * w + (p.x - origin.x))] = 1;
    std::vector<POINT> inside;
    std::vector<POINT> pending{start};
    while (!pending.empty()) {
        const POINT p = pending.back();
        pending.pop_back();
        if (p.x < 0 || p.y < 0 || p.x >= w || p.y >= h || seen[static_cast<std::size_t>(p.y * w + p.x)] != 0)
            continue;
        seen[static_cast<std::size_t>(p.y * w + p.x)] = 1;
        inside.push_back(p);
        pending.insert(pending.end(), {{p.x + 1, p.y}, {p.x - 1, p.y}, {p.x, p.y + 1}, {p.x, p.y - 1}});
    }
    return inside;
}
