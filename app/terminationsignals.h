// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into the received() signal, emitted on the thread that made the
// object from its event loop. The handler only writes the signal's number to a pipe, which a
// QSocketNotifier watches: nothing is polled.
//
// One at a time; made and destroyed on one thread. The handlers are installed by the
// constructor and the previous ones put back by the destructor.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* notifier = nullptr;
};
