#include "commandline.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace {

// The name in the usage line; QCommandLineParser only knows it once QApplication exists.
const char* const executablePlaceholder = "<executable_name>";

// Why a preset file named on the command line cannot be loaded; empty if it can.
QString unreadableReason(const QString& fileName)
{
    const QFileInfo file(fileName);
    if (!file.exists())
        return QStringLiteral("No such file");
    if (!file.isFile())
        return QStringLiteral("Not a regular file");
    if (!file.isReadable())
        return QStringLiteral("Permission denied");
    return QString();
}

void print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments, const QStringList& backends)
{
    QCommandLineParser parser;
    // Single-dash words such as Qt's "-platform" count as one option, never as a run of letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Control panel for Tarvix USB audio interfaces: output and input levels, "
                       "mutes, phantom power and loopback."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption backendOption(
        QStringLiteral("backend"),
        QStringLiteral("Device library to use: %1.").arg(backends.join(QStringLiteral(", "))),
        QStringLiteral("name"));
    parser.addOption(backendOption);
    const QCommandLineOption allCardsOption(
        QStringLiteral("all-cards"),
        QStringLiteral("List every sound card, not only USB audio interfaces (alsa backend)."));
    parser.addOption(allCardsOption);
    const QCommandLineOption panelOption(
        QStringLiteral("simulator-panel"),
        QStringLiteral("Open the \"Simulated hardware\" window, where the simulated devices can "
                       "be plugged, unplugged and turned as if by hand; picks the simulator "
                       "backend."));
    parser.addOption(panelOption);
    parser.addPositionalArgument(
        QStringLiteral("file"),
        QStringLiteral("Preset file (*.tarvix) to load into the first device with switches."),
        QStringLiteral("[file]"));

    const bool understood = parser.parse(arguments);
    CommandLine result;
    if (parser.isSet(helpOption)) {
        result.currentAction = Action::PrintHelp;
        result.text = parser.helpText().replace(QString::fromLatin1(executablePlaceholder),
                                                QCoreApplication::applicationName());
        return result;
    }
    if (parser.isSet(versionOption)) {
        result.currentAction = Action::PrintVersion;
        result.text = QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                    QCoreApplication::applicationVersion());
        return result;
    }

    const QStringList files = parser.positionalArguments();
    // The panel drives simulated devices, so asking for it picks the simulator.
    const bool panel = parser.isSet(panelOption);
    const QString backend = parser.isSet(backendOption) ? parser.value(backendOption)
                            : panel                     ? QLatin1String(simulatorBackend)
                                                        : QString();
    if (!understood) {
        result.fail(UsageError, parser.errorText());
    } else if (files.size() > 1) {
        result.fail(UsageError, QStringLiteral("Only one preset file can be loaded at a time."));
    } else if (!backend.isEmpty() && !backends.contains(backend)) {
        result.fail(UsageError, QStringLiteral("Unknown backend '%1'; choose one of: %2.")
                                    .arg(backend, backends.join(QStringLiteral(", "))));
    } else if (panel && backend != QLatin1String(simulatorBackend)) {
        result.fail(UsageError,
                    QStringLiteral("--simulator-panel needs the simulator backend, not '%1'.")
                        .arg(backend));
    } else if (!files.isEmpty() && !unreadableReason(files.constFirst()).isEmpty()) {
        result.fail(FileError, QStringLiteral("Cannot open preset file '%1': %2.")
                                   .arg(files.constFirst(), unreadableReason(files.constFirst())));
    } else {
        result.backendName = backend;
        result.everyCard = parser.isSet(allCardsOption);
        result.presetFileName = files.value(0);
        result.wantsSimulatorPanel = panel;
    }
    return result;
}

void CommandLine::fail(int code, const QString& message)
{
    currentAction = Action::Fail;
    exitCode = code;
    text = message;
}

QStringList CommandLine::argumentsOf(int argc, const char* const* argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

int CommandLine::report() const
{
    switch (currentAction) {
    case Action::PrintHelp:
    case Action::PrintVersion:
        print(stdout, text);
        return 0;
    case Action::Fail: {
        const QString program = QCoreApplication::applicationName();
        QString message = QStringLiteral("%1: %2\n").arg(program, text);
        if (exitCode == UsageError)
            message += QStringLiteral("Try '%1 --help' for more information.\n").arg(program);
        print(stderr, message);
        return exitCode;
    }
    case Action::RunMixer:
        break;
    }
    return 0;
}
