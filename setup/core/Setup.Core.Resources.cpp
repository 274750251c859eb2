#include "Setup.Core.Resources.h"

#include "ORV.FileFormats.INI.Text.h"
#include "ORV.Platform.h"
#include "ORV.Strings.h"
#include "ORV.SysUtils.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.h"
#include "Setup.Core.Errors.h"
#include "Setup.Core.Languages.h"
#include "Setup.Core.Paths.h"
#include "Setup.Core.ProductInfo.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>

namespace Setup::Core {

using ORV::W;

namespace {

// A read-only view of a resource of the running program; the module keeps the bytes alive.
class TResourceStream : public ORV::TStream {
public:
    explicit TResourceStream(const wchar_t* name) {
        HMODULE module = GetModuleHandleW(nullptr);
        HRSRC info = FindResourceW(module, name, MAKEINTRESOURCEW(10) /* RT_RCDATA */);
        if (!info) ORV::RaiseLastOSError();
        HGLOBAL handle = LoadResource(module, info);
        if (!handle) ORV::RaiseLastOSError();
        FSize = SizeofResource(module, info);
        FData = static_cast<const uint8_t*>(LockResource(handle));
        if (!FData && FSize) ORV::RaiseLastOSError();
    }

    size_t Read(void* buffer, size_t count) override {
        const size_t left = FSize - FPosition;
        if (count > left) count = left;
        if (count) std::memcpy(buffer, FData + FPosition, count);
        FPosition += count;
        return count;
    }
    size_t Write(const void*, size_t) override { return 0; }
    int64_t Seek(int64_t offset, ORV::TSeekOrigin origin) override {
        const int64_t base = origin == ORV::soBeginning ? 0 : origin == ORV::soCurrent ? int64_t(FPosition) : int64_t(FSize);
        const int64_t position = base + offset;
        if (position < 0) throw ORV::EStreamError(u"Invalid stream position");
        FPosition = position > int64_t(FSize) ? FSize : static_cast<size_t>(position);
        return int64_t(FPosition);
    }
    int64_t Size() override { return int64_t(FSize); }
    void SetSize(int64_t) override { throw ORV::EStreamError(u"Resource streams are read-only"); }

private:
    const uint8_t* FData = nullptr;
    size_t FSize = 0;
    size_t FPosition = 0;
};

std::unique_ptr<ORV::TStream> OpenProductSource(const std::u16string& executablePath) {
    if (!IsUninstallerExe(executablePath)) return std::make_unique<TResourceStream>(L"PRODUCT");
    return std::make_unique<ORV::TFileStream>(UninstallDataFileOf(executablePath), ORV::fmOpenRead,
                                              ORV::Platform::TFile::fsRead | ORV::Platform::TFile::fsWrite);
}

std::unique_ptr<ORV::TMemoryStream> FindFile(const TSetupPackageReader& first, const TSetupPackageReader& second,
                                             std::u16string_view name) {
    std::unique_ptr<ORV::TMemoryStream> stream;
    if (first.ExtractFile(name, stream) || second.ExtractFile(name, stream)) return stream;
    return nullptr;
}

} // namespace

std::u16string ProductNameOf(const TSetupPackageReader& setup) {
    std::unique_ptr<ORV::TMemoryStream> stream;
    if (!setup.ExtractFile(u"Install.xml", stream)) return {};
    TSetupScript script;
    script.LoadFromStream(*stream);
    std::u16string name;
    script.GetSetting(u"ProductName", name);
    return name;
}

std::u16string UninstallDataFileOf(const std::u16string& executablePath) {
    std::u16string dataFile = executablePath;
    const size_t dot = dataFile.rfind(u'.');
    const size_t separator = dataFile.find_last_of(u"\\/:");
    if (dot != std::u16string::npos && (separator == std::u16string::npos || dot > separator)) dataFile.resize(dot);
    return dataFile + u".dat";
}

bool IsUninstallerExe(std::u16string_view executablePath) {
    return ORV::Platform::SameTextLocale(ORV::ExtractFileName(executablePath), u"Uninstall.exe");
}

std::u16string ShellFolderPath(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_DONT_VERIFY, nullptr, SHGFP_TYPE_CURRENT, path) == S_OK && path[0])
        return ORV::IncludeTrailingBackslash(ORV::FromW(path));
    return TempFolder();
}

std::u16string TempFolder() {
    wchar_t path[MAX_PATH + 2] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 2, path);
    if (length == 0 || length > MAX_PATH + 1) ORV::RaiseLastOSError();
    return ORV::IncludeTrailingBackslash(ORV::FromW(path, length));
}

TSetupPackagesLoad::TSetupPackagesLoad(const std::u16string& executablePath) : FExecutablePath(executablePath) {
    // The sources are needed only while the packages are read: each body is decoded whole.
    FProductPackage = std::async(std::launch::async, [executablePath] {
        std::unique_ptr<ORV::TStream> productSource = OpenProductSource(executablePath);
        return std::make_unique<TSetupPackageReader>(*productSource);
    });
    TResourceStream setupSource(L"SETUP");
    FSetupPackage = std::make_unique<TSetupPackageReader>(setupSource);
}

TSetupPackagesLoad::~TSetupPackagesLoad() {
    if (FProductPackage.valid()) FProductPackage.wait();
}

std::unique_ptr<TSetupPackageReader> TSetupPackagesLoad::TakeProductPackage() { return FProductPackage.get(); }

