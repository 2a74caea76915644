// Interruptions stop the tool between files, never in the middle of a save:
// a save always ends by removing its temporary files or by putting its new
// text in place.
//
// POSIX: SIGINT, SIGTERM and SIGHUP. Windows: the console's Ctrl+C and
// Ctrl+Break, recorded as SIGINT and SIGBREAK, and its close, logoff and
// shutdown events, recorded as SIGTERM (Windows then ends the process a few
// seconds later whatever it does, so a save in progress has that long).
#pragma once

#include <string>

namespace htmltopic {

// POSIX: blocks the three signals in the calling thread, and so in every
// thread it starts afterwards, and starts a thread that records them.
// Windows: installs a console control handler that records the events.
// Call once, first thing in main.
void CatchInterruptions();

// The signal number that asked the tool to stop, or 0. The tool then exits
// with 128 + that number.
int Interruption();

// What the interruption was, in words ("Interrupt", "Ctrl+Break", ...).
std::string InterruptionName(int signal);

} // namespace htmltopic
