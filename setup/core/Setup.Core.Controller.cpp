#include "Setup.Core.Controller.h"

#include "ORV.Callbacks.h"
#include "ORV.Strings.h"
#include "ORV.Utils.CommandLine.h"
#include "ORV.Utils.Strings.h"
#include "ORV.UI.Dialogs.h"
#include "ORV.Win32.h"
#include "Setup.Core.Actions.h"
#include "Setup.Core.CommandLine.h"
#include "Setup.Core.Errors.h"
#include "Setup.Core.Extract.h"
#include "Setup.Core.Launch.h"
#include "Setup.Core.Log.h"
#include "Setup.Core.Paths.h"
#include "Setup.Core.ProductInfo.h"
#include "Setup.Core.Resources.h"

namespace Setup::Core {

using ORV::W;

namespace {

TSetup* gCurrent = nullptr;

// The thread that runs the program's start-up is its main thread, the interface thread.
const DWORD kMainThreadId = GetCurrentThreadId();

constexpr wchar_t kWindowClass[] = L"TSetup";

// Asks the hidden window to run the call that Synchronize handed over.
constexpr UINT kSynchronizeMessage = WM_APP;

// What SendNotify hands to the hidden window (WM_USER, this record as LPARAM) and gets back.
struct TNotifyCall {
    int32_t Code;
    intptr_t Param;
    std::exception_ptr Error;
};

void RegisterWindowClass(WNDPROC procedure) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) ORV::RaiseLastOSError();
}

std::u16string FullPathName(const std::u16string& path) {
    const DWORD length = GetFullPathNameW(W(path), 0, nullptr, nullptr);
    if (length) {
        std::u16string full(length, u'\0');
        const DWORD written = GetFullPathNameW(W(path), length, reinterpret_cast<wchar_t*>(full.data()), nullptr);
        if (written && written < length) return full.substr(0, written);
    }
    return path;
}

std::u16string LongPathName(const std::u16string& path) {
    const std::u16string existing = ORV::LongPathForm(path);
    const DWORD length = GetLongPathNameW(W(existing), nullptr, 0);
    if (length) {
        std::u16string longName(length, u'\0');
        const DWORD written = GetLongPathNameW(W(existing), reinterpret_cast<wchar_t*>(longName.data()), length);
        if (written && written < length) {
            longName.resize(written);
            // Keep the form the caller used; only the short names become long ones.
            if (existing != path && longName.rfind(u"\\\\?\\", 0) == 0) longName.erase(0, 4);
            return longName;
        }
    }
    return path;
}

// The destination, as a person or a script typed it, made into the one folder that the
// product's files, the uninstaller, its record and the uninstall entry are all built from:
// backslashes only, full against the current folder (a relative or drive-relative path), the
// targets' normalisation (a doubled backslash collapses), long names and a trailing backslash.
// Raises when no full folder comes of it ("\\server" without a share); empty stays empty.
std::u16string NormalizedDestPath(const std::u16string& path) {
    if (path.empty()) return {};
    std::u16string result = NormalizePath(FullPathName(BackslashPathForm(path)));
    if (!ORV::IsFullPath(result)) throw EInstallerGeneralError(ORV::Format(u"\"%s\" is not a valid destination folder", {path}));
    if (result.find(u'~') != std::u16string::npos) result = LongPathName(result);
    return ORV::IncludeTrailingBackslash(std::move(result));
}

} // namespace

TSetup* TSetup::Current() { return gCurrent; }

void AddError(const std::u16string& text) {
    if (TSetup* setup = TSetup::Current()) setup->AddError(text);
}

TSetup::TSetup(const std::u16string& commandLine, const std::u16string& executablePath)
    : TSetup(commandLine, [&] { return std::make_unique<TSetupResources>(*this, executablePath); }) {}

TSetup::TSetup(const std::u16string& commandLine, TSetupPackagesLoad& packages)
    : TSetup(commandLine, [&] { return std::make_unique<TSetupResources>(*this, packages); }) {}

