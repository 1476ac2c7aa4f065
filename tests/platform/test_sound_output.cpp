// Sound output that survives its device: lost -> silent, reopened with backoff, and the play-now
// and drop-while-busy rules on the device opened again. SoundOutput is driven step by step with a
// device of the test's own; the last test runs the real worker on SDL's dummy driver.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/sound/sound_output.h"
#include "platform/testing/testing.h"
#include "platform/face/winapi.h"

namespace {

// A device whose server is up or down; Open costs 'openSeconds' of the test's clock.
struct FakeDevice final : AudioDevice {
    double& now;
    bool serverUp = true;
    bool open = false;
    bool gone = false;
    double openSeconds = 0.0;
    std::vector<double> attempts;     // clock at each Open
    std::vector<std::size_t> queued;  // sizes handed to Replace, in order
    std::function<void()> whileOpening;

    explicit FakeDevice(double& clock) : now(clock) {}
    bool Open() override
    {
        EXPECT_FALSE(open) << "opened twice";
        attempts.push_back(now);
        if (whileOpening) {
            whileOpening();
        }
        now += openSeconds;
        open = serverUp;
        gone = false;
        return open;
    }
    void Close() override
    {
        EXPECT_TRUE(open) << "closed a device that was not open";
        open = false;
    }
    bool Gone() override { return gone; }
    void Replace(const std::uint8_t*, std::size_t size) override
    {
        EXPECT_TRUE(open) << "queued on a device that is not open";
        queued.push_back(size);
    }
    void Clear() override { EXPECT_TRUE(open) << "cleared a device that is not open"; }
};

struct Rig {
    double now = 100.0;
    FakeDevice device{now};
    std::vector<SoundNotice> told;
    SoundOutput out{device, [this] { return now; }, [this](SoundNotice n) { told.push_back(n); }};
    const std::vector<std::uint8_t> a = std::vector<std::uint8_t>(22050);  // 1 s
    const std::vector<std::uint8_t> b = std::vector<std::uint8_t>(11026);

