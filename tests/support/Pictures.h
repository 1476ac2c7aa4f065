// What the picture tests share: a scratch working folder and pictures written byte by byte.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "platform/surface/wintypes.h"

using Bytes = std::vector<unsigned char>;

// A fresh empty working folder for the test; the old one is restored and the new one removed after.
class ScratchDirectory {
public:
    ScratchDirectory() : m_old(std::filesystem::current_path())
    {
        char name[] = "/tmp/pomarel-faces-XXXXXX";
        m_dir = mkdtemp(name) != nullptr ? name : "";
        EXPECT_FALSE(m_dir.empty()) << "no temporary directory";
        std::filesystem::current_path(m_dir.empty() ? m_old : m_dir);
    }
    ~ScratchDirectory()
    {
        std::error_code ec;
        std::filesystem::current_path(m_old, ec);
        if (!m_dir.empty())
            std::filesystem::remove_all(m_dir, ec);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

private:
    std::filesystem::path m_old, m_dir;
};

// A 24-bit bottom-up BMP, w x h pixels of 'colour' (x, y from the top left); 'claimW' x 'claimH' in
// the header when given.
inline Bytes Bmp(int w, int h, const std::function<COLORREF(int, int)>& colour, int claimW = 0, int claimH = 0)
{
    const int stride = (w * 3 + 3) / 4 * 4;
    const auto size = static_cast<std::uint32_t>(stride * h);
    Bytes b{'B', 'M'};
    for (const std::uint32_t v :
         {54 + size, 0u, 54u, 40u, static_cast<std::uint32_t>(claimW != 0 ? claimW : w),
          static_cast<std::uint32_t>(claimH != 0 ? claimH : h), 1u | 24u << 16, 0u, size, 2835u, 2835u, 0u, 0u})
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<unsigned char>(v >> (8 * i)));
    for (int row = h - 1; row >= 0; --row)
        for (int i = 0; i < stride; ++i) {
            const COLORREF c = i < w * 3 ? colour(i / 3, row) : 0;
            b.push_back(static_cast<unsigned char>(i >= w * 3   ? 0
                                                   : i % 3 == 0 ? GetBValue(c)
                                                   : i % 3 == 1 ? GetGValue(c)
                                                                : GetRValue(c)));
        }
    return b;
}

// The same, all of one colour.
inline Bytes Bmp(int w, int h, COLORREF c, int claimW = 0, int claimH = 0)
{
    return Bmp(
        w, h, [c](int, int) { return c; }, claimW, claimH);
}

inline void Write(const Bytes& data, const std::filesystem::path& name = "Face.jpg")
{
    std::ofstream(name, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}
