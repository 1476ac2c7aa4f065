// Replaces the program's operator new and delete with ones that count every heap block: the bytes
// held now, the most held at once since the last Reset, and all bytes handed out since. Include it
// in exactly one source file of a binary (a test or a benchmark of how much memory a parser takes).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

struct HeapCount {
    std::atomic<std::size_t> live{0};
    std::atomic<std::size_t> peak{0};
    std::atomic<std::size_t> total{0};
    void Reset()
    {
        peak = live.load();
        total = 0;
    }
};
HeapCount g_heap;

constexpr std::size_t kHeader = alignof(std::max_align_t);

void* Take(std::size_t size)
{
    void* block = std::malloc(size + kHeader);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    *static_cast<std::size_t*>(block) = size;
    const std::size_t now = g_heap.live += size;
    g_heap.total += size;
    for (std::size_t peak = g_heap.peak; now > peak && !g_heap.peak.compare_exchange_weak(peak, now);) {
    }
    return static_cast<char*>(block) + kHeader;
}

void Give(void* p) noexcept
{
    if (p != nullptr) {
        void* block = static_cast<char*>(p) - kHeader;
        g_heap.live -= *static_cast<std::size_t*>(block);
        std::free(block);
    }
}

}  // namespace

void* operator new(std::size_t size)
{
    return Take(size);
}
void* operator new[](std::size_t size)
{
    return Take(size);
}
void operator delete(void* p) noexcept
{
    Give(p);
}
void operator delete[](void* p) noexcept
{
    Give(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    Give(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    Give(p);
}
// The nothrow forms (the standard library's temporary buffers use them) come here too: under the
// sanitizers they would not go through the ones above.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return Take(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    Give(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    Give(p);
}
