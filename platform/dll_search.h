// Where the program may load DLLs from.
#pragma once

namespace dll_search {

// Limits every later DLL load by bare name to the system folder, so that no
// DLL beside the program (a download folder, a USB stick) or in the current
// folder is ever taken in its place. Called first thing at start-up, before
// anything loads a DLL on the program's behalf (COM, the common controls,
// the shell). Where Windows cannot limit the search to the system folder
// (Vista, Windows 7 without its update), the current folder at least is left
// out. Returns whether the search is limited to the system folder.
bool restrictToSystemFolder();

}  // namespace dll_search
