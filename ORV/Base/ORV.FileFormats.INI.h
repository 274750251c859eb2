// The INI store: the one key/value store of the program (settings, messages, the uninstall
// record and the player's configuration files).
//
// The text format is a contract with files on users' machines, read and written exactly so:
//
//   bytes     an optional byte-order mark, then text (see ORV.FileFormats.INI.Text.h); a file is
//             written back in the encoding it was read in
//   lines     broken at CR, LF, CR LF and U+2028 (which swallows a following CR, LF or CR LF);
//             LF CR is two breaks. Nothing is trimmed, quoted, escaped or commented
//   ""        an empty line is skipped
//   "[..."    a header: the name is the line without its first and its last character, whatever
//             that is ("[Main" names "Mai", "[" and "[]" name ""); the section of that name
//             (case ignored) continues, or is created at the end
//   other     appended unchanged to the current section; dropped before the first header
//   keys      a line's name is the text before its first "=", its value the rest; a line
//             without "=" has the empty name. Blanks belong to name and value ("Key = 1" has
//             the name "Key "). The first line of a name wins; later ones are kept
//   values    integers in decimal (read also "$"/"0x" hexadecimal), booleans "1"/"0",
//             rectangles "%d,%d,%d,%d", binary data as lower-case hex digit pairs
//
// Writing: for every section that has lines, in order, "[" Name "]" CR LF, each line and CR LF,
// then one more CR LF. A file read and written back unchanged is byte-identical when it is in
// that layout; other layouts come back in it (empty lines and lines before the first header
// gone, repeated sections joined, line breaks as CR LF).
//
// Names of sections and keys compare by length and the user's locale with case ignored; each
// section and each line caches an ELF hash of its locale upper-cased name, compared first.
// The classes hold no lock. Any number of threads may read one store at once (the look-up
// caches are atomic); a write must not overlap any other use.
#pragma once

#include "ORV.FileFormats.INI.Section.h"
#include "ORV.FileFormats.INI.Text.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace ORV {

class TStream;

struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;

    bool operator==(const TRect&) const = default;
};

// The store. A missing section or key is never an error; reads give the caller's default.
//
// Construction: TORVIniFile() makes an empty store that no file is bound to. A store bound to a
// file is made by the virtual constructor Create<T>(FileName, AutoSave): it constructs T and
// then runs AfterConstruction, which loads FileName through the virtual LoadFromFile, so a
// derived class's loading applies. A derived class declares a public constructor
// T(TCreateKey, std::u16string fileName, bool autoSave[, more]) that passes the key on; only
// Create can make a key, so no bound store escapes without being loaded.
class TORVIniFile {
protected:
    class TCreateKey {
        friend class TORVIniFile;
        TCreateKey() = default;
    };

public:
    using TChangedEvent = std::function<void(TORVIniFile& sender)>;
    using TStreamHandler = std::function<void(TStream& stream)>;

    // An empty store: no file, no auto-save, Encoding teUtf16LE.
    TORVIniFile();
    // Stores FileName and AutoSave without loading; Create loads afterwards.
    TORVIniFile(TCreateKey, std::u16string fileName, bool autoSave);
    // With AutoSave, calls this class's UpdateFile and ignores its result and any exception
    // (a derived class that overrides UpdateFile or SaveToStream saves in its own destructor).
    virtual ~TORVIniFile();
    TORVIniFile(const TORVIniFile&) = delete;
    TORVIniFile& operator=(const TORVIniFile&) = delete;

    // The virtual constructor: a new T bound to FileName and loaded from it when FileName is not
    // empty (a missing or unreadable file gives an empty store and no error). Args go to T's
    // constructor after the three standard arguments. When loading raises, the object is
    // destroyed without auto-saving and the exception propagates.
    template <class T = TORVIniFile, class... TArgs>
    static std::unique_ptr<T> Create(std::u16string fileName = {}, bool autoSave = false, TArgs&&... args) {
        static_assert(std::is_base_of_v<TORVIniFile, T>, "Create makes INI stores only");
        std::unique_ptr<T> object(new T(TCreateKey(), std::move(fileName), autoSave, std::forward<TArgs>(args)...));
        static_cast<TORVIniFile&>(*object).Construct();
        return object;
    }

