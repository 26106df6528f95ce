#pragma once

#include <QString>
#include <QStringList>

// The program's command line: --help, --version, --backend NAME and --all-cards. A plain value,
// made and read on the GUI thread during start-up; it owns nothing.
class CommandLine
{
public:
    enum class Action { RunMixer, PrintHelp, PrintVersion, Fail };

    // Exit codes of the actions that end the program before the window opens.
    static constexpr int UsageError = 2;

    // Reads arguments (the first is the program itself, as in argv); backends are the names that
    // --backend accepts. QApplication takes Qt's own options (-platform, -style, ...) out of
    // argv first, so before that only help and version requests are to be trusted.
    static CommandLine parse(const QStringList& arguments, const QStringList& backends);

    // argv as a list, without QApplication; for the help and version requests that must work
    // without a display.
    static QStringList argumentsOf(int argc, const char* const* argv);

    Action action() const { return currentAction; }
    // The backend that --backend named; empty when the option was not given.
    QString backend() const { return backendName; }
    // --all-cards: list every sound card, not only USB audio interfaces.
    bool allCards() const { return everyCard; }
    // Writes the help or version text to standard output, or the error with a hint to standard
    // error, and returns the exit code: 0 after help or version, UsageError after an error.
    int report() const;

private:
    Action currentAction = Action::RunMixer;
    QString text;
    QString backendName;
    bool everyCard = false;
};
