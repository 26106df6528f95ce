// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include <algorithm>
#include <functional>

// The calls a fake library received, in order, as readable lines such as
// "a.output.setVolumeLeft(-10)". One thread at a time: a test that calls from another thread
// waits for it to end before it reads the log.
class CallLog
{
public:
    void append(const QString& call)
    {
        entries.append(call);
        if (onCall)
            onCall(call);
    }
    QStringList calls() const { return entries; }
    void clear() { entries.clear(); }
    // The calls with lock() and unlock() left out, for tests about what reached the device.
    QStringList deviceCalls() const
    {
        QStringList result = entries;
        result.removeAll(QStringLiteral("lock"));
        result.removeAll(QStringLiteral("unlock"));
        return result;
    }
    // Whether any call starting with `prefix` was made.
    bool contains(const QString& prefix) const
    {
        return std::any_of(entries.begin(), entries.end(),
                           [&](const QString& c) { return c.startsWith(prefix); });
    }

    // Runs after each call is logged, on the caller's thread; set it before the calls begin.
    std::function<void(const QString&)> onCall;

private:
    QStringList entries;
};
