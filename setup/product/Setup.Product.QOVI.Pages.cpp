#include "Setup.Product.QOVI.Pages.h"

#include "ORV.Strings.h"
#include "ORV.SysUtils.h"
#include "ORV.UI.FolderBrowser.h"
#include "ORV.UI.Scaling.h"
#include "ORV.Utils.Strings.h"
#include "Setup.Core.Actions.h"
#include "Setup.Core.Controller.h"
#include "Setup.Core.Resources.h"
#include "Setup.Product.QOVI.Addons.h"
#include "Setup.Product.QOVI.Prepare.h"
#include "Setup.Product.QOVI.Settings.h"
#include "Setup.UI.Geometry.h"

namespace Setup::Product::QOVI {

using namespace Setup::Core;

namespace {

TSetup& Controller() { return TSetupPersistent::Controller(); }
TSetupProductInfo& Product() { return TSetupPersistent::Product(); }
ORV::TORVIniFile& Store() { return Controller().Settings(); }

using UI::WizardGeometry::kPageHeight;
using UI::WizardGeometry::kPageWidth;
// The setup page keeps this much free around its controls; its warnings stand at the bottom.
constexpr RECT kSetupArea{40, 20, kPageWidth - 40, kPageHeight - 20};

// The height in 96-DPI units that Text needs at Width in Control's font.
int TextHeight(const ORV::UI::TORVControl& control, const std::u16string& text, int width, int dpi) {
    const HDC dc = GetDC(control.Handle());
    const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control.Handle(), WM_GETFONT, 0, 0)));
    RECT rect{0, 0, ORV::UI::Scale(width, dpi), 0};
    DrawTextW(dc, ORV::W(text), static_cast<int>(text.size()), &rect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(control.Handle(), dc);
    return MulDiv(rect.bottom - rect.top, ORV::UI::kDesignDpi, dpi) + 2;
}

} // namespace

// ---- destination and kind

void TSetupPageSetup::CreateControls() {
    AddHeading(RECT{40, 30, 40 + 540, 30 + 20}, u"LB1");
    // The edit and its button share one line.
    FPathEdit = &Add<ORV::UI::TORVEdit>(RECT{60, 70, 60 + 540 - 104, 70 + 21}, NextId());
    FPathEdit->SetName(u"PathEdit");
    FPathEdit->OnChange = [this] { PathChange(); };
    FBrowse = &Add<ORV::UI::TORVButton>(GetMessage(u"Browse"), RECT{60 + 540 - 100, 69, 60 + 540, 69 + 23}, NextId());
    FBrowse->OnClick = [this] { BrowseClick(); };
    FUpdateBox = &AddCheckBox(RECT{60, 100, 60 + 540, 100 + 17}, u"CB1", [this] { OptionClick(); });
    FBackupBox = &AddCheckBox(RECT{60, 120, 60 + 540, 120 + 17}, u"CB4", [this] { OptionClick(); });
    AddHeading(RECT{40, 150, 40 + 540, 150 + 20}, u"LB2");
    FPortableRadio = &AddRadioButton(RECT{60, 190, 60 + 540, 190 + 16}, u"CB3", [this] { ModeClick(); });
    AddLabel(RECT{79, 212, 79 + 500, 212 + 48}, u"CB3Hint", true).SetEnabled(false);
    FStandardRadio = &AddRadioButton(RECT{60, 248, 60 + 540, 248 + 16}, u"CB2", [this] { ModeClick(); });
}

bool TSetupPageSetup::CanGoNext() { return !Controller().DestPath().empty(); }

void TSetupPageSetup::UpdatePage() {
    // Changing the edit's text below comes back as a change of the edit; it is ours, not the user's.
    FUpdating = true;
    Changed();
    if (!FTyping) FPathEdit->SetText(Controller().DestPath());
    UpdateOptionBoxes();
    UpdateModeRadios();
    UpdateWarnings();
    FUpdating = false;
}

void TSetupPageSetup::UpdateOptionBoxes() {
    TSetup& controller = Controller();
    FUpdateBox->SetChecked(controller.HasOption(Update));
    FUpdateBox->SetVisible(Product().CanUpdate());
    FBackupBox->SetChecked(!controller.HasOption(NoBackup));
    FBackupBox->SetVisible(controller.HasOption(Update));
}

void TSetupPageSetup::UpdateModeRadios() {
    TSetup& controller = Controller();
    const bool update = controller.HasOption(Update);
    const bool portable = (update ? Product().IsPortable() : controller.HasOption(Portable)) &&
                          !controller.IsDestPathInProgramFiles();
    FPortableRadio->SetChecked(portable);
    FStandardRadio->SetChecked(!portable);
    FPortableRadio->SetEnabled(!update);
    FStandardRadio->SetEnabled(!update);
}

