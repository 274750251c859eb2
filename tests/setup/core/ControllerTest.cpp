// The controller and the worker with the fixture packages this program carries, a product
// information that lists actions of the test's own, and real windows and threads.

#include "ORV.Strings.h"
#include "ORV.Utils.CommandLine.h"
#include "ORV.Utils.Strings.h"
#include "Setup.Core.Actions.h"
#include "Setup.Core.AppRepo.h"
#include "Setup.Core.Controller.h"
#include "Setup.Core.Errors.h"
#include "Setup.Core.Launch.h"
#include "Setup.Core.Package.h"
#include "Setup.Product.QOVI.Prepare.h"
#include "Setup.Product.QOVI.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Setup::Core;
using TestSupport::MessageOf;
using TestSupport::TTempDir;

namespace {

// ---- actions the test lists ----

std::vector<std::u16string> gLog;  // what the actions did, in order
std::function<void(int)> gBehaviour;  // the body of test action N (by its index)

template <int N>
class TTestAction : public TSetupAction {
public:
    void Execute() override {
        gLog.push_back(u"run " + ORV::IntToStr(N));
        if (gBehaviour) gBehaviour(N);
    }
    void Cancel() override { gLog.push_back(u"cancel " + ORV::IntToStr(N)); }
    void BuildSummary(TSetupSummaryBuilder& builder) override {
        builder.SetHeader(u"Group " + ORV::IntToStr(N % 2));
        builder.AddItem(u"Action " + ORV::IntToStr(N));
    }
};

const TSetupActionClass kActions[] = {
    ActionClassOf<TTestAction<0>>(u"TTestAction0"),
    ActionClassOf<TTestAction<1>>(u"TTestAction1"),
    ActionClassOf<TTestAction<2>>(u"TTestAction2"),
};
int gActionCount = 3;

class TTestProductInfo : public Setup::Product::QOVI::TProductInfoQOVI {
public:
    using TProductInfoQOVI::TProductInfoQOVI;
    static std::unique_ptr<TSetupProductInfo> Create(ISetupHost& host) { return std::make_unique<TTestProductInfo>(host); }
    void EnumActions(const TSetupActionClassProc& proc) override {
        for (int i = 0; i < gActionCount; ++i) proc(kActions[i]);
    }
};

// Records every notification with the thread it arrived on.
class TRecorder : public IInstallerNotify {
public:
    explicit TRecorder(std::u16string name) : FName(std::move(name)) {}
    void Notify(int32_t code, intptr_t param) override {
        std::u16string entry = FName + u" " + ORV::IntToStr(code) + u":";
        entry += code == snStatusText ? *reinterpret_cast<const std::u16string*>(param) : ORV::IntToStr(param);
        if (GetCurrentThreadId() != MainThread) entry += u" (not on the main thread)";
        Events.push_back(entry);
        if (OnNotify) OnNotify(code, param);
    }
    std::vector<std::u16string> Events;
    std::function<void(int32_t, intptr_t)> OnNotify;
    static inline DWORD MainThread = GetCurrentThreadId();

private:
    std::u16string FName;
};

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        FSavedClass = ProductInfoClass;
        ProductInfoClass = &TTestProductInfo::Create;
        TSetupAppRepo::Unregister(u"QOVI");
        TSetupAppRepo::Unregister(u"QOVI3");
        gLog.clear();
        gBehaviour = nullptr;
        gActionCount = 3;
    }
    void TearDown() override { ProductInfoClass = FSavedClass; }

    static void WriteInstallation(const TTempDir& temp, int version) {
        TestSupport::WriteAll(temp / "QOVI.ini", TestSupport::Bytes("[System]\r\nVersion=" + std::to_string(version) + "\r\n"));
    }

private:
    TSetupProductInfoClass FSavedClass = nullptr;
};

DWORD WINAPI SendStatusFromAnotherThread(void* setup) {
    static_cast<TSetup*>(setup)->SendNotifyText(snStatusText, u"Копирование");
    return 0;
}