TSetup::TSetup(const std::u16string& commandLine, const std::function<std::unique_ptr<TSetupResources>()>& makeResources) {
    if (gCurrent) throw EInstallerMysteryError(u"Invalid Arguments");
    gCurrent = this;
    try {
        if (!ProductInfoClass) throw EInstallerGeneralError(kMsgSetupMalformed);
        FProductInfo = ProductInfoClass(*this);
        FResources = makeResources();
        FExtractHelper = std::make_unique<TSetupExtractHelper>(
            *this, [this](const std::u16string& text) { return AskAbortRetryIgnore(text); });
        if (GetCurrentThreadId() != kMainThreadId)
            throw ORV::EInvalidOperation(u"Cannot create window in non-main thread");
        RegisterWindowClass(&TSetup::WndProc);
        FHandle = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), this);
        if (!FHandle) ORV::RaiseLastOSError();
        ApplyCommandLine(commandLine);
    } catch (...) {
        if (FHandle) DestroyWindow(FHandle);
        gCurrent = nullptr;
        throw;
    }
}

TSetup::~TSetup() {
    FThread.reset();
    if (FHandle) DestroyWindow(FHandle);
    FProductInfo.reset();
    FExtractHelper.reset();
    FResources.reset();
    gCurrent = nullptr;
}

void TSetup::ApplyCommandLine(const std::u16string& commandLine) {
    using ORV::HasSwitch;
    std::u16string autoPath;
    if (FResources->ProductPackage().Contains(u"Uninstall.ini")) {
        FMode = smUninstall;
        FOptions = {};
        if (HasSwitch(commandLine, SwitchAuto)) {
            FOptions.Include(Auto);
            if (HasSwitch(commandLine, SwitchSilent)) FOptions.Include(Silent);
            if (HasSwitch(commandLine, SwitchSuppressMsgBoxes)) FOptions.Include(NoMessageBoxes);
        }
    } else if (HasSwitch(commandLine, SwitchAuto)) {
        FMode = smInstall;
        FOptions = {Auto};
        autoPath = AutoFolderOf(commandLine);
        SetDestPath(autoPath.empty() ? FProductInfo->GetDefaultPath() : autoPath);
        if (HasSwitch(commandLine, SwitchNoBackup)) FOptions.Include(NoBackup);
        if (HasSwitch(commandLine, SwitchSuppressMsgBoxes)) FOptions.Include(NoMessageBoxes);
        if (HasSwitch(commandLine, SwitchRun)) FOptions.Include(RunPrograms);
        if (HasSwitch(commandLine, SwitchUpdate)) {
            if (!FProductInfo->CanUpdate())
                throw EInstallerUpdateError(ORV::Format(u"Cannot install update on v%s", {FProductInfo->InstalledVersionText()}));
        } else {
            if (HasSwitch(commandLine, SwitchPortable)) FOptions.Include(Portable);
            if (HasSwitch(commandLine, SwitchSilent)) FOptions.Include(Silent);
        }
    } else {
        FMode = smInstall;
        FOptions = {Update};
        SetDestPath(FProductInfo->GetDefaultPath());
    }
}

void TSetup::SetDestPath(const std::u16string& path) {
    if (path == FDestPath) return;
    FDestPath = NormalizedDestPath(path);
    FProductInfo->Refresh();
    if (FProductInfo->CanUpdate())
        FOptions.Include(Update);
    else
        FOptions.Exclude(Update);
    if (FOptions.Contains(Update) && FProductInfo->IsPortable()) FOptions.Include(Portable);
    ValidateOptions();
}

bool TSetup::ValidateOptions() {
    if (!FProductInfo->CanUpdate()) FOptions.Exclude(Update);
    const bool inProgramFiles = IsDestPathInProgramFiles();
    if (inProgramFiles) FOptions.Exclude(Portable);
    return inProgramFiles;
}

bool TSetup::IsDestPathInProgramFiles() const {
    for (const std::u16string* folder : {&FResources->ProgramFilesFolder(), &FResources->NativeProgramFilesFolder()}) {
        if (!folder->empty() && FDestPath.size() >= folder->size() &&
            ORV::Platform::SameTextLocale(std::u16string_view(FDestPath).substr(0, folder->size()), *folder))
            return true;
    }
    return false;
}