void TSetupPageSetup::UpdateWarnings() {
    FWarnings.clear();
    if (Controller().HasOption(Update)) AddWarning(GetMessage(u"W1"));
    if (InstalledElsewhere()) AddWarning(GetMessage(u"W3"));
}

void TSetupPageSetup::AddWarning(const std::u16string& text) {
    int bottom = kSetupArea.bottom;
    for (const auto& warning : FWarnings) bottom = std::min<int>(bottom, warning->Bounds().top);
    auto warning = std::make_unique<ORV::UI::TORVWarningLabel>(*this, text, RECT{kSetupArea.left, bottom - 40, kSetupArea.right, bottom}, NextId());
    const int height = TextHeight(*warning, warning->Text(), kSetupArea.right - kSetupArea.left, HostDpi());
    warning->SetBounds(RECT{kSetupArea.left, bottom - height, kSetupArea.right, bottom});
    FWarnings.push_back(std::move(warning));
}

void TSetupPageSetup::ApplyPath(const std::u16string& path) {
    if (path == Controller().DestPath()) return;
    Controller().SetDestPath(path);
    UpdatePage();
}

void TSetupPageSetup::BrowseClick() {
    std::u16string path = Controller().DestPath();
    if (!ORV::UI::TORVFolderBrowser::Execute(GetAncestor(Handle(), GA_ROOT), path)) return;
    path = ORV::IncludeTrailingBackslash(path);
    const std::u16string product = Product().GetProductName();
    std::u16string folder = path.substr(0, path.size() - 1);
    folder = ORV::ExtractFileName(folder);
    ApplyPath(ORV::Platform::SameTextLocale(folder, product) ? path : path + product);
}

void TSetupPageSetup::PathChange() {
    if (FUpdating) return;
    FTyping = true;
    ApplyPath(FPathEdit->Text());
    FTyping = false;
}

void TSetupPageSetup::OptionClick() {
    TSetup& controller = Controller();
    controller.SetOption(NoBackup, !FBackupBox->Checked());
    controller.SetOption(Update, FUpdateBox->Checked());
    UpdatePage();
}

void TSetupPageSetup::ModeClick() {
    TSetup& controller = Controller();
    if (!FPortableRadio->Checked()) {
        if (ORV::Platform::SameTextLocale(controller.DestPath(), Product().GetPortablePath()))
            controller.SetDestPath(Product().GetDefaultPath());
    } else if (controller.IsDestPathInProgramFiles()) {
        controller.SetDestPath(Product().GetPortablePath());
    }
    controller.SetOption(Portable, FPortableRadio->Checked());
    UpdatePage();
}

// ---- add-ons

TSetupPageAddons::TSetupPageAddons()
    : FInfo(Controller().Resources().GetStrings(u"addons.ini")),
      FAddonPicture(Controller().Resources().GetImage(AddonInfoValue(*FInfo, u"I0"))) {}

void TSetupPageAddons::CreateControls() {
    AddLabel(RECT{40, 30, 40 + 300, 30 + 40}, u"L0", true).SetFontSize(11);
    FViewerBox = &AddCheckBox(RECT{60, 100, 60 + 500, 100 + 17}, u"CB1", [this] { SaveChoices(); });
    FExtensionsBox = &AddCheckBox(RECT{60, 120, 60 + 500, 120 + 17}, u"CB2", [this] { SaveChoices(); });
    FShortcutsBox = &AddCheckBox(RECT{60, 140, 60 + 500, 140 + 17}, u"CB3", [this] { SaveChoices(); });
    FInfoLabel1 = &Add<ORV::UI::TORVRichViewer>(RECT{40, 280, 40 + 500, 280 + 20}, NextId(), false);
    FInfoLabel2 = &Add<ORV::UI::TORVRichViewer>(RECT{40, 310, 40 + 550, 310 + 50}, NextId(), false);
}

void TSetupPageAddons::Localize() {
    TSetupPage::Localize();
    FInfoLabel1->SetText(ORV::Format(GetMessage(u"L1"), {AddonInfoValue(*FInfo, u"L0")}));
    FInfoLabel2->SetText(ORV::Format(GetMessage(u"L2"), {AddonInfoValue(*FInfo, u"L1"), AddonInfoValue(*FInfo, u"L2")}));
}

LRESULT TSetupPageAddons::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = TSetupPage::WndProc(message, wParam, lParam);
    if (message == WM_ERASEBKGND && FAddonPicture && !FAddonPicture->Empty()) {
        RECT client{};
        GetClientRect(Handle(), &client);
        const int dpi = HostDpi();
        const int width = ORV::UI::Scale(FAddonPicture->Width(), dpi), height = ORV::UI::Scale(FAddonPicture->Height(), dpi);
        const int right = client.right - ORV::UI::Scale(10, dpi);
        FAddonPicture->Draw(reinterpret_cast<HDC>(wParam), RECT{right - width, 0, right, height});
    }
    return result;
}