    // When set, destruction calls UpdateFile.
    bool AutoSave() const { return FAutoSave; }
    void SetAutoSave(bool autoSave) { FAutoSave = autoSave; }
    // What UpdateFile writes with: teUtf16LE at first, then what the last load detected.
    TORVTextEncoding Encoding() const { return FEncoding; }
    void SetEncoding(TORVTextEncoding encoding) { FEncoding = encoding; }
    // The bound file; may be empty. SetFileName does nothing for the same name (case ignored),
    // otherwise it stores the name and calls Changed. It never loads or saves.
    const std::u16string& FileName() const { return FFileName; }
    void SetFileName(std::u16string fileName);
    // Set by every Changed; cleared at the end of LoadFromFile and by a successful UpdateFile.
    bool Modified() const { return FModified; }
    // Called as OnChanged(*this) by Changed outside BeginUpdate/EndUpdate.
    const TChangedEvent& OnChanged() const { return FOnChanged; }
    void SetOnChanged(TChangedEvent handler) { FOnChanged = std::move(handler); }

    // --- Reading ---
    virtual bool ExistsSection(std::u16string_view section) const;
    virtual bool ExistsKey(std::u16string_view section, std::u16string_view key) const;
    // True when there is no section at all; a section without lines counts as one.
    virtual bool IsEmpty() const;
    // The value of the first line named Key in Section, and true (a present key with an empty
    // value gives ""); false with Value empty when the section or the key is absent.
    virtual bool TryReadString(std::u16string_view section, std::u16string_view key, std::u16string& value) const;
    // TryReadString's value, or Default when absent.
    std::u16string ReadString(std::u16string_view section, std::u16string_view key,
                              std::u16string_view defaultValue) const;
    // The value read as TryStrToInt32 of ORV.Utils.Strings does (decimal, "$" or "0x" hex,
    // leading blanks); Default when absent or not such an integer.
    virtual int32_t ReadInteger(std::u16string_view section, std::u16string_view key, int32_t defaultValue) const;
    // ReadInteger with Default as 1 or 0, non-zero meaning true; "true" or "yes" give Default.
    bool ReadBool(std::u16string_view section, std::u16string_view key, bool defaultValue) const;
    // The value split at commas into Left, Top, Right and Bottom; a missing or unparsable piece
    // keeps Default's field, pieces after the fourth are ignored. Default when absent.
    TRect ReadRect(std::u16string_view section, std::u16string_view key, const TRect& defaultValue = {}) const;
    // Hex-decodes the value into Stream at its position (growing it as needed) and rewinds
    // Stream to 0. False, with Stream untouched, when the key is absent or its value is empty,
    // of odd length or holds a character that is not a hex digit.
    bool ReadStream(std::u16string_view section, std::u16string_view key, TStream& stream) const;
    // Decodes into a memory stream and, when there is data, calls Handler with it rewound; true
    // when Handler returned. Any exception, Handler's included, is swallowed and gives false.
    bool ReadStream(std::u16string_view section, std::u16string_view key, const TStreamHandler& handler) const;
    // Appends to List the non-empty names of Section's lines in line order, duplicates included.
    void ReadKeys(std::u16string_view section, TORVStringList& list) const;
    // Section's lines, each followed by CR LF; empty when the section is absent.
    std::u16string ReadSectionText(std::u16string_view section) const;

    int32_t SectionCount() const { return static_cast<int32_t>(FSections.size()); }
    // Index in [0, SectionCount), else EListError.
    const std::u16string& SectionName(int32_t index) const { return Sections(index)->Name(); }
    TORVIniFileSection* Sections(int32_t index);
    const TORVIniFileSection* Sections(int32_t index) const;
    // The section called Name; with CanCreate an absent one is appended (without calling
    // Changed); otherwise nullptr. The store keeps ownership.
    TORVIniFileSection* GetSection(std::u16string_view name, bool canCreate);
    // The section and the index of the first line named Key in it; false when either is absent.
    bool FindValue(std::u16string_view section, std::u16string_view key, int32_t& index,
                   TORVIniFileSection*& sectionObject);
    bool FindValue(std::u16string_view section, std::u16string_view key, int32_t& index,
                   const TORVIniFileSection*& sectionObject) const;

