#include "ORV.FileFormats.XML.h"

#include "ORV.Strings.h"

#include <pugixml.hpp>

namespace ORV {

namespace {

std::vector<char> ReadToEnd(TStream& stream) {
    std::vector<char> bytes;
    constexpr size_t kChunk = 64 * 1024;
    for (;;) {
        const size_t used = bytes.size();
        bytes.resize(used + kChunk);
        const size_t got = stream.Read(bytes.data() + used, kChunk);
        bytes.resize(used + got);
        if (got == 0) return bytes;
    }
}

// pugixml keeps the tree it has built when it meets a fault, including the node it was in
// the middle of: an element whose start tag was cut off, with an attribute value that lacks
// its closing quote, or a CDATA section that lacks its "]]>". Such a node was never complete,
// so it must not reach the tree. It is always the last node pugixml made, which is the
// deepest last descendant, because nothing is appended after the fault.
pugi::xml_node InterruptedNode(const pugi::xml_document& document, const pugi::xml_parse_result& result) {
    pugi::xml_node last = document;
    while (pugi::xml_node child = last.last_child()) last = child;
    switch (result.status) {
    case pugi::status_bad_start_element:
    case pugi::status_bad_attribute:
        // The element is appended as soon as its name is seen and both faults are raised
        // only while that start tag is still open.
        if (last.type() == pugi::node_element) return last;
        break;
    case pugi::status_bad_cdata:
        // A section cut off after "<![CDATA[" is reported at the start of its content (or one
        // before, when the content would start at the very end); a fault in a later,
        // incomplete "<![CDATA" lies behind a complete section's start and drops nothing.
        if (last.type() == pugi::node_cdata && result.offset <= last.offset_debug()) return last;
        break;
    default:
        break;
    }
    return {};
}

} // namespace

const TORVXMLNode* TORVXMLNode::FindNode(std::u16string_view name) const {
    for (const TORVXMLNode* node : FNodes)
        if (SameTextAscii(node->FName, name)) return node;
    return nullptr;
}

const TORVXMLNode* TORVXMLNode::FindNodeByPath(std::initializer_list<std::u16string_view> path) const {
    const TORVXMLNode* node = this;
    for (std::u16string_view name : path) {
        node = node->FindNode(name);
        if (!node) return nullptr;
    }
    return node;
}

std::u16string TORVXMLNode::ReadAttribute(std::u16string_view name) const {
    for (const TORVXMLAttribute& attribute : FAttributes)
        if (SameTextAscii(attribute.Name, name)) return attribute.Value;
    return {};
}

TORVXMLDocument::TORVXMLDocument(TStream& stream) {
    const std::vector<char> bytes = ReadToEnd(stream);
    pugi::xml_document document;
    // The default options drop whitespace-only text, comments, processing instructions and the
    // declaration, which is the tree this document promises; pugixml copies the bytes and
    // converts them to UTF-8 itself.
    const pugi::xml_parse_result result = document.load_buffer(bytes.data(), bytes.size());
    FReadCompletely = static_cast<bool>(result);
    const pugi::xml_node skipped = result ? pugi::xml_node() : InterruptedNode(document, result);

    // Built with an explicit work list rather than recursion: nesting depth is the
    // document's choice, and a deep one must not exhaust the stack.
    struct TPending {
        pugi::xml_node Source;
        TORVXMLNode* Target;
    };
    std::vector<TPending> pending;
    auto adopt = [&](pugi::xml_node source, std::vector<const TORVXMLNode*>& siblings) {
        TORVXMLNode& node = FStore.emplace_back();
        node.FName = Utf8ToUtf16(source.name());
        siblings.push_back(&node);
        pending.push_back({source, &node});
    };

    for (pugi::xml_node child : document.children())
        if (child.type() == pugi::node_element && child != skipped) adopt(child, FNodes);

    while (!pending.empty()) {
        const TPending item = pending.back();
        pending.pop_back();
        for (pugi::xml_attribute attribute : item.Source.attributes())
            item.Target->FAttributes.push_back({Utf8ToUtf16(attribute.name()), Utf8ToUtf16(attribute.value())});
        for (pugi::xml_node child : item.Source.children()) {
            if (child == skipped) continue;
            switch (child.type()) {
            case pugi::node_element:
                adopt(child, item.Target->FNodes);
                break;
            case pugi::node_pcdata:
            case pugi::node_cdata:
                item.Target->FValue = Utf8ToUtf16(child.value());
                break;
            default:
                break;
            }
        }
    }
}

} // namespace ORV
