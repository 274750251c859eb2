#include "ORV.UI.Dialogs.h"

#include <atomic>

namespace ORV::UI {

namespace {

std::atomic<HWND> GMainWindow{nullptr};

} // namespace

void SetMainWindow(HWND window) { GMainWindow = window; }

HWND MainWindow() { return GMainWindow; }

int MessageDlg(const std::u16string& text, const std::u16string& caption, UINT flags) {
    HWND owner = GMainWindow;
    if (owner && !IsWindow(owner)) owner = nullptr;
    return MessageBoxW(owner, W(text), W(caption), flags | (owner ? 0 : MB_SETFOREGROUND));
}

} // namespace ORV::UI
