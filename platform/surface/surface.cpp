// Pixel memory and the record of what was drawn on it.
#include "platform/surface/surface.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
}  // namespace

template <class T> T* PixelAllocator<T>::allocate(std::size_t n)
{
    const std::size_t bytes = n * sizeof(T);
    if (bytes < kHugePage) {
        return static_cast<T*>(::operator new(bytes));
    }
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* p = std::aligned_alloc(kHugePage, rounded);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    ::madvise(p, rounded, MADV_HUGEPAGE);
    return static_cast<T*>(p);
}

template <class T> void PixelAllocator<T>::deallocate(T* p, std::size_t n) noexcept
{
    if (n * sizeof(T) < kHugePage) {
        ::operator delete(p);
    } else {
        std::free(p);
    }
}

template struct PixelAllocator<std::uint32_t>;

Surface::Surface(int width, int height, std::uint32_t fill)
    : m_width(std::max(0, width)), m_height(std::max(0, height)),
      m_pixels(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height), fill)
{
}

Surface Surface::Borrowing(std::uint32_t* pixels, int width, int height)
{
    Surface s;
    if (pixels != nullptr && width > 0 && height > 0) {
        s.m_width = width;
        s.m_height = height;
        s.m_borrowed = pixels;
    }
    return s;
}

Surface::Surface(const Surface& other)
    : m_width(other.m_width), m_height(other.m_height), m_tracking(other.m_tracking), m_run(other.m_run),
      m_runOpen(other.m_runOpen), m_dirty(other.m_dirty)
{
    if (other.m_borrowed != nullptr) {
        m_pixels.assign(other.m_borrowed, other.m_borrowed + static_cast<std::size_t>(m_width) * m_height);
    } else {
        m_pixels = other.m_pixels;
    }
}

Surface& Surface::operator=(const Surface& other)
{
    if (this != &other) {
        Surface copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Surface::Surface(Surface&& other) noexcept
    : m_width(std::exchange(other.m_width, 0)), m_height(std::exchange(other.m_height, 0)),
      m_pixels(std::move(other.m_pixels)), m_borrowed(std::exchange(other.m_borrowed, nullptr)),
      m_tracking(other.m_tracking), m_run(other.m_run), m_runOpen(std::exchange(other.m_runOpen, false)),
      m_dirty(std::move(other.m_dirty))
{
    other.m_pixels.clear();
}

Surface& Surface::operator=(Surface&& other) noexcept
{
    if (this != &other) {
        m_width = std::exchange(other.m_width, 0);
        m_height = std::exchange(other.m_height, 0);
        m_pixels = std::move(other.m_pixels);
        other.m_pixels.clear();
        m_borrowed = std::exchange(other.m_borrowed, nullptr);
        m_tracking = other.m_tracking;
        m_run = other.m_run;
        m_runOpen = std::exchange(other.m_runOpen, false);
        m_dirty = std::move(other.m_dirty);
    }
    return *this;
}

void Surface::MarkDirty(int left, int top, int right, int bottom)
{
    if (!m_tracking) {
        return;
    }
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, m_width);
    bottom = std::min(bottom, m_height);
    if (left >= right || top >= bottom) {
        return;
    }
    m_dirty.push_back({left, top, right, bottom});
}

void Surface::MarkDirtyRun(int left, int top, int right, int bottom)
{
    if (!m_tracking || left >= right || top >= bottom) {
        return;
    }
    // Loops over a rectangle set pixels next to each other: grow one run while the pixels stay
    // within a small reach of it, so a key or an apple becomes one rectangle, not thousands.
    // A span joins when its first (top-left) pixel would have joined.
    constexpr int kReach = 48;
    if (m_runOpen && left >= m_run.left - kReach && left < m_run.right + kReach && top >= m_run.top - kReach &&
        top < m_run.bottom + kReach) {
        m_run.left = std::min(m_run.left, left);
        m_run.top = std::min(m_run.top, top);
        m_run.right = std::max(m_run.right, right);
        m_run.bottom = std::max(m_run.bottom, bottom);
        return;
    }
    if (m_runOpen) {
        m_dirty.push_back(m_run);
    }
    m_run = {left, top, right, bottom};
    m_runOpen = true;
}

std::vector<RECT> Surface::PendingDirty() const
{
    std::vector<RECT> out = m_dirty;
    if (m_runOpen) {
        out.push_back(m_run);
    }
    return out;
}

std::vector<RECT> Surface::TakeDirty()
{
    if (m_runOpen) {
        m_dirty.push_back(m_run);
        m_runOpen = false;
    }
    std::vector<RECT> out;
    out.swap(m_dirty);
    return out;
}
