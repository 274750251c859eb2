// The setup data of a run: the two packages the program carries, the install script and the
// texts of the chosen language, the shell folders, and the expansion of the path macros.
//
// Where the packages come from:
//
//   package         running program named "Uninstall.exe"      any other name
//   SetupPackage    resource "SETUP" (RCDATA)                   the same
//   ProductPackage  the program's path with the extension       resource "PRODUCT" (RCDATA)
//                   ".dat" (read; others may read and write)
//
// Files are taken by name from the product package first, then from the setup package.
//
// After InitializeLanguages the object only answers questions, from the interface thread and
// the worker alike, without a lock: every answer reads data that no longer changes.
#pragma once

#include "ORV.Classes.StringList.h"
#include "ORV.FileFormats.INI.h"
#include "ORV.Graphics.Icon.h"
#include "ORV.Graphics.Image.h"
#include "ORV.MUI.h"
#include "Setup.Core.Host.h"
#include "Setup.Core.Package.h"
#include "Setup.Core.Paths.h"
#include "Setup.Core.Script.h"

#include <functional>
#include <future>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Setup::Core {

// One language the setup package offers, as the language dialog lists it.
struct TSetupLanguageEntry {
    std::u16string FileName;  // the name in Languages
    int32_t Index = -1;       // its index there
    ORV::TORVLocalizationInfo Info;
    ORV::TORVIcon Icon;       // empty when the file has none or it cannot be read
};

// The two packages of a program as they are read: the setup package at once (it is small), the
// product package on a thread of its own, so that the language dialog, which needs only the
// setup package, is on screen while the product package is still being decoded.
class TSetupPackagesLoad {
public:
    // Raises what reading the setup package raises; the product package's errors come from
    // TakeProductPackage.
    explicit TSetupPackagesLoad(const std::u16string& executablePath = ORV::Platform::ExecutableFileName());
    // Waits for a read that was not taken, so that no thread outlives the object.
    ~TSetupPackagesLoad();
    TSetupPackagesLoad(const TSetupPackagesLoad&) = delete;
    TSetupPackagesLoad& operator=(const TSetupPackagesLoad&) = delete;

    const TSetupPackageReader& SetupPackage() const { return *FSetupPackage; }
    const std::u16string& ExecutablePath() const { return FExecutablePath; }
    std::unique_ptr<TSetupPackageReader> TakeSetupPackage() { return std::move(FSetupPackage); }
    // Waits until the product package is read; raises what reading it raised.
    std::unique_ptr<TSetupPackageReader> TakeProductPackage();

private:
    std::u16string FExecutablePath;
    std::unique_ptr<TSetupPackageReader> FSetupPackage;
    std::future<std::unique_ptr<TSetupPackageReader>> FProductPackage;
};

class TSetupResources {
public:
    // Opens and verifies both packages (the sources above, for the program ExecutablePath),
    // reads "Install.xml", lists the languages and names the shell folders. Raises EOSError for
    // a missing resource, EFOpenError for a ".dat" file that cannot be opened,
    // ESetupPackageReadError for a package that fails its checks and EInstallerInstallError
    // ("Cannot locate ...") without "Install.xml". Host must outlive the object.
    explicit TSetupResources(ISetupHost& host, const std::u16string& executablePath = ORV::Platform::ExecutableFileName());
    // The same with packages that are being read already.
    TSetupResources(ISetupHost& host, TSetupPackagesLoad& packages);
    TSetupResources(const TSetupResources&) = delete;
    TSetupResources& operator=(const TSetupResources&) = delete;

    // The message store of the chosen language, English underneath.
    const ORV::TORVIniFile& Messages() const { return FMessages; }
    // The chosen language file's name without folder and extension ("English").
    const std::u16string& LanguageName() const { return FLanguageName; }
    // The language files of the setup package, in natural order.
    const ORV::TORVStringList& Languages() const { return FLanguages; }
    const TSetupPackageReader& ProductPackage() const { return *FProductPackage; }
    const TSetupPackageReader& SetupPackage() const { return *FSetupPackage; }
    // All-users desktop, program files as this program sees them (" (x86)" for a 32-bit
    // program on a 64-bit system), the same without " (x86)", all-users start-menu programs;
    // each with a trailing backslash, the temporary folder for one the system cannot name.
    const std::u16string& DesktopFolder() const { return FDesktopFolder; }
    const std::u16string& ProgramFilesFolder() const { return FProgramFilesFolder; }
    const std::u16string& NativeProgramFilesFolder() const { return FNativeProgramFilesFolder; }
    const std::u16string& StartMenuFolder() const { return FStartMenuFolder; }
    const TSetupScript& Script() const { return FScript; }

