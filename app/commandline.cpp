// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandline.h"

#include "regularfile.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <vector>

namespace {

// The name in the usage line; QCommandLineParser only knows it once QApplication exists.
const char* const executablePlaceholder = "<executable_name>";

// The first of the files that cannot be read; empty if all can.
QString firstUnreadable(const QStringList& fileNames)
{
    for (const QString& fileName : fileNames) {
        if (!RegularFile::unreadableReason(fileName).isEmpty())
            return fileName;
    }
    return QString();
}

// The options of the commands that need no window, with the action each stands for (RunMixer:
// an option that goes with them).
struct WindowlessOption
{
    QCommandLineOption option;
    CommandLine::Action action;
};

const std::vector<WindowlessOption>& windowlessOptions()
{
    using Action = CommandLine::Action;
    static const std::vector<WindowlessOption> options = {
        {QCommandLineOption(QStringLiteral("list"),
                            QStringLiteral("Print one line per device: its id, its name and what "
                                           "it has, separated by tabs; then exit.")),
         Action::List},
        {QCommandLineOption(QStringLiteral("explain"),
                            QStringLiteral("Print, per device, which of its controls serves each "
                                           "part of the panel and by which rule, or why none; "
                                           "then exit.")),
         Action::Explain},
        {QCommandLineOption(QStringLiteral("json"), QStringLiteral("With --list: print JSON.")),
         Action::RunMixer},
        {QCommandLineOption(QStringLiteral("store"),
                            QStringLiteral("Store the device's whole state in a preset file; "
                                           "then exit."),
                            QStringLiteral("file")),
         Action::Store},
        {QCommandLineOption(QStringLiteral("load"),
                            QStringLiteral("Load a preset file into the device; then exit."),
                            QStringLiteral("file")),
         Action::Load},
        {QCommandLineOption(QStringLiteral("restore-on-plug"),
                            QStringLiteral("Without a window, load a preset file into the device "
                                           "named by --device whenever it is plugged in (and now, "
                                           "if it is present), until ended by SIGTERM or SIGINT."),
                            QStringLiteral("file")),
         Action::RestoreOnPlug},
        {QCommandLineOption(QStringLiteral("device"),
                            QStringLiteral("The device to store, load or restore, by its id from "
                                           "--list; needed when several are present."),
                            QStringLiteral("id")),
         Action::RunMixer},
    };
    return options;
}

// The options that Qt's application classes take out of the command line for the window
// (QGuiApplication, its X11 aliases and QApplication), so that the whole command line can be
// checked before any of them exists. A value name marks an option that takes a value.
QList<QCommandLineOption> qtWindowOptions()
{
    const auto option = [](const char* name, const char* description,
                           const char* valueName = nullptr) {
        QCommandLineOption result(QString::fromLatin1(name), QString::fromLatin1(description),
                                  valueName ? QString::fromLatin1(valueName) : QString());
        return result;
    };
    return {
        option("platform", "Qt's platform plugin, such as xcb, wayland or offscreen.",
               "platformName[:options]"),
        option("platformpluginpath", "Path to Qt's platform plugins.", "path"),
        option("platformtheme", "Qt's platform theme.", "theme"),
        option("plugin", "Additional Qt plugins to load, can be given several times.", "plugin"),
        option("qwindowgeometry", "Geometry of the main window, in X11 syntax, like +50+50.",
               "geometry"),
        option("qwindowicon", "Default window icon.", "icon"),
        option("qwindowtitle", "Title of the first window.", "title"),
        option("reverse", "Lays the window out from right to left."),
        option("session", "Restores the program from an earlier session.", "session"),
        option("testability", "Loads Qt's testability library."),
        option("style", "Qt's widget style, such as Fusion.", "style"),
        option("stylesheet", "A Qt style sheet for the window.", "stylesheet"),
        option("widgetcount", "Prints how many widgets were left undestroyed at the end."),
        option("qmljsdebugger", "Qt's QML debugger.", "value"),
        option("display", "X11 display, overrides $DISPLAY.", "display"),
        option("name", "X11 instance name.", "name"),
        option("nograb", "X11: never grab the mouse."),
        option("dograb", "X11: grab the mouse even under a debugger."),
        option("visual", "X11: id of the visual to use.", "id"),
        option("geometry", "X11: alias for -qwindowgeometry.", "geometry"),
        option("icon", "X11: alias for -qwindowicon.", "icon"),
        option("title", "X11: alias for -qwindowtitle.", "title"),
    };
}

// The first of the options that the command line gives; empty if none.
QString firstSet(const QCommandLineParser& parser, const QList<QCommandLineOption>& options)
{
    for (const QCommandLineOption& option : options) {
        if (parser.isSet(option))
            return option.names().constFirst();
    }
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
    CommandLine result = parse(arguments, backends, QCommandLineOption::HiddenFromHelp);
    if (result.helpWithQtOptions)
        result = parse(arguments, backends, QCommandLineOption::Flags());
    return result;
}

CommandLine CommandLine::parse(const QStringList& arguments, const QStringList& backends,
                               QCommandLineOption::Flags qtOptionFlags)
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
    const QCommandLineOption cardStateOption(
        QStringLiteral("card-state"),
        QStringLiteral("Serve a virtual sound card from a state file written by `alsactl store` "
                       "(repeatable); picks the alsa backend and lists only these cards. Changes "
                       "go to a copy, never to the file."),
        QStringLiteral("file"));
    parser.addOption(cardStateOption);
    for (const WindowlessOption& option : windowlessOptions())
        parser.addOption(option.option);
    const QList<QCommandLineOption> qtOptions = qtWindowOptions();
    for (QCommandLineOption option : qtOptions) {
        option.setFlags(qtOptionFlags);
        parser.addOption(option);
    }
    parser.addPositionalArgument(
        QStringLiteral("file"),
        QStringLiteral("Preset file (*.tarvix) to load into the first device with switches."),
        QStringLiteral("[file]"));

