#include "calllog.h"

void CallLog::append(const QString& call)
{
    QMutexLocker locker(&mutex);
    entries.append(call);
}

QStringList CallLog::calls() const
{
    QMutexLocker locker(&mutex);
    return entries;
}

QStringList CallLog::deviceCalls() const
{
    QStringList result;
    for (const QString& call : calls()) {
        if (call != QLatin1String("lock") && call != QLatin1String("unlock"))
            result.append(call);
    }
    return result;
}

bool CallLog::contains(const QString& prefix) const
{
    for (const QString& call : calls()) {
        if (call.startsWith(prefix))
            return true;
    }
    return false;
}

void CallLog::clear()
{
    QMutexLocker locker(&mutex);
    entries.clear();
}
