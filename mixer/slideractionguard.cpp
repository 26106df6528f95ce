// SPDX-License-Identifier: GPL-3.0-or-later
#include "slideractionguard.h"

#include <QKeyEvent>
#include <QSlider>
#include <QWheelEvent>

namespace {

enum class Part { Begins, Continues, Ends, None };

Part partOfAction(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return Part::Begins;
    case QEvent::MouseMove:
    case QEvent::Timer: // a press held on the groove repeats from a timer
        return Part::Continues;
    case QEvent::MouseButtonRelease:
        return Part::Ends;
    case QEvent::KeyPress:
        return static_cast<const QKeyEvent*>(event)->isAutoRepeat() ? Part::Continues
                                                                    : Part::Begins;
    case QEvent::KeyRelease:
        return static_cast<const QKeyEvent*>(event)->isAutoRepeat() ? Part::Continues : Part::Ends;
    case QEvent::Wheel:
        switch (static_cast<const QWheelEvent*>(event)->phase()) {
        case Qt::NoScrollPhase:
        case Qt::ScrollBegin:
            return Part::Begins;
        case Qt::ScrollEnd:
            return Part::Ends;
        default:
            return Part::Continues;
        }
    default:
        return Part::None;
    }
}

} // namespace

void SliderActionGuard::watch(QSlider* slider)
{
    watchedSliders.insert(slider);
    slider->installEventFilter(this);
}

void SliderActionGuard::dropActions()
{
    dropping = watchedSliders;
}

bool SliderActionGuard::eventFilter(QObject* watched, QEvent* event)
{
    const Part part = partOfAction(event);
    const bool dropped = dropping.contains(watched);
    if (part == Part::Begins || part == Part::Ends)
        dropping.remove(watched);
    // A release still reaches the slider, which lets go of the handle; the end of a dropped
    // wheel turn does not.
    return dropped &&
           (part == Part::Continues || (part == Part::Ends && event->type() == QEvent::Wheel));
}