// Plays the first process's spawn window: records what it is asked to open.
std::vector<std::u16string> gOpened;
LRESULT CALLBACK SpawnRecorderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        gOpened.emplace_back(static_cast<const char16_t*>(data->lpData), data->cbData / 2);
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

TEST_F(ControllerTest, InstallerOptionsFromTheCommandLine) {
    TTempDir updatable, empty;
    WriteInstallation(updatable, 5000);
    struct TCase {
        std::u16string CommandLine;
        TSetupOptions Options;
    };
    const TCase cases[] = {
        {u"/AUTO", {Auto}},
        {u"/AUTO /NOBACKUP /RUN /SILENT", {Auto, NoBackup, RunPrograms, Silent}},
        {u"/AUTO=\"" + updatable.Folder() + u"\" /UPDATE /SILENT /PORTABLE", {Auto, Update}},  // no Silent with UPDATE
        {u"/AUTO=\"" + updatable.Folder() + u"\"", {Auto, Update}},  // an updatable folder is an update anyway
        {u"/AUTO=\"" + empty.Folder() + u"\" /PORTABLE", {Auto, Portable}},
        {u"/SILENT /PORTABLE", {}},  // interactive: Update only when the default folder can be updated
    };
    for (const TCase& test : cases) {
        TSetup setup(test.CommandLine);
        EXPECT_EQ(setup.Mode(), smInstall);
        EXPECT_EQ(setup.Options().Bits(), test.Options.Bits()) << ORV::Utf16ToUtf8(test.CommandLine);
    }
    TSetup byDefault(u"/AUTO");
    EXPECT_EQ(byDefault.DestPath(), byDefault.Resources().ProgramFilesFolder() + u"QOVI\\");
}

TEST_F(ControllerTest, AnUpdateThatCannotBeMadeIsRefused) {
    TTempDir empty, tooNew;
    WriteInstallation(tooNew, 5500);
    EXPECT_EQ(MessageOf([&] { TSetup setup(u"/AUTO=\"" + empty.Folder() + u"\" /UPDATE"); }), u"Cannot install update on v0.00");
    EXPECT_EQ(MessageOf([&] { TSetup setup(u"/AUTO=\"" + tooNew.Folder() + u"\" /UPDATE"); }), u"Cannot install update on v5.50");
    EXPECT_EQ(TSetup::Current(), nullptr);
}

TEST_F(ControllerTest, UninstallerOptionsFromTheCommandLine) {
    TTempDir temp;
    TSetupPackageBuilder data;
    ORV::TMemoryStream record = TestSupport::MemoryStreamOf(TestSupport::Bytes("[Files]\r\n"));
    data.AddFile(record, u"Uninstall.ini");
    data.SaveToFile(temp.File("Uninstall.dat"), 1);
    const std::pair<const char16_t*, TSetupOptions> cases[] = {
        {u"/AUTO /SILENT /UPDATE", {Auto, Silent}}, {u"/SILENT", {}}, {u"/AUTO", {Auto}}};
    for (const auto& [commandLine, options] : cases) {
        TSetup setup(commandLine, temp.File("Uninstall.exe"));
        EXPECT_EQ(setup.Mode(), smUninstall);
        EXPECT_EQ(setup.Options().Bits(), options.Bits()) << ORV::Utf16ToUtf8(commandLine);
        EXPECT_EQ(setup.DestPath(), u"");
        EXPECT_EQ(MessageOf([&] { setup.StartWorker(true); }), u"DestPath is empty");
        EXPECT_EQ(setup.State(), ssIdle);
    }
}

