#include "ORV.UI.FolderBrowser.h"

#include "ORV.Strings.h"

#include <shlobj.h>

namespace ORV::UI {

namespace {

struct TCaptions {
    std::u16string Title, NewFolder, Cancel, Ok;
};

TCaptions& Captions() {
    static TCaptions captions;
    return captions;
}

// The new-folder button of the shell's dialog.
constexpr int kNewFolderButton = 14150;

int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
    if (message != BFFM_INITIALIZED) return 0;
    const TCaptions& captions = Captions();
    if (!captions.Title.empty()) SetWindowTextW(dialog, W(captions.Title));
    if (!captions.Ok.empty()) SetDlgItemTextW(dialog, IDOK, W(captions.Ok));
    if (!captions.Cancel.empty()) SetDlgItemTextW(dialog, IDCANCEL, W(captions.Cancel));
    if (!captions.NewFolder.empty()) SetDlgItemTextW(dialog, kNewFolderButton, W(captions.NewFolder));
    const auto* start = reinterpret_cast<const wchar_t*>(data);
    if (start && *start) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(start));
    return 0;
}

} // namespace

void TORVFolderBrowser::SetCaptions(const std::u16string& title, const std::u16string& newFolder,
                                    const std::u16string& cancel, const std::u16string& ok) {
    Captions() = {title, newFolder, cancel, ok};
}

const std::u16string& TORVFolderBrowser::Title() { return Captions().Title; }
const std::u16string& TORVFolderBrowser::NewFolderCaption() { return Captions().NewFolder; }
const std::u16string& TORVFolderBrowser::CancelCaption() { return Captions().Cancel; }
const std::u16string& TORVFolderBrowser::OkCaption() { return Captions().Ok; }

bool TORVFolderBrowser::Execute(HWND owner, std::u16string& folder) {
    // The deepest part of Folder that exists is where the tree opens.
    std::u16string start = folder;
    while (!start.empty() && (start.back() == u'\\' || start.back() == u'/')) start.pop_back();
    while (!start.empty() && GetFileAttributesW(W(start)) == INVALID_FILE_ATTRIBUTES) {
        const size_t slash = start.find_last_of(u"\\/");
        start.resize(slash == std::u16string::npos ? 0 : slash);
    }
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = W(Captions().Title);
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = &BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(W(start));
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (!chosen) return false;
    wchar_t path[MAX_PATH] = {};
    const bool named = SHGetPathFromIDListW(chosen, path) != FALSE;
    CoTaskMemFree(chosen);
    if (!named || !path[0]) return false;
    folder = FromW(path);
    return true;
}

} // namespace ORV::UI