TSetupResources::TSetupResources(ISetupHost& host, const std::u16string& executablePath) : FHost(host) {
    TSetupPackagesLoad packages(executablePath);
    Load(packages);
}

TSetupResources::TSetupResources(ISetupHost& host, TSetupPackagesLoad& packages) : FHost(host) { Load(packages); }

void TSetupResources::Load(TSetupPackagesLoad& packages) {
    FSetupPackage = packages.TakeSetupPackage();
    FProductPackage = packages.TakeProductPackage();
    FScript.LoadFromStream(*GetFile(u"Install.xml"));
    ListLanguages();
    FDesktopFolder = ShellFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY);
    FProgramFilesFolder = ShellFolderPath(CSIDL_PROGRAM_FILES);
    FStartMenuFolder = ShellFolderPath(CSIDL_COMMON_PROGRAMS);
    FNativeProgramFilesFolder = NativeProgramFilesFolderOf(FProgramFilesFolder);
}

std::unique_ptr<ORV::TMemoryStream> TSetupResources::GetFile(std::u16string_view name) const {
    if (auto stream = FindFile(*FProductPackage, *FSetupPackage, name)) return stream;
    throw EInstallerInstallError(ORV::Format(kMsgCannotLocateFile, {name}));
}

std::unique_ptr<ORV::TORVImage> TSetupResources::GetImage(std::u16string_view name) const {
    auto image = std::make_unique<ORV::TORVImage>();
    image->LoadFromStream(*GetFile(name));
    image->SetPixelOffsetMode(ORV::pomHalf);
    return image;
}

std::unique_ptr<ORV::TORVStringList> TSetupResources::GetStrings(std::u16string_view name) const {
    auto stream = GetFile(name);
    ORV::TORVTextEncoding encoding;
    const std::u16string text = ORV::ReadEncodedText(*stream, encoding);
    auto strings = std::make_unique<ORV::TORVStringList>();
    strings->SetText(text);
    return strings;
}

std::unique_ptr<ORV::TMemoryStream> TSetupResources::GetLicense() const {
    const TSetupScriptFile* license = nullptr;
    if (FScript.License().FindByLangFamily(GetLangFamily(), license) || FScript.License().FindByLangFamily(u"EN", license))
        return GetFile(license->Name);
    return nullptr;
}

std::u16string TSetupResources::GetLangFamily() const { return LangFamilyOf(FMessages); }

std::u16string TSetupResources::GetMessage(std::u16string_view section, std::u16string_view key) const {
    return Expand(FMessages.ReadString(section, key, u""));
}

TPathMacros TSetupResources::Macros() const {
    TSetupProductInfo& productInfo = FHost.ProductInfo();
    TPathMacros macros;
    macros.DestPath = FHost.DestPath();
    macros.TempPath = TempFolder();
    macros.HomePage = productInfo.GetHomePage();
    macros.ProductName = productInfo.GetProductName();
    macros.FullVersion = productInfo.GetFullVersion();
    macros.DesktopFolder = FDesktopFolder;
    macros.StartMenuFolder = FStartMenuFolder;
    macros.ProgramFilesFolder = FProgramFilesFolder;
    return macros;
}

std::u16string TSetupResources::Expand(std::u16string_view text) const { return ExpandMacros(text, Macros()); }

std::u16string TSetupResources::ExpandPath(std::u16string_view text) const {
    return NormalizePath(ExpandPathMacros(text, Macros()));
}

void TSetupResources::ListLanguages() { ListLanguageFiles(FSetupPackage->FileTable(), FLanguages); }

std::vector<TSetupLanguageEntry> TSetupResources::LanguageEntries() const {
    std::vector<TSetupLanguageEntry> entries;
    for (int32_t i = 0; i < FLanguages.Count(); ++i) {
        std::unique_ptr<ORV::TMemoryStream> stream;
        if (!FSetupPackage->ExtractFile(FLanguages.Strings(i), stream)) continue;
        ORV::TORVIniFile file;
        file.LoadFromStream(*stream);
        TSetupLanguageEntry& entry = entries.emplace_back();
        entry.FileName = FLanguages.Strings(i);
        entry.Index = i;
        ORV::LangGetInfo(file, entry.Info, &entry.Icon);
    }
    return entries;
}

int32_t TSetupResources::PreselectedLanguage() const {
    std::vector<TSetupLanguageEntry> entries = LanguageEntries();
    std::stable_sort(entries.begin(), entries.end(), [](const TSetupLanguageEntry& a, const TSetupLanguageEntry& b) {
        return ORV::Platform::CompareTextLocale(a.Info.Name, b.Info.Name) < 0;
    });
    std::vector<int32_t> langIds;
    for (const TSetupLanguageEntry& entry : entries) langIds.push_back(entry.Info.LangId);
    const int selected = PreselectLanguage(langIds, ORV::Platform::UserDefaultUILanguage());
    return selected >= 0 ? entries[size_t(selected)].Index : -1;
}

void TSetupResources::InitializeLanguages(const TLanguageChooser& choose) {
    auto english = GetFile(kEnglishLanguageFile);
    const int32_t selected = choose ? choose() : PreselectedLanguage();
    const std::u16string chosenName =
        selected >= 0 && selected < FLanguages.Count() ? FLanguages.Strings(selected) : std::u16string(kEnglishLanguageFile);
    auto chosen = GetFile(chosenName);
    BuildMessageStore(FMessages, *english, *chosen);
    FLanguageName = LanguageNameOf(chosenName);
}

} // namespace Setup::Core
