// SPDX-License-Identifier: GPL-3.0-or-later
#include "backendtable.h"
#include "commandline.h"
#include "hostsystem.h"
#include "mixerapplication.h"
#include "nodevicehint.h"
#include "singleinstance.h"
#include "startupfailure.h"
#include "tarvixcontrol.h"
#include "tarvixmixer.h"
#include "terminationsignals.h"
#include "uitranslations.h"
#include "windowlesscommands.h"
#include "windowsystemguard.h"

#include <QApplication>
#include <QDBusConnection>
#include <QFileInfo>

namespace {

QStringList backendNames()
{
    QStringList names;
    for (const BackendEntry& entry : BackendTable::entries())
        names.append(QString::fromUtf8(entry.name));
    return names;
}

// What goes beside the window: a hint where the backend may find nothing, and what the command
// line asks, a preset file to load and the simulated hardware.
std::unique_ptr<QObject> openCompanions(const CommandLine& commandLine, const BackendEntry& backend,
                                        TarvixMixer& window, TarvixControl& control)
{
    if (backend.mayFindNothing)
        new NoDeviceHint(&window);
    if (!commandLine.presetFile().isEmpty())
        window.loadPresetFileWhenReady(QFileInfo(commandLine.presetFile()).absoluteFilePath());
    // The command line has made sure that a row with a panel is the backend.
    if (!commandLine.simulatorPanel() || !backend.openHardwarePanel)
        return nullptr;
    QWidget* panel = backend.openHardwarePanel(control, &window);
    panel->show();
    return std::unique_ptr<QObject>(panel);
}

// A later start's request: the window comes to the front and loads the file it names, if any.
void followHandOvers(SingleInstance& instance, TarvixMixer& window)
{
    QObject::connect(&instance, &SingleInstance::requested, &window,
                     [&window](const QString& presetFile, const QString& activationToken) {
                         // Wayland's activation takes the token from here.
                         if (!activationToken.isEmpty())
                             qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
                         window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
                         window.show();
                         window.raise();
                         window.activateWindow();
                         if (!presetFile.isEmpty())
                             window.loadPresetFileWhenReady(presetFile);
                     });
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("tarvixmixer"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARVIXMIXER_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.tarvix.TarvixMixer"));

    // The whole command line is answered before any application object exists, so that help,
    // version, errors and the commands without a window need no display.
    const CommandLine commandLine =
        CommandLine::parse(CommandLine::argumentsOf(argc, argv), backendNames());
    if (commandLine.isWindowless()) {
        QCoreApplication application(argc, argv);
        return runWindowlessCommand(commandLine);
    }
    const bool box = StartupFailure::wantsBox(commandLine.platform());
    if (commandLine.action() != CommandLine::Action::RunMixer) {
        const int status = commandLine.report();
        if (!commandLine.isStartupFailure() || !box)
            return status;
        WindowSystemGuard guard;
        QApplication application(argc, argv);
        guard.connected();
        UiTranslations::install(application);
        return StartupFailure::showBox(commandLine.errorText(), status);
    }

    WindowSystemGuard guard;
    QApplication application(argc, argv);
    guard.connected();
    UiTranslations::install(application);

    // A panel already running with these options takes the file over and shows itself.
    const QString presetFile = commandLine.presetFile().isEmpty()
                                   ? QString()
                                   : QFileInfo(commandLine.presetFile()).absoluteFilePath();
    SingleInstance instance(SingleInstance::serviceName(commandLine.backendOptions()));
    if (instance.claim() == SingleInstance::Claim::Taken &&
        SingleInstance::handOver(QDBusConnection::sessionBus(),
                                 SingleInstance::serviceName(commandLine.backendOptions()),
                                 presetFile, qEnvironmentVariable("XDG_ACTIVATION_TOKEN")))
        return 0;

    HostSystem system(commandLine.backend(), commandLine.allCards(), commandLine.cardStates());
    if (!cardStatesReady(system))
        return box ? StartupFailure::showBox(system.cardStateError(), CommandLine::FileError)
                   : CommandLine::FileError;
    // The copies of the card state files are removed on the way out, also when ended by a
    // signal.
    std::unique_ptr<TerminationSignals> terminations;
    if (!commandLine.cardStates().isEmpty()) {
        terminations = std::make_unique<TerminationSignals>();
        QObject::connect(terminations.get(), &TerminationSignals::received, &application,
                         &QCoreApplication::quit);
    }
    return runMixerApplication(system, [&](TarvixMixer& window, TarvixControl& control) {
        followHandOvers(instance, window);
        return openCompanions(commandLine, *system.backend(), window, control);
    });
}