    // Runs the worker's steps as its thread would, for 'seconds' of the clock.
    void Run(double seconds)
    {
        const double end = now + seconds;
        for (;;) {
            const double wait = std::max(out.Step(now), 1e-3);
            if (now + wait > end) {
                now = end;
                return;
            }
            now += wait;
        }
    }
};

TEST(SoundOutput, ALostDeviceGoesSilentAndIsOpenedAgainWithBackoffOnceTheServerIsBack)
{
    using enum SoundNotice;
    Rig r;
    r.Run(0.1);
    ASSERT_TRUE(r.out.IsOpen());
    EXPECT_TRUE(r.told.empty()) << "a device at the start says nothing";
    EXPECT_TRUE(r.out.Play(r.a, 1.0, false));
    EXPECT_EQ(r.device.queued.size(), 1u);

    r.device.gone = true;  // the server stops
    r.device.serverUp = false;
    r.Run(SoundOutput::kPollSeconds + 0.01);
    EXPECT_FALSE(r.out.IsOpen());
    EXPECT_FALSE(r.device.open) << "a lost device is closed";
    r.now += 5.0;
    EXPECT_TRUE(r.out.Play(r.b, 0.5, false)) << "without a device a sound counts as played";
    EXPECT_EQ(r.device.queued.size(), 1u);

    // Down for a minute: attempts come one to two seconds apart, never faster.
    r.device.attempts.clear();
    r.Run(60.0);
    ASSERT_GE(r.device.attempts.size(), 29u);
    EXPECT_LE(r.device.attempts.size(), 61u);
    for (std::size_t i = 1; i < r.device.attempts.size(); ++i) {
        const double gap = r.device.attempts[i] - r.device.attempts[i - 1];
        EXPECT_GE(gap, SoundOutput::kFirstRetrySeconds - 1e-9) << "attempt " << i;
        EXPECT_LE(gap, SoundOutput::kMaxRetrySeconds + 0.01) << "attempt " << i;
    }
    EXPECT_EQ(r.told, std::vector{Lost}) << "one notice for the loss, none for the failed attempts";

    // Back: open within the longest wait, and the next sound is heard.
    r.device.serverUp = true;
    const double back = r.now;
    r.Run(SoundOutput::kMaxRetrySeconds + 0.1);
    ASSERT_TRUE(r.out.IsOpen());
    EXPECT_LE(r.device.attempts.back() - back, SoundOutput::kMaxRetrySeconds + 0.01);
    EXPECT_TRUE(r.out.Play(r.a, 1.0, false));
    EXPECT_EQ(r.device.queued.size(), 2u);
    EXPECT_EQ(r.told, (std::vector{Lost, Back}));
}

TEST(SoundOutput, NoDeviceAtTheStartIsToldOnceAndItsArrivalOnce)
{
    using enum SoundNotice;
    Rig r;
    r.device.serverUp = false;
    r.Run(120.0);
    EXPECT_GE(r.device.attempts.size(), 59u);
    EXPECT_EQ(r.told, std::vector{Lost});
    r.device.serverUp = true;
    r.Run(SoundOutput::kMaxRetrySeconds + 0.1);
    ASSERT_TRUE(r.out.IsOpen());
    r.Run(30.0);
    EXPECT_EQ(r.told, (std::vector{Lost, Back})) << "an open device that stays says nothing more";
}

TEST(SoundOutput, PlayNowAndDropWhileBusyHoldOnTheDeviceOpenedAgain)
{
    Rig r;
    r.device.serverUp = false;  // none at start
    r.Run(3.0);
    EXPECT_FALSE(r.out.IsOpen());
    EXPECT_GE(r.device.attempts.size(), 2u) << "a device missing at start is looked for again";
    r.device.serverUp = true;
    r.Run(3.0);
    ASSERT_TRUE(r.out.IsOpen());

    const struct {
        double after;  // seconds since the previous row
        bool useA;
        bool noStop;
        bool played;
    } rows[] = {
        {0.0, true, false, true},   // a plays
        {0.5, false, true, false},  // dropped: a still plays
        {0.0, false, false, true},  // b cuts a
        {1.2, true, true, true},    // b has ended
        {0.1, false, false, true},  // cuts a again
    };
    std::size_t heard = 0;
    for (const auto& row : rows) {
        r.now += row.after;
        EXPECT_EQ(r.out.Play(row.useA ? r.a : r.b, row.useA ? 1.0 : 0.5, row.noStop), row.played) << "at " << r.now;
        heard += row.played ? 1 : 0;
        ASSERT_EQ(r.device.queued.size(), heard) << "only what plays is queued";
    }
    r.out.Stop();
    EXPECT_TRUE(r.out.Play(r.a, 1.0, true)) << "nothing plays after Stop";
}

TEST(SoundOutput, ASoundAskedForWhileTheDeviceOpensIsHeardWhenItOpensAndPlayNeverWaitsForTheOpening)
{
    Rig r;
    r.device.openSeconds = 0.2;  // a slow server
    bool answered = false;
    r.device.whileOpening = [&] {
        // This runs on the worker inside Open: Play must not need the worker's lock.
        answered = r.out.Play(r.a, 1.0, false);
    };
    r.Run(0.1);
    EXPECT_TRUE(answered);
    ASSERT_TRUE(r.out.IsOpen());
    ASSERT_EQ(r.device.queued.size(), 1u) << "the sound still playing by the clock is queued at the opening";
    EXPECT_EQ(r.device.queued[0], r.a.size());

    // One that has ended by the time a device comes back, or was stopped, is not.
    for (const bool stop : {false, true}) {
        r.device.whileOpening = {};
        r.device.gone = true;
        r.Run(SoundOutput::kPollSeconds + 0.01);
        ASSERT_FALSE(r.out.IsOpen());
        r.out.Play(r.b, stop ? 5.0 : 0.3, false);
        if (stop) {
            r.out.Stop();
        }
        r.Run(SoundOutput::kMaxRetrySeconds + 0.1);
        ASSERT_TRUE(r.out.IsOpen());
        EXPECT_EQ(r.device.queued.size(), 1u) << (stop ? "stopped" : "ended");
    }
}

// The real worker on SDL's dummy driver: the device counted as gone is closed, SDL's audio is
// started again and a new device opened; the rules hold on it.
TEST(SoundOutput, TheWorkerOpensTheSdlDeviceAgainAfterItWasLost)
{
    std::atomic<double> now = 100.0;
    testing_hooks::SetSoundClock([&] { return now.load(); });
    const void* a = LockResource(LoadResource(FindResource("ZA", "wave")));
    const void* b = LockResource(LoadResource(FindResource("ZB", "wave")));
    ASSERT_NE(a, nullptr);
    auto waitFor = [](bool open, double seconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (testing_hooks::SoundDeviceOpen() != open && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return testing_hooks::SoundDeviceOpen() == open;
    };
    ASSERT_TRUE(waitFor(true, 10.0)) << "no dummy device opened";
    EXPECT_TRUE(sndPlaySound(a, SND_ASYNC | SND_MEMORY));
    EXPECT_GT(testing_hooks::QueuedSoundBytes(), 0u);

    testing_hooks::LoseSoundDevice();
    ASSERT_TRUE(waitFor(false, 10.0)) << "the lost device was not noticed";
    now = 200.0;
    EXPECT_TRUE(sndPlaySound(b, SND_ASYNC | SND_MEMORY)) << "silent, but played by the clock";
    // The worker opens a device again a second after the loss; a test thread held up that long
    // (a loaded or sanitized run) finds b already queued on it, so nothing is queued only while
    // the device is still closed after the look.
    const std::size_t queuedWhileLost = testing_hooks::QueuedSoundBytes();
    if (!testing_hooks::SoundDeviceOpen()) {
        EXPECT_EQ(queuedWhileLost, 0u);
    }

    ASSERT_TRUE(waitFor(true, 10.0)) << "the device was not opened again";
    EXPECT_GT(testing_hooks::QueuedSoundBytes(), 0u) << "b, still playing by the clock, is heard on the new device";
    EXPECT_FALSE(sndPlaySound(a, SND_ASYNC | SND_MEMORY | SND_NOSTOP)) << "b still plays";
    now = 205.0;
    EXPECT_TRUE(sndPlaySound(a, SND_ASYNC | SND_MEMORY | SND_NOSTOP));
    EXPECT_GT(testing_hooks::QueuedSoundBytes(), 0u);
    testing_hooks::SetSoundClock({});
}

}  // namespace
