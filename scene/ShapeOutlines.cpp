#include "scene/ShapeOutlines.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

double TreeScaleFor(int screenWidth, int keyTop)
{
    constexpr int kReferenceKeyTop = 502;  // 768 x 2 / 3 - 10
    constexpr double kTreeWidth = 701;
    if (keyTop == kReferenceKeyTop && screenWidth >= kTreeWidth) {
        return 1.0;
    }
    const double byHeight = static_cast<double>(std::max(1, keyTop)) / kReferenceKeyTop;
    const double byWidth = std::max(1, screenWidth) * 0.9 / kTreeWidth;
    return std::min(byHeight, byWidth);
}

void ScaleOutline(const POINT* points, int count, double scale, std::vector<POINT>& out, std::vector<int>& indexOf)
{
    out.clear();
    indexOf.assign(static_cast<std::size_t>(std::max(0, count)), 0);
    if (scale == 1.0) {
        out.assign(points, points + count);
        for (int i = 0; i < count; ++i) {
            indexOf[static_cast<std::size_t>(i)] = i;
        }
        return;
    }
    const auto scaled = [&](int i) {
        return POINT{static_cast<int>(std::lround(points[i].x * scale)),
                     static_cast<int>(std::lround(points[i].y * scale))};
    };
    for (int i = 0; i < count; ++i) {
        const POINT a = scaled(i);
        const POINT z = scaled((i + 1) % count);
        if (out.empty() || out.back() != a) {
            out.push_back(a);
        }
        indexOf[static_cast<std::size_t>(i)] = static_cast<int>(out.size()) - 1;
        // The pixels between this point and the next, neither included: steps of one pixel.
        const int steps = std::max(std::abs(z.x - a.x), std::abs(z.y - a.y));
        for (int k = 1; k < steps; ++k) {
            const int x = a.x + static_cast<int>(std::lround(static_cast<double>(z.x - a.x) * k / steps));
            const int y = a.y + static_cast<int>(std::lround(static_cast<double>(z.y - a.y) * k / steps));
            out.push_back(POINT{x, y});
        }
    }
    // The chain closes on its first point; a last point equal to it is one too many.
    if (out.size() > 1 && out.back() == out.front()) {
        out.pop_back();
    }
}

std::pair<const int*, const int*> OutlineMask::RowOf(const std::vector<int>& starts, const std::vector<int>& values,
                                                     int y) const
{
    const int dy = y - m_top;
    if (dy < 0 || dy >= m_height) {
        return {nullptr, nullptr};
    }
    const int* base = values.data();
    return {base + starts[static_cast<std::size_t>(dy)], base + starts[static_cast<std::size_t>(dy) + 1]};
}

bool OutlineMask::Has(int x, int y) const
{
    const auto [first, last] = RowOf(m_rowStart, m_outlineXs, y);
    return first != last && std::binary_search(first, last, x);
}

bool OutlineMask::Inside(int x, int y) const
{
    const auto [first, last] = RowOf(m_insideStart, m_insideRuns, y);
    if (first == last) {
        return false;
    }
    // The run that begins at or before x: its begin sits at an even place.
    const int* after = std::upper_bound(first, last, x);
    const auto place = after - first;
    return place % 2 == 1;
}

bool OutlineMask::AnyOutlineIn(int left, int top, int right, int bottom) const
{
    const int t = std::max(top, m_top);
    const int b = std::min(bottom, m_top + m_height);
    for (int y = t; y < b; ++y) {
        const auto [first, last] = RowOf(m_rowStart, m_outlineXs, y);
        const int* at = std::lower_bound(first, last, left);
        if (at != last && *at < right) {
            return true;
        }
    }
    return false;
}

std::optional<std::pair<int, int>> OutlineMask::OutlineColumnsIn(int left, int top, int right, int bottom) const
{
    const int t = std::max(top, m_top);
    const int b = std::min(bottom, m_top + m_height);
    std::optional<std::pair<int, int>> found;
    for (int y = t; y < b; ++y) {
        const auto [first, last] = RowOf(m_rowStart, m_outlineXs, y);
        const int* at = std::lower_bound(first, last, left);
        if (at == last || *at >= right) {
            continue;
        }
        const int rightmost = *(std::lower_bound(at, last, right) - 1);
        found = found ? std::pair{std::min(found->first, *at), std::max(found->second, rightmost)}
                      : std::pair{*at, rightmost};
    }
    return found;
}

