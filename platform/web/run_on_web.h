// The program entry of the browser edition. The page starts the program with
// the words of its address as arguments: none for the real-time run, or
// "--virtual" with "--at=MS,MS,…" or "--frames=N" for the virtual mode.
#pragma once

namespace platform::web {

// Runs `entry` on the page's backend (with media devices when `playsMedia`)
// and tells the page when it has ended. Returns the entry's exit code.
int RunOnWeb(const char* programName, int (*entry)(), bool playsMedia, int argc,
             const char* const* argv);

}  // namespace platform::web
