// Small scanning helpers shared by the desktop setting parsers: each looks at its text once.
#pragma once

#include <cctype>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

namespace desktop_scan {

inline bool Blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

inline std::string_view Trim(std::string_view s)
{
    while (!s.empty() && Blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && Blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

inline bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

inline std::optional<long long> ParseInt(std::string_view s)
{
    s = Trim(s);
    long long v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) {
        return std::nullopt;
    }
    return v;
}

inline std::optional<double> ParseDouble(std::string_view s)
{
    s = Trim(s);
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) {
        return std::nullopt;
    }
    return v;
}

inline int HexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// 0xffRRGGBB from channels of 0..255.
inline std::uint32_t Pack(int r, int g, int b)
{
    return 0xff000000u | (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
           static_cast<std::uint32_t>(b);
}

}  // namespace desktop_scan
