#include "Setup.UI.Wizard.h"

#include "ORV.Callbacks.h"
#include "ORV.UI.Dialogs.h"
#include "ORV.UI.FolderBrowser.h"
#include "ORV.UI.Scaling.h"
#include "ORV.UI.Themes.h"
#include "Setup.Core.Log.h"
#include "Setup.Core.Resources.h"
#include "Setup.UI.StandardPages.h"

namespace Setup::UI {

using namespace WizardGeometry;
using ORV::UI::Scale;

namespace {

constexpr UINT kQuestionFlags = MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2;  // 289
constexpr int kBackId = 1001;

void Fill(HDC dc, const RECT& rect, COLORREF color) {
    const HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

HFONT SegoeUI(int points, int dpi) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(points, dpi, 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    wcscpy(font.lfFaceName, L"Segoe UI");
    return CreateFontIndirectW(&font);
}

void DrawLine(HDC dc, const std::u16string& text, RECT rect, int points, int dpi, UINT align) {
    const HFONT font = SegoeUI(points, dpi);
    const HGDIOBJ previous = SelectObject(dc, font);
    DrawTextW(dc, ORV::W(text), static_cast<int>(text.size()), &rect,
              align | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | DT_LEFT);
    SelectObject(dc, previous);
    DeleteObject(font);
}

} // namespace

TWizardPalette WizardPalette() {
    if (ORV::UI::IsHighContrast()) {
        const COLORREF window = GetSysColor(COLOR_WINDOW), text = GetSysColor(COLOR_WINDOWTEXT);
        return {GetSysColor(COLOR_HIGHLIGHT), window, window, text, GetSysColor(COLOR_HIGHLIGHTTEXT), text};
    }
    if (ORV::UI::IsAppsDarkMode())
        return {RGB(0xAC, 0x67, 0x1C), RGB(0x2A, 0x2A, 0x2A), RGB(0x26, 0x26, 0x26), RGB(0xFF, 0xFF, 0xFF),
                RGB(0xF0, 0xF0, 0xF0), RGB(0xFF, 0xFF, 0xFF)};
    return {RGB(0xDE, 0x8C, 0x33), RGB(0xFF, 0xFF, 0xFF), RGB(0xFF, 0xFF, 0xFF), RGB(0x00, 0x00, 0x00),
            RGB(0xF0, 0xF0, 0xF0), RGB(0x00, 0x00, 0x00)};
}

// ---- view infos

int TWizardCustomViewInfo::Dpi() const { return FForm.Dpi(); }

void TWizardProgressViewInfo::Calculate(int pageCount) {
    Bounds = Scale(kStrip, Dpi());
    BarBounds = Bounds;
    BarBounds.top += Scale(2, Dpi());
    BarBounds.bottom -= Scale(2, Dpi());
    if (pageCount > 2) SegmentWidth = (BarBounds.right - BarBounds.left) / (pageCount - 1);
}

void TWizardProgressViewInfo::Draw(HDC dc, const TWizardPalette& palette, int pageIndex, int pageProgress) const {
    Fill(dc, Bounds, palette.StripBackground);
    if (pageIndex < 0) return;
    const int segmentLeft = BarBounds.left + pageIndex * SegmentWidth;
    const int barWidth = Scale(3, Dpi()), pitch = Scale(6, Dpi());
    for (int i = 0; i < SegmentWidth / pitch; ++i) {
        const int left = segmentLeft + i * pitch;
        Fill(dc, RECT{left, BarBounds.top, left + barWidth, BarBounds.bottom}, palette.Accent);
    }
    Fill(dc, RECT{BarBounds.left, BarBounds.top, segmentLeft + SegmentWidth * pageProgress / 100, BarBounds.bottom},
         palette.Accent);
}

TWizardFormViewInfo::TWizardFormViewInfo(const TWizardForm& form, const Core::TSetupResources& resources)
    : TWizardCustomViewInfo(form), HeaderImage(resources.GetImage(u"header.png")),
      HeaderDarkImage(resources.GetImage(u"header_dark.png")) {}

void TWizardFormViewInfo::Draw(HDC dc, const RECT& client, const TWizardPalette& palette, const std::u16string& title,
                               const std::u16string& description) const {
    const int dpi = Dpi();
    Fill(dc, client, palette.Background);
    Fill(dc, Scale(kBottomBar, dpi), palette.Accent);
    const ORV::TORVImage& header = ORV::UI::IsAppsDarkMode() ? *HeaderDarkImage : *HeaderImage;
    header.Draw(dc, Scale(kHeader, dpi));
    Fill(dc, Scale(kHeaderLine, dpi), palette.Accent);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, palette.HeaderText);
    const RECT area = Scale(kTitleArea, dpi);
    DrawLine(dc, title, area, 11, dpi, DT_TOP);
    DrawLine(dc, description, area, 8, dpi, DT_BOTTOM);
}

// ---- the form

TWizardForm::TWizardForm(Core::TSetup& setup)
    : TORVForm(u"", kWidth, kHeight), FSetup(setup), FPalette(WizardPalette()), FProgressViewInfo(*this),
      FTaskbar(Handle()), FViewInfo(*this, setup.Resources()), FVersion(*this, u"", kVersionLabel),
      FBack(*this, u"bBack", kBackButton, kBackId), FNext(*this, u"bNext", kNextButton, IDOK, true),
      FHeader(*this, L"STATIC", u"", SS_LEFT | SS_NOPREFIX, kTitleArea, -1, [this](HDC dc) { PaintFrame(dc); }),
      FStrip(*this, PROGRESS_CLASSW, u"", 0, kStrip, -1, [this](HDC dc) { PaintFrame(dc); }) {
    FVersion.SetTextColor(FPalette.VersionText);
    FBack.OnClick = [this] { bBackClick(); };
    FNext.OnClick = [this] { bNextClick(); };
    FSetup.AddListener(this);
    FListening = true;
    try {
        CreatePages(FPages);
        Localize();
        UpdateButtons();
        SetActivePage(FPages.First());
    } catch (...) {
        // No destructor runs for a form that was never made.
        FSetup.RemoveListener(this);
        throw;
    }
}

TWizardForm::~TWizardForm() {
    // The run-after programs start when the window goes, unless the run failed or removed.
    ORV::CatchAll([this] { FSetup.RunActions(); });
    if (FListening) FSetup.RemoveListener(this);
}

void TWizardForm::CreatePages(TSetupPageList& list) {
    if (!FSetup.HasOption(Core::Auto))
        FSetup.ProductInfo().EnumPages([&](const Core::TSetupPageClass& pageClass) { list.AddPage(pageClass); });
    if (FSetup.Mode() == Core::smUninstall) {
        list.AddPage(Core::PageClassOf<TSetupPageUninstall>(u"TSetupPageUninstall"));
        list.AddPage(Core::PageClassOf<TSetupPageUninstallFinish>(u"TSetupPageUninstallFinish"));
    } else {
        list.AddPage(Core::PageClassOf<TSetupPageInstall>(u"TSetupPageInstall"));
        list.AddPage(Core::PageClassOf<TSetupPageFinish>(u"TSetupPageFinish"));
    }
}

void TWizardForm::Localize() {
    const Core::TSetupResources& resources = FSetup.Resources();
    SetCaption(resources.GetMessage(u"Common", u"Caption"));
    FBack.SetText(resources.GetMessage(u"Common", u"bBack"));
    FNext.SetText(resources.GetMessage(u"Common", u"bNext"));
    FVersion.SetText(FSetup.ProductInfo().GetFullVersion());
    ORV::UI::TORVFolderBrowser::SetCaptions(resources.GetMessage(u"Common", u"lBrowse"),
                                            resources.GetMessage(u"Common", u"lNewFolder"),
                                            resources.GetMessage(u"Common", u"lCancel"),
                                            resources.GetMessage(u"Common", u"lOk"));
}

RECT TWizardForm::PageAreaOf(const TSetupCustomPage& page) const {
    return page.IsFullScreen() ? kFullScreenPageArea : kPageArea;
}

void TWizardForm::SetActivePage(TSetupCustomPage* page) {
    if (page == FActivePage) return;
    if (FActivePage) FActivePage->Hide();
    FActivePage = nullptr;
    if (page) {
        FActivePage = page;
        page->Place(Handle(), PageAreaOf(*page));
        page->Prepare();
        page->Show();
        FHeader.SetText(page->Title());
        // A full-screen page covers the header and the strip: hidden, they are not read out either.
        FHeader.SetVisible(!page->IsFullScreen());
        FStrip.SetVisible(!page->IsFullScreen());
    }
    UpdateButtons();
    if (!GetFocus() || !IsChild(Handle(), GetFocus())) {
        if (FNext.Visible() && FNext.Enabled()) FNext.SetFocus();
    }
    UpdateProgress();
    // The header tells the new page: screen readers hear its title.
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, FHeader.Handle(), OBJID_CLIENT, CHILDID_SELF);
    if (FActivePage && FActivePage == FPages.Last() && FSetup.HasErrors())
        NotifyWinEvent(EVENT_SYSTEM_ALERT, FHeader.Handle(), OBJID_CLIENT, CHILDID_SELF);
}

