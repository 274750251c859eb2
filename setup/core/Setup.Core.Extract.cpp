#include "Setup.Core.Extract.h"

#include "ORV.Hashes.MD5.h"
#include "ORV.SysUtils.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.h"
#include "Setup.Core.Errors.h"
#include "Setup.Core.Launch.Files.h"
#include "Setup.Core.Log.h"
#include "Setup.Core.Resources.h"
#include "Setup.Core.UninstallRecord.h"

namespace Setup::Core {

using ORV::W;

namespace {

constexpr size_t kMaxCreateDirectoryPath = MAX_PATH - 12;

// Creates Folder and what is missing above it; false when a folder cannot be made.
bool CreateFolderTree(std::u16string folder) {
    while (folder.size() > 3 && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
    if (ORV::DirectoryExists(folder)) return true;
    const std::u16string parent = ORV::ExtractFilePath(folder);
    // A root that does not exist cannot be made.
    if (parent.empty() || parent.size() >= folder.size()) return false;
    if (!CreateFolderTree(parent)) return false;
    // CreateDirectoryW stops at 248 characters, short of the usual limit.
    const std::u16string name = folder.size() >= kMaxCreateDirectoryPath ? ORV::ExtendedLengthForm(folder) : folder;
    if (CreateDirectoryW(W(name), nullptr)) return true;
    // Someone else may have made it meanwhile.
    return ORV::DirectoryExists(folder);
}

// The target created or truncated for writing; false when the system refuses.
bool TryCreateTarget(const std::u16string& fileName, std::unique_ptr<ORV::TBufferedFileStream>& target) {
    try {
        target = std::make_unique<ORV::TBufferedFileStream>(
            fileName, ORV::fmCreate, ORV::Platform::TFile::fsRead | ORV::Platform::TFile::fsWrite);
        return true;
    } catch (const ORV::EFCreateError&) {
        return false;
    }
}

} // namespace

// ---- TSetupExtractHelper ----

TSetupExtractHelper::TSetupExtractHelper(ISetupHost& host, TAskProc ask) : FHost(host), FAsk(std::move(ask)) {}

void TSetupExtractHelper::ExtractFile(const TSetupScriptFile& file) const {
    const std::u16string target = FHost.Resources().ExpandPath(file.Name);
    try {
        ForceDirectory(ORV::ExtractFilePath(target));
        const std::unique_ptr<ORV::TMemoryStream> source = FHost.Resources().GetFile(file.ResolvedValue());
        std::unique_ptr<ORV::TBufferedFileStream> stream;
        if (CreateTargetStream(target, *source, stream)) {
            source->SetPosition(0);
            stream->CopyFrom(*source, source->Size());
            // Here, not in the destructor, so that a full disk is reported.
            stream->Flush();
            LogLine(u"Written: " + target);
        }
    } catch (const ORV::Exception& error) {
        std::u16string message = target;
        message.append(u"\r\n").append(error.Message());
        throw EInstallerInstallError(message, error.SystemError());
    }
}

void TSetupExtractHelper::ForceDirectory(const std::u16string& path) const {
    if (!ORV::IsFullPath(path) || !CreateFolderTree(path)) throw EInstallerInstallError(FormatMessage(u"E3", {path}));
}

bool TSetupExtractHelper::CreateTargetStream(const std::u16string& fileName, const ORV::TMemoryStream& source,
                                             std::unique_ptr<ORV::TBufferedFileStream>& target) const {
    if (TryCreateTarget(fileName, target)) return true;
    // An in-use library of the same version must not disturb the install.
    const std::u16string onDisk = ORV::TORVHashMD5::CalcFile(fileName);
    if (ORV::SameTextAscii(onDisk, ORV::TORVHashMD5::CalcBuffer(source.Memory(), source.Length()))) {
        LogLine(u"Unchanged, in use: " + fileName);
        return false;
    }
    // A file in use can usually still be renamed; when even that fails, the user decides below.
    // The old file, still in use, goes when the system restarts.
    std::u16string backup = fileName;
    backup.append(u".bak");
    if (MoveFileW(W(ORV::LongPathForm(fileName)), W(ORV::LongPathForm(backup)))) {
        LogLine(u"In use, moved aside: " + fileName + u" -> " + backup);
        DeleteAtRestart(backup);
    }
    for (;;) {
        if (TryCreateTarget(fileName, target)) return true;
        const int answer = FAsk ? FAsk(FormatMessage(u"QM2", {fileName})) : IDIGNORE;
        if (answer == IDRETRY) continue;
        if (answer == IDABORT) throw EInstallerInstallError(FormatMessage(u"E1", {fileName}));
        LogLine(u"Skipped: " + fileName);
        return false;
    }
}

std::u16string TSetupExtractHelper::FormatMessage(std::u16string_view id, std::initializer_list<ORV::FormatArg> args) const {
    return ORV::Format(FHost.Resources().GetMessage(u"Common", id), args);
}

// ---- TSetupActionExtract ----

int32_t ExtractProgress(int32_t index, int32_t count) {
    if (count <= 0) return 0;
    const int64_t numerator = (static_cast<int64_t>(index) + 1) * 100;
    int64_t quotient = numerator / count;
    const int64_t twiceRemainder = (numerator % count) * 2;
    if (twiceRemainder > count || (twiceRemainder == count && quotient % 2 != 0)) ++quotient;
    return static_cast<int32_t>(quotient);
}

std::vector<const TSetupScriptFile*> TSetupActionExtract::CollectFiles() {
    std::vector<const TSetupScriptFile*> files;
    files.reserve(512);
    const std::u16string family = Resources().GetLangFamily();
    const TSetupScriptGroup& components = Script().Components();
    for (int i = 0; i < components.Count(); ++i)
        if (components.Files(i).MatchesLangFamily(family)) files.push_back(&components.Files(i));
    return files;
}

void TSetupActionExtract::Execute() {
    ShowStatus(GetCommonMessage(u"A4"));
    const std::vector<const TSetupScriptFile*> files = CollectFiles();
    const int32_t count = static_cast<int32_t>(files.size());
    for (int32_t i = 0; i < count; ++i) {
        SetProgress(ExtractProgress(i, count));
        ExtractFile(*files[static_cast<size_t>(i)]);
    }
    ShowStatus(GetCommonMessage(u"A7"));
    WriteUninstallRecord(Controller(), Controller().DestPath(), files);
}

} // namespace Setup::Core
