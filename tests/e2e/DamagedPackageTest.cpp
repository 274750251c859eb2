// Damaged packages inside a real installer and as an installation's "Uninstall.dat": each one is
// reported, and nothing is written or removed. The damaged copies are made here from the demo
// installer's own packages.

#include "InstallerDriver.h"

#include "Setup.Core.Package.h"

#include <gtest/gtest.h>

#include <string>

using namespace InstallerDriver;

namespace {

using TBytes = std::vector<uint8_t>;

// The bytes of the RCDATA resource Name of the executable File.
TBytes ResourceOf(const std::u16string& file, const wchar_t* name) {
    const HMODULE module = LoadLibraryExW(ORV::W(file), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) return {};
    TBytes bytes;
    if (const HRSRC found = FindResourceW(module, name, MAKEINTRESOURCEW(10))) {  // RT_RCDATA
        const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
        bytes.assign(data, data + SizeofResource(module, found));
    }
    FreeLibrary(module);
    return bytes;
}

BOOL CALLBACK TakeLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
    *reinterpret_cast<WORD*>(found) = language;
    return FALSE;
}

// Writes Copy, the executable Original with its RCDATA resource Name replaced by Bytes.
void WriteWithResource(const std::u16string& original, const std::filesystem::path& copy, const wchar_t* name,
                       const TBytes& bytes) {
    ASSERT_TRUE(CopyFileW(ORV::W(original), copy.c_str(), FALSE));
    WORD language = 0;
    const HMODULE module = LoadLibraryExW(copy.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    EnumResourceLanguagesW(module, MAKEINTRESOURCEW(10), name, &TakeLanguage, reinterpret_cast<LONG_PTR>(&language));
    FreeLibrary(module);
    const HANDLE update = BeginUpdateResourceW(copy.c_str(), FALSE);
    ASSERT_NE(update, nullptr);
    ASSERT_TRUE(UpdateResourceW(update, MAKEINTRESOURCEW(10), name, language, const_cast<uint8_t*>(bytes.data()),
                                static_cast<DWORD>(bytes.size())));
    ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
}

// The files of the package Bytes packed again with Key.
TBytes RepackedWithKey(const TBytes& bytes, const std::u16string& key) {
    ORV::TMemoryStream source = TestSupport::MemoryStreamOf(bytes);
    const Setup::Core::TSetupPackageReader reader(source);
    Setup::Core::TSetupPackageBuilder builder(key);
    std::vector<std::unique_ptr<ORV::TMemoryStream>> files;
    for (int i = 0; i < reader.FileTable().Count(); ++i) {
        files.emplace_back();
        reader.ExtractFile(reader.FileTable().Items(i).Name, files.back());
        builder.AddFile(*files.back(), reader.FileTable().Items(i).Name);
    }
    const TTempDir work;
    builder.SaveToFile(work.File("repacked.ipk"), 1);
    return TestSupport::ReadAll(work / "repacked.ipk");
}

struct TDamage {
    const char* Name;
    std::function<TBytes(TBytes)> Apply;
};

// Bytes with one bit flipped, At bytes from the start (or, negative, from the end).
TBytes Flipped(TBytes bytes, ptrdiff_t at) {
    bytes[static_cast<size_t>(at >= 0 ? at : static_cast<ptrdiff_t>(bytes.size()) + at)] ^= 0x10;
    return bytes;
}

// Every way a package can fail its checks: cut short, a bit flipped in the header, in the
// compressed body or near its end, where the file table is coded, or packed with another key.
std::vector<TDamage> Damages() {
    return {
        {"truncated", [](TBytes bytes) { bytes.resize(bytes.size() / 2); return bytes; }},
        {"a bit flipped in the header's checksum", [](TBytes bytes) { return Flipped(std::move(bytes), 5); }},
        {"a bit flipped in the header's size", [](TBytes bytes) { return Flipped(std::move(bytes), 9); }},
        {"a bit flipped in the body", [](TBytes bytes) {
             const auto middle = static_cast<ptrdiff_t>(bytes.size() / 2);
             return Flipped(std::move(bytes), middle);
         }},
        // The last bytes of the range coder's flush need not be read at all; a few before them
        // code the end of the body, where the file table is.
        {"a bit flipped in the table", [](TBytes bytes) { return Flipped(std::move(bytes), -8); }},
        {"another key", [](TBytes bytes) { return RepackedWithKey(bytes, u"not the setup's key"); }},
    };
}

constexpr char16_t kCorrupted[] = u"Package was corrupted";

} // namespace

