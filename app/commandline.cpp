#include "commandline.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

// The name in the usage line; QCommandLineParser only knows it once QApplication exists.
const char* const executablePlaceholder = "<executable_name>";

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

    result.currentAction = Action::Fail;
    if (!understood) {
        result.text = parser.errorText();
    } else if (!parser.positionalArguments().isEmpty()) {
        result.text = QStringLiteral("Unexpected argument '%1'.")
                          .arg(parser.positionalArguments().constFirst());
    } else if (parser.isSet(backendOption) && !backends.contains(parser.value(backendOption))) {
        result.text = QStringLiteral("Unknown backend '%1'; choose one of: %2.")
                          .arg(parser.value(backendOption), backends.join(QStringLiteral(", ")));
    } else {
        result.currentAction = Action::RunMixer;
        result.backendName = parser.value(backendOption);
        result.everyCard = parser.isSet(allCardsOption);
    }
    return result;
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
    case Action::Fail:
        print(stderr, QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                          .arg(QCoreApplication::applicationName(), text));
        return UsageError;
    case Action::RunMixer:
        break;
    }
    return 0;
}
