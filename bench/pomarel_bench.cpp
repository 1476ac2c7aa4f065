// In-process speed figures of the practice window, on Qt's offscreen platform.
//
//   pomarel_bench                      Google Benchmark runs (all --benchmark_* flags work)
//   pomarel_bench --figures [options]  the figures bench/run reports, one "name: value unit" a line
//
// Options of --figures:
//   --face-dir DIR   a folder holding Face.jpg (the picture-background paints); none: skipped
//   --keys N         right keys per screen size (default 2000)
//   --pairwise N     drawn positions for the pairwise placement reference (default 200)
//   --lookup N       drawn positions for the look-up placement (default 5000)
//   --paints N       full paints after the first (default 30)
//   --ticks N        key blink ticks (default 2000)
//   --restores N     minimise-and-restore cycles (default 20)
#include <benchmark/benchmark.h>

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "app/PracticeDialog.h"
#include "platform/testing/testing.h"
#include "scene/ShapeOutlines.h"

namespace {

using Clock = std::chrono::steady_clock;

double MicrosSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// CPU time of this thread in microseconds: unlike the wall clock, it does not count the time
// other processes on a busy machine take the core away.
double ThreadCpuMicros()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

// Nearest-rank percentile, q in 0..100.
double Percentile(std::vector<double> v, double q)
{
    if (v.empty()) {
        return 0.0;
    }
    std::sort(v.begin(), v.end());
    const auto rank = static_cast<std::size_t>(std::ceil(q / 100.0 * static_cast<double>(v.size())));
    return v[std::clamp<std::size_t>(rank, 1, v.size()) - 1];
}

void Figure(const std::string& name, double value, const char* unit)
{
    std::printf("%s: %.3f %s\n", name.c_str(), value, unit);
    std::fflush(stdout);
}

void Progress(const std::string& what)
{
    std::fprintf(stderr, "pomarel_bench: %s\n", what.c_str());
}

std::string SizeName(int w, int h)
{
    return std::to_string(w) + "x" + std::to_string(h);
}

// The real practice window at a given screen size, created, shown and painted once. Message
// boxes answer No; the sound clock moves on a minute before every key, so each right key plays
// its sounds in full (the costliest case: nothing is dropped as "still playing").
class BenchWindow {
public:
    BenchWindow(int width, int height)
    {
        setenv("LANG", "en_US.UTF-8", 1);
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        testing_hooks::SetScreenSize(width, height);
        testing_hooks::SetMessageBoxHook(
            [](std::string_view, UINT type) { return (type & 0xF) == MB_YESNO ? IDNO : IDOK; });
        testing_hooks::SetSoundClock([this] { return m_soundClock; });
        m_dlg = std::make_unique<PracticeDialog>();
        m_dlg->Create();
        const Clock::time_point t = Clock::now();
        testing_hooks::PaintNow(*m_dlg);
        firstPaintUs = MicrosSince(t);
        testing_hooks::PumpEvents(0);
    }
    ~BenchWindow()
    {
        m_dlg.reset();
        testing_hooks::PumpEvents(0);
        testing_hooks::SetMessageBoxHook({});
        testing_hooks::SetSoundClock({});
        testing_hooks::SetScreenSize(0, 0);
    }
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;

    PracticeDialog& dlg() { return *m_dlg; }

    void Start()
    {
        testing_hooks::PressKey(*m_dlg, VK_F2);
        testing_hooks::PumpEvents(0);
    }

    // Types the character the target asks for, as the keyboard gives it.
    void TypeTarget()
    {
        m_soundClock += 60.0;
        const char c = m_dlg->GetExercise().Target();
        int vk = 0;
        if (c >= 'a' && c <= 'z') {
            vk = c - 'a' + 'A';
        } else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            vk = c;
        }
        const char32_t text[1] = {static_cast<unsigned char>(c)};
        testing_hooks::PressKey(*m_dlg, vk, std::u32string_view(text, 1), c >= 'A' && c <= 'Z');
    }

    double firstPaintUs = 0.0;

private:
    std::unique_ptr<PracticeDialog> m_dlg;
    double m_soundClock = 1000.0;
};

