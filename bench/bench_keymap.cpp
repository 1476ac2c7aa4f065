// What reading the keyboard layout costs: the practice window asks for it again at every Start,
// which is on the way from F2 to the next apple on the screen.
//
// The X11 cases need an X server: they use $POMAREL_BENCH_X11_DISPLAY, else $DISPLAY, and are
// skipped without one, e.g.
//   Xvfb :220 &  DISPLAY=:220 setxkbmap fr
//   POMAREL_BENCH_X11_DISPLAY=:220 pomarel_bench --benchmark_filter=Layout
// BM_LayoutReadX11 is a whole read over a new connection, what each Start cost before the reader
// kept its connection; BM_LayoutRefreshUnchanged is the check at Start when nothing changed.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "platform/keyboard/keymap.h"
#include "platform/keyboard/keymap_sources.h"
#include "practice/KeyLayout.h"

namespace {

const char* BenchDisplay()
{
    const char* d = std::getenv("POMAREL_BENCH_X11_DISPLAY");
    return d != nullptr && *d != 0 ? d : std::getenv("DISPLAY");
}

void BM_KeyboardLayoutFromNames(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(KeyboardLayoutFromNames("evdev", "pc105", "fr", "", ""));
    }
}
BENCHMARK(BM_KeyboardLayoutFromNames)->Unit(benchmark::kMillisecond);

void BM_LayoutReadX11(benchmark::State& state)
{
    KeyboardLayout layout;
    if (BenchDisplay() == nullptr || !KeyboardLayoutFromX11(BenchDisplay(), layout)) {
        state.SkipWithError("no X server: set POMAREL_BENCH_X11_DISPLAY or DISPLAY");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(KeyboardLayoutFromX11(BenchDisplay(), layout));
    }
    state.SetLabel(layout.name);
}
BENCHMARK(BM_LayoutReadX11)->Unit(benchmark::kMicrosecond);

// The Start of the practice window: the kept connection is polled, the layout compared.
void BM_LayoutRefreshUnchanged(benchmark::State& state)
{
    KeyboardLayoutReader reader(KeyboardLayoutReader::Source::X11, BenchDisplay());
    KeyboardLayout shown;
    if (BenchDisplay() == nullptr || !reader.Current(shown)) {
        state.SkipWithError("no X server: set POMAREL_BENCH_X11_DISPLAY or DISPLAY");
        return;
    }
    for (auto _ : state) {
        KeyboardLayout now;
        reader.Current(now);
        benchmark::DoNotOptimize(now == shown);
    }
    state.counters["keymap_reads"] = reader.Reads();
    state.SetLabel(shown.name);
}
BENCHMARK(BM_LayoutRefreshUnchanged)->Unit(benchmark::kMicrosecond);

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

}  // namespace
