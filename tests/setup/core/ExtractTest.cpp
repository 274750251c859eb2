// Extraction with the fixture packages this program carries, through the real controller and
// worker: what reaches the disk, files in use, the uninstall record and the registry entry.

#include "ORV.FileFormats.INI.h"
#include "ORV.Strings.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.h"
#include "ORV.Win32.Handles.h"
#include "Setup.Core.Actions.h"
#include "Setup.Core.AppRepo.h"
#include "Setup.Core.Controller.h"
#include "Setup.Core.Errors.h"
#include "Setup.Core.Extract.h"
#include "Setup.Core.Launch.h"
#include "Setup.Core.Package.h"
#include "Setup.Core.Resources.h"
#include "Setup.Core.UninstallRecord.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

using namespace Setup::Core;
using TestSupport::Bytes;
using TestSupport::ReadAll;
using TestSupport::MessageOf;
using TestSupport::TTempDir;
using TestSupport::WriteAll;

namespace {

const std::u16string kOutsideName = u"qovi-extract-outside.txt";


std::u16string Switches(const TTempDir& dest, const std::u16string& more = {}) {
    std::u16string line = u"/AUTO=\"";
    line.append(dest.Folder()).append(u"\" /SILENT ").append(more);
    return line;
}

TSetupScriptFile ScriptFile(const std::u16string& name, const std::u16string& value = {}) {
    TSetupScriptFile file;
    file.Name = name;
    file.Value = value;
    return file;
}

// Opens Path for reading and lets others only read (and, with Delete, rename): nobody can open
// it for writing, as when a running program holds it.
ORV::TScopedKernelHandle Hold(const std::filesystem::path& path, bool allowRename) {
    return ORV::TScopedKernelHandle(CreateFileW(path.c_str(), GENERIC_READ,
                                                FILE_SHARE_READ | (allowRename ? FILE_SHARE_DELETE : 0), nullptr,
                                                OPEN_EXISTING, 0, nullptr));
}

// Records the status texts and the current action's progress values.
class TRecorder : public IInstallerNotify {
public:
    void Notify(int32_t code, intptr_t param) override {
        if (code == snStatusText) Statuses.push_back(*reinterpret_cast<const std::u16string*>(param));
        if (code == snProgress && (Progress.empty() || Progress.back() != (param & 0xFFFF)))
            Progress.push_back(static_cast<int32_t>(param & 0xFFFF));
    }
    std::vector<std::u16string> Statuses;
    std::vector<int32_t> Progress;
};

// The record inside an uninstaller's data package, with the bytes it was saved as.
struct TRecord {
    std::vector<uint8_t> Bytes;
    ORV::TORVIniFile Ini;
};

void ReadRecord(const std::u16string& dataFile, TRecord& record) {
    ORV::TFileStream file(dataFile, ORV::fmOpenRead);
    TSetupPackageReader package(file);
    ASSERT_EQ(package.FileTable().Count(), 1);
    std::unique_ptr<ORV::TMemoryStream> text;
    ASSERT_TRUE(package.ExtractFile(kUninstallRecordName, text));
    record.Bytes.assign(text->Memory(), text->Memory() + text->Length());
    record.Ini.LoadFromStream(*text);
}

std::vector<std::u16string> UninstallEntries(const ORV::TORVIniFile& record) {
    std::vector<std::u16string> entries;
    const int32_t count = record.ReadInteger(kUninstallSection, u"Count", -1);
    for (int32_t i = 0; i < count; ++i) entries.push_back(record.ReadString(kUninstallSection, ORV::IntToStr(i), u"?"));
    return entries;
}

class Extraction : public ::testing::Test {
protected:
    void SetUp() override {
        TSetupAppRepo::Unregister(u"QOVI");
        Outside = TempFolder() + kOutsideName;
        DeleteFileW(ORV::W(Outside));
    }
    void TearDown() override {
        TSetupAppRepo::Unregister(u"QOVI");
        DeleteFileW(ORV::W(Outside));
    }

    // Extracts one file on this thread with the controller's helper, answering the in-use
    // question with Answers in turn; the texts asked land in Questions.
    void ExtractWithAnswers(TSetup& setup, const TSetupScriptFile& file, std::vector<std::function<int()>> answers) {
        size_t next = 0;
        setup.ExtractHelper().SetAsk([&](const std::u16string& text) {
            Questions.push_back(text);
            return next < answers.size() ? answers[next++]() : IDIGNORE;
        });
        setup.ExtractHelper().ExtractFile(file);
    }

    TTempDir Dest;
    std::u16string Outside;
    std::vector<std::u16string> Questions;
};

} // namespace