// Positions drawn as the placement draws them (x from the tree shift, y above the trunk).
std::vector<POINT> DrawnPositions(const PracticeDialog& d, int count, unsigned seed)
{
    std::mt19937 rng(seed);
    const int s = d.GetScene().TreeShift();
    const int yRange = d.GetScene().TreePoints()[d.GetScene().ShadeFirst()].y - 2 * d.GetScene().AppleHalfHeight();
    std::vector<POINT> out;
    out.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int x = static_cast<int>(rng() % static_cast<unsigned>(s)) + (d.GetScene().ScreenHeight() - s) / 2;
        const int y = static_cast<int>(rng() % static_cast<unsigned>(yRange));
        out.push_back({x, y});
    }
    return out;
}

int SearchLookup(const PracticeDialog& d, POINT p)
{
    return SearchAppleX(p.x, p.y, d.GetScene().ScreenWidth(), 2 * d.GetScene().AppleHalfWidth() + 2,
                        [&d](int x, int y) { return d.GetScene().IsAppleSpotFree(x, y) != 0; });
}

int SearchPairwise(const PracticeDialog& d, POINT p)
{
    return SearchAppleX(
        p.x, p.y, d.GetScene().ScreenWidth(), 2 * d.GetScene().AppleHalfWidth() + 2, [&d](int x, int y) {
            return AppleSpotFreePairwise(d.GetScene().TreePoints(), d.GetScene().ApplePoints(), x, y) != 0;
        });
}

long RectPixels(const std::vector<RECT>& rects)
{
    long px = 0;
    for (const RECT& r : rects) {
        px += static_cast<long>(r.right - r.left) * static_cast<long>(r.bottom - r.top);
    }
    return px;
}

// ---------------------------------------------------------------------------------------------
// Figures

struct Options {
    std::string faceDir;
    int keys = 2000;
    int pairwise = 200;
    int lookup = 5000;
    int paints = 30;
    int ticks = 2000;
    int restores = 20;
};

// A folder without Face.jpg, so the default-desktop paints cannot pick one up by accident.
std::string EmptyDir()
{
    char tmpl[] = "/tmp/pomarel-bench-XXXXXX";
    const char* dir = mkdtemp(tmpl);
    return dir != nullptr ? std::string(dir) : std::string("/");
}

void PaintFigures(const std::string& dir, const std::string& prefix, int paints)
{
    if (chdir(dir.c_str()) != 0) {
        Progress("cannot enter " + dir);
        return;
    }
    BenchWindow win(1920, 1080);
    if (prefix.find("face") != std::string::npos && win.dlg().GetPainting().PictureFound() == 0) {
        Progress("Face.jpg not found in " + dir);
    }
    std::vector<double> paint;
    std::vector<double> present;
    for (int i = 0; i < paints; ++i) {
        Clock::time_point t = Clock::now();
        testing_hooks::PaintNow(win.dlg());
        paint.push_back(MicrosSince(t));
        // What the toolkit does with the presented screen: its own repaint of the window.
        t = Clock::now();
        testing_hooks::PumpEvents(0);
        present.push_back(MicrosSince(t));
    }
    Figure(prefix + "_first_ms", win.firstPaintUs / 1000.0, "ms");
    Figure(prefix + "_ms", Percentile(paint, 50) / 1000.0, "ms");
    Figure(prefix + "_p99_ms", Percentile(paint, 99) / 1000.0, "ms");
    Figure(prefix + "_present_ms", Percentile(present, 50) / 1000.0, "ms");
    if (prefix.find("face") != std::string::npos) {
        Figure(prefix + "_decodes", win.dlg().GetPainting().PictureDecodes(), "count");
    }
}

