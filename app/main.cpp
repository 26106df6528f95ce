#include "commandline.h"
#include "hostsystem.h"
#include "mixerapplication.h"

#include <QApplication>

namespace {

// The only device library this build offers.
const QStringList backendNames = {QStringLiteral("simulator")};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("tarvixmixer"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARVIXMIXER_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.tarvix.TarvixMixer"));

    // Help and version are answered before QApplication exists, so they need no display.
    const CommandLine early =
        CommandLine::parse(CommandLine::argumentsOf(argc, argv), backendNames);
    if (early.action() == CommandLine::Action::PrintHelp ||
        early.action() == CommandLine::Action::PrintVersion)
        return early.report();

    QApplication application(argc, argv);
    const CommandLine commandLine = CommandLine::parse(QApplication::arguments(), backendNames);
    if (commandLine.action() != CommandLine::Action::RunMixer)
        return commandLine.report();

    HostSystem system;
    return runMixerApplication(system);
}
