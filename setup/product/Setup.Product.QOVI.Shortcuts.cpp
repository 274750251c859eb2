#include "Setup.Product.QOVI.Shortcuts.h"

#include "ORV.Platform.h"
#include "ORV.Strings.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.h"
#include "ORV.Win32.Handles.h"
#include "Setup.Core.Resources.h"
#include "Setup.Product.QOVI.Settings.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

namespace Setup::Product::QOVI {

using namespace Setup::Core;
using ORV::W;

namespace {

constexpr DWORD kLinkPathCapacity = 65535;

bool EndsWithText(const std::u16string& text, std::u16string_view tail) {
    return text.size() >= tail.size() &&
           ORV::Platform::SameTextLocale(std::u16string_view(text).substr(text.size() - tail.size()), tail);
}

bool WantLocation(ORV::TORVIniFile& settings, const char16_t* key) {
    return settings.ReadBool(Settings::kIntegration, key, !TSetupAction::Controller().HasOption(Portable));
}

} // namespace

bool TSetupActionShortcuts::WantDesktop() { return WantLocation(Settings(), Settings::kShortcutDesktop); }

bool TSetupActionShortcuts::WantStartMenu() { return WantLocation(Settings(), Settings::kShortcutStartMenu); }

void TSetupActionShortcuts::FillLocations() {
    if (WantDesktop()) FLocations.Add(u"$DESKTOP");
    if (WantStartMenu()) FLocations.Add(u"$STARTMENU");
}

void TSetupActionShortcuts::BuildSummary(TSetupSummaryBuilder& builder) {
    builder.SetHeader(u"PageIntegration", u"LB1");
    if (WantDesktop()) builder.AddItem(u"PageIntegration", u"CB1");
    if (WantStartMenu()) builder.AddItem(u"PageIntegration", u"CB2");
}

void TSetupActionShortcuts::Execute() {
    ShowStatus(GetCommonMessage(u"A2"));
    FillLocations();
    // The shell's link objects live in an apartment of this thread.
    const ORV::TComInitialization com;
    const TSetupScriptGroup& shortcuts = Script().Shortcuts();
    const int count = shortcuts.Count();
    for (int i = 0; i < count; ++i) {
        ProcessShortcut(shortcuts.Files(i));
        SetProgress(MulDiv(i + 1, 100, count));
    }
}

void TSetupActionShortcuts::ProcessShortcut(const TSetupScriptFile& entry) {
    const std::u16string upperLink = ORV::Platform::UpperCaseLocale(entry.Name);
    bool wanted = false;
    for (int32_t i = 0; i < FLocations.Count() && !wanted; ++i)
        wanted = upperLink.find(FLocations.Strings(i)) != std::u16string::npos;
    if (!wanted) return;
    const std::u16string target = entry.ResolvedValue();
    if (ORV::WindowsVersion() >= 602 && !EndsWithText(target, u".exe")) return;

    const std::u16string linkPath = Resources().ExpandPath(entry.Name);
    const std::u16string folder = ORV::ExtractFilePath(linkPath);
    if (folder.empty()) return;
    if (!ORV::DirectoryExists(folder)) {
        const int result = SHCreateDirectoryExW(nullptr, W(folder), nullptr);
        if (result != ERROR_SUCCESS && result != ERROR_ALREADY_EXISTS) return;
    }
    UpdateLink(linkPath, Resources().ExpandPath(target));
}

bool TSetupActionShortcuts::ReadLinkTarget(const std::u16string& linkPath, std::u16string& targetPath) {
    ORV::TComPtr<IShellLinkW> link;
    ORV::TComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.ReceiveVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())))
        return false;
    const std::u16string longForm = u"\\\\?\\" + linkPath;
    if (FAILED(file->Load(W(longForm), STGM_READ))) return false;
    std::vector<wchar_t> buffer(kLinkPathCapacity, L'\0');
    if (FAILED(link->GetPath(buffer.data(), static_cast<int>(buffer.size()), nullptr, 0))) return false;
    targetPath = ORV::FromW(buffer.data());
    return true;
}

void TSetupActionShortcuts::UpdateLink(const std::u16string& linkPath, const std::u16string& targetPath) {
    std::u16string current;
    if (ORV::FileExists(linkPath) && EndsWithText(linkPath, u".lnk") && ReadLinkTarget(linkPath, current) &&
        ORV::Platform::SameTextLocale(current, targetPath))
        return;
    if (!ORV::FileExists(targetPath)) return;
    ORV::TComPtr<IShellLinkW> link;
    ORV::TComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.ReceiveVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())))
        return;
    if (FAILED(link->SetPath(W(targetPath)))) return;
    // The player finds its files beside itself, as when it is started from its folder.
    link->SetWorkingDirectory(W(ORV::ExtractFilePath(targetPath)));
    file->Save(W(linkPath), TRUE);
}

} // namespace Setup::Product::QOVI