std::optional<int> OutlineMask::NextInside(int x, int y, int dir) const
{
    const auto [first, last] = RowOf(m_insideStart, m_insideRuns, y);
    if (first == last) {
        return std::nullopt;
    }
    // Runs are [begin, end) pairs; 'after' is the first number greater than x.
    const int* after = std::upper_bound(first, last, x);
    const bool inside = (after - first) % 2 == 1;
    if (inside) {
        return x;
    }
    if (dir > 0) {
        return after == last ? std::nullopt : std::optional<int>(*after);  // the next run's begin
    }
    return after == first ? std::nullopt : std::optional<int>(*(after - 1) - 1);  // the last run's end - 1
}

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

    // A wall along the chain, gaps closed, on a grid one pixel larger all round; whatever a
    // four-way fill from the grid's corner cannot reach is inside.
    const int gw = m_width + 2;
    const int gh = m_height + 2;
    std::vector<unsigned char> grid(static_cast<std::size_t>(gw) * static_cast<std::size_t>(gh), 0);
    const auto cell = [&](int x, int y) -> unsigned char& {
        return grid[static_cast<std::size_t>(y - m_top + 1) * static_cast<std::size_t>(gw) +
                    static_cast<std::size_t>(x - m_left + 1)];
    };
    for (int i = 0; i < count; ++i) {
        const POINT a = points[i];
        const POINT z = points[(i + 1) % count];
        const int steps = std::max(std::abs(z.x - a.x), std::abs(z.y - a.y));
        for (int k = 0; k <= steps; ++k) {
            const int x = steps == 0 ? a.x : a.x + ((z.x - a.x) * k * 2 + steps) / (2 * steps);
            const int y = steps == 0 ? a.y : a.y + ((z.y - a.y) * k * 2 + steps) / (2 * steps);
            cell(x, y) = 1;
        }
    }
    // Span by span: each run of open cells is filled in one sweep, and the rows above and below
    // are looked at once per run rather than once per cell.
    const auto row = [&](int y) { return grid.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(gw); };
    std::vector<std::pair<int, int>> seeds{{0, 0}};
    while (!seeds.empty()) {
        const auto [sx, sy] = seeds.back();
        seeds.pop_back();
        unsigned char* line = row(sy);
        if (line[sx] != 0) {
            continue;
        }
        int x0 = sx;
        while (x0 > 0 && line[x0 - 1] == 0) {
            --x0;
        }
        int x1 = sx;
        while (x1 + 1 < gw && line[x1 + 1] == 0) {
            ++x1;
        }
        std::fill(line + x0, line + x1 + 1, static_cast<unsigned char>(2));
        for (const int ny : {sy - 1, sy + 1}) {
            if (ny < 0 || ny >= gh) {
                continue;
            }
            const unsigned char* next = row(ny);
            for (int x = x0; x <= x1; ++x) {
                if (next[x] == 0 && (x == x0 || next[x - 1] != 0)) {
                    seeds.emplace_back(x, ny);
                }
            }
        }
    }
    // The outline's own pixels, row by row, sorted and each once.
    std::vector<POINT> sorted(points, points + count);
    std::sort(sorted.begin(), sorted.end(),
              [](const POINT& p, const POINT& q) { return p.y != q.y ? p.y < q.y : p.x < q.x; });
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    m_rowStart.assign(static_cast<std::size_t>(m_height) + 1, 0);
    m_outlineXs.clear();
    m_outlineXs.reserve(sorted.size());
    for (const POINT& p : sorted) {
        m_outlineXs.push_back(p.x);
        ++m_rowStart[static_cast<std::size_t>(p.y - m_top) + 1];
    }
    for (std::size_t y = 1; y < m_rowStart.size(); ++y) {
        m_rowStart[y] += m_rowStart[y - 1];
    }
    // What the fill did not reach is inside: kept as runs.
    m_insideStart.assign(static_cast<std::size_t>(m_height) + 1, 0);
    m_insideRuns.clear();
    for (int y = m_top; y <= b; ++y) {
        for (int x = m_left; x <= r;) {
            if (cell(x, y) != 0) {
                ++x;
                continue;
            }
            const int begin = x;
            while (x <= r && cell(x, y) == 0) {
                ++x;
            }
            m_insideRuns.push_back(begin);
            m_insideRuns.push_back(x);
        }
        m_insideStart[static_cast<std::size_t>(y - m_top) + 1] = static_cast<int>(m_insideRuns.size());
    }
    m_insideRuns.shrink_to_fit();
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

int AppleSpotFreePairwise(const std::vector<POINT>& tree, const POINT (&apple)[kApplePointCount], int x, int y)
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