    // --- Writing: each ends in Changed ---
    // Finds or appends Section, then replaces the first line named Key with Key "=" Value or
    // appends it (see TORVIniFileSection::WriteString).
    virtual void WriteString(std::u16string_view section, std::u16string_view key, std::u16string_view value);
    void WriteInteger(std::u16string_view section, std::u16string_view key, int32_t value);
    // DeleteKey when Value equals Default, otherwise WriteInteger.
    void WriteInteger(std::u16string_view section, std::u16string_view key, int32_t value, int32_t defaultValue);
    // "1" or "0".
    void WriteBool(std::u16string_view section, std::u16string_view key, bool value);
    void WriteBool(std::u16string_view section, std::u16string_view key, bool value, bool defaultValue);
    void WriteRect(std::u16string_view section, std::u16string_view key, const TRect& rect);
    // Writes Stream's whole content (offset 0 to its end) in hex; its position is kept. An empty
    // stream deletes the key instead, leaving the section in place.
    void WriteStream(std::u16string_view section, std::u16string_view key, TStream& stream);
    // Replaces all lines of Section (found or appended) with the lines of Text: empty lines are
    // kept, a final line break adds none.
    void WriteSectionText(std::u16string_view section, std::u16string_view text);
    // Removes the first line named Key; false when there is none (and nothing changes).
    bool DeleteKey(std::u16string_view section, std::u16string_view key);
    // Removes and frees the section; false when there is none.
    bool DeleteSection(std::u16string_view section);
    // Removes all sections.
    void Clear();

    // --- Loading and saving ---
    // Clear, then LoadFromStream of the file opened for reading with readers and writers allowed;
    // a file that cannot be opened leaves the store empty and reports nothing. Modified is false
    // afterwards, also when loading raised; FileName is not changed.
    virtual void LoadFromFile(const std::u16string& fileName);
    // Detects the encoding at the stream's position, stores it in Encoding, decodes the rest
    // (falling back to the ANSI code page when it does not decode) and calls LoadFromText.
    virtual void LoadFromStream(TStream& stream);
    // Replaces the content with the parse of Text; Modified is left set.
    virtual void LoadFromText(std::u16string_view text);
    // Writes the format in Encoding, after its byte-order mark. Stream errors propagate.
    virtual void SaveToStream(TStream& stream, TORVTextEncoding encoding) const;
    // In UTF-16 LE. (A derived class that overrides the other form adds
    // `using TORVIniFile::SaveToStream;`.)
    void SaveToStream(TStream& stream) const { SaveToStream(stream, teUtf16LE); }
    // Resets the file's attributes (so a read-only file can be replaced), creates or truncates
    // it with readers and writers allowed, and saves into it. False, without an exception, when
    // the file cannot be created; errors while writing propagate.
    bool SaveToFile(const std::u16string& fileName, TORVTextEncoding encoding) const;
    // False when FileName is empty; true without writing when not Modified; otherwise
    // SaveToFile(FileName, Encoding), clearing Modified when it succeeded.
    virtual bool UpdateFile();

    // --- Copying and comparing ---
    // Replaces the content with Source's as saved in UTF-16 LE and loaded again, so empty
    // sections are lost and Encoding becomes teUtf16LE; nullptr just clears. Source may be this.
    void Assign(const TORVIniFile* source);
    // For each section of Source in order: when this store has it, writes every name of
    // Source's ReadKeys with Source's value, except, unless Overwrite, where the key exists
    // here already; when it has not, copies the section's text whole (nameless lines too).
    void Merge(const TORVIniFile& source, bool overwrite);
    // Merges the store that FileName loads into (nothing when it cannot be opened).
    void Merge(const std::u16string& fileName, bool overwrite);
    // True when Other is not null and both save to the same UTF-16 LE text.
    bool Equals(const TORVIniFile* other) const;

    // --- Update bracketing ---
    void BeginUpdate() { ++FUpdateCount; }
    // Calls Changed when the outermost bracket closes, whether or not anything changed (and
    // for an unbalanced call).
    void EndUpdate();
    // Sets Modified, then calls OnChanged when not inside BeginUpdate/EndUpdate.
    virtual void Changed();

protected:
    // Loads FileName through LoadFromFile when it is not empty. Create calls it once the object
    // is complete; an override calls the inherited one to keep the loading.
    virtual void AfterConstruction();

private:
    void Construct();
    TORVIniFileSection* FindSection(std::u16string_view name) const;

    bool FAutoSave = false;
    int32_t FUpdateCount = 0;
    TORVTextEncoding FEncoding = teUtf16LE;
    std::u16string FFileName;
    // The section of the last successful look-up; a cache into FSections.
    // Read and written by const look-ups, which several threads may make at once.
    mutable std::atomic<TORVIniFileSection*> FLastSection{nullptr};
    TChangedEvent FOnChanged;
    bool FModified = false;
    std::vector<std::unique_ptr<TORVIniFileSection>> FSections;
};

} // namespace ORV
