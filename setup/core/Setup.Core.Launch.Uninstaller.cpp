#include "Setup.Core.Launch.Uninstaller.h"

#include "ORV.Platform.h"
#include "ORV.Strings.h"
#include "ORV.SysUtils.h"
#include "ORV.Utils.CommandLine.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.Handles.h"
#include "Setup.Core.CommandLine.h"
#include "Setup.Core.Launch.Files.h"
#include "Setup.Core.Launch.Process.h"
#include "Setup.Core.Resources.h"

#include <ntsecapi.h>
#include <sddl.h>

#include <algorithm>

namespace Setup::Core {

using ORV::FromW;
using ORV::LongPathForm;
using ORV::W;

namespace {

std::u16string ExcludeTrailingBackslash(std::u16string folder) {
    while (folder.size() > 1 && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
    return folder;
}

// The absolute, long-name form, so that "..", slashes and 8.3 names cannot hide where a path
// lies. A path that does not exist keeps its full form; one the system cannot read, its text.
std::u16string CanonicalPath(std::u16string path) {
    std::replace(path.begin(), path.end(), u'/', u'\\');
    std::u16string full = FilledBuffer([&](wchar_t* b, DWORD n) { return GetFullPathNameW(W(path), n, b, nullptr); });
    if (full.empty()) return path;
    std::u16string longName = FilledBuffer([&](wchar_t* b, DWORD n) { return GetLongPathNameW(W(full), b, n); });
    return longName.empty() ? full : longName;
}

uint64_t SecureRandom() {
    uint64_t value = 0;
    if (!RtlGenRandom(&value, sizeof value)) {
        // Uniqueness comes from CreateDirectoryW either way; this only keeps the name unpredictable
        // on a system that cannot give random bytes.
        LARGE_INTEGER counter;
        QueryPerformanceCounter(&counter);
        value = static_cast<uint64_t>(counter.QuadPart) * 0x9E3779B97F4A7C15ull ^ GetCurrentProcessId();
    }
    return value;
}

std::u16string Hex16(uint64_t value) {
    static constexpr char16_t digits[] = u"0123456789abcdef";
    std::u16string text(16, u'0');
    for (int i = 15; i >= 0; --i, value >>= 4) text[i] = digits[value & 15];
    return text;
}

// Full control for the system and the administrators, inherited by everything inside, and
// nothing from the parent: the user's TEMP lets the user's unelevated programs write there, and
// one of them must not be able to swap a file that an elevated program is about to start.
class TAdminOnlySecurity {
public:
    TAdminOnlySecurity() {
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", SDDL_REVISION_1,
                                                                  &FDescriptor, nullptr))
            ORV::RaiseLastOSError(u"ConvertStringSecurityDescriptorToSecurityDescriptorW");
        FAttributes.lpSecurityDescriptor = FDescriptor;
    }
    ~TAdminOnlySecurity() { LocalFree(FDescriptor); }
    TAdminOnlySecurity(const TAdminOnlySecurity&) = delete;
    TAdminOnlySecurity& operator=(const TAdminOnlySecurity&) = delete;

    SECURITY_ATTRIBUTES* Attributes() { return &FAttributes; }

private:
    PSECURITY_DESCRIPTOR FDescriptor = nullptr;
    SECURITY_ATTRIBUTES FAttributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
};

} // namespace

DWORD StartUninstaller() { return StartUninstaller(ORV::Platform::ExecutableFileName(), ORV::GetParams()); }

DWORD StartUninstaller(const std::u16string& executablePath, const std::u16string& params, std::u16string* copyPath) {
    const std::u16string temp = TempFolder();
    // A folder of our own, made just now: nobody can have put a library beside the copy that
    // the elevated uninstaller would load, and nothing of another program's is deleted with it.
    const std::u16string folder = CreateFreshFolder(temp);
    std::u16string exe, data;
    try {
        exe = CopyToTemp(folder, executablePath);
        data = CopyToTemp(folder, UninstallDataFileOf(executablePath));
    } catch (...) {
        DeleteFileW(W(LongPathForm(folder + ORV::ExtractFileName(executablePath))));
        RemoveDirectoryW(W(LongPathForm(folder)));
        throw;
    }
    // After the files, so that the folder is empty when its turn comes at the restart.
    DeleteOnReboot(ExcludeTrailingBackslash(folder));
    if (copyPath) *copyPath = exe;

    // The copy must not keep the installation folder busy as its current folder.
    SetCurrentDirectoryW(W(temp));
    std::u16string commandLine = QuoteArgument(exe);
    commandLine += u' ';
    commandLine += UninstallerCopyParams(ORV::ExtractFilePath(executablePath), params);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(W(LongPathForm(exe)), W(commandLine.data()), nullptr, nullptr, FALSE, 0, nullptr, W(temp),
                        &startup, &info))
        ORV::RaiseLastOSError(exe);
    const ORV::TScopedKernelHandle process(info.hProcess), thread(info.hThread);
    // A caller that waits for the uninstaller (a package manager, a deployment script) must learn
    // the outcome of the removal, not merely that the copy was started.
    WaitServingMessages(process.Get());
    DWORD exitCode = 1;
    if (!GetExitCodeProcess(process.Get(), &exitCode)) exitCode = 1;
    // The copy has ended, so its files are free now; the restart stays scheduled for any that
    // something else still holds.
    DeleteFileW(W(LongPathForm(exe)));
    DeleteFileW(W(LongPathForm(data)));
    RemoveDirectoryW(W(LongPathForm(folder)));
    return exitCode;
}

bool IsInsideTempFolder(const std::u16string& path) { return IsInsideFolder(path, TempFolder()); }

bool IsInsideFolder(const std::u16string& path, const std::u16string& folder) {
    if (path.empty() || folder.empty()) return false;
    const std::u16string base = ORV::IncludeTrailingBackslash(CanonicalPath(folder));
    const std::u16string candidate = CanonicalPath(path);
    return candidate.size() > base.size() &&
           ORV::Platform::SameTextLocale(std::u16string_view(candidate).substr(0, base.size()), base);
}

std::u16string CreateFreshFolder(const std::u16string& parent, const std::function<uint64_t()>& random) {
    const std::u16string base = ORV::IncludeTrailingBackslash(parent);
    TAdminOnlySecurity security;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::u16string folder = base + u"Setup-" + Hex16(random ? random() : SecureRandom());
        if (CreateDirectoryW(W(LongPathForm(folder)), security.Attributes())) return folder + u"\\";
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) ORV::RaiseOSError(error, folder);
    }
    ORV::RaiseOSError(ERROR_ALREADY_EXISTS, base);
}

std::u16string CopyToTemp(const std::u16string& folder, const std::u16string& fileName) {
    const std::u16string target = ORV::IncludeTrailingBackslash(folder) + ORV::ExtractFileName(fileName);
    ORV::Platform::ResetFileAttributes(target);
    CopyFileOrFail(fileName, target);
    DeleteOnReboot(target);
    return target;
}

} // namespace Setup::Core
