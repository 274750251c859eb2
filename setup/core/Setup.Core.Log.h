// The run's log: what the program did, as plain UTF-8 lines written the moment they happen, to
// the file that /LOG= names. Without /LOG nothing is written anywhere.
//
// Every process of one run (the first one, its elevated copy, the uninstaller's copy in TEMP)
// appends to the same file: each line carries the process id, and appends from several
// processes never overwrite each other. The functions may be called from any thread; before
// OpenLog, or when it failed, they do nothing.
#pragma once

#ifndef _WIN32
#error "Setup.Core.Log.h is for the Windows build only"
#endif

#include <string>
#include <string_view>

namespace Setup::Core {

// Opens FileName for appending (creating it), full against the current folder. Raises EOSError
// when it cannot be opened: a log that was asked for and cannot be written is an error.
void OpenLog(const std::u16string& fileName);
bool IsLogOpen();
// The full name of the open log; empty when there is none.
const std::u16string& LogFileName();
// Appends "<date> <time> [<process id>] <text>" and CR LF, and lets the file have it at once.
void LogLine(std::u16string_view text);

} // namespace Setup::Core
