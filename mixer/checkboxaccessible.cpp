// SPDX-License-Identifier: GPL-3.0-or-later
#include "checkboxaccessible.h"

#include <QCheckBox>

namespace {

QAccessibleInterface* createCheckBoxAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("QCheckBox") && object && object->isWidgetType())
        return new CheckBoxAccessible(static_cast<QCheckBox*>(object));
    return nullptr;
}

// "&Mute" reads as "Mute"; "&&" stands for one ampersand.
QString withoutMnemonic(QString text)
{
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&'))
            text.remove(i, 1);
    }
    return text;
}

} // namespace

CheckBoxAccessible::CheckBoxAccessible(QCheckBox* box)
    : QAccessibleWidget(box, QAccessible::CheckBox)
{
}

void CheckBoxAccessible::install()
{
    // Qt ignores a factory that is installed already.
    QAccessible::installFactory(createCheckBoxAccessible);
}

QCheckBox* CheckBoxAccessible::box() const
{
    return static_cast<QCheckBox*>(widget());
}

QString CheckBoxAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && box()->accessibleName().isEmpty())
        return withoutMnemonic(box()->text());
    return QAccessibleWidget::text(t);
}

QAccessible::State CheckBoxAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = box()->checkState() == Qt::Checked;
    state.checkStateMixed = box()->checkState() == Qt::PartiallyChecked;
    return state;
}

QStringList CheckBoxAccessible::actionNames() const
{
    // The first action is the default one.
    return QStringList{toggleAction()} + QAccessibleWidget::actionNames();
}

void CheckBoxAccessible::doAction(const QString& actionName)
{
    if (actionName == toggleAction() || actionName == pressAction()) {
        box()->click(); // nothing happens while the box is disabled
        return;
    }
    QAccessibleWidget::doAction(actionName);
}
