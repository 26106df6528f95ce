#pragma once

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
    // start-up). QApplication takes Qt's own options (-platform, -style, ...) out of argv first, so
    // before that only help and version requests, and the commands without a window (which take
    // none of Qt's options), are to be trusted.
    static CommandLine parse(const QStringList& arguments, const QStringList& backends);

    // argv as a list, without QApplication; for the help and version requests that must work
    // without a display.
    static QStringList argumentsOf(int argc, const char* const* argv);

    Action action() const { return currentAction; }
    // Whether the program is to open its window: false for help, version and the commands
    // without a window, also when their options are wrong, and for an error that no option of
    // Qt's can explain.
    bool needsWindow() const { return windowWanted; }
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
    // Whether to open the "Simulated hardware" window beside the mixer.
    bool simulatorPanel() const { return wantsSimulatorPanel; }
    // Writes the help or version text to standard output, or the error with a hint to standard
    // error, and returns the exit code: 0 after help or version, FileError or UsageError after
    // an error.
    int report() const;

private:
    void fail(int code, const QString& message);
    void readWindowless(const QCommandLineParser& parser);
    void checkWindowless(const QStringList& files, bool panel);

    Action currentAction = Action::RunMixer;
    int exitCode = 0;
    QString text;
    QString backendName;
    bool everyCard = false;
    QStringList stateFiles;
    QString presetFileName;
    bool wantsSimulatorPanel = false;
    bool windowWanted = true;
    QString device;
    bool asJson = false;
};
