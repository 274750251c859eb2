#include "Setup.UI.StandardPages.h"

#include "ORV.Strings.h"
#include "ORV.UI.Scaling.h"
#include "ORV.UI.Themes.h"
#include "Setup.Core.Actions.h"
#include "Setup.Core.Controller.h"
#include "Setup.Core.Launch.h"
#include "Setup.Core.Resources.h"
#include "Setup.Core.Summary.h"
#include "ORV.SysUtils.h"
#include "Setup.UI.Geometry.h"
#include "Setup.UI.Palette.h"

namespace Setup::UI {

namespace {

Core::TSetup& Controller() { return Core::TSetupPersistent::Controller(); }

using WizardGeometry::kPageWidth;
constexpr int kFullScreenHeight = WizardGeometry::kFullScreenPageHeight;
constexpr RECT kPictureRect{0, 0, 188, 435};
constexpr COLORREF kErrorRed = RGB(0xFF, 0x00, 0x00);
constexpr COLORREF kLinkBlue = RGB(0x00, 0x66, 0xCC);

// Lets the interface repaint while the worker waits for a notification to be handled.
void ProcessMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

} // namespace

// ---- the base

std::u16string TSetupPage::GetMessage(std::u16string_view key) const {
    return Controller().Resources().GetMessage(Name(), key);
}

void TSetupPage::WindowCreated() {
    CreateControls();
    Localize();
}

void TSetupPage::Localize() {
    FTitle = GetMessage(u"Title");
    FDescription = GetMessage(u"Description");
    for (const auto& control : FControls)
        if (!control->Name().empty()) control->SetText(GetMessage(control->Name()));
}

ORV::UI::TORVLabel& TSetupPage::AddLabel(const RECT& rect, const std::u16string& name, bool wordWrap) {
    ORV::UI::TORVLabel& label = Add<ORV::UI::TORVLabel>(name, rect, FNextId++, wordWrap);
    label.SetName(name);
    return label;
}

ORV::UI::TORVLabel& TSetupPage::AddHeading(const RECT& rect, const std::u16string& name) {
    ORV::UI::TORVLabel& label = AddLabel(rect, name, false);
    label.SetFontSize(11);
    return label;
}

ORV::UI::TORVCheckBox& TSetupPage::AddCheckBox(const RECT& rect, const std::u16string& name,
                                               std::function<void()> onClick) {
    ORV::UI::TORVCheckBox& box = Add<ORV::UI::TORVCheckBox>(name, rect, FNextId++);
    box.SetName(name);
    box.OnClick = std::move(onClick);
    return box;
}

ORV::UI::TORVRadioButton& TSetupPage::AddRadioButton(const RECT& rect, const std::u16string& name,
                                                     std::function<void()> onClick) {
    ORV::UI::TORVRadioButton& radio = Add<ORV::UI::TORVRadioButton>(name, rect, FNextId++);
    radio.SetName(name);
    radio.OnClick = std::move(onClick);
    return radio;
}

void TSetupPage::Changed() { Controller().SendNotify(Core::snPageChanged, 0); }

// ---- full screen

void TSetupPageFullScreen::CreateControls() {
    Picture = Controller().Resources().GetImage(ORV::UI::IsAppsDarkMode() ? u"wizard_dark.png" : u"wizard_light.png");
    TextLabel = &AddLabel(RECT{210, 61, 210 + 400, 61 + 240}, u"L2", true);
    // Two lines of the heading end where the text begins.
    CaptionLabel = &AddLabel(RECT{210, 22, 210 + 400, 61}, u"L1", true);
    CaptionLabel->SetFontSize(11);
}

LRESULT TSetupPageFullScreen::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = TSetupPage::WndProc(message, wParam, lParam);
    if (message == WM_ERASEBKGND && Picture) Picture->Draw(reinterpret_cast<HDC>(wParam), ORV::UI::Scale(kPictureRect, HostDpi()));
    return result;
}

// ---- licence and summary

namespace {

using WizardGeometry::kPageHeight;

bool FolderExists(const std::u16string& path) { return ORV::DirectoryExists(path); }

// Links of the texts open with the desktop user's rights.
void OpenLink(const std::u16string& text) { Core::TSetupSpawnService::Execute(ORV::UI::LinkTarget(text, &FolderExists)); }

} // namespace

void TSetupPageLicense::CreateControls() {
    FViewer = &Add<ORV::UI::TORVRichViewer>(RECT{28, 22, kPageWidth - 28, kPageHeight - 4 - 16 - 22 - 4}, 2100);
    FViewer->OnLink = &OpenLink;
    FAcceptBox = &AddCheckBox(RECT{28, kPageHeight - 22 - 16, kPageWidth - 28, kPageHeight - 22}, u"L1", [this] { Changed(); });
}

void TSetupPageLicense::Prepare() {
    const std::unique_ptr<ORV::TMemoryStream> license = Controller().Resources().GetLicense();
    FViewer->LoadFromStream(license.get());
    if (!FAcceptBox->Checked()) FViewer->SetFocus();
}

void TSetupPageReadyToInstall::CreateControls() {
    FViewer = &Add<ORV::UI::TORVRichViewer>(RECT{28, 22, kPageWidth - 28, kPageHeight - 22}, 2200);
    // Only to read: no focus, no selection.
    FViewer->SetEnabled(false);
}

