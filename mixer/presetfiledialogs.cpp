// SPDX-License-Identifier: GPL-3.0-or-later
#include "presetfiledialogs.h"

#include <QFileDialog>

namespace {

class QtFileDialogs : public PresetFileDialogs
{
public:
    QString getSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                            const QString& filter) override
    {
        return QFileDialog::getSaveFileName(parent, caption, directory, filter);
    }

    QString getOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                            const QString& filter) override
    {
        return QFileDialog::getOpenFileName(parent, caption, directory, filter);
    }
};

} // namespace

PresetFileDialogs::~PresetFileDialogs() = default;

PresetFileDialogs* PresetFileDialogs::qtDialogs()
{
    static QtFileDialogs dialogs;
    return &dialogs;
}
