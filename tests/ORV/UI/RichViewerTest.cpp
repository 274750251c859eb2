// The rich-text viewer: its zoom at every DPI, its rich text, and what its links open.

#include "ORV.Classes.Streams.h"
#include "ORV.UI.Controls.h"
#include "ORV.UI.RichViewer.h"

#include <gtest/gtest.h>

#include <string>

using namespace ORV::UI;

// The zoom numerator over 64: Zoom * 0.63 + 1 up to 100 %, Zoom * 0.64 above, halves to even.
TEST(RichViewer, TheZoomFollowsItsRoundingRule) {
    const struct {
        int Zoom;
        bool Applied;
        int Numerator;
    } cases[] = {{100, true, 64}, {150, true, 96}, {125, true, 80}, {200, true, 128}, {50, true, 32},
                 {1, true, 2},     {0, false, 1},   {6400, false, 4096}};
    for (const auto& c : cases) {
        int numerator = 0;
        EXPECT_EQ(TORVRichViewer::ZoomNumerator(c.Zoom, numerator), c.Applied) << c.Zoom;
        EXPECT_EQ(numerator, c.Numerator) << c.Zoom;
    }
}

namespace {

bool IsMusicFolder(const std::u16string& text) { return text == u"C:\\Music"; }

} // namespace

TEST(RichViewer, LinksOpenAsAddressesOrFolders) {
    EXPECT_EQ(LinkTarget(u"https://example.org/a", &IsMusicFolder), u"https://example.org/a");
    EXPECT_EQ(LinkTarget(u"C:\\Music", &IsMusicFolder), u"C:\\Music");
    EXPECT_EQ(LinkTarget(u"example.org", &IsMusicFolder), u"https://example.org");
}

// Rich text from a stream shows as its text; plain text replaces it.
TEST(RichViewer, ShowsRichTextFromAStreamAndPlainText) {
    TORVForm form(u"viewer", 300, 200);
    TORVRichViewer viewer(form, RECT{0, 0, 300, 200}, 1);
    const std::string rtf = "{\\rtf1\\ansi {\\b Terms} of use\\par}";
    ORV::TMemoryStream stream;
    stream.WriteBuffer(rtf.data(), rtf.size());
    stream.SetPosition(0);
    viewer.LoadFromStream(&stream);
    EXPECT_EQ(viewer.PlainText().substr(0, 12), u"Terms of use");
    viewer.LoadFromStream(nullptr);
    EXPECT_EQ(viewer.PlainText().substr(0, 12), u"Terms of use") << "no stream changes nothing";
    viewer.SetText(u"plain");
    EXPECT_EQ(viewer.PlainText(), u"plain");
}
