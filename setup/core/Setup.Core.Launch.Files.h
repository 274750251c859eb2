// Files in use: copying with a clear error, and deleting now or, for a file that a running
// program or a loaded library holds, at the next restart.
#pragma once

#ifndef _WIN32
#error "Setup.Core.Launch.Files.h is for the Windows build only"
#endif

#include <string>

namespace Setup::Core {

// Copies Source over Target. Raises EOSError whose message ends with Source " -> " Target.
void CopyFileOrFail(const std::u16string& source, const std::u16string& target);
// Schedules FileName (a file, or an empty folder) for deletion at the next restart. Reports
// nothing. For the program's own temporary files, which need no restart to be out of the way.
void DeleteOnReboot(const std::u16string& fileName);
// Schedules FileName, a file that the run leaves behind in the installation, for deletion at the
// next restart, and notes that the run needs that restart to be complete (RestartPending).
void DeleteAtRestart(const std::u16string& fileName);
// Whether this process left a file of the installation for the system to delete at its next
// restart.
bool RestartPending();
// Deletes the file FileName, read-only or not, or, when it is in use, moves it to a new name in
// the temporary folder, which is deleted at the next restart. False when the file is still
// there under its name (or FileName is a folder); true when it is gone or was never there.
bool DeleteFileOrMoveAside(const std::u16string& fileName);
// Deletes the file FileName, read-only or not; a file in use (a loaded library, a running
// program) is moved to a new name in the temporary folder at once and that is deleted at the
// next restart; one that cannot be moved either (the temporary folder is on another volume) is
// deleted at the next restart where it is (DeleteAtRestart). Nothing happens for a missing name
// or a folder, and nothing is reported but to the log.
void DeleteFileOrLater(const std::u16string& fileName);

} // namespace Setup::Core
