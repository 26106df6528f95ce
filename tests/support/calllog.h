#pragma once

#include <QMutex>
#include <QStringList>

// The calls a fake library received, in order, as readable lines such as
// "output.setVolumeLeft(-10)". Safe to append to from any thread.
class CallLog
{
public:
    void append(const QString& call);
    QStringList calls() const;
    // The calls with lock() and unlock() left out, for tests about what reached the device.
    QStringList deviceCalls() const;
    // Whether any call starting with `prefix` was made.
    bool contains(const QString& prefix) const;
    void clear();

private:
    mutable QMutex mutex;
    QStringList entries;
};
