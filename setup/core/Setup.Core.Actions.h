// The steps of a run and the worker thread that runs them. The product information names the
// action classes of a run in order (EnumActions); the worker creates them, runs them one after
// another, reports progress and status texts through the controller and turns the first
// failure into one line of the error list. Actions never touch a window.
#pragma once

#include "ORV.FileFormats.INI.h"
#include "Setup.Core.Controller.h"
#include "Setup.Core.ProductInfo.h"
#include "Setup.Core.Resources.h"
#include "Setup.Core.Summary.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Setup::Core {

// Base of the actions and the update tasks: they reach the run through the controller.
class TSetupPersistent {
public:
    virtual ~TSetupPersistent() = default;

    // The controller's product information; the controller must exist.
    static TSetupProductInfo& Product();
    static TSetup& Controller();
};

class TSetupAction : public TSetupPersistent {
public:
    using TProgressEvent = std::function<void(TSetupAction& sender)>;

    // Does the action's work; raises on failure.
    virtual void Execute() = 0;
    // Adds the action's lines to the ready-to-install text; by default none.
    virtual void BuildSummary(TSetupSummaryBuilder& builder) {}
    // Called on a stop request while the action is current (from the thread that asks to
    // stop); by default the action finishes its step.
    virtual void Cancel() {}

    // Execute, then progress 100.
    void Run();
    // 0..100; OnProgress is called only when the value changes.
    void SetProgress(int32_t value);
    int32_t Progress() const { return FProgress; }
    void SetOnProgress(TProgressEvent handler) { FOnProgress = std::move(handler); }

    // Shows Text as the status line of the progress page.
    static void ShowStatus(const std::u16string& text);
    static std::u16string GetMessage(std::u16string_view section, std::u16string_view key);
    static std::u16string GetCommonMessage(std::u16string_view key) { return GetMessage(u"Common", key); }

    static TSetupResources& Resources();
    static ORV::TORVIniFile& Settings();
    static const TSetupScript& Script();

    // The controller's extraction helper (see TSetupExtractHelper).
    static void ExtractFile(const TSetupScriptFile& file);
    static void ForceDirectory(const std::u16string& path);

private:
    int32_t FProgress = 0;
    TProgressEvent FOnProgress;
};

// An action class: its name and its constructor without arguments, which must be cheap and
// free of side effects (the summary makes and frees every action of a run).
struct TSetupActionClass {
    const char16_t* ClassName;
    std::unique_ptr<TSetupAction> (*Create)();
};

// The descriptor of action class T, which must be default-constructible.
template <typename T>
constexpr TSetupActionClass ActionClassOf(const char16_t* className) {
    return {className, []() -> std::unique_ptr<TSetupAction> { return std::make_unique<T>(); }};
}

// Owns its actions.
class TSetupActionList {
public:
    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    TSetupAction& Items(int32_t index) const { return *FItems.at(static_cast<size_t>(index)); }
    void Add(std::unique_ptr<TSetupAction> action) { FItems.push_back(std::move(action)); }
    // The mean of the actions' progress, truncated; 0 for no actions.
    int32_t AverageProgress() const;

private:
    std::vector<std::unique_ptr<TSetupAction>> FItems;
};

// Lets every action of the run describe itself, without running any.
std::u16string BuildRunSummary(TSetupProductInfo& product, const TSetupSummaryBuilder::TMessageSource& messages);

// The worker. Created suspended; Resume starts it. Destroying it stops and joins it, serving
// the notifications it sends while the caller waits.
class TSetupThread {
public:
    TSetupThread();
    ~TSetupThread();
    TSetupThread(const TSetupThread&) = delete;
    TSetupThread& operator=(const TSetupThread&) = delete;

    void Resume();
    // Marks the thread terminated (no further action starts) and cancels the current action.
    void Terminate();
    bool Terminated() const { return FTerminated.load(); }
    // Waits for the thread body to end, serving sent messages on the main thread.
    void WaitFor();
    HANDLE Handle() const { return FHandle; }

    const TSetupActionList& ActionList() const { return FActionList; }
    TSetupAction* CurrentAction() const;

protected:
    // Fills the action list from the product information's EnumActions.
    virtual void PopulateActions();

private:
    static DWORD WINAPI ThreadProc(void* self);
    void Execute();
    void SetCurrentAction(TSetupAction* action);
    void ActionProgress(TSetupAction& sender);

    TSetupActionList FActionList;
    std::vector<std::u16string> FActionNames;  // the class names, for the log
    TSetupAction* FCurrentAction = nullptr;
    mutable std::mutex FLock;
    std::atomic<bool> FTerminated{false};
    HANDLE FHandle = nullptr;
    bool FResumed = false;
};

} // namespace Setup::Core
