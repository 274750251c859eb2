// The setup program's entry point: one executable that installs, updates and uninstalls.
//
// Exit codes: 0 when the run succeeded, was cancelled by the user or the elevation prompt was
// refused; 1 when it ended with an error (the "Setup" error box was shown, or the run's error
// list is not empty). The unelevated first process exits with the elevated copy's code, and the
// installed uninstaller with the code of its copy in TEMP, which it waits for.

#include "ORV.Callbacks.h"
#include "ORV.Platform.h"
#include "ORV.Strings.h"
#include "ORV.SysUtils.h"
#include "ORV.Utils.CommandLine.h"
#include "ORV.Utils.Strings.h"
#include "ORV.UI.Dialogs.h"
#include "ORV.Win32.h"
#include "ORV.Win32.Handles.h"
#include "Setup.Core.CommandLine.h"
#include "Setup.Core.Controller.h"
#include "Setup.Core.Errors.h"
#include "Setup.Core.Launch.h"
#include "Setup.Core.ProductInfo.h"
#include "Setup.Core.Resources.h"
#include "Setup.Core.UninstallRecord.h"
#include "Setup.UI.LanguageDialog.h"
#include "Setup.UI.Pages.h"
#include "Setup.UI.Wizard.h"

#include <objbase.h>
#include <shlobj.h>

#include <exception>
#include <memory>
#include <optional>

using namespace Setup::Core;

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;

constexpr char16_t kMsgNoSuchFolder[] = u"The folder \"%s\" does not exist";
constexpr char16_t kMsgNotThisInstallation[] =
    u"\"%s\" does not hold the installation that this uninstaller removes";

// Owned by the wizard while it is open.
void ShowError(const std::u16string& message) { ORV::UI::MessageDlg(message, u"Setup", MB_OK | MB_ICONERROR); }

// A failure inside a callback of the system that no caller waits for.
void ShowCallbackError(const std::exception_ptr& error) { ShowError(ORV::ExceptionMessage(error)); }

int RunWizard(TSetup& setup, std::optional<int32_t> language);

// Whether the run shows the language dialog before anything else: an interactive install, or an
// interactive uninstall by the copy in TEMP (the installed uninstaller only starts that copy).
bool AsksForLanguageFirst(const std::u16string& commandLine) {
    if (ORV::HasSwitch(commandLine, SwitchAuto)) return false;
    if (!IsUninstallerExe(ORV::Platform::ExecutableFileName())) return true;
    std::u16string path;
    return ORV::GetSwitchValue(commandLine, SwitchPath, path) && !path.empty();
}

// The run after the start-up checks; returns the exit code. Raises what the user must see.
int Run(const std::u16string& commandLine) {
    if (!ProductInfoClass) throw EInstallerGeneralError(kMsgSetupMalformed);

    if (ORV::WindowsVersion() >= 600) {
        std::u16string skipUac;
        if (ORV::GetSwitchValue(commandLine, SwitchSkipUAC, skipUac)) {
            int64_t window = 0;
            if (!ORV::TryStrToInt64(skipUac, window)) window = 0;
            TSetupSpawnService::Initialize(static_cast<intptr_t>(window));
        } else if (!IsUserAnAdmin()) {
            DWORD exitCode = kExitSuccess;
            // A refused prompt ends the run quietly.
            return RestartElevated(commandLine, exitCode) ? static_cast<int>(exitCode) : kExitSuccess;
        }
    }
    if (!IsUserAnAdmin()) throw EInstallerNoAdminRightsError();

    // The product package is read while the user chooses the language, so that the dialog is on
    // screen at once; a product package that fails its checks is still reported before
    // anything is written.
    TSetupPackagesLoad packages;
    std::optional<int32_t> language;
    if (AsksForLanguageFirst(commandLine)) language = Setup::UI::ChooseLanguage(packages.SetupPackage());
    TSetup setup(commandLine, packages);
    if (setup.Mode() == smUninstall) {
        std::u16string path;
        if (!ORV::GetSwitchValue(commandLine, SwitchPath, path) || path.empty()) {
            // A copy that already runs from the temporary folder must not copy itself again.
            if (IsInsideTempFolder(ORV::Platform::ExecutableFileName()))
                throw EInstallerMysteryError(u"Cannot start the Uninstaller");
            return static_cast<int>(StartUninstaller());
        }
        // A folder that is not there is an error of the caller, never a reason to fall back on
        // the installation this uninstaller came from.
        if (!ORV::DirectoryExists(path)) throw EInstallerGeneralError(ORV::Format(kMsgNoSuchFolder, {path}));
        // Whatever /PATH= says, only the installation this uninstaller belongs to is removed.
        if (!HoldsInstallationOf(path, ORV::Platform::ExecutableFileName()))
            throw EInstallerGeneralError(ORV::Format(kMsgNotThisInstallation, {path}));
        setup.SetDestPath(path);
    }

    if (setup.HasOption(Silent)) {
        setup.Resources().InitializeLanguages();
        setup.StartWorker(true);
        if (setup.HasErrors()) {
            std::u16string text;
            for (int32_t i = 0; i < setup.Errors().Count(); ++i) text += setup.Errors().Strings(i) + u"\r\n";
            throw EInstallerInstallError(text);
        }
        setup.RunActions();
        return kExitSuccess;
    }
    return RunWizard(setup, language);
}

// Whether the product has pages of its own for an interactive run: without them the wizard
// would go straight to the run, with nothing asked.
bool HasProductPages(TSetup& setup) {
    bool any = false;
    setup.ProductInfo().EnumPages([&](const TSetupPageClass&) { any = true; });
    return any;
}

// A run with the wizard: the language (chosen already, or from the dialog, which an Auto run
// does not show), then the wizard until it closes. Returns the exit code.
int RunWizard(TSetup& setup, std::optional<int32_t> language) {
    if (!setup.HasOption(Auto) && !HasProductPages(setup))
        throw EInstallerGeneralError(u"This setup has no pages to show; run it with /AUTO");
    // The shell's objects and the taskbar live in this thread's apartment; the pages' rich texts
    // need the rich-edit library loaded.
    const ORV::TComInitialization com;
    const ORV::TScopedLibrary richEdit(ORV::LoadSystemLibrary(L"MSFTEDIT.DLL"));
    setup.Resources().InitializeLanguages([&] {
        return language ? *language : Setup::UI::ChooseLanguage(setup.Resources(), setup.HasOption(Auto));
    });
    {
        Setup::UI::TWizardForm wizard(setup);
        ORV::UI::SetMainWindow(wizard.Handle());
        wizard.ShowModal();
        ORV::UI::SetMainWindow(nullptr);
    }
    return setup.HasErrors() ? kExitFailure : kExitSuccess;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    RestrictDllSearchToSystem32();
    ORV::SetCallbackErrorHandler(&ShowCallbackError);
    int exitCode = kExitFailure;
    // Whatever failed, ours or not, the user must learn that the run failed.
    if (const std::exception_ptr error = ORV::CatchAll([&] { exitCode = Run(ORV::GetParams()); })) {
        exitCode = kExitFailure;
        ORV::CatchAll([&] { ShowError(ORV::ExceptionMessage(error)); });
    }
    TSetupSpawnService::Finalize();
    return exitCode;
}
