#pragma once

#include "tarvixmixer.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

// The mixer window with two observation points for the notification benchmarks: the time the
// library last called onVolumeChanged() (on its delivery thread), and a callback run on the GUI
// thread right after each queued handler call of the window has finished.
//
// The window registers itself as the library's listener within its own constructor, so the
// library must report nothing until a BenchMixer is fully constructed: start its control with
// no devices and plug them afterwards.
class BenchMixer : public TarvixMixer
{
public:
    using TarvixMixer::TarvixMixer;

    void onVolumeChanged(std::int32_t sequence) override;

    std::int64_t lastNotifiedNs() const { return notifiedNs.load(std::memory_order_acquire); }

    // Records the sequence numbers the library passes from now on; read them only once the
    // library has delivered everything (SimulatedHardware::whenDone()).
    void startRecordingSequences(std::size_t expected);
    void stopRecordingSequences();
    const std::vector<std::int32_t>& recordedSequences() const { return sequences; }

    std::function<void()> afterQueuedHandler;

protected:
    bool event(QEvent* event) override;

private:
    std::atomic<std::int64_t> notifiedNs{0};
    std::atomic<bool> recording{false};
    std::vector<std::int32_t> sequences;
};