TEST(ExtractProgress, RoundsTiesToTheEvenNeighbour) {
    const struct {
        int32_t Count;
        std::vector<int32_t> Expected;
    } cases[] = {
        {8, {12, 25, 38, 50, 62, 75, 88, 100}},
        {3, {33, 67, 100}},
        {1, {100}},
    };
    for (const auto& test : cases) {
        std::vector<int32_t> values;
        for (int32_t i = 0; i < test.Count; ++i) values.push_back(ExtractProgress(i, test.Count));
        EXPECT_EQ(values, test.Expected) << test.Count << " files";
    }
}

TEST(UninstallEntryName, RelativeInsideTheDestinationIgnoringCaseFullOutside) {
    const std::u16string dest = u"C:\\Program Files\\QOVI\\";
    EXPECT_EQ(UninstallEntryName(u"C:\\Program Files\\QOVI\\QOVI.exe", dest), u"QOVI.exe");
    EXPECT_EQ(UninstallEntryName(u"c:\\PROGRAM FILES\\qovi\\Langs\\English.lng", dest), u"Langs\\English.lng");
    EXPECT_EQ(UninstallEntryName(u"C:\\Program Files\\QOVI Extra\\x.txt", dest), u"C:\\Program Files\\QOVI Extra\\x.txt");
    EXPECT_EQ(UninstallEntryName(u"D:\\Elsewhere\\y.txt", dest), u"D:\\Elsewhere\\y.txt");
}

TEST_F(Extraction, ASilentRunWritesTheLanguagesFilesThenTheRecordAndTheEntry) {
    TSetup setup(Switches(Dest));
    setup.Resources().InitializeLanguages();
    TRecorder recorder;
    setup.AddListener(&recorder);
    setup.Settings().WriteString(u"Actions", u"$DEST\\QOVI.exe", u"1");
    setup.Settings().WriteString(u"Uninstall", u"Count", u"99");  // a stale section goes
    setup.Settings().WriteString(u"Uninstall", u"0", u"stale.txt");
    setup.StartWorker(true);
    setup.RemoveListener(&recorder);
    ASSERT_FALSE(setup.HasErrors()) << ORV::Utf16ToUtf8(setup.Errors().Strings(0));

    // The player is closed first; then the preparation: nothing to back up in a fresh folder,
    // then its three clean-up tasks; the files, the configuration and the shortcuts.
    EXPECT_EQ(recorder.Statuses,
              (std::vector<std::u16string>{u"Closing the player...", u"Backing up the previous installation...",
                                           u"Updating the settings...", u"Removing old files...", u"Copying files...",
                                           u"Writing the uninstall information...", u"Writing the settings...",
                                           u"Creating shortcuts..."}));
    // 0 when an action becomes current, then one value per task and per file; the closing, the
    // configuration, the registration and the shell's refresh report only their end.
    EXPECT_EQ(recorder.Progress, (std::vector<int32_t>{0, 100, 0, 33, 67, 100, 0, 12, 25, 38, 50, 62, 75, 88, 100, 0, 100,
                                                       0, 100, 0, 100, 0, 100}));

    const std::filesystem::path& dest = Dest.Path();
    EXPECT_EQ(ReadAll(dest / "QOVI.exe"), Bytes("player program\r\n"));
    EXPECT_EQ(ReadAll(dest / "License.rtf"), Bytes("{\\rtf1 Licence}\r\n"));  // from the setup package
    EXPECT_EQ(ReadAll(dest / "Plugins" / "Sub" / "b.txt"), Bytes("plug-in b\r\n"));
    EXPECT_EQ(ReadAll(dest / "data.bin").size(), 65536u);
    EXPECT_EQ(ReadAll(std::filesystem::path(Outside)), Bytes("outside the destination\r\n"));
    EXPECT_FALSE(std::filesystem::exists(dest / "Readme_RU.txt"));
    EXPECT_EQ(ReadAll(dest / "Uninstall.exe"), ReadAll(std::filesystem::path(ORV::Platform::ExecutableFileName())));

    TRecord record;
    ASSERT_NO_FATAL_FAILURE(ReadRecord(Dest.Folder() + kUninstallDataName, record));
    ASSERT_GE(record.Bytes.size(), 2u);
    EXPECT_EQ(record.Bytes[0], 0xFF);  // UTF-16 LE with its mark
    EXPECT_EQ(record.Bytes[1], 0xFE);
    EXPECT_EQ(UninstallEntries(record.Ini),
              (std::vector<std::u16string>{u"QOVI.exe", u"Readme.txt", u"License.rtf", u"Langs\\English.lng",
                                           u"Plugins\\a.txt", u"Plugins\\Sub\\b.txt", u"data.bin", Outside,
                                           u"Uninstall.dat", u"Uninstall.exe"}));
    EXPECT_EQ(record.Ini.ReadString(u"Actions", u"$DEST\\QOVI.exe", u""), u"1");

    std::u16string installPath;
    ASSERT_TRUE(TSetupAppRepo::FindInstallPath(u"QOVI", installPath));
    EXPECT_TRUE(ORV::Platform::SameTextLocale(installPath, Dest.Folder()));
    ORV::TScopedRegKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QOVI", 0,
                            KEY_READ | KEY_WOW64_32KEY, key.Receive()),
              ERROR_SUCCESS);
    EXPECT_EQ(ORV::ReadRegistryString(key.Get(), u"DisplayVersion"), u"5.10.0.7");
    EXPECT_EQ(ORV::ReadRegistryString(key.Get(), u"UninstallString"), u"\"" + Dest.Folder() + u"Uninstall.exe\"");
}

