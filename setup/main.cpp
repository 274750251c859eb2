// The setup program's entry point: one executable that installs, updates and uninstalls.
//
// Its exit codes are those of Setup.Core.ExitCodes.h: 0 success, 1602 cancelled by the user,
// 1618 another setup of the product is running, 3010 success with files left for the next
// restart, 112 the disk is full, 1603 any other failure. The unelevated first process exits with
// the elevated copy's code, and the installed uninstaller with the code of its copy in TEMP,
// which it waits for.

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
#include "Setup.Core.ExitCodes.h"
#include "Setup.Core.Launch.h"
#include "Setup.Core.Log.h"
#include "Setup.Core.ProductInfo.h"
#include "Setup.Core.Resources.h"
#include "Setup.Core.RunLock.h"
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

constexpr char16_t kMsgNoSuchFolder[] = u"The folder \"%s\" does not exist";
constexpr char16_t kMsgNotThisInstallation[] =
    u"\"%s\" does not hold the installation that this uninstaller removes";

// An automatic run with /SUPPRESSMSGBOXES: nobody watches it, so no box may wait for a click.
bool gNoMessageBoxes = false;

// Owned by the wizard while it is open; only logged in a run without message boxes.
void ShowError(const std::u16string& message) {
    LogLine(u"Error: " + message);
    if (!gNoMessageBoxes) ORV::UI::MessageDlg(message, u"Setup", MB_OK | MB_ICONERROR);
}

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

// Whether this process only starts the uninstaller's copy in TEMP and waits for it: the
// installed uninstaller without /PATH.
bool OnlyStartsTheUninstallersCopy(const std::u16string& commandLine) {
    std::u16string path;
    return IsUninstallerExe(ORV::Platform::ExecutableFileName()) &&
           !(ORV::GetSwitchValue(commandLine, SwitchPath, path) && !path.empty());
}

// CommandLine for a copy of this program that this one starts: the copy logs into the same
// file, whatever its current folder.
std::u16string ForTheCopy(const std::u16string& commandLine) {
    if (!IsLogOpen()) return commandLine;
    std::u16string line(u"/");
    line.append(SwitchLog).append(u"=\"").append(LogFileName()).append(u"\" ").append(commandLine);
    return line;
}

// What the run is about to do, for the log.
void LogTheRun(TSetup& setup) {
    if (!IsLogOpen()) return;
    std::u16string options;
    const std::pair<TSetupOption, const char16_t*> names[] = {
        {Auto, u" Auto"},     {Portable, u" Portable"},       {Update, u" Update"},
        {Silent, u" Silent"}, {RunPrograms, u" RunPrograms"}, {NoBackup, u" NoBackup"},
        {NoMessageBoxes, u" NoMessageBoxes"}};
    for (const auto& [option, name] : names)
        if (setup.HasOption(option)) options += name;
    LogLine(std::u16string(setup.Mode() == smUninstall ? u"Mode: uninstall" : u"Mode: install") + u"; options:" +
            (options.empty() ? u" none" : options) + u"; destination: " + setup.DestPath());
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
            DWORD exitCode = ecSuccess;
            LogLine(u"Starting the elevated copy");
            if (!RestartElevated(ForTheCopy(commandLine), exitCode)) {
                LogLine(u"The elevation prompt was refused");
                return ecCancelled;
            }
            LogLine(u"The elevated copy ended");
            return static_cast<int>(exitCode);
        }
    }
    if (!IsUserAnAdmin()) throw EInstallerNoAdminRightsError();

    // The product package is read while the user chooses the language, so that the dialog is on
    // screen at once; a product package that fails its checks is still reported before
    // anything is written.
    TSetupPackagesLoad packages;
    // Held by the process that does the work, from before the first question to the end.
    std::optional<TSetupRunLock> lock;
    if (!OnlyStartsTheUninstallersCopy(commandLine)) {
        std::u16string product = ProductNameOf(packages.SetupPackage());
        lock.emplace(product.empty() ? u"QOVI" : product);
    }
    std::optional<int32_t> language;
    if (AsksForLanguageFirst(commandLine)) language = Setup::UI::ChooseLanguage(packages.SetupPackage());
    TSetup setup(commandLine, packages);
    if (setup.Mode() == smUninstall) {
        std::u16string path;
        if (!ORV::GetSwitchValue(commandLine, SwitchPath, path) || path.empty()) {
            // A copy that already runs from the temporary folder must not copy itself again.
            if (IsInsideTempFolder(ORV::Platform::ExecutableFileName()))
                throw EInstallerMysteryError(u"Cannot start the Uninstaller");
            LogLine(u"Starting the uninstaller's copy in the temporary folder");
            const DWORD exitCode = StartUninstaller(ORV::Platform::ExecutableFileName(), ForTheCopy(commandLine));
            LogLine(u"The uninstaller's copy ended");
            return static_cast<int>(exitCode);
        }
        // A folder that is not there is an error of the caller, never a reason to fall back on
        // the installation this uninstaller came from.
        if (!ORV::DirectoryExists(path)) throw EInstallerGeneralError(ORV::Format(kMsgNoSuchFolder, {path}));
        // Whatever /PATH= says, only the installation this uninstaller belongs to is removed.
        if (!HoldsInstallationOf(path, ORV::Platform::ExecutableFileName()))
            throw EInstallerGeneralError(ORV::Format(kMsgNotThisInstallation, {path}));
        setup.SetDestPath(path);
    }
    LogTheRun(setup);

    if (setup.HasOption(Silent)) {
        setup.Resources().InitializeLanguages();
        setup.StartWorker(true);
        if (setup.HasErrors()) {
            std::u16string text;
            for (int32_t i = 0; i < setup.Errors().Count(); ++i) text += setup.Errors().Strings(i) + u"\r\n";
            if (!gNoMessageBoxes) ORV::UI::MessageDlg(text, u"Setup", MB_OK | MB_ICONERROR);
            return RunExitCode(setup);
        }
        setup.RunActions();
        return RunExitCode(setup);
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
    return RunExitCode(setup);
}

// Opens the log that /LOG= names, if any. Raises EInstallerGeneralError for a /LOG without a
// file and EOSError for a file that cannot be written.
void OpenTheLog(const std::u16string& commandLine) {
    std::u16string fileName;
    if (!ORV::GetSwitchValue(commandLine, SwitchLog, fileName)) return;
    if (fileName.empty()) throw EInstallerGeneralError(u"/LOG needs the name of the log file: /LOG=FILE");
    OpenLog(fileName);
    LogLine(u"Program: " + ORV::Platform::ExecutableFileName());
    LogLine(u"Command line: " + commandLine);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    RestrictDllSearchToSystem32();
    ORV::SetCallbackErrorHandler(&ShowCallbackError);
    const std::u16string commandLine = ORV::GetParams();
    gNoMessageBoxes = ORV::HasSwitch(commandLine, SwitchAuto) && ORV::HasSwitch(commandLine, SwitchSuppressMsgBoxes);
    int exitCode = ecFailure;
    // Whatever failed, ours or not, the user must learn that the run failed.
    if (const std::exception_ptr error = ORV::CatchAll([&] {
            OpenTheLog(commandLine);
            exitCode = Run(commandLine);
        })) {
        exitCode = FailureExitCode(error);
        ORV::CatchAll([&] { ShowError(ORV::ExceptionMessage(error)); });
    }
    TSetupSpawnService::Finalize();
    LogLine(u"Exit code: " + ORV::IntToStr(exitCode));
    return exitCode;
}
