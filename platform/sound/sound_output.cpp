#include "platform/sound/sound_output.h"

#include <algorithm>
#include <utility>

SoundOutput::SoundOutput(AudioDevice& device, std::function<double()> clock, std::function<void(SoundNotice)> notify)
    : m_device(device), m_clock(std::move(clock)), m_notify(std::move(notify))
{
}

void SoundOutput::SetNotify(std::function<void(SoundNotice)> notify)
{
    const std::lock_guard lock(m_mutex);
    m_notify = std::move(notify);
}

void SoundOutput::Tell(bool lost)
{
    if (lost == m_toldLost) {
        return;
    }
    m_toldLost = lost;
    if (m_notify) {
        m_notify(lost ? SoundNotice::Lost : SoundNotice::Back);
    }
}

bool SoundOutput::Play(const std::vector<std::uint8_t>& samples, double seconds, bool noStop)
{
    const std::lock_guard lock(m_mutex);
    const double now = m_clock();
    if (noStop && now < m_busyUntil) {
        return false;
    }
    m_busyUntil = now + seconds;
    if (m_open) {
        m_device.Replace(samples.data(), samples.size());
        m_pending = nullptr;
    } else {
        m_pending = &samples;
    }
    return true;
}

void SoundOutput::Stop()
{
    const std::lock_guard lock(m_mutex);
    m_busyUntil = 0.0;
    m_pending = nullptr;
    if (m_open) {
        m_device.Clear();
    }
}

void SoundOutput::SetClock(std::function<double()> clock)
{
    const std::lock_guard lock(m_mutex);
    m_clock = std::move(clock);
    m_busyUntil = 0.0;
    m_pending = nullptr;
}

double SoundOutput::Step(double now)
{
    std::unique_lock lock(m_mutex);
    if (m_open) {
        if (!m_device.Gone()) {
            return kPollSeconds;
        }
        // From here the user-interface thread sees no device and plays silently.
        m_open = false;
        Tell(true);
        m_retryDelay = kFirstRetrySeconds;
        m_nextAttempt = now + kFirstRetrySeconds;
        lock.unlock();
        m_device.Close();
        return kFirstRetrySeconds;
    }
    if (now < m_nextAttempt) {
        return m_nextAttempt - now;
    }
    ++m_attempts;
    lock.unlock();
    const bool opened = m_device.Open();
    lock.lock();
    if (!opened) {
        Tell(true);
        const double wait = m_retryDelay;
        m_retryDelay = std::min(2.0 * m_retryDelay, kMaxRetrySeconds);
        m_nextAttempt = now + wait;
        return wait;
    }
    m_open = true;
    Tell(false);
    m_retryDelay = kFirstRetrySeconds;
    if (m_pending != nullptr && m_clock() < m_busyUntil) {
        m_device.Replace(m_pending->data(), m_pending->size());
    }
    m_pending = nullptr;
    return kPollSeconds;
}

bool SoundOutput::IsOpen() const
{
    const std::lock_guard lock(m_mutex);
    return m_open;
}

int SoundOutput::Attempts() const
{
    const std::lock_guard lock(m_mutex);
    return m_attempts;
}
