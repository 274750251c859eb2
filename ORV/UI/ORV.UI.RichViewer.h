// A read-only view of rich text (RTF) or plain text, over the rich-edit control of
// "MSFTEDIT.DLL" (which the program loads at start). Addresses in the text are links, opened
// through OnLink; the text follows the DPI with the rich edit's zoom.
#pragma once

#ifndef _WIN32
#error "ORV.UI.RichViewer.h is for the Windows build only"
#endif

#include "ORV.Classes.Streams.h"
#include "ORV.UI.StdControls.h"

#include <functional>
#include <string>

namespace ORV::UI {

class TORVRichViewer : public TORVControl {
public:
    // Bordered: a frame and a vertical scroll bar; otherwise a bare text (a rich-text label).
    TORVRichViewer(TORVControlHost& host, const RECT& bounds, int id, bool bordered = true);

    // Loads RTF from the stream's position to its end; nothing for a null stream.
    void LoadFromStream(TStream* stream);
    // Replaces the content by plain text.
    void SetText(const std::u16string& text);
    std::u16string PlainText() const;
    // Text and background colours (the host's by default).
    void SetColors(COLORREF text, COLORREF background);

    // The zoom in percent; 100 at first, scaled with the DPI.
    int Zoom() const { return FZoom; }
    // The rich edit's zoom for Zoom: numerator Zoom * 0.63 + 1 up to 100 %, else Zoom * 0.64,
    // rounded half to even, over 64; false (nothing applied) outside 1 < numerator < 4096.
    static bool ZoomNumerator(int zoom, int& numerator);
    void ApplyZoom(int zoom);

    bool Notify(const NMHDR& header, LRESULT& result) override;

    // The text of a clicked link.
    std::function<void(const std::u16string& link)> OnLink;

private:
    void ApplyColors();

    int FZoom = 100;
    int FDpi;
    COLORREF FText = CLR_INVALID, FBackground = CLR_INVALID;
};

// What a link's text opens: text with "//" as an address as it is, an existing folder as that
// folder, anything else as an address with "https://" in front.
std::u16string LinkTarget(const std::u16string& text, bool (*folderExists)(const std::u16string&));

} // namespace ORV::UI
