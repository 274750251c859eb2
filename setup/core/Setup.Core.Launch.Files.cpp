#include "Setup.Core.Launch.Files.h"

#include "ORV.Platform.h"
#include "ORV.Strings.h"
#include "ORV.SysUtils.h"
#include "ORV.Win32.h"
#include "Setup.Core.Log.h"
#include "Setup.Core.Resources.h"

#include <atomic>

namespace Setup::Core {

using ORV::FromW;
using ORV::LongPathForm;
using ORV::W;

void CopyFileOrFail(const std::u16string& source, const std::u16string& target) {
    if (CopyFileW(W(LongPathForm(source)), W(LongPathForm(target)), FALSE)) return;
    const DWORD error = GetLastError();
    ORV::RaiseOSError(error, source + u" -> " + target);
}

void DeleteOnReboot(const std::u16string& fileName) {
    MoveFileExW(W(LongPathForm(fileName)), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

namespace {

std::atomic<bool> gRestartPending{false};

} // namespace

void DeleteAtRestart(const std::u16string& fileName) {
    if (MoveFileExW(W(LongPathForm(fileName)), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        gRestartPending = true;
        LogLine(u"To be deleted at the next restart: " + fileName);
    } else {
        LogLine(u"Cannot be deleted, not even at the next restart: " + fileName);
    }
}

bool RestartPending() { return gRestartPending; }

namespace {

// Renames the file at Path to a spare name in TEMP and schedules that for deletion at restart;
// SpareName is the new name.
bool MoveAsideForRestart(const std::u16string& path, std::u16string& spareName) {
    std::u16string temp;
    try {
        temp = TempFolder();
    } catch (const ORV::Exception&) {
        return false;
    }
    wchar_t spare[MAX_PATH] = {};
    if (!GetTempFileNameW(W(temp), L"del", 0, spare)) return false;
    DeleteFileW(spare);
    // A plain rename: a copy to another volume could not remove the file in use and would only
    // leave a second one behind.
    if (!MoveFileExW(W(path), spare, 0)) return false;
    spareName = FromW(spare);
    DeleteOnReboot(spareName);
    return true;
}

} // namespace

bool DeleteFileOrMoveAside(const std::u16string& fileName) {
    const std::u16string path = LongPathForm(fileName);
    const DWORD attributes = GetFileAttributesW(W(path));
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    SetFileAttributesW(W(path), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileW(W(path))) {
        LogLine(u"Deleted: " + fileName);
        return true;
    }
    // In use: a running program or a loaded library can still be renamed, which frees its name
    // now, and the system removes the moved file when it restarts.
    std::u16string spare;
    if (MoveAsideForRestart(path, spare)) {
        LogLine(u"In use, moved out of the way until the next restart: " + fileName + u" -> " + spare);
        return true;
    }
    LogLine(u"In use, cannot be deleted now: " + fileName);
    return false;
}

void DeleteFileOrLater(const std::u16string& fileName) {
    const DWORD attributes = GetFileAttributesW(W(LongPathForm(fileName)));
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    // Not even a rename is possible (TEMP on another volume, no spare name, a program that lets
    // nobody touch the file): it keeps its name until the restart, which deletes it there.
    if (!DeleteFileOrMoveAside(fileName)) DeleteAtRestart(fileName);
}

} // namespace Setup::Core