TEST_F(ControllerTest, DestinationAndOptionRules) {
    TTempDir temp;
    TSetup setup(u"/AUTO=\"" + temp.Folder() + u"\" /PORTABLE");
    EXPECT_TRUE(setup.HasOption(Portable));

    // The same path again is not looked at again: the installation written meanwhile stays unseen.
    WriteInstallation(temp, 5000);
    setup.SetDestPath(temp.Folder());
    EXPECT_FALSE(setup.HasOption(Update));
    setup.SetDestPath(temp.Path().u16string());  // without the backslash it is another text
    EXPECT_TRUE(setup.HasOption(Update));
    EXPECT_EQ(setup.DestPath(), temp.Folder());

    EXPECT_EQ(MessageOf([&] { setup.SetOption(Silent, true); }), u"Invalid Arguments");
    EXPECT_EQ(MessageOf([&] { setup.SetOption(Auto, false); }), u"Invalid Arguments");
    EXPECT_FALSE(setup.HasOption(Silent));
    setup.SetOption(NoBackup, true);
    EXPECT_TRUE(setup.HasOption(NoBackup));

    // Portable never survives inside Program Files.
    setup.SetDestPath(setup.Resources().ProgramFilesFolder() + u"QOVI Test\\");
    EXPECT_TRUE(setup.IsDestPathInProgramFiles());
    setup.SetOption(Portable, true);
    EXPECT_FALSE(setup.HasOption(Portable));

    // A relative path is made absolute.
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(temp.Path());
    setup.SetDestPath(u".\\Sub");
    std::filesystem::current_path(saved);
    EXPECT_TRUE(ORV::Platform::SameTextLocale(setup.DestPath(), temp.Folder() + u"Sub\\")) << ORV::Utf16ToUtf8(setup.DestPath());
}

// However a person or a script writes the destination, one folder comes of it.
TEST_F(ControllerTest, EveryWrittenFormOfTheDestinationIsOneFolder) {
    TTempDir temp;
    const std::u16string folder = temp.Folder();  // "C:\users\...\qovi-test-N\"
    std::u16string slashes = folder, doubled = folder;
    std::replace(slashes.begin(), slashes.end(), u'\\', u'/');
    doubled.insert(folder.find(u"qovi-test"), 1, u'\\');
    const std::u16string forms[] = {
        slashes, doubled, u"\\\\?\\" + folder, temp.Path().u16string() + u"\\.\\", folder + u"Sub\\..\\",
        folder.substr(0, 2) + u".\\" + folder.substr(3),  // drive-relative, against C:'s current folder
    };
    TSetup setup(u"/AUTO=\"" + folder + u"\"");
    for (const std::u16string& form : forms) {
        setup.SetDestPath(u"D:\\elsewhere\\");
        setup.SetDestPath(form);
        EXPECT_TRUE(ORV::Platform::SameTextLocale(setup.DestPath(), folder))
            << ORV::Utf16ToUtf8(form) << " gave " << ORV::Utf16ToUtf8(setup.DestPath());
    }

    // Nothing full comes of a bare server name: refused, and the destination stays.
    EXPECT_EQ(MessageOf([&] { setup.SetDestPath(u"\\\\server"); }), u"\"\\\\server\" is not a valid destination folder");
    EXPECT_TRUE(ORV::Platform::SameTextLocale(setup.DestPath(), folder));
    setup.SetDestPath(u"");
    EXPECT_EQ(setup.DestPath(), u"");
}

TEST_F(ControllerTest, ListenersHearTheLastRegisteredFirstOnTheInterfaceThread) {
    TTempDir temp;
    TSetup setup(u"/AUTO=\"" + temp.Folder() + u"\"");
    TRecorder a(u"A"), b(u"B");
    setup.AddListener(&a);
    setup.AddListener(&b);
    std::vector<std::u16string> order;
    a.OnNotify = [&](int32_t, intptr_t) { order.push_back(u"A"); };
    b.OnNotify = [&](int32_t, intptr_t) {
        order.push_back(u"B");
        setup.RemoveListener(&b);  // removing itself must not make A miss the call
    };
    setup.SendNotify(snPageChanged, 0);
    EXPECT_EQ(order, (std::vector<std::u16string>{u"B", u"A"}));

    // From another thread: delivered on the main thread while the sender waits.
    HANDLE thread = CreateThread(nullptr, 0, &SendStatusFromAnotherThread, &setup, 0, nullptr);
    WaitServingMessages(thread, INFINITE);
    CloseHandle(thread);
    ASSERT_EQ(a.Events.size(), 2u);
    EXPECT_EQ(a.Events[1], u"A 4:Копирование");
    setup.RemoveListener(&a);
}

