// SPDX-License-Identifier: GPL-3.0-or-later
#include "hidpolltimer.h"

#include <QEvent>
#include <QWidget>

HidPollTimer::HidPollTimer(QWidget* window, int intervalMs, std::function<void()> poll)
    : window(window), poll(std::move(poll))
{
    connect(&timer, &QTimer::timeout, this, [this] { this->poll(); });
    timer.start(intervalMs);
    window->installEventFilter(this);
}

bool HidPollTimer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::WindowStateChange:
            follow(window->isVisible() && !window->isMinimized());
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void HidPollTimer::follow(bool seen)
{
    if (seen == timer.isActive())
        return;
    if (!seen) {
        timer.stop();
        return;
    }
    // What changed on the device while nobody looked shows at once, not one interval later.
    poll();
    timer.start();
}