void KeyFigures(int w, int h, const Options& o)
{
    const std::string size = SizeName(w, h);
    Progress("right keys at " + size);
    BenchWindow win(w, h);
    win.Start();
    std::vector<double> key;
    std::vector<double> keyCpu;
    std::vector<double> withPresent;
    key.reserve(static_cast<std::size_t>(o.keys));
    int wrongTargets = 0;
    for (int i = 0; i < o.keys; ++i) {
        const int rightBefore = win.dlg().GetExercise().TotalRight();
        const double cpu = ThreadCpuMicros();
        const Clock::time_point t = Clock::now();
        win.TypeTarget();
        key.push_back(MicrosSince(t));
        keyCpu.push_back(ThreadCpuMicros() - cpu);
        testing_hooks::PumpEvents(0);
        withPresent.push_back(MicrosSince(t));
        wrongTargets += win.dlg().GetExercise().TotalRight() == rightBefore + 1 ? 0 : 1;
    }
    if (wrongTargets != 0) {
        Progress(std::to_string(wrongTargets) + " keys were not judged right");
    }
    Figure("right_key_" + size + "_p50_us", Percentile(key, 50), "us");
    Figure("right_key_" + size + "_p99_us", Percentile(key, 99), "us");
    Figure("right_key_" + size + "_max_us", Percentile(key, 100), "us");
    Figure("right_key_" + size + "_cpu_p50_us", Percentile(keyCpu, 50), "us");
    Figure("right_key_" + size + "_cpu_p99_us", Percentile(keyCpu, 99), "us");
    Figure("right_key_" + size + "_with_present_p50_us", Percentile(withPresent, 50), "us");
    Figure("right_key_" + size + "_with_present_p99_us", Percentile(withPresent, 99), "us");
    Figure("right_key_" + size + "_count", static_cast<double>(key.size() - static_cast<std::size_t>(wrongTargets)),
           "keys");

    Progress("apple placement at " + size);
    const PracticeDialog& d = win.dlg();
    const std::vector<POINT> spots = DrawnPositions(d, std::max(o.lookup, o.pairwise), 20240607u);
    std::vector<double> lookup;
    std::vector<double> pairwise;
    int disagreements = 0;
    for (std::size_t i = 0; i < spots.size(); ++i) {
        Clock::time_point t = Clock::now();
        const int a = SearchLookup(d, spots[i]);
        benchmark::DoNotOptimize(a);
        if (static_cast<int>(i) < o.lookup) {
            lookup.push_back(MicrosSince(t));
        }
        if (static_cast<int>(i) < o.pairwise) {
            t = Clock::now();
            const int b = SearchPairwise(d, spots[i]);
            benchmark::DoNotOptimize(b);
            pairwise.push_back(MicrosSince(t));
            disagreements += a == b ? 0 : 1;
        }
    }
    Figure("placement_lookup_" + size + "_p50_us", Percentile(lookup, 50), "us");
    Figure("placement_lookup_" + size + "_p99_us", Percentile(lookup, 99), "us");
    Figure("placement_pairwise_" + size + "_p50_us", Percentile(pairwise, 50), "us");
    Figure("placement_pairwise_" + size + "_p99_us", Percentile(pairwise, 99), "us");
    Figure("placement_disagreements_" + size, disagreements, "count");

    // The whole placement as a key does it, once for each second's seed: a seed whose row has no
    // room makes every key of that second wait for it.
    Scene scene = d.GetScene();
    std::vector<double> place;
    for (int i = 0; i < o.lookup; ++i) {
        const Clock::time_point t = Clock::now();
        const POINT p = scene.PlaceApple(1780000000u + static_cast<unsigned>(i));
        benchmark::DoNotOptimize(p);
        place.push_back(MicrosSince(t));
    }
    Figure("place_apple_" + size + "_p50_us", Percentile(place, 50), "us");
    Figure("place_apple_" + size + "_p90_us", Percentile(place, 90), "us");
    Figure("place_apple_" + size + "_p99_us", Percentile(place, 99), "us");
    Figure("place_apple_" + size + "_max_us", Percentile(place, 100), "us");
}

// The full repaint a restore asks for. A restore from the window manager changes the window's
// state, which queues a repaint of the whole client area (as Invalidate does); the program then
// paints every pixel and the toolkit takes what it presented. Timed from the request until the
// presented screen has been handled. (The offscreen platform has no window manager to restore a
// minimised window, so the state change itself is not part of the figure.)
void RestoreFigures(int w, int h, const Options& o)
{
    const std::string size = SizeName(w, h);
    Progress("full repaint as after a restore, at " + size);
    BenchWindow win(w, h);
    win.Start();
    std::vector<double> restore;
    int notPainted = 0;
    for (int i = 0; i < o.restores; ++i) {
        testing_hooks::PumpEvents(0);
        testing_hooks::TakePresented(win.dlg());
        const Clock::time_point t = Clock::now();
        win.dlg().Invalidate();
        bool painted = false;
        for (int spin = 0; spin < 1000 && !painted; ++spin) {
            testing_hooks::PumpEvents(0);
            painted = RectPixels(testing_hooks::TakePresented(win.dlg())) >= static_cast<long>(w) * h;
        }
        testing_hooks::PumpEvents(0);
        restore.push_back(MicrosSince(t));
        notPainted += painted ? 0 : 1;
    }
    if (notPainted != 0) {
        Progress(std::to_string(notPainted) + " repaints did not present the whole screen");
    }
    Figure("restore_repaint_" + size + "_ms", Percentile(restore, 50) / 1000.0, "ms");
    Figure("restore_repaint_" + size + "_p99_ms", Percentile(restore, 99) / 1000.0, "ms");
}