// Listeners run inside the hidden window's procedure, below a frame of the system's. What one
// raises goes back to the sender, in the 32-bit build too, where an exception that reached the
// system's frame would end the process; the other listeners still hear the notification.
TEST_F(ControllerTest, AListenerThatRaisesHandsItsErrorToTheSender) {
    TTempDir temp;
    TSetup setup(u"/AUTO=\"" + temp.Folder() + u"\"");
    TRecorder quiet(u"Q"), failing(u"F");
    setup.AddListener(&quiet);
    setup.AddListener(&failing);
    int32_t failOn = snPageChanged;
    failing.OnNotify = [&](int32_t code, intptr_t param) {
        // For progress: once the first action is complete.
        if (code == failOn && (code != snProgress || (param & 0xFFFF) == 100))
            throw EInstallerGeneralError(u"listener failed on " + ORV::IntToStr(code));
    };

    EXPECT_EQ(MessageOf([&] { setup.SendNotify(snPageChanged, 7); }), u"listener failed on 5");
    EXPECT_EQ(quiet.Events, (std::vector<std::u16string>{u"Q 5:7"}));

    // From the worker: the run stops with the error as its line and still finishes.
    failOn = snProgress;
    setup.StartWorker(true);
    EXPECT_EQ(gLog, (std::vector<std::u16string>{u"run 0"}));
    ASSERT_EQ(setup.Errors().Count(), 1);
    EXPECT_EQ(setup.Errors().Strings(0), u"listener failed on 2");
    EXPECT_EQ(quiet.Events.back(), u"Q 1:0");
    EXPECT_EQ(setup.State(), ssFinished);
    setup.RemoveListener(&failing);
    setup.RemoveListener(&quiet);
}

TEST_F(ControllerTest, AListenerThatRaisesOnFinishedLeavesTheErrorLine) {
    TTempDir temp;
    TSetup setup(u"/AUTO=\"" + temp.Folder() + u"\"");
    TRecorder failing(u"F");
    failing.OnNotify = [&](int32_t code, intptr_t) {
        if (code == snFinished) throw std::runtime_error("finish page failed");
    };
    setup.AddListener(&failing);
    setup.StartWorker(true);
    setup.RemoveListener(&failing);
    EXPECT_EQ(gLog, (std::vector<std::u16string>{u"run 0", u"run 1", u"run 2"}));
    ASSERT_EQ(setup.Errors().Count(), 1);
    EXPECT_EQ(setup.Errors().Strings(0), u"finish page failed");
    EXPECT_EQ(setup.State(), ssFinished);
}

TEST_F(ControllerTest, TheWorkerRunsTheActionsInOrderAndReportsProgress) {
    TTempDir temp;
    TSetup setup(u"/AUTO=\"" + temp.Folder() + u"\"");
    TRecorder listener(u"L");
    setup.AddListener(&listener);
    gBehaviour = [](int n) {
        if (n == 1) TSetupAction::ShowStatus(u"working");
    };
    setup.StartWorker(true);
    setup.StartWorker(true);  // once per process
    setup.RemoveListener(&listener);

    EXPECT_EQ(gLog, (std::vector<std::u16string>{u"run 0", u"run 1", u"run 2"}));
    const std::vector<std::u16string> expected = {
        u"L 2:0",           u"L 6:0", u"L 2:" + ORV::IntToStr(33 * 65536 + 100), u"L 6:0",
        u"L 2:" + ORV::IntToStr(33 * 65536), u"L 6:0", u"L 4:working",
        u"L 2:" + ORV::IntToStr(66 * 65536 + 100), u"L 6:0", u"L 2:" + ORV::IntToStr(66 * 65536), u"L 6:0",
        u"L 2:" + ORV::IntToStr(100 * 65536 + 100), u"L 6:0", u"L 1:0"};
    EXPECT_EQ(listener.Events, expected);
    EXPECT_EQ(setup.State(), ssFinished);
    EXPECT_FALSE(setup.HasErrors());
}

