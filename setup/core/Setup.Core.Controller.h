// The setup controller: the one object that holds a run together. It owns the settings store,
// the error list, the product information, the setup resources and the worker; it decides the
// mode and the options from the command line and keeps them consistent; and it carries the
// worker's notifications to the listeners on the interface thread, through a hidden window.
//
// One controller per process, created and freed on the main thread; TSetup::Current() reaches
// it from everywhere while it exists.
#pragma once

#include "ORV.Classes.StringList.h"
#include "ORV.FileFormats.INI.h"
#include "ORV.Platform.h"
#include "Setup.Core.Host.h"
#include "Setup.Core.Notify.h"

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Setup::Core {

class TSetupExtractHelper;
class TSetupPackagesLoad;
class TSetupThread;

enum TSetupState : uint8_t { ssIdle = 0, ssRunning = 1, ssFinished = 2 };

class TSetup final : public ISetupHost {
public:
    // Creates the settings store, the product information (ProductInfoClass), the resources of
    // the program ExecutablePath (see TSetupResources), the hidden window, and applies the
    // command line. Raises whatever these raise, "Cannot create window in non-main thread",
    // "Cannot install update on v%s" and "Invalid Arguments" for a second controller.
    explicit TSetup(const std::u16string& commandLine,
                    const std::u16string& executablePath = ORV::Platform::ExecutableFileName());
    // The same with the program's packages being read already (TSetupPackagesLoad).
    TSetup(const std::u16string& commandLine, TSetupPackagesLoad& packages);
    // Stops and joins a running worker first (serving its notifications meanwhile).
    ~TSetup();
    TSetup(const TSetup&) = delete;
    TSetup& operator=(const TSetup&) = delete;

    // The controller of this process, or nullptr.
    static TSetup* Current();

    // --- ISetupHost ---
    TSetupMode Mode() const override { return FMode; }
    TSetupOptions Options() const override { return FOptions; }
    const std::u16string& DestPath() const override { return FDestPath; }
    ORV::TORVIniFile& Settings() override { return FSettings; }
    TSetupProductInfo& ProductInfo() override { return *FProductInfo; }
    TSetupResources& Resources() override { return *FResources; }

    bool HasOption(TSetupOption option) const { return FOptions.Contains(option); }
    bool HasErrors() const { return FErrors.Count() > 0; }
    const ORV::TORVStringList& Errors() const { return FErrors; }
    TSetupState State() const { return FState; }
    HWND Handle() const { return FHandle; }
    TSetupThread* Thread() const { return FThread.get(); }
    TSetupExtractHelper& ExtractHelper() const { return *FExtractHelper; }

    // Sets the destination (backslashes only, full against the current folder, normalised as
    // the install script's targets are, long names for short ones, with a trailing backslash),
    // has the product information look at it and sets Update (and Portable for a portable
    // installation) from what it finds. Nothing for the same path. Raises
    // EInstallerGeneralError "\"%s\" is not a valid destination folder", changing nothing,
    // when no full folder comes of Path.
    void SetDestPath(const std::u16string& path);
    // Drops Update when the installation cannot be updated and Portable inside Program Files;
    // returns whether the destination lies in Program Files.
    bool ValidateOptions();
    bool IsDestPathInProgramFiles() const;
    // Raises EInstallerMysteryError "Invalid Arguments" (changing nothing) when Auto or Silent
    // would change; otherwise takes the options and validates them.
    void SetOptions(TSetupOptions options);
    void SetOption(TSetupOption option, bool enabled);

    // Starts the worker once per process; with Wait, returns when it has ended. Raises
    // EInstallerInstallError "DestPath is empty" before a destination is set.
    void StartWorker(bool wait);
    // Stops the worker (the current action finishes) and joins it.
    void StopWorker();
    // The user's stop: asks a running worker to stop (the current action finishes) and returns
    // at once; the worker's last notification, snFinished, tells when it has stopped.
    void RequestStop();
    // Starts the post-install programs: those whose [Actions] key is true, a missing key
    // counting as true in an automatic update with /RUN only. None after errors or an uninstall.
    void RunActions();

    // Listeners are called last registered first; a listener must remove itself before it goes.
    void AddListener(IInstallerNotify* listener);
    void RemoveListener(IInstallerNotify* listener);
    // Hand a notification to the interface thread and return once every listener has run.
    // Callable from any thread. Every listener hears it even when one raises; the first error
    // a listener (or the controller's own handling) raised is raised here again, on the sender.
    void SendNotify(int32_t code, intptr_t param);
    void SendNotifyText(int32_t code, const std::u16string& text);
    // Runs Method on the interface thread and returns when it has run; an exception it raises
    // is raised here again. Callable from any thread; one call at a time is handed over.
    void Synchronize(const std::function<void()>& method);
    // Asks the user, on the interface thread, a question with the buttons Abort, Retry and
    // Ignore (Retry the default) and the warning icon; returns IDABORT, IDRETRY or IDIGNORE.
    int AskAbortRetryIgnore(const std::u16string& text);

    void AddError(const std::u16string& text);
    // Adds the message of Error, a failure of the run, and keeps the system's error code of the
    // first one (FailureSystemError).
    void AddFailure(const std::exception_ptr& error);
    // The system's error code behind the run's first failure; 0 when none is known.
    uint32_t FailureSystemError() const { return FFailureSystemError; }
    // Whether the user stopped the run: a confirmed close (RequestStop), or Abort in a question.
    bool CancelledByUser() const { return FCancelledByUser; }

private:
    TSetup(const std::u16string& commandLine, const std::function<std::unique_ptr<TSetupResources>()>& makeResources);

    static LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void ApplyCommandLine(const std::u16string& commandLine);
    void DispatchNotify(int32_t code, intptr_t param);
    void RunSynchronizedCall();
    bool TakePendingNotify(const void* call);

    // The call that Synchronize hands over. The window runs only this, whatever a message
    // carries, so that another program cannot make it call anything.
    struct TSynchronizedCall {
        const std::function<void()>* Method = nullptr;
        std::exception_ptr Error;
    };

    ORV::TORVIniFile FSettings;
    std::u16string FDestPath;
    ORV::TORVStringList FErrors;
    uint32_t FFailureSystemError = 0;
    std::atomic<bool> FCancelledByUser{false};
    HWND FHandle = nullptr;
    std::vector<IInstallerNotify*> FListeners;
    std::recursive_mutex FLock;
    TSetupMode FMode = smInstall;
    TSetupOptions FOptions;
    std::unique_ptr<TSetupProductInfo> FProductInfo;
    std::unique_ptr<TSetupResources> FResources;
    TSetupState FState = ssIdle;
    std::unique_ptr<TSetupThread> FThread;
    std::unique_ptr<TSetupExtractHelper> FExtractHelper;
    std::mutex FSynchronizeLock;  // one hand-over at a time
    std::mutex FCallLock;         // guards FCall
    TSynchronizedCall* FCall = nullptr;
    // The notifications that SendNotify is sending: the window dispatches only these, so a
    // message from elsewhere cannot make it read a record that is not one.
    std::vector<const void*> FPendingNotifies;
};

// Appends Text to the running controller's error list.
void AddError(const std::u16string& text);

} // namespace Setup::Core
