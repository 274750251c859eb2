#include "ORV.FileFormats.XML.h"
#include "ORV.Strings.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace ORV;
using namespace std::string_literals;

namespace {

std::unique_ptr<TORVXMLDocument> Parse(const std::string& bytes) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), bytes.size());
    stream.SetPosition(0);
    return std::make_unique<TORVXMLDocument>(stream);
}

// A compact picture of a subtree: name, [attributes], "text value", (children).
std::string Dump(const TORVXMLNode& node) {
    std::string out = Utf16ToUtf8(node.Name());
    if (node.AttributeCount() > 0) {
        out += '[';
        for (int i = 0; i < node.AttributeCount(); ++i) {
            if (i > 0) out += ' ';
            out += Utf16ToUtf8(node.Attributes(i).Name) + "=" + Utf16ToUtf8(node.Attributes(i).Value);
        }
        out += ']';
    }
    if (!node.Value().empty()) {
        out += '"';
        out += Utf16ToUtf8(node.Value());
        out += '"';
    }
    if (node.Count() > 0) {
        out += '(';
        for (int i = 0; i < node.Count(); ++i) {
            if (i > 0) out += ' ';
            out += Dump(node.Nodes(i));
        }
        out += ')';
    }
    return out;
}

std::string Dump(const TORVXMLDocument& document) {
    std::string out;
    for (int i = 0; i < document.Count(); ++i) {
        if (i > 0) out += ' ';
        out += Dump(document.Nodes(i));
    }
    return out;
}

std::string Utf16Bytes(std::u16string_view text, bool bigEndian) {
    std::string bytes;
    for (char16_t c : text) {
        const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

} // namespace

TEST(XmlDocument, BuildsTheTreeInDocumentOrder) {
    const auto document = Parse(
        "<?xml version=\"1.0\"?>\n"
        "<!DOCTYPE root>\n"
        "<root version=\"2\" id='r'>\n"
        "  <!-- a comment between children -->\n"
        "  <first a=\"1\" b=\"2\" a=\"3\"/>\n"
        "  <?pi ignored?>\n"
        "  <second>x &amp; y &lt;&#x41;&#66;&gt; &custom;</second>\n"
        "  <first/>\n"
        "</root>\n");
    EXPECT_TRUE(document->ReadCompletely());
    EXPECT_EQ(Dump(*document), "root[version=2 id=r](first[a=1 b=2 a=3] second\"x & y <AB> &custom;\" first)");
}

TEST(XmlDocument, TextValueIsTheLastChunkDirectlyInside) {
    struct Case {
        const char* xml;
        const char* value;
    };
    const Case cases[] = {
        {"<e>only</e>", "only"},
        {"<e>first<!-- c -->second</e>", "second"},
        {"<e>first<?pi x?>second</e>", "second"},
        {"<e>text<![CDATA[<raw> & ]]></e>", "<raw> & "},
        {"<e><![CDATA[cdata]]>text</e>", "text"},
        {"<e>before<child>inner</child>after</e>", "after"},
        {"<e>before<child>inner</child>\n  </e>", "before"},  // trailing indentation is not text
        {"<e>\n  <child/>\n</e>", ""},
        {"<e><![CDATA[  ]]></e>", "  "},  // a CDATA section counts even when it is blank
        {"<e>  padded\t</e>", "  padded\t"},
        {"<e>a\r\nb</e>", "a\nb"},
        {"<e/>", ""},
    };
    for (const Case& c : cases) {
        const auto document = Parse(c.xml);
        ASSERT_EQ(document->Count(), 1) << c.xml;
        EXPECT_EQ(Utf16ToUtf8(document->Nodes(0).Value()), c.value) << c.xml;
    }
}

TEST(XmlDocument, LookupsFoldAsciiLettersOnly) {
    const auto document = Parse(
        "<root>"
        "<Product Name=\"first\" name=\"second\" \xC3\x84=\"umlaut\"/>"
        "<PRODUCT Name=\"later\"/>"
        "<\xC3\xA4hnlich/>"
        "</root>");
    const TORVXMLNode& root = document->Nodes(0);
    const TORVXMLNode* product = root.FindNode(u"product");
    ASSERT_NE(product, nullptr);
    EXPECT_EQ(product->ReadAttribute(u"NAME"), u"first");  // the first of both spellings
    EXPECT_EQ(product->ReadAttribute(u"\u00C4"), u"umlaut");
    EXPECT_EQ(product->ReadAttribute(u"\u00E4"), u"");  // letters beyond ASCII are not folded
    EXPECT_EQ(product->ReadAttribute(u"missing"), u"");
    EXPECT_EQ(product->ReadAttribute(u"nam"), u"");
    EXPECT_EQ(root.FindNode(u"\u00C4hnlich"), nullptr);
    EXPECT_NE(root.FindNode(u"\u00E4HNLICH"), nullptr);
    EXPECT_EQ(root.FindNode(u"products"), nullptr);
    EXPECT_EQ(root.FindNode(u""), nullptr);
}

TEST(XmlDocument, PathLookupTakesTheFirstMatchAtEachStep) {
    const auto document = Parse(
        "<root>"
        "<setup><other/></setup>"
        "<setup><license>second</license></setup>"
        "<product><settings><s/></settings></product>"
        "</root>");
    const TORVXMLNode& root = document->Nodes(0);
    EXPECT_EQ(root.FindNodeByPath({}), &root);
    const TORVXMLNode* s = root.FindNodeByPath({u"PRODUCT", u"Settings", u"s"});
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Name(), u"s");
    EXPECT_NE(root.FindNodeByPath({u"setup", u"other"}), nullptr);
    // The first "setup" has no licence; the second is never looked at.
    EXPECT_EQ(root.FindNodeByPath({u"setup", u"license"}), nullptr);
    EXPECT_EQ(root.FindNodeByPath({u"product", u"missing", u"s"}), nullptr);
}