// An installer whose SETUP or PRODUCT package fails a check says so in its error box, or, with
// no boxes, in its exit code and log; nothing reaches the destination either way.
TEST_F(DemoInstaller, AnInstallerWithADamagedPackageReportsItAndWritesNothing) {
    const TTempDir work;
    const std::filesystem::path damaged = work / "QOVISetup.exe";
    for (const wchar_t* resource : {L"SETUP", L"PRODUCT"}) {
        const TBytes original = ResourceOf(DemoInstallerFile(), resource);
        ASSERT_GT(original.size(), 64u);
        for (const TDamage& damage : Damages()) {
            SCOPED_TRACE(ORV::Utf16ToUtf8(ORV::FromW(resource)) + ", " + damage.Name);
            WriteWithResource(DemoInstallerFile(), damaged, resource, damage.Apply(original));
            const TOutcome shown = RunInstaller(damaged.u16string(), u"/AUTO=" + Quoted(Dest) + u" /SILENT");
            EXPECT_EQ(shown.ExitCode, kExitFailure);
            ASSERT_EQ(shown.Boxes.size(), 1u);
            EXPECT_EQ(shown.Boxes[0].Text, kCorrupted);
            const std::filesystem::path log = work / "run.log";
            std::filesystem::remove(log);
            const TOutcome quiet = RunInstaller(damaged.u16string(), u"/AUTO=" + Quoted(Dest) +
                                                                        u" /SILENT /SUPPRESSMSGBOXES /LOG=\"" + log.u16string() + u"\"");
            EXPECT_EQ(quiet.ExitCode, kExitFailure);
            EXPECT_TRUE(quiet.Boxes.empty());
            EXPECT_NE(FileText(log).find("Error: Package was corrupted\r\n"), std::string::npos) << FileText(log);
            EXPECT_TRUE(std::filesystem::is_empty(Dest.Path()));
        }
    }
    // Bytes after a package are not part of it, and are no reason to refuse it.
    TBytes appended = ResourceOf(DemoInstallerFile(), L"PRODUCT");
    appended.insert(appended.end(), 512, 0x5A);
    WriteWithResource(DemoInstallerFile(), damaged, L"PRODUCT", appended);
    EXPECT_EQ(RunInstaller(damaged.u16string(), u"/AUTO=" + Quoted(Dest) + u" /SILENT").ExitCode, 0u);
    EXPECT_TRUE(std::filesystem::exists(Dest / "QOVI.exe"));
}

// An installation whose "Uninstall.dat" fails a check is not touched by its uninstaller.
TEST_F(DemoInstaller, AnUninstallerWithADamagedRecordReportsItAndRemovesNothing) {
    ASSERT_EQ(Install().ExitCode, 0u);
    const TBytes original = TestSupport::ReadAll(Dest / "Uninstall.dat");
    const std::vector<std::u16string> installed = FilesBelow(Dest.Path());
    for (const TDamage& damage : Damages()) {
        SCOPED_TRACE(damage.Name);
        TestSupport::WriteAll(Dest / "Uninstall.dat", damage.Apply(original));
        const TOutcome outcome = Uninstall();
        EXPECT_EQ(outcome.ExitCode, kExitFailure);
        ASSERT_EQ(outcome.Boxes.size(), 1u);
        EXPECT_EQ(outcome.Boxes[0].Text, kCorrupted);
        EXPECT_EQ(FilesBelow(Dest.Path()), installed);
    }
    TestSupport::WriteAll(Dest / "Uninstall.dat", original);
    EXPECT_EQ(Uninstall().ExitCode, 0u);
}