TEST_F(ControllerTest, TheFirstFailureEndsTheRunAsOneErrorLine) {
    TTempDir temp;
    TSetup setup(u"/AUTO=\"" + temp.Folder() + u"\"");
    TRecorder listener(u"L");
    setup.AddListener(&listener);
    gBehaviour = [](int n) {
        if (n == 1) throw EInstallerInstallError(u"Cannot write \"x\"");
    };
    setup.StartWorker(true);
    setup.RemoveListener(&listener);
    EXPECT_EQ(gLog, (std::vector<std::u16string>{u"run 0", u"run 1"}));
    ASSERT_EQ(setup.Errors().Count(), 1);
    EXPECT_EQ(setup.Errors().Strings(0), u"Cannot write \"x\"");
    const TSetupActionList& actions = setup.Thread()->ActionList();
    EXPECT_EQ(actions.Items(0).Progress(), 100);
    EXPECT_EQ(actions.Items(1).Progress(), 0);
    EXPECT_EQ(actions.Items(2).Progress(), 0);
    EXPECT_EQ(listener.Events.back(), u"L 1:0");
}

TEST_F(ControllerTest, ALackOfMemoryEndsTheRunNotTheProcess) {
    TTempDir temp;
    TSetup setup(u"/AUTO=\"" + temp.Folder() + u"\"");
    gBehaviour = [](int n) {
        if (n == 0) throw std::bad_alloc();
    };
    setup.StartWorker(true);
    ASSERT_EQ(setup.Errors().Count(), 1);
    EXPECT_EQ(setup.Errors().Strings(0), u"Out of memory");
    EXPECT_EQ(setup.State(), ssFinished);
}

TEST_F(ControllerTest, AStopLetsTheCurrentActionFinish) {
    TTempDir temp;
    TSetup setup(u"/AUTO=\"" + temp.Folder() + u"\"");
    setup.Resources().InitializeLanguages();
    TRecorder listener(u"L");
    listener.OnNotify = [&](int32_t code, intptr_t) {
        if (code == snStatusText) setup.Thread()->Terminate();  // as the wizard does on a confirmed close
    };
    setup.AddListener(&listener);
    gBehaviour = [](int n) {
        if (n == 1) {
            TSetupAction::ShowStatus(u"stop here");
            gLog.push_back(u"action 1 went on");
        }
    };
    setup.StartWorker(true);
    setup.RemoveListener(&listener);
    EXPECT_EQ(gLog, (std::vector<std::u16string>{u"run 0", u"run 1", u"cancel 1", u"action 1 went on"}));
    EXPECT_EQ(listener.Events.back(), u"L 1:1");
    ASSERT_EQ(setup.Errors().Count(), 1);
    EXPECT_EQ(setup.Errors().Strings(0), u"The installation was stopped.");
}

TEST_F(ControllerTest, AnEmptyRunStillFinishes) {
    gActionCount = 0;
    TTempDir temp;
    TSetup setup(u"/AUTO=\"" + temp.Folder() + u"\"");
    TRecorder listener(u"L");
    setup.AddListener(&listener);
    setup.StartWorker(true);
    setup.RemoveListener(&listener);
    EXPECT_EQ(listener.Events, (std::vector<std::u16string>{u"L 1:0"}));
    EXPECT_EQ(setup.Thread()->ActionList().AverageProgress(), 0);
}

