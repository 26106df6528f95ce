// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

// Where the preset commands ask the user for a file name. The window uses Qt's file dialogs;
// tests put their own answers in its place.
class PresetFileDialogs
{
public:
    virtual ~PresetFileDialogs();

    // Each returns the chosen file name, or an empty string if the user cancelled.
    virtual QString getSaveFileName(QWidget* parent, const QString& caption,
                                    const QString& directory, const QString& filter) = 0;
    virtual QString getOpenFileName(QWidget* parent, const QString& caption,
                                    const QString& directory, const QString& filter) = 0;

    // The dialogs the program shows.
    static PresetFileDialogs* qtDialogs();
};