// F2 while practising: the next apple, as the whole-process key-to-screen figure sends it.
void NextAppleFigures(const Options& o)
{
    Progress("F2 (next apple) at 1920x1080");
    BenchWindow win(1920, 1080);
    win.Start();
    std::vector<double> key;
    std::vector<double> keyCpu;
    std::vector<double> withPresent;
    for (int i = 0; i < o.keys; ++i) {
        const double cpu = ThreadCpuMicros();
        const Clock::time_point t = Clock::now();
        testing_hooks::PressKey(win.dlg(), VK_F2);
        key.push_back(MicrosSince(t));
        keyCpu.push_back(ThreadCpuMicros() - cpu);
        testing_hooks::PumpEvents(0);
        withPresent.push_back(MicrosSince(t));
    }
    Figure("next_apple_f2_1920x1080_p50_us", Percentile(key, 50), "us");
    Figure("next_apple_f2_1920x1080_p99_us", Percentile(key, 99), "us");
    Figure("next_apple_f2_1920x1080_cpu_p50_us", Percentile(keyCpu, 50), "us");
    Figure("next_apple_f2_1920x1080_with_present_p50_us", Percentile(withPresent, 50), "us");
    Figure("next_apple_f2_1920x1080_with_present_p99_us", Percentile(withPresent, 99), "us");
}

void BlinkFigures(const Options& o)
{
    Progress("key blink ticks at 1920x1080");
    BenchWindow win(1920, 1080);
    win.Start();
    std::vector<double> tick;
    long presentedPx = 0;
    std::size_t presentedRects = 0;
    bool allOneRect = true;
    for (int i = 0; i < o.ticks; ++i) {
        // What the window's own timers presented meanwhile is not this tick's.
        testing_hooks::TakePresented(win.dlg());
        const Clock::time_point t = Clock::now();
        testing_hooks::FireTimer(win.dlg(), TIMER_KEY_BLINK);
        tick.push_back(MicrosSince(t));
        const std::vector<RECT> presented = testing_hooks::TakePresented(win.dlg());
        presentedPx = std::max(presentedPx, RectPixels(presented));
        presentedRects = std::max(presentedRects, presented.size());
        allOneRect = allOneRect && presented.size() == 1;
        testing_hooks::PumpEvents(0);
    }
    const RECT& k = win.dlg().GetScene().KeyRectangles()[win.dlg().GetExercise().TargetKey().row]
                                                        [win.dlg().GetExercise().TargetKey().col];
    Figure("blink_tick_p50_us", Percentile(tick, 50), "us");
    Figure("blink_tick_p99_us", Percentile(tick, 99), "us");
    Figure("blink_presented_px", static_cast<double>(presentedPx), "px");
    Figure("blink_presented_rects", static_cast<double>(presentedRects), "count");
    Figure("blink_key_px", static_cast<double>((k.right - k.left + 1) * (k.bottom - k.top + 1)), "px");
    Figure("blink_screen_px", 1920.0 * 1080.0, "px");
    if (!allOneRect) {
        Progress("a blink tick presented more or fewer than one rectangle");
    }
}