    const bool understood = parser.parse(arguments);
    CommandLine result;
    result.helpWithQtOptions = parser.isSet(QStringLiteral("help-all"));
    if (parser.isSet(helpOption) || result.helpWithQtOptions) {
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
    const QStringList cardStates = parser.values(cardStateOption);
    const QString backend = parser.isSet(backendOption) ? parser.value(backendOption)
                            : panel                     ? QLatin1String(simulatorBackend)
                            : cardStates.isEmpty()      ? QString()
                                                        : QLatin1String(cardStateBackend);
    result.readWindowless(parser);
    result.platformName = parser.value(QStringLiteral("platform"));
    if (!understood) {
        result.fail(UsageError, parser.errorText());
    } else if (!backend.isEmpty() && !backends.contains(backend)) {
        result.fail(UsageError, QStringLiteral("Unknown backend '%1'; choose one of: %2.")
                                    .arg(backend, backends.join(QStringLiteral(", "))));
    } else if (!cardStates.isEmpty() && backend != QLatin1String(cardStateBackend)) {
        result.fail(UsageError, QStringLiteral("--card-state needs the %1 backend, not '%2'.")
                                    .arg(QLatin1String(cardStateBackend), backend));
    } else if (const QString bad = firstUnreadable(cardStates); !bad.isEmpty()) {
        result.fail(FileError, QStringLiteral("Cannot open card state file '%1': %2.")
                                   .arg(bad, RegularFile::unreadableReason(bad)));
    } else if (result.isWindowless()) {
        result.checkWindowless(files, panel, firstSet(parser, qtOptions));
    } else if (files.size() > 1) {
        result.fail(UsageError, QStringLiteral("Only one preset file can be loaded at a time."));
    } else if (panel && backend != QLatin1String(simulatorBackend)) {
        result.fail(UsageError,
                    QStringLiteral("--simulator-panel needs the simulator backend, not '%1'.")
                        .arg(backend));
    } else if (!files.isEmpty() && !RegularFile::unreadableReason(files.constFirst()).isEmpty()) {
        result.fail(FileError, QStringLiteral("Cannot open preset file '%1': %2.")
                                   .arg(files.constFirst(),
                                        RegularFile::unreadableReason(files.constFirst())));
    } else if (!result.device.isNull() || result.asJson) {
        result.fail(UsageError, QStringLiteral("--device and --json go with a command such as "
                                               "--list, --store or --load."));
    } else {
        result.presetFileName = files.value(0);
        result.wantsSimulatorPanel = panel;
    }
    if (result.currentAction != Action::Fail) {
        result.backendName = backend;
        result.everyCard = parser.isSet(allCardsOption);
        result.stateFiles = cardStates;
    }
    return result;
}

// Takes the commands without a window and their options from the parser, before any error is
// known, so that even a wrong one is answered without a window.
void CommandLine::readWindowless(const QCommandLineParser& parser)
{
    int commands = 0;
    for (const WindowlessOption& option : windowlessOptions()) {
        if (option.action == Action::RunMixer || !parser.isSet(option.option))
            continue;
        ++commands;
        currentAction = option.action;
        presetFileName =
            option.option.valueName().isEmpty() ? QString() : parser.value(option.option);
    }
    windowAsked = commands == 0;
    if (commands > 1)
        fail(UsageError, QStringLiteral("Give only one of --list, --explain, --store, --load "
                                        "and --restore-on-plug."));
    const QStringList names = parser.optionNames();
    if (names.contains(QLatin1String("device")))
        device = parser.value(QStringLiteral("device"));
    asJson = names.contains(QLatin1String("json"));
}

void CommandLine::checkWindowless(const QStringList& files, bool panel, const QString& qtOption)
{
    if (currentAction == Action::Fail)
        return;
    if (!qtOption.isEmpty())
        fail(UsageError, QStringLiteral("-%1 is one of Qt's window options, and this command "
                                        "opens no window.")
                             .arg(qtOption));
    else if (!files.isEmpty())
        fail(UsageError, QStringLiteral("Unexpected argument '%1'.").arg(files.constFirst()));
    else if (panel)
        fail(UsageError, QStringLiteral("--simulator-panel opens a window, which this command "
                                        "does not."));
    else if (asJson && currentAction != Action::List)
        fail(UsageError, QStringLiteral("--json goes with --list only."));
    else if (!device.isNull() && currentAction == Action::List)
        fail(UsageError, QStringLiteral("--device goes with --store, --load or "
                                        "--restore-on-plug."));
    else if (device.isNull() && currentAction == Action::RestoreOnPlug)
        fail(UsageError, QStringLiteral("--restore-on-plug needs --device ID."));
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
    case Action::List:
    case Action::Explain:
    case Action::Store:
    case Action::Load:
    case Action::RestoreOnPlug:
        break;
    }
    return 0;
}

bool CommandLine::isWindowless() const
{
    return currentAction == Action::List || currentAction == Action::Explain ||
           currentAction == Action::Store || currentAction == Action::Load ||
           currentAction == Action::RestoreOnPlug;
}

bool CommandLine::isStartupFailure() const
{
    return currentAction == Action::Fail && exitCode == FileError && windowAsked;
}

QStringList CommandLine::backendOptions() const
{
    QStringList options;
    if (!backendName.isEmpty())
        options << QStringLiteral("backend=") + backendName;
    if (everyCard)
        options << QStringLiteral("all-cards");
    for (const QString& file : stateFiles)
        options << QStringLiteral("card-state=") + QFileInfo(file).absoluteFilePath();
    if (wantsSimulatorPanel)
        options << QStringLiteral("simulator-panel");
    return options;
}
