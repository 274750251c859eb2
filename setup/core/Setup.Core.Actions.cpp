#include "Setup.Core.Actions.h"

#include "ORV.Callbacks.h"
#include "ORV.Strings.h"
#include "ORV.SysUtils.h"
#include "Setup.Core.Extract.h"
#include "Setup.Core.Launch.h"
#include "Setup.Core.Log.h"

#include <exception>

namespace Setup::Core {

// ---- TSetupPersistent, TSetupAction ----

TSetup& TSetupPersistent::Controller() {
    TSetup* setup = TSetup::Current();
    if (!setup) throw ORV::EInvalidOperation(u"No setup controller exists");
    return *setup;
}

TSetupProductInfo& TSetupPersistent::Product() { return Controller().ProductInfo(); }

void TSetupAction::Run() {
    Execute();
    SetProgress(100);
}

void TSetupAction::SetProgress(int32_t value) {
    if (value == FProgress) return;
    FProgress = value;
    if (FOnProgress) FOnProgress(*this);
}

void TSetupAction::ShowStatus(const std::u16string& text) { Controller().SendNotifyText(snStatusText, text); }

std::u16string TSetupAction::GetMessage(std::u16string_view section, std::u16string_view key) {
    return Resources().GetMessage(section, key);
}

TSetupResources& TSetupAction::Resources() { return Controller().Resources(); }

ORV::TORVIniFile& TSetupAction::Settings() { return Controller().Settings(); }

const TSetupScript& TSetupAction::Script() { return Resources().Script(); }

void TSetupAction::ExtractFile(const TSetupScriptFile& file) { Controller().ExtractHelper().ExtractFile(file); }

void TSetupAction::ForceDirectory(const std::u16string& path) { Controller().ExtractHelper().ForceDirectory(path); }

// ---- TSetupActionList ----

int32_t TSetupActionList::AverageProgress() const {
    if (FItems.empty()) return 0;
    int64_t sum = 0;
    for (const auto& action : FItems) sum += action->Progress();
    return static_cast<int32_t>(sum / static_cast<int64_t>(FItems.size()));
}

std::u16string BuildRunSummary(TSetupProductInfo& product, const TSetupSummaryBuilder::TMessageSource& messages) {
    TSetupSummaryBuilder builder(messages);
    product.EnumActions([&](const TSetupActionClass& actionClass) {
        std::unique_ptr<TSetupAction> action = actionClass.Create();
        action->BuildSummary(builder);
    });
    return builder.ToString();
}

// ---- TSetupThread ----

TSetupThread::TSetupThread() {
    FHandle = CreateThread(nullptr, 0, &TSetupThread::ThreadProc, this, CREATE_SUSPENDED, nullptr);
    if (!FHandle) ORV::RaiseLastOSError();
}

TSetupThread::~TSetupThread() {
    Terminate();
    WaitFor();
    CloseHandle(FHandle);
}

void TSetupThread::Resume() {
    if (FResumed) return;
    FResumed = true;
    ResumeThread(FHandle);
}

void TSetupThread::Terminate() {
    // A thread that never ran still has to run its body, so that it ends with "finished".
    if (!FTerminated.exchange(true)) Resume();
    std::lock_guard<std::mutex> lock(FLock);
    if (FCurrentAction) FCurrentAction->Cancel();
}

void TSetupThread::WaitFor() { WaitServingMessages(FHandle, INFINITE); }

TSetupAction* TSetupThread::CurrentAction() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FCurrentAction;
}

DWORD WINAPI TSetupThread::ThreadProc(void* self) {
    // Execute reports its own failures; the guard only keeps whatever is left from ending the process.
    return ORV::GuardCallback<DWORD>(1, [self] {
        static_cast<TSetupThread*>(self)->Execute();
        return DWORD{0};
    });
}

void TSetupThread::PopulateActions() {
    TSetupPersistent::Product().EnumActions([this](const TSetupActionClass& actionClass) {
        std::unique_ptr<TSetupAction> action = actionClass.Create();
        action->SetOnProgress([this](TSetupAction& sender) { ActionProgress(sender); });
        FActionList.Add(std::move(action));
        FActionNames.emplace_back(actionClass.ClassName);
    });
}

void TSetupThread::Execute() {
    TSetup& controller = TSetupPersistent::Controller();
    // A file too large for this process's memory, or a listener that raised on the interface
    // thread, ends the run as its error line, not the process.
    std::exception_ptr error = ORV::CatchAll([this] {
        PopulateActions();
        for (int32_t i = 0; i < FActionList.Count() && !Terminated(); ++i) {
            LogLine(u"Action started: " + FActionNames[static_cast<size_t>(i)]);
            SetCurrentAction(&FActionList.Items(i));
            FActionList.Items(i).Run();
            LogLine(u"Action ended: " + FActionNames[static_cast<size_t>(i)]);
        }
    });
    if (error) controller.AddFailure(error);
    if (Terminated()) LogLine(u"The run stopped before its end");
    error = ORV::CatchAll([&] { controller.SendNotify(snFinished, Terminated() ? 1 : 0); });
    if (error) controller.AddFailure(error);
}

void TSetupThread::SetCurrentAction(TSetupAction* action) {
    {
        std::lock_guard<std::mutex> lock(FLock);
        FCurrentAction = action;
    }
    if (action) ActionProgress(*action);
}

void TSetupThread::ActionProgress(TSetupAction&) {
    TSetupAction* current = CurrentAction();
    const int32_t currentProgress = current ? (current->Progress() & 0xFFFF) : 0;
    const int32_t overall = FActionList.AverageProgress() & 0xFFFF;
    TSetup& controller = TSetupPersistent::Controller();
    controller.SendNotify(snProgress, static_cast<intptr_t>(overall) * 65536 + currentProgress);
    controller.SendNotify(snProgressChanged, 0);
}

} // namespace Setup::Core
