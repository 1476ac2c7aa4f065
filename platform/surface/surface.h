// Pixel memory the program draws on: the screen's framebuffer, bitmaps, decoded pictures. Plain
// C++, no toolkit: the face draws on it, the desktop decodes into it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/surface/wintypes.h"

// Memory for large pixel buffers: asks the kernel for huge pages, so a screen-sized buffer
// costs a handful of page faults rather than thousands when it is first drawn on.
template <class T> struct PixelAllocator {
    using value_type = T;
    PixelAllocator() = default;
    template <class U> PixelAllocator(const PixelAllocator<U>&) noexcept {}
    T* allocate(std::size_t n);
    void deallocate(T* p, std::size_t n) noexcept;
    friend bool operator==(const PixelAllocator&, const PixelAllocator&) { return true; }
};

// Pixels of a drawing surface: 0xffRRGGBB words, row by row.
class Surface {
public:
    Surface() = default;
    Surface(int width, int height, std::uint32_t fill = 0xff000000u);
    // Draws in place on width x height pixels (rows packed) that something else owns and keeps
    // alive while this surface uses them: the window's own image of the screen. Copies of it
    // own their pixels.
    static Surface Borrowing(std::uint32_t* pixels, int width, int height);
    Surface(const Surface& other);
    Surface& operator=(const Surface& other);
    Surface(Surface&& other) noexcept;
    Surface& operator=(Surface&& other) noexcept;
    ~Surface() = default;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }
    std::uint32_t* Row(int y) { return Data() + static_cast<std::size_t>(y) * m_width; }
    const std::uint32_t* Row(int y) const { return Data() + static_cast<std::size_t>(y) * m_width; }
    std::uint32_t* Data() { return m_borrowed != nullptr ? m_borrowed : m_pixels.data(); }
    const std::uint32_t* Data() const { return m_borrowed != nullptr ? m_borrowed : m_pixels.data(); }
    bool Borrowed() const { return m_borrowed != nullptr; }

    // Rectangles changed since the last TakeDirty; only tracked when enabled (the screen).
    void EnableDirtyTracking(bool on) { m_tracking = on; }
    void MarkDirty(int left, int top, int right, int bottom);  // right and bottom exclusive
    void MarkDirtyPixel(int x, int y) { MarkDirtyRun(x, y, x + 1, y + 1); }
    // A row span or block drawn as part of a pixel loop: merged with the open run exactly as
    // its pixels marked one by one from the left would be.
    void MarkDirtyRun(int left, int top, int right, int bottom);  // right and bottom exclusive
    std::vector<RECT> TakeDirty();
    // The same rectangles, left in place.
    std::vector<RECT> PendingDirty() const;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint32_t, PixelAllocator<std::uint32_t>> m_pixels;
    std::uint32_t* m_borrowed = nullptr;  // not owned; m_pixels is empty while it is set
    bool m_tracking = false;
    RECT m_run{0, 0, 0, 0};  // pixels marked one by one, merged while they stay close
    bool m_runOpen = false;
    std::vector<RECT> m_dirty;
};

constexpr std::uint32_t ToScreenPixel(COLORREF c)
{
    return 0xff000000u | (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(c)) << 8) | static_cast<std::uint32_t>(GetBValue(c));
}
constexpr COLORREF FromScreenPixel(std::uint32_t p)
{
    return RGB(static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF));
}
