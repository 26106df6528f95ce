#pragma once

#include <QMutex>
#include <QStringList>

#include <algorithm>
#include <functional>

// The calls a fake library received, in order, as readable lines such as
// "a.output.setVolumeLeft(-10)". Safe to use from any thread.
class CallLog
{
public:
    void append(const QString& call)
    {
        {
            const QMutexLocker locker(&mutex);
            entries.append(call);
        }
        if (onCall)
            onCall(call);
    }
    QStringList calls() const
    {
        const QMutexLocker locker(&mutex);
        return entries;
    }
    void clear()
    {
        const QMutexLocker locker(&mutex);
        entries.clear();
    }
    // The calls with lock() and unlock() left out, for tests about what reached the device.
    QStringList deviceCalls() const
    {
        QStringList result = calls();
        result.removeAll(QStringLiteral("lock"));
        result.removeAll(QStringLiteral("unlock"));
        return result;
    }
    // Whether any call starting with `prefix` was made.
    bool contains(const QString& prefix) const
    {
        const QStringList all = calls();
        return std::any_of(all.begin(), all.end(),
                           [&](const QString& c) { return c.startsWith(prefix); });
    }

    // Runs after each call is logged, on the caller's thread; set it before the calls begin.
    std::function<void(const QString&)> onCall;

private:
    mutable QMutex mutex;
    QStringList entries;
};
