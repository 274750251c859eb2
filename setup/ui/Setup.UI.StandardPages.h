// The page base classes and the pages that every run ends with: the progress page, which starts
// the worker and follows it, and the finish page with the result of the run.
#pragma once

#ifndef _WIN32
#error "Setup.UI.StandardPages.h is for the Windows build only"
#endif

#include "ORV.Graphics.Image.h"
#include "ORV.UI.RichViewer.h"
#include "ORV.UI.StdControls.h"
#include "Setup.Core.Notify.h"
#include "Setup.UI.Pages.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Setup::UI {

// A page with its texts in its own section of the language file and its own controls.
class TSetupPage : public TSetupCustomPage {
public:
    std::u16string Title() override { return FTitle; }
    std::u16string Description() override { return FDescription; }
    // The text of Key in the page's section, with the path macros expanded.
    std::u16string GetMessage(std::u16string_view key) const;

protected:
    // Makes the page's controls; by default none.
    virtual void CreateControls() {}
    // Title and Description, then the text of every named control: [Name] <control name>.
    virtual void Localize();
    void WindowCreated() override;

    // Controls of the page, owned by it; Name is the key of its text (and its text until
    // Localize runs).
    ORV::UI::TORVLabel& AddLabel(const RECT& rect, const std::u16string& name, bool wordWrap);
    ORV::UI::TORVLabel& AddHeading(const RECT& rect, const std::u16string& name);
    ORV::UI::TORVCheckBox& AddCheckBox(const RECT& rect, const std::u16string& name, std::function<void()> onClick);
    ORV::UI::TORVRadioButton& AddRadioButton(const RECT& rect, const std::u16string& name, std::function<void()> onClick);
    // A new control identifier of the page.
    int NextId() { return FNextId++; }
    template <typename T, typename... TArgs>
    T& Add(TArgs&&... args) {
        auto control = std::make_unique<T>(*this, std::forward<TArgs>(args)...);
        T& result = *control;
        FControls.push_back(std::move(control));
        return result;
    }

    // Tells the wizard that what the page allows has changed.
    void Changed();

private:
    std::u16string FTitle, FDescription;
    std::vector<std::unique_ptr<ORV::UI::TORVControl>> FControls;
    int FNextId = 2000;
};

// A page without header over the whole frame above the bottom bar: the picture on the left,
// a heading ("L1") and a text ("L2").
class TSetupPageFullScreen : public TSetupPage {
public:
    bool IsFullScreen() const override { return true; }

protected:
    void CreateControls() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    std::unique_ptr<ORV::TORVImage> Picture;
    ORV::UI::TORVLabel* TextLabel = nullptr;
    ORV::UI::TORVLabel* CaptionLabel = nullptr;
};

// The first page of an interactive install: its heading and text.
class TSetupPageWelcome : public TSetupPageFullScreen {};

// The licence of the chosen language's family, and the box that accepts it.
class TSetupPageLicense : public TSetupPage {
public:
    bool CanGoBack() override { return false; }
    bool CanGoNext() override { return FAcceptBox && FAcceptBox->Checked(); }
    void Prepare() override;

    ORV::UI::TORVCheckBox* AcceptBox() const { return FAcceptBox; }
    ORV::UI::TORVRichViewer* Viewer() const { return FViewer; }

protected:
    void CreateControls() override;

private:
    ORV::UI::TORVCheckBox* FAcceptBox = nullptr;
    ORV::UI::TORVRichViewer* FViewer = nullptr;
};

// What the run will do, from every action of the run, built again at every entry.
class TSetupPageReadyToInstall : public TSetupPage {
public:
    void Prepare() override;
    ORV::UI::TORVRichViewer* Viewer() const { return FViewer; }

protected:
    void CreateControls() override;

private:
    ORV::UI::TORVRichViewer* FViewer = nullptr;
};

// The page of the run: entering it starts the worker; it shows the status line and the
// progress of the action and of the whole run, and lets the wizard go on once the run ended.
class TSetupPageInstall : public TSetupPage, public Core::IInstallerNotify {
public:
    TSetupPageInstall();
    ~TSetupPageInstall() override;

    bool IsInstallPage() const override { return true; }
    bool CanGoBack() override { return false; }
    bool CanGoNext() override { return FFinished; }
    int32_t GetProgress() override;
    void Prepare() override;
    void Notify(int32_t code, intptr_t param) override;

    bool Finished() const { return FFinished; }
    const ORV::UI::TORVLabel* StatusLabel() const { return FStatus; }

    // The bars in the wizard's colours; again after a change of the theme.
    void ApplyPalette();

protected:
    void CreateControls() override;

private:
    ORV::UI::TORVLabel* FStatus = nullptr;
    ORV::UI::TORVProgressBar* FActionBar = nullptr;
    ORV::UI::TORVProgressBar* FTotalBar = nullptr;
    bool FFinished = false;
};

class TSetupPageUninstall : public TSetupPageInstall {
public:
    bool IsUninstallPage() const override { return true; }
};

// The last page: the success texts, or the red "E1" heading, "E2" and the run's errors.
class TSetupPageCustomFinish : public TSetupPageFullScreen {
public:
    bool CanGoBack() override { return false; }
    void Prepare() override;

    const ORV::UI::TORVMemo* ErrorMemo() const { return FErrorMemo; }

protected:
    void CreateControls() override;

private:
    ORV::UI::TORVMemo* FErrorMemo = nullptr;
};

// The finish page of an install: the run-after choices, written at once, and the home page.
class TSetupPageFinish : public TSetupPageCustomFinish {
public:
    void Prepare() override;
    // Writes each box's state to the settings as [Actions] <entry's name>.
    void SaveActions();

    const std::vector<ORV::UI::TORVCheckBox*>& ActionBoxes() const { return FActionBoxes; }

protected:
    void CreateControls() override;

private:
    std::vector<ORV::UI::TORVCheckBox*> FActionBoxes;
    ORV::UI::TORVLinkLabel* FLinkLabel = nullptr;
};

class TSetupPageUninstallFinish : public TSetupPageCustomFinish {};

} // namespace Setup::UI