TEST_F(Extraction, APortableRunWritesTheUninstallerButLeavesTheRegistryAlone) {
    TSetup setup(Switches(Dest, u"/PORTABLE"));
    setup.Resources().InitializeLanguages();
    ASSERT_TRUE(setup.HasOption(Portable));
    setup.StartWorker(true);
    ASSERT_FALSE(setup.HasErrors());
    EXPECT_TRUE(std::filesystem::exists(Dest / "Uninstall.exe"));
    TRecord record;
    ASSERT_NO_FATAL_FAILURE(ReadRecord(Dest.Folder() + kUninstallDataName, record));
    EXPECT_EQ(UninstallEntries(record.Ini).size(), 10u);
    std::u16string installPath;
    EXPECT_FALSE(TSetupAppRepo::FindInstallPath(u"QOVI", installPath));
}

// A read-only target takes the same path on Windows; Wine run as root (as here) opens read-only
// files for writing anyway, so only files held open can show it.
TEST_F(Extraction, ATargetThatCannotBeOpenedIsComparedAndMovedAsideWhenItDiffers) {
    TSetup setup(Switches(Dest));
    setup.Resources().InitializeLanguages();
    const std::filesystem::path target = Dest / "Readme.txt";
    const std::filesystem::path backup = Dest / "Readme.txt.bak";

    // A target nobody holds is simply replaced: no trace, no question.
    WriteAll(target, Bytes("an older read me that was longer"));
    ExtractWithAnswers(setup, ScriptFile(u"$DEST\\Readme.txt"), {});
    EXPECT_EQ(ReadAll(target), Bytes("Read me\r\n"));
    EXPECT_FALSE(std::filesystem::exists(backup));

    // The same content: left alone, nothing moved, nobody asked.
    ORV::TScopedKernelHandle holder = Hold(target, false);
    ExtractWithAnswers(setup, ScriptFile(u"$DEST\\Readme.txt"), {});
    holder.Reset();
    EXPECT_TRUE(Questions.empty());
    EXPECT_FALSE(std::filesystem::exists(backup));

    // Other content: the old file moves aside and the new one takes its name.
    WriteAll(target, Bytes("old read me"));
    holder = Hold(target, true);
    ExtractWithAnswers(setup, ScriptFile(u"$DEST\\Readme.txt"), {});
    holder.Reset();
    EXPECT_TRUE(Questions.empty());
    EXPECT_EQ(ReadAll(target), Bytes("Read me\r\n"));
    EXPECT_EQ(ReadAll(backup), Bytes("old read me"));
}

