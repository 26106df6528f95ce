// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class Ui_WindowsVersionErrorDialog;

// Shown instead of the mixer on a Windows version other than Vista and Windows 7.
class WindowsVersionErrorDialog : public QDialog
{
    Q_OBJECT

public:
    explicit WindowsVersionErrorDialog(QWidget* parent);
    ~WindowsVersionErrorDialog() override;

private:
    Ui_WindowsVersionErrorDialog* ui;
};