void TWizardForm::bNextClick() {
    if (FPages.CanMoveNext(FActivePage))
        SetActivePage(FPages.NextPage(FActivePage));
    else if (FActivePage && FActivePage == FPages.Last())
        Close();
}

void TWizardForm::bBackClick() {
    if (FPages.CanMoveBack(FActivePage)) SetActivePage(FPages.PrevPage(FActivePage));
}

void TWizardForm::UpdateButtons() {
    FBack.SetVisible(FPages.CanMoveBack(FActivePage));
    FNext.SetEnabled(FPages.CanMoveNext(FActivePage) || (FActivePage && FActivePage == FPages.Last()));
    const TSetupCustomPage* next = FPages.NextPage(FActivePage);
    const char16_t* key = !next                      ? u"bFinish"
                          : next->IsUninstallPage() ? u"bUninstall"
                          : next->IsInstallPage()   ? u"bInstall"
                                                    : u"bNext";
    FNext.SetText(FSetup.Resources().GetMessage(u"Common", key));
    if (FSetup.State() == Core::ssFinished) {
        if (FSetup.HasErrors()) FTaskbar.SetState(ORV::UI::TORVTaskbarState::Error);
        // After a run the window is left through the Finish button.
        EnableMenuItem(GetSystemMenu(Handle(), FALSE), SC_CLOSE, MF_BYCOMMAND | MF_DISABLED | MF_GRAYED);
    }
    UpdateProgressLayout();
}