TEST(XmlDocument, KeepsEveryTopLevelElement) {
    const auto document = Parse("<!-- lead --><a/>text between<b><c/></b>");
    EXPECT_EQ(Dump(*document), "a b(c)");
}

TEST(XmlDocument, MalformedDocumentKeepsWhatWasCompleteBeforeTheFault) {
    struct Case {
        std::string xml;
        const char* tree;
    };
    const Case cases[] = {
        {"<r><a>x</a><b na", "r(a\"x\")"},                               // in an attribute name
        {"<r><a>x</a><b name=\"abc", "r(a\"x\")"},                       // in an attribute value
        {"<r><a>x</a><b name=\"abc\"", "r(a\"x\")"},                     // start tag not closed
        {"<r><a>x</a><b name=\"abc\"/", "r(a\"x\")"},                    // empty-element tag not closed
        {"<r><a>x</a><b name=\"abc\">", "r(a\"x\" b[name=abc])"},        // start tag complete
        {"<r><a>x</a><b>text", "r(a\"x\" b\"text\")"},                   // text runs into the end
        {"<r><b>t<![CDATA[hello wor", "r(b\"t\")"},                      // in a CDATA section
        {"<r><b>t<![CDATA[", "r(b\"t\")"},                               // CDATA cut at its start
        {"<r><b><![CDATA[ok]]><![CDA", "r(b\"ok\")"},                    // a complete section stays
        {"<r><a>x</a><b>text<!-- comm", "r(a\"x\" b\"text\")"},          // in a comment
        {"<r><a/><?pi ab", "r(a)"},                                      // in a processing instruction
        {"<r><a>x</a><b>text</b", "r(a\"x\" b\"text\")"},                // in an end tag
        {"<r><a>x</a></q><c/></r>", "r(a\"x\")"},                        // wrong end tag stops reading
        {"<r><a>x</a><", "r(a\"x\")"},                                   // a lone "<"
        {"<r><a>x</a><1/><c/></r>", "r(a\"x\")"},                        // not a tag
        {"<r><a>x</a><b>te\0xt</b><c/></r>"s, "r(a\"x\" b\"te\")"},              // a NUL byte
        {"<r><!DOCTYPE r><a/></r>", "r"},                                // a DOCTYPE inside an element
        {"<?xml version=\"1.0\"", ""},
        {"<!-- nothing else -->", ""},
        {"", ""},
        {"plain text, no markup", ""},
    };
    for (const Case& c : cases) {
        const auto document = Parse(c.xml);
        EXPECT_FALSE(document->ReadCompletely()) << c.xml;
        EXPECT_EQ(Dump(*document), c.tree) << c.xml;
    }
}

