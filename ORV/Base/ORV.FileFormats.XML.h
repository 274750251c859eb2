// The library's XML document: a read-only tree of elements built from a text document.
//
// What the tree keeps of each element: its name, its child elements and its attributes in
// document order, and one text value, which is the last text or CDATA chunk that appears
// directly inside the element (a later chunk replaces an earlier one). Comments, processing
// instructions and the document type are dropped, and so is text that consists only of white
// space, so the indentation between child elements never becomes a text value. Entity and
// character references are resolved (only the five predefined entities are known; any other
// reference stays as written).
//
// The encoding is taken from a byte-order mark (UTF-8, UTF-16 and UTF-32 in either byte order)
// or, without one, from the way the first character "<" is written; among 8-bit encodings only a
// declared ISO-8859-1 (or "latin1") is recognised and everything else is read as UTF-8. Names
// and values are handed out as well-formed UTF-16: a byte sequence that is not UTF-8 becomes
// U+FFFD and an unpaired surrogate of a UTF-16 document is left out.
//
// A malformed document is not an error: reading stops at the first fault and the tree keeps
// what was complete before it. An element counts once its start tag has been closed, even when
// its end tag never comes; an element whose start tag the fault cuts off is dropped with its
// partly read attributes, and a CDATA section without its "]]>" is not a text value. Text has
// no closing delimiter of its own, so text that runs into the end of a cut-off document counts.
#pragma once

#include "ORV.Classes.Streams.h"

#include <deque>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace ORV {

struct TORVXMLAttribute {
    std::u16string Name;
    std::u16string Value;
};

// One element of a TORVXMLDocument. The document's nodes live as long as it does; a node is
// never copied and the tree never changes after it is built.
class TORVXMLNode {
public:
    // An element without name, children, attributes or text; the document builds the others.
    TORVXMLNode() = default;
    TORVXMLNode(const TORVXMLNode&) = delete;
    TORVXMLNode& operator=(const TORVXMLNode&) = delete;

    const std::u16string& Name() const { return FName; }
    // The text value: the last text or CDATA chunk directly inside the element; empty when
    // there is none.
    const std::u16string& Value() const { return FValue; }

    // The child elements in document order. Nodes raises std::out_of_range for an index
    // outside 0..Count-1.
    int Count() const { return static_cast<int>(FNodes.size()); }
    const TORVXMLNode& Nodes(int index) const { return *FNodes.at(static_cast<size_t>(index)); }

    // The attributes in document order, repeated names included. Attributes raises
    // std::out_of_range for an index outside 0..AttributeCount-1.
    int AttributeCount() const { return static_cast<int>(FAttributes.size()); }
    const TORVXMLAttribute& Attributes(int index) const { return FAttributes.at(static_cast<size_t>(index)); }

    // The first child element whose name equals Name with ASCII letters compared without
    // case (other characters must match exactly); nullptr when there is none.
    const TORVXMLNode* FindNode(std::u16string_view name) const;
    // Follows Path one child name at a time, taking the first match (as FindNode) at each
    // step; nullptr as soon as a step has no match. An empty path gives this node.
    const TORVXMLNode* FindNodeByPath(std::initializer_list<std::u16string_view> path) const;
    // The value of the first attribute whose name matches Name as in FindNode; empty when the
    // element has no such attribute.
    std::u16string ReadAttribute(std::u16string_view name) const;

private:
    friend class TORVXMLDocument;

    std::u16string FName;
    std::u16string FValue;
    std::vector<TORVXMLAttribute> FAttributes;
    std::vector<const TORVXMLNode*> FNodes;
};

class TORVXMLDocument {
public:
    // Reads Stream from its position to its end and builds the tree. A malformed document
    // gives the tree read before the fault (see the top of this file) and raises nothing; only
    // a failure of the stream itself, or memory running out, raises.
    explicit TORVXMLDocument(TStream& stream);
    TORVXMLDocument(const TORVXMLDocument&) = delete;
    TORVXMLDocument& operator=(const TORVXMLDocument&) = delete;

    // The top-level elements in document order. A well-formed document has exactly one; the
    // reader accepts more and keeps them all, and has none when the input holds no element.
    int Count() const { return static_cast<int>(FNodes.size()); }
    const TORVXMLNode& Nodes(int index) const { return *FNodes.at(static_cast<size_t>(index)); }

    // False when reading stopped at a fault before the end of the input (the tree then holds
    // what came before it) or the input held no element at all.
    bool ReadCompletely() const { return FReadCompletely; }

private:
    // Every node of the tree, kept flat so that a deeply nested document is freed without
    // recursion; a deque keeps their addresses stable while the tree grows.
    std::deque<TORVXMLNode> FStore;
    std::vector<const TORVXMLNode*> FNodes;
    bool FReadCompletely = false;
};

} // namespace ORV