void TSetup::SetOptions(TSetupOptions options) {
    if (options == FOptions) return;
    for (const TSetupOption fixed : {Auto, Silent, NoMessageBoxes})
        if (options.Contains(fixed) != FOptions.Contains(fixed)) throw EInstallerMysteryError(u"Invalid Arguments");
    FOptions = options;
    ValidateOptions();
}

void TSetup::SetOption(TSetupOption option, bool enabled) {
    TSetupOptions options = FOptions;
    if (enabled)
        options.Include(option);
    else
        options.Exclude(option);
    SetOptions(options);
}

void TSetup::StartWorker(bool wait) {
    if (FState != ssIdle) return;
    if (FDestPath.empty()) throw EInstallerInstallError(u"DestPath is empty");
    ValidateOptions();
    FState = ssRunning;
    FThread = std::make_unique<TSetupThread>();
    FThread->Resume();
    if (wait) FThread->WaitFor();
}

void TSetup::StopWorker() { FThread.reset(); }

void TSetup::RequestStop() {
    if (!FThread) return;
    FCancelledByUser = true;
    LogLine(u"Stop requested by the user");
    FThread->Terminate();
}

void TSetup::RunActions() {
    if (HasErrors() || FMode == smUninstall) return;
    const bool byDefault = FOptions.Contains(Auto) && FOptions.Contains(Update) && FOptions.Contains(RunPrograms);
    const TSetupScriptGroup& actions = FResources->Script().Actions();
    for (int i = 0; i < actions.Count(); ++i) {
        const std::u16string& name = actions.Files(i).Name;
        if (FSettings.ReadBool(u"Actions", name, byDefault)) TSetupSpawnService::Execute(FResources->ExpandPath(name));
    }
}

void TSetup::AddListener(IInstallerNotify* listener) {
    std::lock_guard<std::recursive_mutex> lock(FLock);
    FListeners.push_back(listener);
}

void TSetup::RemoveListener(IInstallerNotify* listener) {
    std::lock_guard<std::recursive_mutex> lock(FLock);
    for (size_t i = FListeners.size(); i-- > 0;) {
        if (FListeners[i] == listener) {
            FListeners.erase(FListeners.begin() + static_cast<ptrdiff_t>(i));
            return;
        }
    }
}

void TSetup::SendNotify(int32_t code, intptr_t param) {
    TNotifyCall call{code, param, nullptr};
    {
        std::lock_guard<std::mutex> lock(FCallLock);
        FPendingNotifies.push_back(&call);
    }
    SendMessageW(FHandle, WM_USER, 0, reinterpret_cast<LPARAM>(&call));
    // Still pending when the window is gone and nothing ran.
    TakePendingNotify(&call);
    if (call.Error) std::rethrow_exception(call.Error);
}

bool TSetup::TakePendingNotify(const void* call) {
    std::lock_guard<std::mutex> lock(FCallLock);
    for (size_t i = 0; i < FPendingNotifies.size(); ++i) {
        if (FPendingNotifies[i] == call) {
            FPendingNotifies.erase(FPendingNotifies.begin() + static_cast<ptrdiff_t>(i));
            return true;
        }
    }
    return false;
}

void TSetup::SendNotifyText(int32_t code, const std::u16string& text) {
    COPYDATASTRUCT data{};
    data.dwData = static_cast<ULONG_PTR>(code);
    data.cbData = static_cast<DWORD>(text.size() * sizeof(char16_t));
    data.lpData = const_cast<char16_t*>(text.data());
    SendMessageW(FHandle, WM_COPYDATA, reinterpret_cast<WPARAM>(FHandle), reinterpret_cast<LPARAM>(&data));
}

void TSetup::Synchronize(const std::function<void()>& method) {
    if (GetCurrentThreadId() == kMainThreadId) {
        method();
        return;
    }
    std::lock_guard<std::mutex> handOver(FSynchronizeLock);
    TSynchronizedCall call{&method, nullptr};
    {
        std::lock_guard<std::mutex> lock(FCallLock);
        FCall = &call;
    }
    SendMessageW(FHandle, kSynchronizeMessage, 0, 0);
    {
        // Not run when the window is gone: the call must not outlive this frame.
        std::lock_guard<std::mutex> lock(FCallLock);
        FCall = nullptr;
    }
    if (call.Error) std::rethrow_exception(call.Error);
}

