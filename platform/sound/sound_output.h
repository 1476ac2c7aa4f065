// The program's sound output apart from the sound library: the play-now and drop-while-busy rules,
// judged by the clock, and an output device that may vanish (a sound server restarted, an output
// unplugged) and is opened again once there is one.
//
// Two threads use it. The user-interface thread calls Play and Stop; they never wait for a device
// to open. A worker calls Step, which polls the open device and, while there is none, tries to open
// one with backoff; the blocking open runs without the lock the user-interface thread takes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

// One output device as the sound library gives it. Open and Close are called by the worker only,
// and only while SoundOutput holds no device (Open) or has just given it up (Close); Gone, Replace
// and Clear only while the device is open, under SoundOutput's lock.
class AudioDevice {
public:
    virtual ~AudioDevice() = default;
    // Starts the library and opens the default output; may block. False when there is none.
    virtual bool Open() = 0;
    // Closes what Open opened and shuts the library down, so the next Open finds a new server.
    virtual void Close() = 0;
    // Whether the open device has stopped for good (its server went away, it was unplugged).
    virtual bool Gone() = 0;
    // Drops what is queued and queues these samples.
    virtual void Replace(const std::uint8_t* data, std::size_t size) = 0;
    // Drops what is queued.
    virtual void Clear() = 0;
};

// What the user is told of the device: once when sound is lost (no device at the start, or the
// open one gone), once when it is back; the failed attempts in between say nothing.
enum class SoundNotice { Lost, Back };

class SoundOutput {
public:
    // 'clock' gives the seconds by which a sound's playing time is judged; 'notify', when given,
    // hears each SoundNotice, on the worker's thread and under the lock (it must not call back).
    SoundOutput(AudioDevice& device, std::function<double()> clock, std::function<void(SoundNotice)> notify = {});

    // Seconds between checks of an open device, the first wait before reopening a lost one, and
    // the longest wait between two attempts.
    static constexpr double kPollSeconds = 0.5;
    static constexpr double kFirstRetrySeconds = 1.0;
    static constexpr double kMaxRetrySeconds = 2.0;

    // Plays 'samples' (device format), lasting 'seconds', now: the queue is cleared first. With
    // 'noStop' the sound is dropped instead (false) while the previous one still plays. Without a
    // device the sound counts as played; should a device open while it would still play, it is
    // played then. 'samples' stays valid for the whole run (the caller keeps its conversions).
    bool Play(const std::vector<std::uint8_t>& samples, double seconds, bool noStop);
    // Silences whatever plays.
    void Stop();
    // Judges playing time by another clock from now on, forgetting the sound that plays.
    void SetClock(std::function<double()> clock);
    // Sends the notices to 'notify' from now on.
    void SetNotify(std::function<void(SoundNotice)> notify);

    // The worker's step at 'now' (seconds of a steady clock): checks the open device, or tries to
    // open one when an attempt is due. Returns the seconds until the next step is due.
    double Step(double now);
    bool IsOpen() const;
    // Attempts to open a device so far.
    int Attempts() const;

private:
    // Tells the user sound is lost (true) or back (false), unless that was the last thing told.
    void Tell(bool lost);

    AudioDevice& m_device;
    std::function<double()> m_clock;
    std::function<void(SoundNotice)> m_notify;
    mutable std::mutex m_mutex;
    bool m_open = false;
    bool m_toldLost = false;  // the user was told sound is lost, and not yet that it is back
    int m_attempts = 0;
    double m_nextAttempt = 0.0;  // steady seconds; 0: at the first step
    double m_retryDelay = kFirstRetrySeconds;
    double m_busyUntil = 0.0;  // clock seconds at which the last sound ends
    // The last sound played without a device, kept while it would still play.
    const std::vector<std::uint8_t>* m_pending = nullptr;
};
