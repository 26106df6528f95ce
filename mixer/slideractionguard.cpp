#include "slideractionguard.h"

#include <QKeyEvent>
#include <QSlider>
#include <QWheelEvent>

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
    bool beginsAction = false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        beginsAction = true;
        break;
    case QEvent::KeyPress:
        beginsAction = !static_cast<QKeyEvent*>(event)->isAutoRepeat();
        break;
    case QEvent::Wheel: {
        const Qt::ScrollPhase phase = static_cast<QWheelEvent*>(event)->phase();
        beginsAction = phase == Qt::NoScrollPhase || phase == Qt::ScrollBegin;
        break;
    }
    case QEvent::MouseMove:
    case QEvent::Timer: // a press held on the groove repeats from a timer
        return dropping.contains(watched);
    default:
        return false;
    }
    if (beginsAction)
        dropping.remove(watched);
    return dropping.contains(watched);
}
