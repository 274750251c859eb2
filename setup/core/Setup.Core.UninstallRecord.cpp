#include "Setup.Core.UninstallRecord.h"

#include "ORV.Classes.Streams.h"
#include "ORV.Platform.h"
#include "ORV.Strings.h"
#include "Setup.Core.AppRepo.h"
#include "Setup.Core.Launch.h"
#include "Setup.Core.Package.h"
#include "Setup.Core.ProductInfo.h"
#include "Setup.Core.Resources.h"

namespace Setup::Core {

namespace {
constexpr int kUninstallDataLevel = 4;
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

void WriteUninstallRecord(ISetupHost& host, const std::u16string& destPath,
                          const std::vector<const TSetupScriptFile*>& files) {
    const std::u16string uninstallerPath = destPath + kUninstallerName;
    const std::u16string dataPath = destPath + kUninstallDataName;
    CopyFileOrFail(ORV::Platform::ExecutableFileName(), uninstallerPath);

    ORV::TORVIniFile record;
    record.Assign(&host.Settings());
    record.DeleteSection(kUninstallSection);
    for (const TSetupScriptFile* file : files) AddUninstallEntry(record, host.Resources().ExpandPath(file->Name), destPath);
    AddUninstallEntry(record, dataPath, destPath);
    AddUninstallEntry(record, uninstallerPath, destPath);

    ORV::TMemoryStream text;
    record.SaveToStream(text);
    text.SetPosition(0);
    TSetupPackageBuilder package;
    package.AddFile(text, kUninstallRecordName);
    package.SaveToFile(dataPath, kUninstallDataLevel);

    if (host.Options().Contains(Portable)) return;
    TSetupProductInfo& product = host.ProductInfo();
    TSetupAppRepo::Register(product.GetProductName(), uninstallerPath, product.GetHomePage(), product.GetPublisher(),
                            product.GetProductVersionNo());
}

} // namespace Setup::Core
