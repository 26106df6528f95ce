// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class CommandLine;
class HostSystem;

// Runs the command line's --list, --explain (every device present, or the one --device names),
// --store, --load or --restore-on-plug without a window, on the main thread, with a
// QCoreApplication made already. Every failure is one line on standard error naming the file or the
// device; --restore-on-plug reports each load there too. Returns the exit code: 0 on success (and
// after SIGTERM or SIGINT ended --restore-on-plug), 1 when the command failed.
int runWindowlessCommand(const CommandLine& commandLine);

// Whether every --card-state file was copied for the system's virtual cards, for the window and
// the commands alike. False after a one-line message on standard error naming the file.
bool cardStatesReady(const HostSystem& system);