TEST_F(ControllerTest, TheSummaryLetsEveryActionDescribeItself) {
    TTempDir temp;
    TSetup setup(u"/AUTO=\"" + temp.Folder() + u"\"");
    const std::u16string text = BuildRunSummary(setup.ProductInfo(), {});
    EXPECT_EQ(text, u"Group 0:\r\n * Action 0\r\n\r\nGroup 1:\r\n * Action 1\r\n\r\nGroup 0:\r\n * Action 2\r\n");
    EXPECT_TRUE(gLog.empty());  // nothing ran
}

// The preparation's lines of the ready-to-install text, by the run's choices.
TEST_F(ControllerTest, ThePreparationDescribesTheDestinationAndTheKindOfInstallation) {
    TTempDir fresh, updatable, tooNew;
    WriteInstallation(updatable, 5000);
    WriteInstallation(tooNew, 5500);
    const struct {
        std::u16string CommandLine;
        std::u16string Folder;
        std::u16string Lines;
    } cases[] = {
        {u"/NOBACKUP /PORTABLE", fresh.Folder(), u" * Portable installation\r\n"},
        {u"", fresh.Folder(), u" * Standard installation\r\n * Back up the installation\r\n"},
        {u"", updatable.Folder(), u" * Update the installation\r\n * Back up the installation\r\n"},
        {u"/NOBACKUP", tooNew.Folder(),
         u" * Standard installation\r\n\r\nInstallation:\r\n * Another installation of the player exists\r\n"},
    };
    for (const auto& test : cases) {
        TSetup setup(u"/AUTO=\"" + test.Folder + u"\" " + test.CommandLine);
        setup.Resources().InitializeLanguages();
        TSetupSummaryBuilder builder(
            [&](std::u16string_view section, std::u16string_view key) { return setup.Resources().GetMessage(section, key); });
        Setup::Product::QOVI::TSetupActionPrepare().BuildSummary(builder);
        EXPECT_EQ(builder.ToString(), u"Destination folder:\r\n * " + test.Folder + u"\r\n\r\nInstallation:\r\n" + test.Lines)
            << ORV::Utf16ToUtf8(test.CommandLine);
    }
}

// The spawn service is initialised once per process, so one test covers the post-install
// programs: this process plays the first, unelevated one and records what it is asked to open.
TEST_F(ControllerTest, PostInstallProgramsGoThroughTheSpawnService) {
    std::vector<std::u16string>& opened = gOpened;
    WNDCLASSW windowClass{};
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QoviTestSpawnRecorder";
    windowClass.lpfnWndProc = &SpawnRecorderProc;
    RegisterClassW(&windowClass);
    HWND recorder = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    windowClass.hInstance, nullptr);
    ASSERT_NE(recorder, nullptr);
    TSetupSpawnService::Initialize(reinterpret_cast<intptr_t>(recorder));

    TTempDir temp;
    WriteInstallation(temp, 5000);
    const std::u16string dest = temp.Folder();
    {
        TSetup setup(u"/AUTO=\"" + dest + u"\" /RUN");  // an automatic update with /RUN: all by default
        setup.RunActions();
        EXPECT_EQ(opened, (std::vector<std::u16string>{dest + u"QOVI.exe", dest + u"Readme.txt"}));
        opened.clear();
        setup.Settings().WriteBool(u"Actions", u"$DEST\\QOVI.exe", false);
        setup.RunActions();
        EXPECT_EQ(opened, (std::vector<std::u16string>{dest + u"Readme.txt"}));
        opened.clear();
        setup.AddError(u"failed");
        setup.RunActions();
        EXPECT_TRUE(opened.empty());
    }
    {
        TSetup setup(u"/AUTO=\"" + dest + u"\"");  // without /RUN: only what was chosen
        setup.RunActions();
        EXPECT_TRUE(opened.empty());
        setup.Settings().WriteBool(u"Actions", u"$DEST\\Readme.txt", true);
        setup.RunActions();
        EXPECT_EQ(opened, (std::vector<std::u16string>{dest + u"Readme.txt"}));
    }
    DestroyWindow(recorder);
}
