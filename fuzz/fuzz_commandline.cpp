// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary argument vectors (NUL-separated) to the command-line parser as it runs before
// any QApplication exists.
//
// It aborts when an input is neither answered there (help, version, a command without a window
// or an error) nor left to the window with only what Qt's own options can explain: a window
// wanted for a failure that no option-like argument could account for, a command without a
// window that claims to run the mixer, or two parses of one vector that disagree.

#include "commandline.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_commandline: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 4096)
        return 0;
    QStringList arguments{QStringLiteral("tarvixmixer")};
    arguments += QString::fromUtf8(reinterpret_cast<const char*>(data), int(size)).split(QChar(0));
    const QStringList backends{QStringLiteral("alsa"), QStringLiteral("simulator")};
    const CommandLine first = CommandLine::parse(arguments, backends);
    const CommandLine again = CommandLine::parse(arguments, backends);
    if (first.action() != again.action() || first.needsWindow() != again.needsWindow() ||
        first.backend() != again.backend() || first.presetFile() != again.presetFile())
        fail("two parses of one argument vector disagree");
    if (!first.needsWindow() && first.action() == CommandLine::Action::RunMixer)
        fail("no window, yet the mixer is to run");
    if (first.needsWindow() && first.action() == CommandLine::Action::Fail) {
        bool optionLike = false;
        for (int i = 1; i < arguments.size(); ++i)
            optionLike |= arguments[i].startsWith(QLatin1Char('-'));
        if (!optionLike)
            fail("a failure left to the window that no option of Qt's can explain");
    }
    return 0;
}