void TWizardForm::UpdateProgressLayout() { FProgressViewInfo.Calculate(FPages.Count()); }

void TWizardForm::UpdateProgress() {
    const int64_t value = FActivePage ? int64_t(FPages.IndexOf(FActivePage)) * 100 + FActivePage->GetProgress() : 0;
    const int64_t maximum = int64_t(FPages.Count()) * 100 - 100;
    FTaskbar.SetProgress(static_cast<uint64_t>(value), static_cast<uint64_t>(maximum > 0 ? maximum : 0));
    // The strip's control carries the same progress in percent, which screen readers announce.
    SendMessageW(FStrip.Handle(), PBM_SETPOS, static_cast<WPARAM>(maximum > 0 ? value * 100 / maximum : 0), 0);
    RepaintFrame();
}

void TWizardForm::Notify(int32_t code, intptr_t) {
    switch (code) {
    case Core::snFinished:
        // An automatic run closes by itself unless it has errors to show, and a run that nobody
        // watches closes in any case: its errors are in the exit code and the log.
        if (FCloseWhenFinished || (FSetup.HasOption(Core::Auto) && !FSetup.HasErrors()) ||
            FSetup.HasOption(Core::NoMessageBoxes)) {
            FCloseWhenFinished = true;
            PostMessageW(Handle(), WM_CLOSE, 0, 0);
        } else {
            bNextClick();
        }
        break;
    case Core::snPageChanged:
        UpdateButtons();
        break;
    case Core::snProgressChanged:
        UpdateProgress();
        break;
    default:
        break;
    }
}

