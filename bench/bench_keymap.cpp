// What reading the keyboard layout costs: the practice window reads it again at every Start.
// On X11 it asks the X server (about 1 to 3 ms on a local Xvfb); here the keymap is compiled
// from names, the slowest source, which X11 and Wayland fall back to.
#include <benchmark/benchmark.h>

#include "platform/keymap.h"
#include "practice/KeyLayout.h"

namespace {

void BM_KeyboardLayoutFromNames(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(KeyboardLayoutFromNames("evdev", "pc105", "fr", "", ""));
    }
}
BENCHMARK(BM_KeyboardLayoutFromNames)->Unit(benchmark::kMillisecond);

void BM_TargetKeysAndLegends(benchmark::State& state)
{
    const KeyboardLayout fr = KeyboardLayoutFromNames("evdev", "pc105", "fr", "", "");
    KeyLegends plain{};
    KeyLegends shifted{};
    for (auto _ : state) {
        BuildKeyLegends(fr, plain, shifted);
        benchmark::DoNotOptimize(BuildTargetKeys(fr));
    }
}
BENCHMARK(BM_TargetKeysAndLegends)->Unit(benchmark::kMicrosecond);

} // namespace