int RunFigures(const Options& o)
{
    testing_hooks::StartToolkit(1920, 1080);
    char cwd[4096] = {};
    const std::string home = getcwd(cwd, sizeof cwd) != nullptr ? std::string(cwd) : std::string("/");
    const std::string empty = EmptyDir();

    Progress("full paints at 1920x1080, default desktop");
    PaintFigures(empty, "paint_1920x1080", o.paints);
    if (!o.faceDir.empty()) {
        Progress("full paints at 1920x1080 with " + o.faceDir + "/Face.jpg");
        PaintFigures(o.faceDir, "paint_1920x1080_face", o.paints);
    }
    if (chdir(empty.c_str()) != 0) {
        return 1;
    }
    RestoreFigures(1920, 1080, o);
    RestoreFigures(3840, 2160, o);
    NextAppleFigures(o);
    BlinkFigures(o);
    KeyFigures(1920, 1080, o);
    KeyFigures(3840, 2160, o);
    if (chdir(home.c_str()) != 0) {
        return 1;
    }
    rmdir(empty.c_str());
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Google Benchmark runs: the same work, timed by the library.

// One window at a time, shared by consecutive runs of the same size; released before the
// toolkit goes away at exit.
std::unique_ptr<BenchWindow>& Shared()
{
    static std::unique_ptr<BenchWindow> win;
    return win;
}

BenchWindow& SharedWindow(int w, int h)
{
    static int ww = 0, hh = 0;
    std::unique_ptr<BenchWindow>& win = Shared();
    if (!win || ww != w || hh != h) {
        win.reset();
        testing_hooks::StartToolkit(w, h);
        win = std::make_unique<BenchWindow>(w, h);
        win->Start();
        ww = w;
        hh = h;
    }
    return *win;
}

void BM_FullPaint(benchmark::State& state)
{
    BenchWindow& win = SharedWindow(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        testing_hooks::PaintNow(win.dlg());
        state.PauseTiming();
        testing_hooks::PumpEvents(0);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FullPaint)->Args({1920, 1080})->Unit(benchmark::kMillisecond);

void BM_RightKey(benchmark::State& state)
{
    BenchWindow& win = SharedWindow(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        win.TypeTarget();
        state.PauseTiming();
        testing_hooks::PumpEvents(0);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RightKey)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

void BM_NextAppleF2(benchmark::State& state)
{
    BenchWindow& win = SharedWindow(1920, 1080);
    for (auto _ : state) {
        testing_hooks::PressKey(win.dlg(), VK_F2);
        state.PauseTiming();
        testing_hooks::PumpEvents(0);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_NextAppleF2)->Unit(benchmark::kMicrosecond);

void BM_BlinkTick(benchmark::State& state)
{
    BenchWindow& win = SharedWindow(1920, 1080);
    for (auto _ : state) {
        testing_hooks::FireTimer(win.dlg(), TIMER_KEY_BLINK);
        state.PauseTiming();
        testing_hooks::TakePresented(win.dlg());
        testing_hooks::PumpEvents(0);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BlinkTick)->Unit(benchmark::kMicrosecond);

template <bool Pairwise> void BM_Placement(benchmark::State& state)
{
    BenchWindow& win = SharedWindow(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const std::vector<POINT> spots = DrawnPositions(win.dlg(), 256, 7u);
    std::size_t i = 0;
    for (auto _ : state) {
        const POINT p = spots[i++ % spots.size()];
        benchmark::DoNotOptimize(Pairwise ? SearchPairwise(win.dlg(), p) : SearchLookup(win.dlg(), p));
    }
}
BENCHMARK(BM_Placement<false>)
    ->Name("BM_PlacementLookup")
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Placement<true>)
    ->Name("BM_PlacementPairwise")
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMicrosecond);

int IntArg(const char* s, int fallback)
{
    char* end = nullptr;
    const long v = std::strtol(s, &end, 10);
    return end != s && v > 0 ? static_cast<int>(v) : fallback;
}

}  // namespace

int main(int argc, char** argv)
{
    bool figures = false;
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--figures") {
            figures = true;
        } else if (a == "--face-dir" && hasValue) {
            o.faceDir = argv[++i];
        } else if (a == "--keys" && hasValue) {
            o.keys = IntArg(argv[++i], o.keys);
        } else if (a == "--pairwise" && hasValue) {
            o.pairwise = IntArg(argv[++i], o.pairwise);
        } else if (a == "--lookup" && hasValue) {
            o.lookup = IntArg(argv[++i], o.lookup);
        } else if (a == "--paints" && hasValue) {
            o.paints = IntArg(argv[++i], o.paints);
        } else if (a == "--ticks" && hasValue) {
            o.ticks = IntArg(argv[++i], o.ticks);
        } else if (a == "--restores" && hasValue) {
            o.restores = IntArg(argv[++i], o.restores);
        }
    }
    // The toolkit is left to the operating system at exit: its destruction from an exit handler
    // is not safe, and there is nothing to flush but our own output.
    if (figures) {
        const int rc = RunFigures(o);
        std::fflush(nullptr);
        std::_Exit(rc);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    Shared().reset();
    benchmark::Shutdown();
    std::fflush(nullptr);
    std::_Exit(0);
}
