// The install script: the in-memory model of "Install.xml" from the setup package.
//
// Layout of the document as this reader understands it (element and attribute names match
// ignoring letter case; unknown elements and attributes are ignored; sibling order is kept):
//
//   <AnyRoot>                             only the first top-level element counts
//     <setup>
//       <license> group </license>        -> License
//     </setup>
//     <product>
//       <Components> group </Components>  -> Components  (repeated elements append)
//       <Actions> group </Actions>        -> Actions
//       <Shortcuts> group </Shortcuts>    -> Shortcuts
//       <Settings>                        -> ScriptSettings, one line "name=value" per child
//         <AnyName name="..." value="..."/>
//       </Settings>
//     </product>
//   </AnyRoot>
//
// A group holds "File" elements, each <File name="..." lang-family="...">value</File>; other
// children are skipped with everything inside them. A group without child elements may instead
// hold a single file name as its text: <license>License.rtf</license>.
//
// What an entry means depends on its group:
//
//   group       Name                              ResolvedValue               LangFamily
//   Components  target path, with path macros     file name in the packages   filters entries
//   Actions     program to start after install;   message key of its finish-  not consulted
//               its key under [Actions]           page check box
//   Shortcuts   path of the link, with macros     the link's target           not consulted
//   License     licence text in the packages      not used                    chooses the entry
//
// Nothing in the document is required: what is missing stays empty, and the first consumer
// that needs a value reports its absence.
#pragma once

#include "ORV.Classes.Streams.h"
#include "ORV.Classes.StringList.h"
#include "ORV.FileFormats.XML.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Setup::Core {

// One "File" entry of a script group.
struct TSetupScriptFile {
    // The attribute "name", or the text of a group that has no child elements.
    std::u16string Name;
    // The text value of the "File" element; empty when it has none.
    std::u16string Value;
    // The attribute "lang-family"; empty when absent.
    std::u16string LangFamily;

    // True when LangFamily is empty (the entry serves every language) or has the length of
    // Family and equals it ignoring case under the user's locale.
    bool MatchesLangFamily(std::u16string_view family) const;
    // Value when it is not empty; otherwise the file-name part of Name, the text after its
    // last ':', '\' or '/' (all of Name when it has none, empty when it ends with one).
    std::u16string ResolvedValue() const;
};

// An ordered, owning list of script entries and the rules that read them from an element.
// Derived groups may read other elements by overriding LoadItem.
class TSetupScriptGroup {
public:
    TSetupScriptGroup() = default;
    virtual ~TSetupScriptGroup() = default;
    TSetupScriptGroup(const TSetupScriptGroup&) = delete;
    TSetupScriptGroup& operator=(const TSetupScriptGroup&) = delete;

    // Appends the entries that Node's children describe: LoadItem for each child element in
    // order; then, when Node has no child elements and its text value is not empty, one entry
    // whose Name is that text.
    virtual void LoadFromNode(const ORV::TORVXMLNode& node);
    // Appends one entry for a "File" element (name compared with ASCII case folded): Name from the attribute "name", LangFamily from "lang-family", Value from its
    // text value. Any other element is skipped, its children included.
    virtual void LoadItem(const ORV::TORVXMLNode& node);
    // A new, empty group of this group's own class, so that code holding a group can make
    // another of the same kind without naming it. Every derived group overrides it.
    virtual std::unique_ptr<TSetupScriptGroup> Create() const;

    int Count() const { return static_cast<int>(FFiles.size()); }
    // Raises std::out_of_range for an index outside 0..Count-1.
    const TSetupScriptFile& Files(int index) const { return *FFiles.at(static_cast<size_t>(index)); }
    // Appends a new empty entry and returns it; the group owns it and the reference stays valid
    // for the group's lifetime.
    TSetupScriptFile& AddFile();
    // True and the first entry in order whose MatchesLangFamily(Family) holds; false and
    // nullptr when none does.
    bool FindByLangFamily(std::u16string_view family, const TSetupScriptFile*& file) const;

private:
    std::vector<std::unique_ptr<TSetupScriptFile>> FFiles;
};

class TSetupScript {
public:
    // All five members empty.
    TSetupScript() = default;
    TSetupScript(const TSetupScript&) = delete;
    TSetupScript& operator=(const TSetupScript&) = delete;

    // Reads the document from Stream's position to its end and appends what it describes to
    // the members (see the layout above); meant to be called once, on a new script. A
    // malformed document is not reported: what was read before the fault is loaded. Raises
    // only when the stream itself fails.
    void LoadFromStream(ORV::TStream& stream);

    // The value of the last ScriptSettings line that starts with Name followed by "="
    // (Name compared ignoring case under the user's locale): the text after that "=". False,
    // and Value empty, when no line matches.
    bool GetSetting(std::u16string_view name, std::u16string& value) const;

    // Programs to offer and start after the installation.
    const TSetupScriptGroup& Actions() const { return FActions; }
    // The files to install.
    const TSetupScriptGroup& Components() const { return FComponents; }
    // The licence documents by language family.
    const TSetupScriptGroup& License() const { return FLicense; }
    // One line Name + "=" + Value per setting, in document order. Neither part is checked for
    // "=" or line breaks.
    const ORV::TORVStringList& ScriptSettings() const { return FScriptSettings; }
    // The shell links to create.
    const TSetupScriptGroup& Shortcuts() const { return FShortcuts; }

private:
    void LoadSettings(const ORV::TORVXMLNode& node);

    TSetupScriptGroup FActions;
    TSetupScriptGroup FComponents;
    TSetupScriptGroup FLicense;
    ORV::TORVStringList FScriptSettings;
    TSetupScriptGroup FShortcuts;
};

} // namespace Setup::Core
