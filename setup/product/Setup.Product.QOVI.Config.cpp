#include "Setup.Product.QOVI.Config.h"

#include "ORV.FileFormats.INI.h"
#include "ORV.Strings.h"
#include "ORV.SysUtils.h"
#include "ORV.Win32.h"
#include "Setup.Product.QOVI.Settings.h"

#include <objbase.h>

namespace Setup::Product::QOVI {

using namespace Setup::Core;

std::u16string TSetupActionConfig::NewGuid() {
    GUID guid{};
    if (FAILED(CoCreateGuid(&guid))) ORV::RaiseLastOSError();
    wchar_t text[40] = {};
    if (StringFromGUID2(guid, text, 40) == 0) ORV::RaiseLastOSError();
    return ORV::FromW(text);  // upper-case hexadecimal digits in braces
}

void TSetupActionConfig::Execute() {
    ShowStatus(GetCommonMessage(u"A6"));
    const std::u16string fileName = Controller().DestPath() + u"QOVI.ini";
    const std::unique_ptr<ORV::TORVIniFile> config = ORV::TORVIniFile::Create<ORV::TORVIniFile>(fileName);
    config->WriteSectionText(Settings::kIntegration, Controller().Settings().ReadSectionText(Settings::kIntegration));
    config->DeleteSection(u"System");
    config->WriteString(u"System", u"ID", NewGuid());
    config->WriteString(u"System", u"DefaultLang", Resources().LanguageName() + u".lng");
    config->WriteBool(u"System", u"UserMode", !Controller().HasOption(Portable));
    config->WriteInteger(u"System", u"Version", Product().GetProductVersionId());
    // A configuration that did not reach the disk is a failed run, not a quiet one.
    if (!config->UpdateFile()) throw ORV::EFCreateError(ORV::Format(u"Cannot create file \"%s\"", {fileName}));
}

} // namespace Setup::Product::QOVI
