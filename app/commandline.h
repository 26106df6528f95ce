// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCommandLineOption>
#include <QString>
#include <QStringList>

class QCommandLineParser;

// The program's command line: --help, --version, --backend NAME, --all-cards, --simulator-panel,
// --card-state FILE... and one preset file to load into the window; or one of the commands that
// need no window:
// --list [--json], --explain, --store FILE, --load FILE, --restore-on-plug FILE, with --device
// ID. A plain value, made and read on the main thread during start-up; it owns nothing.
class CommandLine
{
public:
    enum class Action {
        RunMixer,
        PrintHelp,
        PrintVersion,
        Fail,
        List,
        Explain,
        Store,
        Load,
        RestoreOnPlug
    };

    // Exit codes of the failures that end the program before the window opens.
    static constexpr int FileError = 1;
    static constexpr int UsageError = 2;

    // The backend that offers --simulator-panel.
    static constexpr const char* simulatorBackend = "simulator";
    // The backend that serves --card-state.
    static constexpr const char* cardStateBackend = "alsa";

    // Reads arguments (the first is the program itself, as in argv); backends are the names that
    // --backend accepts. --simulator-panel without --backend picks the simulator. A preset file
    // must be a readable regular file (it is not opened here, so a named pipe cannot block
    // start-up). Qt's own window options (-platform, -style, ...) are known here and left in the
    // arguments for QApplication, so the whole command line is judged before any application
    // object exists; they are a usage error beside a command without a window. --help-all
    // lists them too.
    static CommandLine parse(const QStringList& arguments, const QStringList& backends);

    // argv as a list, without QApplication; for the help and version requests that must work
    // without a display.
    static QStringList argumentsOf(int argc, const char* const* argv);

    Action action() const { return currentAction; }
    // Whether the action is one of the commands without a window: --list, --store, --load or
    // --restore-on-plug.
    bool isWindowless() const;
    // The backend that --backend named, or the simulator for --simulator-panel; empty for the
    // default one.
    QString backend() const { return backendName; }
    // --all-cards: list every sound card, not only USB audio interfaces.
    bool allCards() const { return everyCard; }
    // --card-state: the state files to serve as virtual cards, in order; empty when none.
    QStringList cardStates() const { return stateFiles; }
    // The preset file to load into the first device with switches, or the one that --store,
    // --load or --restore-on-plug names; empty when none was named.
    QString presetFile() const { return presetFileName; }
    // --device: the id of the device to work on; null when not given.
    QString deviceId() const { return device; }
    // --json with --list.
    bool json() const { return asJson; }
    // What chooses the devices and the window's companions, as words that compare equal for the
    // same choice: --backend, --all-cards, --card-state (absolute paths), --simulator-panel.
    QStringList backendOptions() const;
    // Qt's -platform option; empty when not given.
    QString platform() const { return platformName; }
    // Whether the command line asks for the window and names a file it cannot use (exit code
    // FileError), as opposed to a usage error or a command without a window.
    bool isStartupFailure() const;
    // The error, without the program's name, after Fail.
    QString errorText() const { return currentAction == Action::Fail ? text : QString(); }
    // Whether to open the "Simulated hardware" window beside the mixer.
    bool simulatorPanel() const { return wantsSimulatorPanel; }
    // Writes the help or version text to standard output, or the error with a hint to standard
    // error, and returns the exit code: 0 after help or version, FileError or UsageError after
    // an error; 0 for the other actions, which it leaves to the caller.
    int report() const;

private:
    static CommandLine parse(const QStringList& arguments, const QStringList& backends,
                             QCommandLineOption::Flags qtOptionFlags);
    void fail(int code, const QString& message);
    void readWindowless(const QCommandLineParser& parser);
    void checkWindowless(const QStringList& files, bool panel, const QString& qtOption);

    Action currentAction = Action::RunMixer;
    int exitCode = 0;
    QString text;
    QString backendName;
    bool everyCard = false;
    QStringList stateFiles;
    QString presetFileName;
    bool wantsSimulatorPanel = false;
    bool helpWithQtOptions = false;
    bool windowAsked = true;
    QString platformName;
    QString device;
    bool asJson = false;
};
