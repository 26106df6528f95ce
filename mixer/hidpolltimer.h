// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

class QWidget;

// Runs the window's switch poll every interval while someone can see the window: it starts
// with the window's construction, pauses when the window is hidden or minimised, so that an
// idle program in the background never wakes up, and polls at once and resumes when the window
// is shown or restored again.
//
// GUI thread only. The window owns it; it watches the window through an event filter.
class HidPollTimer : public QObject
{
public:
    HidPollTimer(QWidget* window, int intervalMs, std::function<void()> poll);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow(bool seen);

    QWidget* window;
    std::function<void()> poll;
    QTimer timer;
};
