#include "Setup.Product.QOVI.Addons.h"

#include "ORV.Classes.StringList.h"
#include "ORV.Strings.h"
#include "ORV.SysUtils.h"
#include "ORV.Win32.h"
#include "ORV.Win32.Handles.h"
#include "Setup.Core.Errors.h"
#include "Setup.Core.Launch.h"
#include "Setup.Core.Resources.h"
#include "Setup.Product.QOVI.Settings.h"

#include <shellapi.h>

namespace Setup::Product::QOVI {

using namespace Setup::Core;
using ORV::W;

namespace {

bool IsPlainFileName(const std::u16string& name) {
    return !name.empty() && name != u"." && name != u".." &&
           name.find_first_of(u"\\/:") == std::u16string::npos;
}

struct TAddonChoices {
    bool Viewer, Extensions, Shortcuts;
};

TAddonChoices ReadChoices() {
    ORV::TORVIniFile& settings = TSetupAction::Settings();
    return {settings.ReadBool(Settings::kCommon, Settings::kAddonsViewer, false),
            settings.ReadBool(Settings::kCommon, Settings::kAddonsExtensions, false),
            settings.ReadBool(Settings::kCommon, Settings::kAddonsShortcuts, false)};
}

} // namespace

std::u16string AddonInfoValue(const ORV::TORVStringList& info, std::u16string_view name) {
    for (int32_t i = 0; i < info.Count(); ++i)
        if (info.Names(i) == name) return std::u16string(info.ValueFromIndex(i));
    return {};
}

std::u16string TSetupActionAddonsInstall::ChoiceParameters(const ORV::TORVStringList& values, bool viewer,
                                                           bool extensions, bool shortcuts) {
    std::u16string text;
    if (!extensions) text += AddonInfoValue(values, u"P1") + u" ";
    if (viewer) text += AddonInfoValue(values, u"P2") + u" ";
    if (shortcuts) text += AddonInfoValue(values, u"P3") + u" ";
    return text;
}

void TSetupActionAddonsInstall::BuildSummary(TSetupSummaryBuilder& builder) {
    const TAddonChoices choices = ReadChoices();
    builder.SetHeader(u"PageAddons", u"Title");
    if (choices.Viewer) builder.AddItem(u"PageAddons", u"CB1");
    if (choices.Extensions) builder.AddItem(u"PageAddons", u"CB2");
    if (choices.Shortcuts) builder.AddItem(u"PageAddons", u"CB3");
}

void TSetupActionAddonsInstall::Execute() {
    const TAddonChoices choices = ReadChoices();
    if (!choices.Viewer && !choices.Extensions && !choices.Shortcuts) return;
    const std::unique_ptr<ORV::TORVStringList> values = Resources().GetStrings(u"addons.ini");
    const std::u16string name = AddonInfoValue(*values, u"P4");
    if (!IsPlainFileName(name))
        throw EInstallerGeneralError(ORV::Format(u"\"%s\" is not a valid add-on installer name", {name}));
    const std::unique_ptr<ORV::TMemoryStream> installer = Resources().GetFile(name);

    const std::u16string folder = CreateFreshFolder(TempFolder());
    const std::u16string target = folder + name;
    {
        ORV::TFileStream file(target, ORV::fmCreate);
        file.WriteBuffer(installer->Memory(), installer->Length());
    }
    // The installer may still run when we end; the restart tidies up after it.
    DeleteOnReboot(target);
    DeleteOnReboot(folder.substr(0, folder.size() - 1));

    const std::u16string parameters = ORV::Format(AddonInfoValue(*values, u"CL"),
                                                  {ChoiceParameters(*values, choices.Viewer, choices.Extensions,
                                                                    choices.Shortcuts)});
    // The shell may hand the start to extensions that want an apartment on this thread.
    const ORV::TComInitialization com;
    ShellExecuteW(nullptr, nullptr, W(target), W(parameters), nullptr, SW_SHOW);
}

} // namespace Setup::Product::QOVI
