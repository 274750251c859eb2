// The player's own pages of the wizard: the destination and the kind of installation, the
// add-on bundle, the integration with Windows, and the uninstall options. The setup page works
// on the controller's destination and options; the others leave the user's choices in the
// settings store under the keys of Setup.Product.QOVI.Settings.h.
#pragma once

#include "ORV.Classes.StringList.h"
#include "ORV.Graphics.Image.h"
#include "ORV.UI.RichViewer.h"
#include "ORV.UI.StdControls.h"
#include "Setup.UI.StandardPages.h"

#include <memory>
#include <vector>

namespace Setup::Product::QOVI {

class TSetupPageSetup : public UI::TSetupPage {
public:
    bool CanGoNext() override;
    void Prepare() override { UpdatePage(); }

    void UpdatePage();
    void UpdateOptionBoxes();
    void UpdateModeRadios();
    void UpdateWarnings();
    void AddWarning(const std::u16string& text);
    void ApplyPath(const std::u16string& path);
    void BrowseClick();
    void PathChange();
    void OptionClick();
    void ModeClick();

    ORV::UI::TORVEdit* PathEdit() const { return FPathEdit; }
    ORV::UI::TORVButton* BrowseButton() const { return FBrowse; }
    ORV::UI::TORVCheckBox* UpdateBox() const { return FUpdateBox; }
    ORV::UI::TORVCheckBox* BackupBox() const { return FBackupBox; }
    ORV::UI::TORVRadioButton* StandardRadio() const { return FStandardRadio; }
    ORV::UI::TORVRadioButton* PortableRadio() const { return FPortableRadio; }
    const std::vector<std::unique_ptr<ORV::UI::TORVWarningLabel>>& Warnings() const { return FWarnings; }

protected:
    void CreateControls() override;

private:
    ORV::UI::TORVEdit* FPathEdit = nullptr;
    ORV::UI::TORVButton* FBrowse = nullptr;
    ORV::UI::TORVCheckBox* FUpdateBox = nullptr;
    ORV::UI::TORVCheckBox* FBackupBox = nullptr;
    ORV::UI::TORVRadioButton* FStandardRadio = nullptr;
    ORV::UI::TORVRadioButton* FPortableRadio = nullptr;
    std::vector<std::unique_ptr<ORV::UI::TORVWarningLabel>> FWarnings;
    bool FTyping = false;
    bool FUpdating = false;
};

class TSetupPageAddons : public UI::TSetupPage {
public:
    // Reads "addons.ini" and its picture; raises when either is missing.
    TSetupPageAddons();
    void Prepare() override;
    void SaveChoices();

    ORV::UI::TORVCheckBox* ViewerBox() const { return FViewerBox; }
    ORV::UI::TORVCheckBox* ExtensionsBox() const { return FExtensionsBox; }
    ORV::UI::TORVCheckBox* ShortcutsBox() const { return FShortcutsBox; }

protected:
    void CreateControls() override;
    void Localize() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::unique_ptr<ORV::TORVStringList> FInfo;
    std::unique_ptr<ORV::TORVImage> FAddonPicture;
    ORV::UI::TORVRichViewer* FInfoLabel1 = nullptr;
    ORV::UI::TORVRichViewer* FInfoLabel2 = nullptr;
    ORV::UI::TORVCheckBox* FViewerBox = nullptr;
    ORV::UI::TORVCheckBox* FExtensionsBox = nullptr;
    ORV::UI::TORVCheckBox* FShortcutsBox = nullptr;
};

class TSetupPageIntegration : public UI::TSetupPage {
public:
    bool IsAvailable() override;
    void Prepare() override;
    void SaveChoices();

    ORV::UI::TORVCheckBox* DesktopBox() const { return FDesktopBox; }
    ORV::UI::TORVCheckBox* StartMenuBox() const { return FStartMenuBox; }
    ORV::UI::TORVCheckBox* AssociateBox() const { return FAssociateBox; }
    ORV::UI::TORVCheckBox* IntegrateBox() const { return FIntegrateBox; }
    ORV::UI::TORVCheckBox* ContextMenuBox() const { return FContextMenuBox; }

protected:
    void CreateControls() override;

private:
    ORV::UI::TORVCheckBox* FDesktopBox = nullptr;
    ORV::UI::TORVCheckBox* FStartMenuBox = nullptr;
    ORV::UI::TORVCheckBox* FAssociateBox = nullptr;
    ORV::UI::TORVCheckBox* FIntegrateBox = nullptr;
    ORV::UI::TORVCheckBox* FContextMenuBox = nullptr;
};

class TSetupPageUninstallParams : public UI::TSetupPage {
public:
    void Prepare() override;
    void SaveChoices();

    ORV::UI::TORVCheckBox* RemoveBackupsBox() const { return FRemoveBackupsBox; }
    ORV::UI::TORVCheckBox* RemoveContentBox() const { return FRemoveContentBox; }

protected:
    void CreateControls() override;

private:
    ORV::UI::TORVCheckBox* FRemoveBackupsBox = nullptr;
    ORV::UI::TORVCheckBox* FRemoveContentBox = nullptr;
};

} // namespace Setup::Product::QOVI