bool TWizardForm::CloseQuery() {
    if (FSetup.State() == Core::ssFinished) return true;
    const std::u16string caption = FSetup.Resources().GetMessage(u"Common", u"Caption");
    const std::u16string question = FSetup.Resources().GetMessage(u"Common", u"QM");
    Core::LogLine(u"Question: " + question);
    const int answer = ORV::UI::MessageDlg(question, caption, kQuestionFlags);
    Core::LogLine(answer == IDOK ? u"Answer: OK" : u"Answer: Cancel");
    if (FSetup.State() == Core::ssFinished) {
        // The run ended while the question was up, and the question's own message loop took the
        // close that the end asked for: it is asked for again now that the box is gone.
        if (FCloseWhenFinished) PostMessageW(Handle(), WM_CLOSE, 0, 0);
        return false;
    }
    if (answer != IDOK) return false;
    if (FSetup.State() == Core::ssRunning) {
        // The worker may be waiting for this thread at this moment (a notification that is being
        // handled, a question): joining it here would wait for ever. It is asked to stop, its
        // running action completes first, and the window goes when it reports the end.
        FCloseWhenFinished = true;
        FSetup.RequestStop();
        return false;
    }
    FSetup.StopWorker();
    return true;
}

void TWizardForm::RepaintFrame() {
    InvalidateRect(Handle(), nullptr, FALSE);
    InvalidateRect(FHeader.Handle(), nullptr, FALSE);
    InvalidateRect(FStrip.Handle(), nullptr, FALSE);
}

void TWizardForm::PaintFrame(HDC dc) {
    RECT client{};
    GetClientRect(Handle(), &client);
    Paint(dc, client);
}

void TWizardForm::Paint(HDC dc, const RECT& client) {
    const std::u16string title = FActivePage ? FActivePage->Title() : std::u16string();
    const std::u16string description = FActivePage ? FActivePage->Description() : std::u16string();
    FViewInfo.Draw(dc, client, FPalette, title, description);
    FProgressViewInfo.Draw(dc, FPalette, FPages.IndexOf(FActivePage), FActivePage ? FActivePage->GetProgress() : 0);
}

void TWizardForm::ThemeChanged() {
    FPalette = WizardPalette();
    FVersion.SetTextColor(FPalette.VersionText);
    for (int32_t i = 0; i < FPages.Count(); ++i)
        if (auto* install = dynamic_cast<TSetupPageInstall*>(&FPages.Items(i))) install->ApplyPalette();
    if (FActivePage && FActivePage->Handle()) RedrawWindow(FActivePage->Handle(), nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
    RepaintFrame();
}

void TWizardForm::DpiChanged() {
    TORVForm::DpiChanged();
    UpdateProgressLayout();
    if (FActivePage) FActivePage->Place(Handle(), PageAreaOf(*FActivePage));
    RepaintFrame();
}

ORV::UI::TORVColors TWizardForm::Colors() const { return {FPalette.Text, FPalette.Background}; }

ORV::UI::TORVColors TWizardForm::ControlColors(const ORV::UI::TORVControl& control) const {
    // The version text and the buttons sit on the bottom bar.
    if (&control == &FVersion || &control == &FBack || &control == &FNext) return {FPalette.VersionText, FPalette.Accent};
    return TORVForm::ControlColors(control);
}

LRESULT TWizardForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == ORV::UI::TORVAeroPeek::ButtonCreatedMessage()) FTaskbar.Refresh();
    return TORVForm::WndProc(message, wParam, lParam);
}

} // namespace Setup::UI
