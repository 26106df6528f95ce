// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary argument vectors (NUL-separated) to the command-line parser as it runs before
// any QApplication exists.
//
// Every input is answered there: help, version, a command without a window, the window, or an
// error with its text. It aborts on a failure without a text, on an action that disagrees with
// whether it needs a window, or on two parses of one vector that disagree.

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
    if (first.action() != again.action() || first.isWindowless() != again.isWindowless() ||
        first.backend() != again.backend() || first.presetFile() != again.presetFile() ||
        first.errorText() != again.errorText())
        fail("two parses of one argument vector disagree");
    if (first.action() == CommandLine::Action::Fail && first.errorText().isEmpty())
        fail("a failure without a text");
    using Action = CommandLine::Action;
    const Action action = first.action();
    const bool windowless = action == Action::List || action == Action::Explain ||
                            action == Action::Store || action == Action::Load ||
                            action == Action::RestoreOnPlug;
    if (first.isWindowless() != windowless)
        fail("an action that disagrees with whether it needs a window");
    return 0;
}
