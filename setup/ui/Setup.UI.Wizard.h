// The wizard's window: a fixed frame (header with the page's title and description, a thin
// progress strip, a bottom bar with the version text and the Back and Next buttons) around one
// page at a time. It moves between the pages of its run, follows the worker's notifications,
// asks before it closes during a run and mirrors the progress on its taskbar button.
#pragma once

#ifndef _WIN32
#error "Setup.UI.Wizard.h is for the Windows build only"
#endif

#include "ORV.Graphics.Image.h"
#include "ORV.UI.AeroPeek.h"
#include "ORV.UI.Controls.h"
#include "ORV.UI.StdControls.h"
#include "Setup.Core.Controller.h"
#include "Setup.Core.Notify.h"
#include "Setup.UI.Pages.h"
#include "Setup.UI.Geometry.h"
#include "Setup.UI.Palette.h"

#include <memory>
#include <vector>

namespace Setup::UI {

class TWizardForm;

// What the frame's drawing needs of the form.
class TWizardCustomViewInfo {
public:
    explicit TWizardCustomViewInfo(const TWizardForm& form) : FForm(form) {}
    int Dpi() const;

protected:
    const TWizardForm& Form() const { return FForm; }

private:
    const TWizardForm& FForm;
};

// The progress strip: the pages' segments, patterned for the current page and filled up to
// its progress.
class TWizardProgressViewInfo : public TWizardCustomViewInfo {
public:
    using TWizardCustomViewInfo::TWizardCustomViewInfo;
    // From the strip's rectangle at the form's DPI and the number of pages: with more than two
    // pages each segment is the bar's width / (pages - 1); otherwise the width stays as it was.
    void Calculate(int pageCount);
    void Draw(HDC dc, const TWizardPalette& palette, int pageIndex, int pageProgress) const;

    RECT Bounds{};
    RECT BarBounds{};
    int SegmentWidth = 0;
};

// The frame around the page: background, bottom bar, header picture and line, header texts.
class TWizardFormViewInfo : public TWizardCustomViewInfo {
public:
    // Loads "header.png" and "header_dark.png" of the setup resources; raises as GetImage does.
    TWizardFormViewInfo(const TWizardForm& form, const Core::TSetupResources& resources);
    void Draw(HDC dc, const RECT& client, const TWizardPalette& palette, const std::u16string& title,
              const std::u16string& description) const;

    std::unique_ptr<ORV::TORVImage> HeaderImage, HeaderDarkImage;
};

class TWizardForm : public ORV::UI::TORVForm, public Core::IInstallerNotify {
public:
    // The whole window of the run of Setup: its pages (CreatePages), texts, buttons and first
    // page. Raises what loading the header images raises.
    explicit TWizardForm(Core::TSetup& setup);
    ~TWizardForm() override;

    // The pages of the run: the product's (not in Auto runs), then the install and finish pages,
    // or the uninstall pages.
    void CreatePages(TSetupPageList& list);
    void Localize();
    void SetActivePage(TSetupCustomPage* page);
    void UpdateButtons();
    void UpdateProgress();
    void UpdateProgressLayout();
    void bNextClick();
    void bBackClick();
    void Notify(int32_t code, intptr_t param) override;

    TSetupCustomPage* ActivePage() const { return FActivePage; }
    TSetupPageList& Pages() { return FPages; }
    const TWizardProgressViewInfo& ProgressViewInfo() const { return FProgressViewInfo; }
    ORV::UI::TORVButton& BackButton() { return FBack; }
    ORV::UI::TORVButton& NextButton() { return FNext; }
    ORV::UI::TORVLabel& VersionLabel() { return FVersion; }
    // The header's title and the progress strip as screen readers see them: a text that names the
    // page, and a progress bar of the whole run (0..100).
    ORV::UI::TORVHostPaintedControl& Header() { return FHeader; }
    ORV::UI::TORVHostPaintedControl& Strip() { return FStrip; }
    const ORV::UI::TORVAeroPeek& Taskbar() const { return FTaskbar; }
    const TWizardPalette& Palette() const { return FPalette; }
    Core::TSetup& Setup() const { return FSetup; }

protected:
    void Paint(HDC dc, const RECT& client) override;
    bool CloseQuery() override;
    void CancelPressed() override { Close(); }
    void ThemeChanged() override;
    void DpiChanged() override;
    ORV::UI::TORVColors Colors() const override;
    ORV::UI::TORVColors ControlColors(const ORV::UI::TORVControl& control) const override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    RECT PageAreaOf(const TSetupCustomPage& page) const;
    // The whole frame in client coordinates, for the form and for its painted controls.
    void PaintFrame(HDC dc);
    void RepaintFrame();

    Core::TSetup& FSetup;
    TWizardPalette FPalette;
    TSetupCustomPage* FActivePage = nullptr;
    TSetupPageList FPages;
    TWizardProgressViewInfo FProgressViewInfo;
    ORV::UI::TORVAeroPeek FTaskbar;
    TWizardFormViewInfo FViewInfo;
    ORV::UI::TORVLabel FVersion;
    ORV::UI::TORVButton FBack;
    ORV::UI::TORVButton FNext;
    ORV::UI::TORVHostPaintedControl FHeader;
    ORV::UI::TORVHostPaintedControl FStrip;
    bool FListening = false;
    bool FCloseWhenFinished = false;  // the window goes when the run ends (Auto, or confirmed by the user)
};

} // namespace Setup::UI