void TSetupPageAddons::Prepare() {
    FViewerBox->SetChecked(Store().ReadBool(Settings::kCommon, Settings::kAddonsViewer, true));
    FShortcutsBox->SetChecked(Store().ReadBool(Settings::kCommon, Settings::kAddonsShortcuts, true));
    FExtensionsBox->SetChecked(Store().ReadBool(Settings::kCommon, Settings::kAddonsExtensions, true));
    SaveChoices();
}

void TSetupPageAddons::SaveChoices() {
    Store().WriteBool(Settings::kCommon, Settings::kAddonsViewer, FViewerBox->Checked());
    Store().WriteBool(Settings::kCommon, Settings::kAddonsExtensions, FExtensionsBox->Checked());
    Store().WriteBool(Settings::kCommon, Settings::kAddonsShortcuts, FShortcutsBox->Checked());
}

// ---- integration

void TSetupPageIntegration::CreateControls() {
    const auto save = [this] { SaveChoices(); };
    AddHeading(RECT{40, 30, 40 + 540, 30 + 20}, u"LB1");
    FDesktopBox = &AddCheckBox(RECT{60, 70, 60 + 540, 70 + 16}, u"CB1", save);
    FStartMenuBox = &AddCheckBox(RECT{60, 90, 60 + 540, 90 + 16}, u"CB2", save);
    AddHeading(RECT{40, 120, 40 + 540, 120 + 20}, u"LB2");
    FIntegrateBox = &AddCheckBox(RECT{60, 160, 60 + 540, 160 + 16}, u"CB4", save);
    AddLabel(RECT{79, 180, 79 + 540, 180 + 48}, u"CB4Hint", true).SetEnabled(false);
    FAssociateBox = &AddCheckBox(RECT{60, 230, 60 + 540, 230 + 16}, u"CB3", save);
    FContextMenuBox = &AddCheckBox(RECT{60, 250, 60 + 540, 250 + 16}, u"CB5", save);
}

bool TSetupPageIntegration::IsAvailable() { return !Controller().HasOption(Portable) && !Controller().HasOption(Update); }

void TSetupPageIntegration::Prepare() {
    const bool byDefault = !Controller().HasOption(Portable);
    const auto read = [&](const char16_t* key) { return Store().ReadBool(Settings::kIntegration, key, byDefault); };
    FDesktopBox->SetChecked(read(Settings::kShortcutDesktop));
    FStartMenuBox->SetChecked(read(Settings::kShortcutStartMenu));
    FAssociateBox->SetChecked(read(Settings::kAssociateWithFiles));
    FIntegrateBox->SetChecked(read(Settings::kIntegrateToWindows));
    FContextMenuBox->SetChecked(read(Settings::kRegisterContextMenu));
}

void TSetupPageIntegration::SaveChoices() {
    Store().WriteBool(Settings::kIntegration, Settings::kShortcutDesktop, FDesktopBox->Checked());
    Store().WriteBool(Settings::kIntegration, Settings::kShortcutStartMenu, FStartMenuBox->Checked());
    Store().WriteBool(Settings::kIntegration, Settings::kAssociateWithFiles, FAssociateBox->Checked());
    Store().WriteBool(Settings::kIntegration, Settings::kIntegrateToWindows, FIntegrateBox->Checked());
    Store().WriteBool(Settings::kIntegration, Settings::kRegisterContextMenu, FContextMenuBox->Checked());
}

// ---- uninstall options

void TSetupPageUninstallParams::CreateControls() {
    // The whole width of the page: the texts are long in some languages.
    FRemoveBackupsBox = &AddCheckBox(RECT{44, 40, kPageWidth - 44, 40 + 17}, u"CB1", [this] { SaveChoices(); });
    FRemoveContentBox = &AddCheckBox(RECT{44, 65, kPageWidth - 44, 65 + 17}, u"CB2", [this] { SaveChoices(); });
}

void TSetupPageUninstallParams::Prepare() {
    FRemoveBackupsBox->SetChecked(Store().ReadBool(Settings::kCommon, Settings::kRemoveBackups, false));
    FRemoveContentBox->SetChecked(Store().ReadBool(Settings::kCommon, Settings::kRemoveContent, false));
}

void TSetupPageUninstallParams::SaveChoices() {
    Store().WriteBool(Settings::kCommon, Settings::kRemoveBackups, FRemoveBackupsBox->Checked());
    Store().WriteBool(Settings::kCommon, Settings::kRemoveContent, FRemoveContentBox->Checked());
}

} // namespace Setup::Product::QOVI
