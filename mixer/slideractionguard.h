// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QSet>

class QSlider;

// Keeps the user's actions on the level sliders with the device they began on. An action
// begins with a mouse press, a key press that is not a repeat, or a wheel event that starts a
// turn, and ends with the release or the end of the turn; dropActions() drops the rest of the
// ones in progress, so that what is left of a drag, of a key held down (its repeats) or of a
// wheel turn never reaches the device shown next. A mouse release still reaches its slider,
// which lets go of the handle.
//
// GUI thread only. The window owns the guard and the sliders; it watches them through an
// event filter.
class SliderActionGuard : public QObject
{
public:
    using QObject::QObject;

    void watch(QSlider* slider);
    void dropActions();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSet<QObject*> watchedSliders;
    QSet<QObject*> dropping; // sliders whose action in progress is being dropped
};
