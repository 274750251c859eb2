#include "Setup.Core.UninstallRecord.h"

#include "ORV.Classes.Streams.h"
#include "ORV.Platform.h"
#include "ORV.Strings.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.h"
#include "Setup.Core.AppRepo.h"
#include "Setup.Core.Launch.h"
#include "Setup.Core.Log.h"
#include "Setup.Core.Package.h"
#include "Setup.Core.ProductInfo.h"
#include "Setup.Core.Resources.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace Setup::Core {

namespace {

constexpr int kUninstallDataLevel = 4;
// A record package holds one small text; anything much larger is not one of ours.
constexpr int64_t kMaxDataSize = 64 << 20;

bool ReadWholeFile(const std::u16string& fileName, std::vector<uint8_t>& bytes) {
    try {
        ORV::TFileStream file(fileName, ORV::fmOpenRead, ORV::Platform::TFile::fsRead | ORV::Platform::TFile::fsWrite);
        const int64_t size = file.Size();
        if (size < 0 || size > kMaxDataSize) return false;
        bytes.resize(static_cast<size_t>(size));
        file.ReadBuffer(bytes.data(), bytes.size());
        return true;
    } catch (const ORV::Exception&) {
        return false;
    }
}

// The size of an existing file, 0 for anything else.
uint64_t FileSize(const std::u16string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(ORV::W(ORV::LongPathForm(path)), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace

bool HoldsInstallationOf(const std::u16string& folder, const std::u16string& uninstallerPath) {
    const std::u16string ownData = UninstallDataFileOf(uninstallerPath);
    std::vector<uint8_t> installed, own;
    return ReadWholeFile(ORV::IncludeTrailingBackslash(folder) + kUninstallDataName, installed) &&
           ReadWholeFile(ownData, own) && installed == own;
}

std::u16string UninstallEntryName(const std::u16string& path, const std::u16string& destPath) {
    if (!destPath.empty() && path.size() >= destPath.size() &&
        ORV::Platform::SameTextLocale(std::u16string_view(path).substr(0, destPath.size()), destPath))
        return path.substr(destPath.size());
    return path;
}

void AddUninstallEntry(ORV::TORVIniFile& record, const std::u16string& path, const std::u16string& destPath) {
    const int32_t count = record.ReadInteger(kUninstallSection, u"Count", 0);
    record.WriteString(kUninstallSection, ORV::IntToStr(count), UninstallEntryName(path, destPath));
    record.WriteInteger(kUninstallSection, u"Count", count + 1);
}

void WriteUninstaller(const TSetupResources& resources, const std::u16string& path) {
    std::unique_ptr<ORV::TMemoryStream> carried;
    if (!resources.SetupPackage().ExtractFile(kUninstallerName, carried)) {
        CopyFileOrFail(ORV::Platform::ExecutableFileName(), path);
        return;
    }
    ORV::TBufferedFileStream target(path, ORV::fmCreate);
    target.CopyFrom(*carried, carried->Size());
    // Here, not in the destructor, so that a full disk is reported.
    target.Flush();
}

void WriteUninstallRecord(ISetupHost& host, const std::u16string& destPath,
                          const std::vector<const TSetupScriptFile*>& files) {
    const std::u16string uninstallerPath = destPath + kUninstallerName;
    const std::u16string dataPath = destPath + kUninstallDataName;
    WriteUninstaller(host.Resources(), uninstallerPath);
    LogLine(u"Written: " + uninstallerPath);

    ORV::TORVIniFile record;
    record.Assign(&host.Settings());
    record.DeleteSection(kUninstallSection);
    uint64_t bytes = 0;
    for (const TSetupScriptFile* file : files) {
        const std::u16string path = host.Resources().ExpandPath(file->Name);
        AddUninstallEntry(record, path, destPath);
        bytes += FileSize(path);
    }
    AddUninstallEntry(record, dataPath, destPath);
    AddUninstallEntry(record, uninstallerPath, destPath);

    ORV::TMemoryStream text;
    record.SaveToStream(text);
    text.SetPosition(0);
    TSetupPackageBuilder package;
    package.AddFile(text, kUninstallRecordName);
    package.SaveToFile(dataPath, kUninstallDataLevel);
    bytes += FileSize(dataPath) + FileSize(uninstallerPath);

    if (host.Options().Contains(Portable)) return;
    TSetupProductInfo& product = host.ProductInfo();
    TSetupAppRepo::Register(product.GetProductName(), uninstallerPath, product.GetHomePage(), product.GetPublisher(),
                            product.GetProductVersionNo(), static_cast<uint32_t>(std::min<uint64_t>((bytes + 1023) / 1024, UINT32_MAX)));
}

} // namespace Setup::Core
