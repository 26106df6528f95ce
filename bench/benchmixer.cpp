#include "benchmixer.h"

#include "benchsupport.h"

#include <QEvent>

void BenchMixer::onVolumeChanged(std::int32_t sequence)
{
    notifiedNs.store(BenchSupport::monotonicNs(), std::memory_order_release);
    if (recording.load(std::memory_order_acquire))
        sequences.push_back(sequence);
    TarvixMixer::onVolumeChanged(sequence);
}

void BenchMixer::startRecordingSequences(std::size_t expected)
{
    sequences.clear();
    sequences.reserve(expected);
    recording.store(true, std::memory_order_release);
}

void BenchMixer::stopRecordingSequences()
{
    recording.store(false, std::memory_order_release);
}

bool BenchMixer::event(QEvent* event)
{
    // A queued signal reaches its slot as a meta-call event; once the base class has handled
    // it, the window's handler has run to its end.
    const bool queuedCall = event->type() == QEvent::MetaCall;
    const bool handled = TarvixMixer::event(event);
    if (queuedCall && afterQueuedHandler)
        afterQueuedHandler();
    return handled;
}