void TSetup::RunSynchronizedCall() {
    TSynchronizedCall* call;
    {
        std::lock_guard<std::mutex> lock(FCallLock);
        call = std::exchange(FCall, nullptr);
    }
    if (call) call->Error = ORV::CatchAll(*call->Method);
}

int TSetup::AskAbortRetryIgnore(const std::u16string& text) {
    LogLine(u"Question: " + text);
    // Nobody to answer: the run stops rather than wait or go on without the file.
    if (HasOption(NoMessageBoxes)) {
        LogLine(u"Answer: Abort (no message boxes)");
        return IDABORT;
    }
    int answer = IDIGNORE;
    Synchronize([&] {
        // The wizard's window, once there is one, owns the box; a silent run has none.
        answer = ORV::UI::MessageDlg(text, u"Setup", MB_ABORTRETRYIGNORE | MB_ICONWARNING | MB_DEFBUTTON2);
    });
    LogLine(std::u16string(u"Answer: ") + (answer == IDABORT ? u"Abort" : answer == IDRETRY ? u"Retry" : u"Ignore"));
    if (answer == IDABORT) FCancelledByUser = true;
    return answer;
}

void TSetup::AddError(const std::u16string& text) {
    LogLine(u"Error: " + text);
    FErrors.Add(text);
}

void TSetup::AddFailure(const std::exception_ptr& error) {
    if (!FFailureSystemError) FFailureSystemError = ORV::SystemErrorOf(error);
    AddError(ORV::ExceptionMessage(error));
}

// Every error stays on this side of the system's frames: a notification's goes back to its
// sender, anything else to the process's handler.
LRESULT CALLBACK TSetup::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ORV::GuardCallback<LRESULT>(0, [&]() -> LRESULT {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<TSetup*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self) {
            if (message == kSynchronizeMessage) {
                self->RunSynchronizedCall();
                return 0;
            }
            if (message == WM_USER) {
                auto* call = reinterpret_cast<TNotifyCall*>(lParam);
                // Taken off the list first: a nested notification of a listener is a call of its own.
                if (self->TakePendingNotify(call))
                    call->Error = ORV::CatchAll([&] { self->DispatchNotify(call->Code, call->Param); });
                return 0;
            }
            if (message == WM_COPYDATA) {
                const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
                if (data && reinterpret_cast<HWND>(wParam) == window) {
                    const size_t length = data->cbData / sizeof(char16_t);
                    const std::u16string text = length && data->lpData
                                                    ? std::u16string(static_cast<const char16_t*>(data->lpData), length)
                                                    : std::u16string();
                    // A listener's failure to show a status text must not end the run.
                    ORV::CatchAll([&] { self->DispatchNotify(static_cast<int32_t>(data->dwData), reinterpret_cast<intptr_t>(&text)); });
                    return TRUE;
                }
                return FALSE;
            }
        }
        return DefWindowProcW(window, message, wParam, lParam);
    });
}

void TSetup::DispatchNotify(int32_t code, intptr_t param) {
    std::lock_guard<std::recursive_mutex> lock(FLock);
    std::exception_ptr firstError;
    if (code == snFinished) {
        FState = ssFinished;
        if (param != 0) firstError = ORV::CatchAll([&] { AddError(FResources->GetMessage(u"Common", u"E4")); });
    }
    // Downwards, so that a listener that removes itself during its call skips no other. One
    // listener's failure must not keep the others, the wizard's finish page say, from hearing.
    for (size_t i = FListeners.size(); i-- > 0;) {
        if (i >= FListeners.size()) continue;
        std::exception_ptr error = ORV::CatchAll([&] { FListeners[i]->Notify(code, param); });
        if (error && !firstError) firstError = error;
    }
    if (firstError) std::rethrow_exception(firstError);
}

} // namespace Setup::Core
