// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleWidget>

class QCheckBox;

// The accessible interface of the program's check boxes. A screen reader's default action on a
// check box (AT-SPI "Toggle") does what a click does: Qt's own interface merely toggles the box,
// which never emits clicked(), so the window's slots, and through them the device, would not
// hear of it while the box claimed otherwise.
//
// GUI thread only. Qt's accessibility registry owns each interface; install() registers the
// factory once per process.
class CheckBoxAccessible : public QAccessibleWidget
{
public:
    explicit CheckBoxAccessible(QCheckBox* box);

    static void install();

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    QCheckBox* box() const;
};
