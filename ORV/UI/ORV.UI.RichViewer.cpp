#include "ORV.UI.RichViewer.h"

#include "ORV.Strings.h"
#include "ORV.UI.Controls.h"

#include <richedit.h>

#include <cmath>
#include <vector>

namespace ORV::UI {

namespace {

DWORD CALLBACK ReadStream(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* stream = reinterpret_cast<TStream*>(cookie);
    *given = static_cast<LONG>(stream->Read(buffer, static_cast<size_t>(wanted)));
    return 0;
}

// The rich-edit control's window class comes with its library.
const wchar_t* RichEditClass() {
    static const HMODULE library = LoadSystemLibrary(L"MSFTEDIT.DLL");
    (void)library;
    return L"RICHEDIT50W";
}

} // namespace

TORVRichViewer::TORVRichViewer(TORVControlHost& host, const RECT& bounds, int id, bool bordered)
    : TORVControl(host, RichEditClass(), {},
                  ES_MULTILINE | ES_READONLY | (bordered ? WS_VSCROLL | ES_DISABLENOSCROLL | WS_TABSTOP : 0),
                  bordered ? WS_EX_CLIENTEDGE : 0, bounds, id),
      FDpi(host.HostDpi()) {
    SendMessageW(Handle(), EM_SETREADONLY, TRUE, 0);
    SendMessageW(Handle(), EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_REQUESTRESIZE | ENM_SELCHANGE | ENM_PROTECTED | ENM_LINK);
    SendMessageW(Handle(), EM_AUTOURLDETECT, TRUE, 0);
    SendMessageW(Handle(), EM_EXLIMITTEXT, 0, 2147483646);
    ApplyColors();
    // The text is drawn at 96 DPI and zoomed to the monitor's.
    if (FDpi != 96) ApplyZoom(MulDiv(FZoom, FDpi, 96));
}

void TORVRichViewer::LoadFromStream(TStream* stream) {
    if (!stream) return;
    EDITSTREAM edit{reinterpret_cast<DWORD_PTR>(stream), 0, &ReadStream};
    SendMessageW(Handle(), EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&edit));
    ApplyColors();
    ApplyZoom(FZoom);
}

void TORVRichViewer::SetText(const std::u16string& text) {
    SetWindowTextW(Handle(), W(text));
    ApplyColors();
    ApplyZoom(FZoom);
}

std::u16string TORVRichViewer::PlainText() const { return Text(); }

void TORVRichViewer::SetColors(COLORREF text, COLORREF background) {
    FText = text;
    FBackground = background;
    ApplyColors();
}

void TORVRichViewer::ApplyColors() {
    const TORVColors colors = Host().ControlColors(*this);
    const COLORREF text = FText != CLR_INVALID ? FText : colors.Text;
    const COLORREF background = FBackground != CLR_INVALID ? FBackground : colors.Background;
    SendMessageW(Handle(), EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(background));
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR;
    format.crTextColor = text;
    SendMessageW(Handle(), EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    SendMessageW(Handle(), EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
}

bool TORVRichViewer::ZoomNumerator(int zoom, int& numerator) {
    const double exact = zoom <= 100 ? zoom * 0.63 + 1 : zoom * 0.64;
    numerator = static_cast<int>(std::nearbyint(exact));  // the default rounding: half to even
    return numerator > 1 && numerator < 4096;
}

void TORVRichViewer::ApplyZoom(int zoom) {
    int numerator = 0;
    if (!ZoomNumerator(zoom, numerator)) return;
    FZoom = zoom;
    SendMessageW(Handle(), EM_SETZOOM, static_cast<WPARAM>(numerator), 64);
}

bool TORVRichViewer::Notify(const NMHDR& header, LRESULT& result) {
    if (header.code != EN_LINK) return false;
    const auto& link = reinterpret_cast<const ENLINK&>(header);
    result = 0;
    if (link.msg != WM_LBUTTONUP || link.chrg.cpMax - link.chrg.cpMin <= 1 || !OnLink) return true;
    std::vector<wchar_t> text(static_cast<size_t>(link.chrg.cpMax - link.chrg.cpMin) + 1, L'\0');
    TEXTRANGEW range{link.chrg, text.data()};
    SendMessageW(Handle(), EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
    OnLink(FromW(text.data()));
    return true;
}

std::u16string LinkTarget(const std::u16string& text, bool (*folderExists)(const std::u16string&)) {
    if (text.find(u"//") != std::u16string::npos) return text;
    if (folderExists && folderExists(text)) return text;
    return u"https://" + text;
}

} // namespace ORV::UI