TEST(XmlDocument, DecodesTheDocumentsEncoding) {
    const std::u16string text = u"<\u0444\u0430\u0439\u043B a=\"\U0001F600\">\u00E9t\u00E9</\u0444\u0430\u0439\u043B>";
    const std::u16string name = u"\u0444\u0430\u0439\u043B";
    const std::string utf8 = Utf16ToUtf8(text);
    struct Case {
        const char* label;
        std::string bytes;
    };
    const Case cases[] = {
        {"UTF-8", utf8},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + utf8},
        {"UTF-16 LE with BOM", "\xFF\xFE" + Utf16Bytes(text, false)},
        {"UTF-16 BE with BOM", "\xFE\xFF" + Utf16Bytes(text, true)},
        {"UTF-16 LE", Utf16Bytes(text, false)},
        {"UTF-16 BE", Utf16Bytes(text, true)},
    };
    for (const Case& c : cases) {
        const auto document = Parse(c.bytes);
        ASSERT_EQ(document->Count(), 1) << c.label;
        const TORVXMLNode& node = document->Nodes(0);
        EXPECT_EQ(node.Name(), name) << c.label;
        EXPECT_EQ(node.ReadAttribute(u"a"), u"\U0001F600") << c.label;
        EXPECT_EQ(node.Value(), u"\u00E9t\u00E9") << c.label;
        EXPECT_TRUE(document->ReadCompletely()) << c.label;
    }
}

TEST(XmlDocument, NonUtf8BytesNeverGiveBrokenUtf16) {
    // Declared Latin-1 is decoded as such; undeclared 8-bit bytes are read as UTF-8.
    EXPECT_EQ(Parse("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><e>\xE9t\xE9</e>")->Nodes(0).Value(), u"\u00E9t\u00E9");
    EXPECT_EQ(Parse("<e>\xE9t\xE9</e>")->Nodes(0).Value(), u"\uFFFDt\uFFFD");
    // An unpaired surrogate in a UTF-16 document is left out.
    EXPECT_EQ(Parse("\xFF\xFE" + Utf16Bytes(u"<e>a\xD800" u"b</e>", false))->Nodes(0).Value(), u"ab");
}

TEST(XmlDocument, ReadsFromTheStreamsPosition) {
    TMemoryStream stream;
    const std::string bytes = "ignored<e>value</e>";
    stream.WriteBuffer(bytes.data(), bytes.size());
    stream.SetPosition(7);
    const TORVXMLDocument document(stream);
    EXPECT_EQ(Dump(document), "e\"value\"");
    EXPECT_EQ(stream.Position(), stream.Size());
}

TEST(XmlDocument, DeepNestingNeedsNoRecursion) {
    constexpr int kDepth = 200000;
    std::string xml;
    for (int i = 0; i < kDepth; ++i) xml += "<n>";
    xml += "leaf";  // the end tags never come
    const auto document = Parse(xml);
    EXPECT_FALSE(document->ReadCompletely());
    const TORVXMLNode* node = &document->Nodes(0);
    int depth = 1;
    while (node->Count() > 0) {
        node = &node->Nodes(0);
        ++depth;
    }
    EXPECT_EQ(depth, kDepth);
    EXPECT_EQ(node->Value(), u"leaf");
}
