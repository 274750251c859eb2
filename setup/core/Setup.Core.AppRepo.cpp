#include "Setup.Core.AppRepo.h"

#include "ORV.Strings.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.Handles.h"

#include <algorithm>
#include <vector>

namespace Setup::Core {

using ORV::FromW;
using ORV::TScopedRegKey;
using ORV::W;

namespace {

const std::u16string kUninstallKey = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::u16string KeyPath(const std::u16string& keyName) { return kUninstallKey + u"\\" + keyName; }

void WriteString(HKEY key, const char16_t* valueName, const std::u16string& value) {
    RegSetValueExW(key, W(valueName), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(char16_t)));
}

void WriteDword(HKEY key, const char16_t* valueName, DWORD value) {
    RegSetValueExW(key, W(valueName), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

std::u16string LocalDate() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t text[16];
    swprintf(text, 16, L"%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    return FromW(text);
}

// The program of a command line that may quote it: "C:\x\Uninstall.exe" /ARG -> C:\x\Uninstall.exe.
std::u16string UnquotedProgram(const std::u16string& commandLine) {
    if (commandLine.empty() || commandLine.front() != u'"') return commandLine;
    const size_t close = commandLine.find(u'"', 1);
    return commandLine.substr(1, close == std::u16string::npos ? std::u16string::npos : close - 1);
}

// What one registry view says about the installation folder.
bool FindInView(const std::u16string& keyName, REGSAM view, std::u16string& path) {
    TScopedRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(KeyPath(keyName)), 0, KEY_READ | view, key.Receive()) != ERROR_SUCCESS)
        return false;
    std::u16string candidate = ORV::IncludeTrailingBackslash(ORV::ReadRegistryString(key.Get(), u"InstallPath"));
    if (!ORV::DirectoryExists(candidate))
        candidate = ORV::ExtractFilePath(UnquotedProgram(ORV::ReadRegistryString(key.Get(), u"UninstallString")));
    if (!ORV::DirectoryExists(candidate)) candidate = ORV::ExtractFilePath(ORV::ReadRegistryString(key.Get(), u"DisplayIcon"));
    if (!ORV::DirectoryExists(candidate)) return false;
    path = candidate;
    return true;
}

} // namespace

std::u16string TSetupAppRepo::KeyName(const std::u16string& name) {
    std::u16string key = name;
    key.erase(std::remove(key.begin(), key.end(), u' '), key.end());
    return key;
}

void TSetupAppRepo::Register(const std::u16string& name, const std::u16string& uninstallerPath,
                             const std::u16string& homePage, const std::u16string& publisher,
                             const std::u16string& version, uint32_t sizeKiB) {
    const std::u16string keyName = KeyName(name);
    if (keyName.empty()) return;
    Unregister(name);

    TScopedRegKey key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, W(KeyPath(keyName)), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE | KEY_WOW64_32KEY, nullptr, key.Receive(), nullptr) != ERROR_SUCCESS)
        return;
    WriteDword(key.Get(), u"NoModify", 1);
    WriteDword(key.Get(), u"NoRepair", 1);
    WriteString(key.Get(), u"DisplayIcon", uninstallerPath);
    WriteString(key.Get(), u"DisplayName", name);
    WriteString(key.Get(), u"DisplayVersion", version);
    WriteString(key.Get(), u"InstallDate", LocalDate());
    const std::u16string folder = ORV::IncludeTrailingBackslash(ORV::ExtractFilePath(uninstallerPath));
    WriteString(key.Get(), u"InstallPath", folder);
    WriteString(key.Get(), u"InstallLocation", folder);
    WriteString(key.Get(), u"Publisher", publisher);
    std::u16string quoted(1, u'"');
    quoted.append(uninstallerPath).append(1, u'"');
    WriteString(key.Get(), u"UninstallString", quoted);
    WriteString(key.Get(), u"QuietUninstallString", quoted + u" /AUTO /SILENT");
    WriteDword(key.Get(), u"EstimatedSize", sizeKiB);
    WriteString(key.Get(), u"URLInfoAbout", homePage);
}

void TSetupAppRepo::Unregister(const std::u16string& name) {
    const std::u16string keyName = KeyName(name);
    if (keyName.empty()) return;
    TScopedRegKey parent;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(kUninstallKey), 0, KEY_READ | KEY_WRITE | DELETE | KEY_WOW64_32KEY,
                      parent.Receive()) != ERROR_SUCCESS)
        return;
    RegDeleteTreeW(parent.Get(), W(keyName));
}

bool TSetupAppRepo::FindInstallPath(const std::u16string& name, std::u16string& path) {
    const std::u16string keyName = KeyName(name);
    if (keyName.empty()) return false;
    return FindInView(keyName, KEY_WOW64_32KEY, path) || FindInView(keyName, KEY_WOW64_64KEY, path);
}

} // namespace Setup::Core
