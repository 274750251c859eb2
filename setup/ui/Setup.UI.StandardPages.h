// The page base classes and the pages that every run ends with. The pages' controls (status
// line, progress bars, result texts) come with the pages themselves; what is here is their
// place in the flow: kind, texts of the header and the moves they allow.
#pragma once

#ifndef _WIN32
#error "Setup.UI.StandardPages.h is for the Windows build only"
#endif

#include "Setup.UI.Pages.h"

namespace Setup::UI {

// A page with its texts in its own section of the language file.
class TSetupPage : public TSetupCustomPage {
public:
    std::u16string Title() override { return GetMessage(u"Title"); }
    std::u16string Description() override { return GetMessage(u"Description"); }
    // The text of Key in the page's section, with the path macros expanded.
    std::u16string GetMessage(std::u16string_view key) const;
};

// A page without header, over the whole frame above the bottom bar.
class TSetupPageFullScreen : public TSetupPage {
public:
    bool IsFullScreen() const override { return true; }
};

// The page of the run: nothing goes back from it.
class TSetupPageInstall : public TSetupPage {
public:
    bool IsInstallPage() const override { return true; }
    bool CanGoBack() override { return false; }
};

class TSetupPageUninstall : public TSetupPageInstall {
public:
    bool IsUninstallPage() const override { return true; }
};

// The last page: the result of the run.
class TSetupPageCustomFinish : public TSetupPageFullScreen {
public:
    bool CanGoBack() override { return false; }
};

class TSetupPageFinish : public TSetupPageCustomFinish {};
class TSetupPageUninstallFinish : public TSetupPageCustomFinish {};

} // namespace Setup::UI
