#include "backendtable.h"
#include "commandline.h"
#include "hostsystem.h"
#include "mixerapplication.h"

#include <QApplication>

namespace {

QStringList backendNames()
{
    QStringList names;
    for (const BackendEntry& entry : BackendTable::entries())
        names.append(QLatin1String(entry.name));
    return names;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("tarvixmixer"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARVIXMIXER_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.tarvix.TarvixMixer"));

    // Help and version are answered before QApplication exists, so they need no display.
    const CommandLine early =
        CommandLine::parse(CommandLine::argumentsOf(argc, argv), backendNames());
    if (early.action() == CommandLine::Action::PrintHelp ||
        early.action() == CommandLine::Action::PrintVersion)
        return early.report();

    QApplication application(argc, argv);
    const CommandLine commandLine = CommandLine::parse(QApplication::arguments(), backendNames());
    if (commandLine.action() != CommandLine::Action::RunMixer)
        return commandLine.report();

    BackendTable::setListAllCards(commandLine.allCards());
    HostSystem system(commandLine.backend());
    return runMixerApplication(system);
}