void TSetupPageReadyToInstall::Prepare() {
    const Core::TSetupResources& resources = Controller().Resources();
    Core::TSetupSummaryBuilder builder(
        [&](std::u16string_view section, std::u16string_view key) { return resources.GetMessage(section, key); });
    Core::TSetupPersistent::Product().EnumActions([&](const Core::TSetupActionClass& actionClass) {
        const std::unique_ptr<Core::TSetupAction> action = actionClass.Create();
        action->BuildSummary(builder);
    });
    FViewer->SetText(builder.ToString());
}

// ---- progress

TSetupPageInstall::TSetupPageInstall() { Controller().AddListener(this); }

TSetupPageInstall::~TSetupPageInstall() { Controller().RemoveListener(this); }

void TSetupPageInstall::CreateControls() {
    FActionBar = &Add<ORV::UI::TORVProgressBar>(RECT{30, 40, 30 + 580, 40 + 18});
    FTotalBar = &Add<ORV::UI::TORVProgressBar>(RECT{30, 65, 30 + 580, 65 + 18});
    // Unnamed: its first text is set here, and the worker's texts follow.
    FStatus = &Add<ORV::UI::TORVLabel>(GetMessage(u"L1"), RECT{30, 16, 30 + 580, 16 + 18}, -1, false);
    FStatus->SetFontSize(8);
    ApplyPalette();
}

void TSetupPageInstall::ApplyPalette() {
    const TWizardPalette palette = WizardPalette();
    for (ORV::UI::TORVProgressBar* bar : {FActionBar, FTotalBar})
        if (bar) bar->SetColors(palette.Accent, palette.StripBackground);
}

int32_t TSetupPageInstall::GetProgress() { return FTotalBar ? FTotalBar->Position() : 0; }

void TSetupPageInstall::Prepare() { Controller().StartWorker(false); }

void TSetupPageInstall::Notify(int32_t code, intptr_t param) {
    switch (code) {
    case Core::snFinished:
        FFinished = true;
        break;
    case Core::snProgress: {
        const auto value = static_cast<uint32_t>(param);
        const int current = static_cast<int>(value & 0xFFFF), overall = static_cast<int>(value >> 16);
        if (!FActionBar || (FActionBar->Position() == current && FTotalBar->Position() == overall)) return;
        FActionBar->SetPosition(current);
        FTotalBar->SetPosition(overall);
        ProcessMessages();
        break;
    }
    case Core::snStatusText:
        if (FStatus) FStatus->SetText(*reinterpret_cast<const std::u16string*>(param));
        ProcessMessages();
        break;
    default:
        break;
    }
}

// ---- finish

void TSetupPageCustomFinish::CreateControls() {
    TSetupPageFullScreen::CreateControls();
    FErrorMemo = &Add<ORV::UI::TORVMemo>(RECT{210, 120, kPageWidth - 20, kFullScreenHeight - 4});
}

void TSetupPageCustomFinish::Prepare() {
    const bool failed = Controller().HasErrors();
    FErrorMemo->SetVisible(failed);
    if (!failed) return;
    CaptionLabel->SetTextColor(kErrorRed);
    CaptionLabel->SetText(GetMessage(u"E1"));
    std::u16string lines;
    const ORV::TORVStringList& errors = Controller().Errors();
    for (int32_t i = 0; i < errors.Count(); ++i) {
        if (i) lines += u"\r\n";
        lines += errors.Strings(i);
    }
    FErrorMemo->SetText(lines);
    TextLabel->SetText(GetMessage(u"E2"));
}

void TSetupPageFinish::CreateControls() {
    TSetupPageCustomFinish::CreateControls();
    FLinkLabel = &Add<ORV::UI::TORVLinkLabel>(u"L3", RECT{210, kFullScreenHeight - 4 - 16, kPageWidth - 20, kFullScreenHeight - 4}, 2999);
    FLinkLabel->SetName(u"L3");
    FLinkLabel->SetTextColor(kLinkBlue);
    FLinkLabel->SetFontSize(8);
    FLinkLabel->OnClick = [] { Core::TSetupSpawnService::Execute(Core::TSetupPersistent::Product().GetHomePage()); };
    const Core::TSetupScriptGroup& actions = Controller().Resources().Script().Actions();
    for (int i = 0; i < actions.Count(); ++i) {
        ORV::UI::TORVCheckBox& box =
            AddCheckBox(RECT{210, 120 + 24 * i, 210 + 320, 120 + 24 * i + 17}, u"CB" + ORV::IntToStr(i + 1), [this] { SaveActions(); });
        box.SetChecked(true);
        FActionBoxes.push_back(&box);
    }
}

void TSetupPageFinish::Prepare() {
    TSetupPageCustomFinish::Prepare();
    const Core::TSetupScriptGroup& actions = Controller().Resources().Script().Actions();
    for (size_t i = 0; i < FActionBoxes.size(); ++i) {
        FActionBoxes[i]->SetText(GetMessage(actions.Files(static_cast<int>(i)).ResolvedValue()));
        FActionBoxes[i]->SetVisible(!Controller().HasErrors());
    }
    SaveActions();
}

void TSetupPageFinish::SaveActions() {
    const Core::TSetupScriptGroup& actions = Controller().Resources().Script().Actions();
    for (size_t i = 0; i < FActionBoxes.size(); ++i)
        Controller().Settings().WriteBool(u"Actions", actions.Files(static_cast<int>(i)).Name, FActionBoxes[i]->Checked());
}

} // namespace Setup::UI
