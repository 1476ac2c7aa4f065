// What the robustness tests share: the apple's look on the screen, a watchdog against hangs and
// the process's resident memory.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/DialogFixture.h"

namespace robustness {

constexpr std::uint32_t kYellow = ToScreenPixel(RGB(255, 255, 0));
// The apple box: 54 x 71 pixels from m_applePos; apple boxes end above row 388, the trunk markers' level.
constexpr int kAppleBoxW = 54;
constexpr int kAppleBoxH = 71;
constexpr int kAppleRowsEnd = 388;
// Yellow pixels of a whole apple (2060 inside, 193 on the outline) less what its red character covers.
constexpr int kAppleMostPixels = 2060 + 193;
constexpr int kAppleFewestPixels = 1500;

inline RECT AppleBox(POINT p)
{
    return {p.x, p.y, p.x + kAppleBoxW, p.y + kAppleBoxH};
}

struct Region {
    int size;
    RECT bounds;  // right and bottom exclusive
};

// The 4-connected regions of pure yellow inside 'area' (clipped to the screen).
inline std::vector<Region> FindYellow(Surface& s, RECT a)
{
    a = {std::max<int>(a.left, 0), std::max<int>(a.top, 0), std::min<int>(a.right, s.Width()),
         std::min<int>(a.bottom, s.Height())};
    std::vector<Region> out;
    if (a.left >= a.right || a.top >= a.bottom) {
        return out;
    }
    const auto at = [&a](int x, int y) {
        return static_cast<std::size_t>(y - a.top) * static_cast<std::size_t>(a.right - a.left) +
               static_cast<std::size_t>(x - a.left);
    };
    std::vector<bool> seen(at(a.left, a.bottom), false);
    std::vector<std::pair<int, int>> stack;
    for (int y = a.top; y < a.bottom; ++y) {
        for (int x = a.left; x < a.right; ++x) {
            if (s.Row(y)[x] != kYellow || seen[at(x, y)]) {
                continue;
            }
            Region r{0, {x, y, x + 1, y + 1}};
            seen[at(x, y)] = true;
            stack.assign(1, {x, y});
            while (!stack.empty()) {
                const auto [px, py] = stack.back();
                stack.pop_back();
                ++r.size;
                r.bounds = {std::min<int>(r.bounds.left, px), std::min<int>(r.bounds.top, py),
                            std::max<int>(r.bounds.right, px + 1), std::max<int>(r.bounds.bottom, py + 1)};
                for (const auto& [nx, ny] : {std::pair{px - 1, py}, {px + 1, py}, {px, py - 1}, {px, py + 1}}) {
                    if (nx >= a.left && nx < a.right && ny >= a.top && ny < a.bottom && !seen[at(nx, ny)] &&
                        s.Row(ny)[nx] == kYellow) {
                        seen[at(nx, ny)] = true;
                        stack.emplace_back(nx, ny);
                    }
                }
            }
            out.push_back(r);
        }
    }
    return out;
}

// How many pure yellow pixels 'area' holds.
inline int YellowPixels(Surface& s, RECT area)
{
    int n = 0;
    for (const Region& r : FindYellow(s, area))
        n += r.size;
    return n;
}

inline bool Within(const RECT& in, const RECT& out)
{
    return in.left >= out.left && in.top >= out.top && in.right <= out.right && in.bottom <= out.bottom;
}

// Empty when the yellow in 'box' is one whole apple: one large body holding every other region
// (the holes of its character: A, B, 0, @...), as many pixels as an apple has; else what is wrong.
inline std::string AppleProblem(Surface& s, const RECT& box)
{
    const std::vector<Region> regions = FindYellow(s, box);
    int bodies = 0;
    int pixels = 0;
    RECT body{};
    for (const Region& r : regions) {
        if (r.size >= kAppleFewestPixels / 2) {
            ++bodies;
            body = r.bounds;
        }
    }
    std::string where;
    for (const Region& r : regions) {
        bodies = Within(r.bounds, body) ? bodies : -1;
        pixels += Within(r.bounds, body) ? r.size : 0;
        where += " " + std::to_string(r.size) + " pixels at " + std::to_string(r.bounds.left) + "," +
                 std::to_string(r.bounds.top) + ";";
    }
    if (bodies == 1 && pixels >= kAppleFewestPixels && pixels <= kAppleMostPixels && Within(body, box))
        return "";
    return (bodies != 1 ? "not exactly one apple on the screen:" : "the apple is not whole or not in its box:") +
           where + " the apple box is at " + std::to_string(box.left) + "," + std::to_string(box.top);
}

// Ends the process with a message when a step takes far too long: a hang must fail, not wait for
// the test driver's time-out.
class Watchdog {
public:
    Watchdog(std::chrono::seconds limit, std::string what)
        : m_what(std::move(what)), m_thread([this, limit](std::stop_token stop) {
              std::unique_lock<std::mutex> lock(m_mutex);
              if (!m_wake.wait_for(lock, stop, limit, [&stop] { return stop.stop_requested(); })) {
                  std::fprintf(stderr, "hang: %s did not end within %lld s (at %s)\n", m_what.c_str(),
                               static_cast<long long>(limit.count()), m_step.c_str());
                  std::abort();
              }
          })
    {
    }
    void Step(std::string step)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_step = std::move(step);
    }

private:
    std::string m_what;
    std::string m_step = "the start";
    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::jthread m_thread;  // last: it uses the members above, and its destructor stops and joins it
};

// AddressSanitizer keeps freed memory in quarantine and maps shadow memory, so resident sizes
// measured under it say nothing about the program's own use: there they are printed, not judged.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kResidentSizeMeaningful = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kResidentSizeMeaningful = false;
#else
constexpr bool kResidentSizeMeaningful = true;
#endif
#else
constexpr bool kResidentSizeMeaningful = true;
#endif

// A field of /proc/self/status in kB (VmRSS, VmHWM), -1 when missing.
inline long StatusKb(const std::string& field)
{
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
        }
    }
    return -1;
}

// Starts the peak resident size (VmHWM) afresh from the current size; false where the kernel cannot.
inline bool ResetPeak()
{
    std::ofstream out("/proc/self/clear_refs");
    out << "5" << std::flush;
    return static_cast<bool>(out);
}

}  // namespace robustness
