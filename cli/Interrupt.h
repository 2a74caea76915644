// SIGINT, SIGTERM and SIGHUP stop the tool between files, never in the
// middle of a save: a save always ends by removing its temporary files or
// by putting its new text in place.
#pragma once

namespace htmltopic {

// Blocks the three signals in the calling thread, and so in every thread it
// starts afterwards, and starts a thread that records them. Call once,
// first thing in main.
void CatchInterruptions();

// The signal that asked the tool to stop, or 0.
int Interruption();

} // namespace htmltopic