    // A new stream at position 0 with the named file (product package first, names compared
    // ignoring case). Raises EInstallerInstallError "Cannot locate "Name" file in setup archive".
    std::unique_ptr<ORV::TMemoryStream> GetFile(std::u16string_view name) const;
    // The named picture, set to draw with the half-pixel offset. Raises as GetFile does, and as
    // TORVImage::LoadFromStream does for data that is no picture.
    std::unique_ptr<ORV::TORVImage> GetImage(std::u16string_view name) const;
    // The lines of the named text file (byte-order mark detected, else the ANSI code page).
    std::unique_ptr<ORV::TORVStringList> GetStrings(std::u16string_view name) const;
    // The licence of the language's family (else of "EN"), or nullptr when the script has none.
    std::unique_ptr<ORV::TMemoryStream> GetLicense() const;
    // [File] Family of the messages, "EN" when absent.
    std::u16string GetLangFamily() const;
    // The message with its line breaks and macros expanded; empty when the key is missing.
    std::u16string GetMessage(std::u16string_view section, std::u16string_view key) const;

    // Text with "\n" and the path macros replaced (see ExpandMacros). Every value is asked for
    // on every call: raises EOSError when the temporary folder cannot be named and
    // EInstallerGeneralError "Setup has wrong config" when the script has no product name.
    std::u16string Expand(std::u16string_view text) const;
    // For texts that name a file or folder: NormalizePath of the text with the path macros
    // replaced, but not "\n", which in a path is a folder's backslash before an "n".
    std::u16string ExpandPath(std::u16string_view text) const;

    // Fills Languages with the ".lng" files of the setup package, in natural order.
    void ListLanguages();
    // One entry per listed language whose file the setup package holds, with its [File] data.
    std::vector<TSetupLanguageEntry> LanguageEntries() const;
    // The index in Languages of the language a run takes unless the user chooses: among the
    // entries sorted by display name (the user's locale, case ignored), the first of the user's
    // interface language, else the first of 1033, else the first; -1 without entries.
    int32_t PreselectedLanguage() const;
    // Loads English and merges the chosen language over it, and names it. The choice is the
    // index in Languages that Choose returns (the language dialog), PreselectedLanguage without
    // it; English for -1. Raises "Cannot locate ..." for a missing file.
    using TLanguageChooser = std::function<int32_t()>;
    void InitializeLanguages(const TLanguageChooser& choose = {});

private:
    // Takes the packages and reads what the run needs of them.
    void Load(TSetupPackagesLoad& packages);
    // Raises as Expand does.
    TPathMacros Macros() const;

    ISetupHost& FHost;
    ORV::TORVIniFile FMessages;
    std::u16string FLanguageName;
    ORV::TORVStringList FLanguages;
    std::unique_ptr<TSetupPackageReader> FProductPackage;
    std::unique_ptr<TSetupPackageReader> FSetupPackage;
    std::u16string FDesktopFolder;
    std::u16string FProgramFilesFolder;
    std::u16string FNativeProgramFilesFolder;
    std::u16string FStartMenuFolder;
    TSetupScript FScript;
};

// True when the program's file name is "Uninstall.exe", ignoring case: then its product
// package is the ".dat" file beside it.
bool IsUninstallerExe(std::u16string_view executablePath);
// The data package beside the program ExecutablePath: its path with the extension ".dat"
// ("C:\QOVI\Uninstall.exe" -> "C:\QOVI\Uninstall.dat").
std::u16string UninstallDataFileOf(const std::u16string& executablePath);

// The setting "ProductName" of the install script in Setup, the setup package; empty when the
// package carries no script or the script no name. Raises what reading the script raises.
std::u16string ProductNameOf(const TSetupPackageReader& setup);

// The shell folder Csidl (CSIDL_...) with a trailing backslash, whether it exists yet or not;
// the temporary folder when the system cannot name it.
std::u16string ShellFolderPath(int csidl);

// The user's temporary folder with a trailing backslash. Raises EOSError when the system
// cannot name it.
std::u16string TempFolder();

} // namespace Setup::Core
