// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowsversionerrordialog.h"

#include "ui_windowsversionerrordialog.h"

WindowsVersionErrorDialog::WindowsVersionErrorDialog(QWidget* parent)
    : QDialog(parent), ui(new Ui_WindowsVersionErrorDialog)
{
    ui->setupUi(this);
}

WindowsVersionErrorDialog::~WindowsVersionErrorDialog()
{
    delete ui;
}
