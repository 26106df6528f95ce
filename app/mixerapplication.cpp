// SPDX-License-Identifier: GPL-3.0-or-later
#include "mixerapplication.h"

#include "systemservices.h"
#include "tarvixcontrol.h"
#include "tarvixmixer.h"
#include "windowsversionerrordialog.h"

#include <QApplication>
#include <QErrorMessage>
#include <QString>

namespace {

bool isSupportedWindowsVersion(int version)
{
    return version == SystemServices::WindowsVista || version == SystemServices::Windows7;
}

bool comInitialized(long result)
{
    return result == SystemServices::ComOk || result == SystemServices::ComAlreadyInitialized;
}

int runVersionErrorDialog()
{
    WindowsVersionErrorDialog dialog(nullptr);
    dialog.show();
    return QApplication::exec();
}

// Shows a parentless error box and runs the event loop until it is closed.
int runErrorMessage(const QString& message)
{
    auto* box = new QErrorMessage();
    box->setWindowTitle(QStringLiteral("TarvixMixer - Error"));
    box->showMessage(message);
    const int result = QApplication::exec();
    delete box;
    return result;
}

int runMixerWindow(SystemServices& system, TarvixControl* control,
                   const WindowCompanions& companions)
{
    TarvixMixer window(control, nullptr);
    window.show();
    std::unique_ptr<QObject> extras = companions ? companions(window, *control) : nullptr;
    const int result = QApplication::exec();
    extras.reset();
    // The window is destroyed only after the library and COM are gone, so it lets go of the
    // library first.
    window.detachFromLibrary();
    delete control;
    system.coUninitialize();
    return result;
}

} // namespace

int runMixerApplication(SystemServices& system, const WindowCompanions& companions)
{
    if (!isSupportedWindowsVersion(system.windowsVersion()))
        return runVersionErrorDialog();

    if (!comInitialized(system.coInitialize()))
        return runErrorMessage(QStringLiteral("Failed to initialize COM Library."));

    TarvixControl* control = system.createControl();
    if (!control) {
        runErrorMessage(QStringLiteral("Failed to open the device library."));
        system.coUninitialize();
        // The program could not do its work, however the box was closed.
        return 1;
    }
    return runMixerWindow(system, control, companions);
}