TEST_F(Extraction, WhenEvenTheMoveFailsTheUserRetriesIgnoresOrAborts) {
    TSetup setup(Switches(Dest));
    setup.Resources().InitializeLanguages();
    const std::filesystem::path target = Dest / "Readme.txt";
    const std::filesystem::path backup = Dest / "Readme.txt.bak";
    const std::u16string targetName = Dest.Folder() + u"Readme.txt";
    const std::u16string question = u"The file \"" + targetName + u"\" is in use.\r\nRetry or Ignore?";
    ORV::TScopedKernelHandle holder;
    auto lockWithBackup = [&] {
        WriteAll(backup, Bytes("older backup"));
        WriteAll(target, Bytes("in use"));
        holder = Hold(target, true);
        Questions.clear();
    };

    // Retry tries the open again, not the move: the backup that the test removes stays gone.
    lockWithBackup();
    ExtractWithAnswers(setup, ScriptFile(u"$DEST\\Readme.txt"), {[&] { return IDRETRY; }, [&] {
                                                                     holder.Reset();
                                                                     std::filesystem::remove(backup);
                                                                     return IDRETRY;
                                                                 }});
    EXPECT_EQ(Questions, (std::vector<std::u16string>{question, question}));
    EXPECT_EQ(ReadAll(target), Bytes("Read me\r\n"));
    EXPECT_FALSE(std::filesystem::exists(backup));

    // Ignore skips the file.
    lockWithBackup();
    ExtractWithAnswers(setup, ScriptFile(u"$DEST\\Readme.txt"), {[] { return IDIGNORE; }});
    holder.Reset();
    EXPECT_EQ(Questions.size(), 1u);
    EXPECT_EQ(ReadAll(target), Bytes("in use"));
    EXPECT_EQ(ReadAll(backup), Bytes("older backup"));

    // Abort fails the file: the target, a line break, then why.
    lockWithBackup();
    const std::u16string message =
        MessageOf([&] { ExtractWithAnswers(setup, ScriptFile(u"$DEST\\Readme.txt"), {[] { return IDABORT; }}); });
    holder.Reset();
    EXPECT_EQ(message, targetName + u"\r\nSetup was cancelled because \"" + targetName + u"\" could not be written.");
}

TEST_F(Extraction, EveryFailureOfAFileNamesTheTargetFirst) {
    TSetup setup(Switches(Dest));
    setup.Resources().InitializeLanguages();
    TSetupExtractHelper& helper = setup.ExtractHelper();
    WriteAll(Dest / "Plugins", Bytes("a file where a folder belongs"));
    const std::u16string dest = Dest.Folder();
    EXPECT_EQ(MessageOf([&] { helper.ExtractFile(ScriptFile(u"$DEST\\Plugins\\a.txt", u"Plugins\\a.txt")); }),
              dest + u"Plugins\\a.txt\r\nCannot create the folder \"" + dest + u"Plugins\\\".");
    EXPECT_EQ(MessageOf([&] { helper.ExtractFile(ScriptFile(u"$DEST\\nothing.txt")); }),
              dest + u"nothing.txt\r\nCannot locate \"nothing.txt\" file in setup archive");
    // A target without a folder would land in whatever the current folder is.
    EXPECT_EQ(MessageOf([&] { helper.ExtractFile(ScriptFile(u"loose.txt", u"Readme.txt")); }),
              u"loose.txt\r\nCannot create the folder \"\".");
}

TEST_F(Extraction, AFailingFileEndsTheRunBeforeTheRecord) {
    WriteAll(Dest / "Plugins", Bytes("a file where a folder belongs"));
    TSetup setup(Switches(Dest));
    setup.Resources().InitializeLanguages();
    setup.StartWorker(true);
    ASSERT_EQ(setup.Errors().Count(), 1);
    EXPECT_EQ(setup.Errors().Strings(0).rfind(Dest.Folder() + u"Plugins\\a.txt\r\n", 0), 0u);
    EXPECT_TRUE(std::filesystem::exists(Dest / "Langs" / "English.lng"));  // what came before stays
    EXPECT_FALSE(std::filesystem::exists(Dest / "Uninstall.dat"));
    EXPECT_FALSE(std::filesystem::exists(Dest / "Uninstall.exe"));
    std::u16string installPath;
    EXPECT_FALSE(TSetupAppRepo::FindInstallPath(u"QOVI", installPath));
}

namespace {
struct TSynchronizeProbe {
    TSetup* Setup = nullptr;
    DWORD RanOn = 0;
    std::u16string Raised;
};

DWORD WINAPI SynchronizeFromAnotherThread(void* param) {
    auto* probe = static_cast<TSynchronizeProbe*>(param);
    probe->Setup->Synchronize([&] { probe->RanOn = GetCurrentThreadId(); });
    probe->Raised = MessageOf([&] { probe->Setup->Synchronize([] { throw ORV::EInvalidOperation(u"from the call"); }); });
    return 0;
}
} // namespace

TEST_F(Extraction, SynchronizeRunsOnTheInterfaceThreadAndRaisesWhatTheCallRaised) {
    TSetup setup(Switches(Dest));
    setup.Resources().InitializeLanguages();
    TSynchronizeProbe probe;
    probe.Setup = &setup;
    ORV::TScopedKernelHandle thread(CreateThread(nullptr, 0, &SynchronizeFromAnotherThread, &probe, 0, nullptr));
    ASSERT_TRUE(thread.IsValid());
    ASSERT_EQ(WaitServingMessages(thread.Get(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(probe.RanOn, GetCurrentThreadId());
    EXPECT_EQ(probe.Raised, u"from the call");
}
