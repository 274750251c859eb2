#include "ORV.FileFormats.INI.h"

#include "ORV.Classes.Streams.h"
#include "ORV.Platform.h"
#include "ORV.Strings.h"
#include "ORV.Utils.Strings.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace ORV {

namespace {

// Runs Change inside BeginUpdate/EndUpdate; the bracket closes also when Change raises.
template <class TStore, class TChange>
void Bracketed(TStore& store, TChange&& change) {
    store.BeginUpdate();
    try {
        change();
    } catch (...) {
        store.EndUpdate();
        throw;
    }
    store.EndUpdate();
}

bool SameName(std::u16string_view a, std::u16string_view b) { return Platform::SameTextLocale(a, b); }

// A header line without its "[" and its last character, whatever that is: "[Main" names "Mai".
// A character outside the BMP goes whole, so that no half of a surrogate pair is left over to be
// lost when the name is written in UTF-8 or the ANSI code page.
std::u16string_view HeaderName(std::u16string_view line) {
    if (line.size() < 2) return {};
    size_t last = line.size() - 1;
    const auto isHigh = [](char16_t c) { return c >= 0xD800 && c <= 0xDBFF; };
    const auto isLow = [](char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; };
    if (last >= 2 && isLow(line[last]) && isHigh(line[last - 1])) --last;
    return line.substr(1, last - 1);
}

} // namespace

// --- TORVIniFile: construction and state ---

TORVIniFile::TORVIniFile() = default;

TORVIniFile::TORVIniFile(TCreateKey, std::u16string fileName, bool autoSave)
    : FAutoSave(autoSave), FFileName(std::move(fileName)) {}

TORVIniFile::~TORVIniFile() {
    if (!FAutoSave) return;
    try {
        TORVIniFile::UpdateFile();
    } catch (...) {
        // A destructor cannot report; the file keeps its previous content or what was written.
    }
}

void TORVIniFile::Construct() {
    try {
        AfterConstruction();
    } catch (...) {
        // A half-loaded store must not overwrite its file on the way out.
        FAutoSave = false;
        throw;
    }
}

void TORVIniFile::AfterConstruction() {
    if (!FFileName.empty()) LoadFromFile(FFileName);
}

void TORVIniFile::SetFileName(std::u16string fileName) {
    if (SameName(fileName, FFileName)) return;
    FFileName = std::move(fileName);
    Changed();
}

void TORVIniFile::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount > 0) return;
    Changed();
}

void TORVIniFile::Changed() {
    FModified = true;
    if (FUpdateCount == 0 && FOnChanged) FOnChanged(*this);
}

// --- Sections ---

TORVIniFileSection* TORVIniFile::FindSection(std::u16string_view name) const {
    if (FSections.empty()) return nullptr;
    // One load: another reader may move the cache on meanwhile.
    TORVIniFileSection* const last = FLastSection.load(std::memory_order_relaxed);
    if (last && SameName(last->Name(), name)) return last;
    const uint32_t hash = TORVIniFileSection::HashOf(name);
    for (const auto& section : FSections) {
        if (section->NameHash() == hash && SameName(section->Name(), name)) {
            FLastSection.store(section.get(), std::memory_order_relaxed);
            return section.get();
        }
    }
    return nullptr;
}

TORVIniFileSection* TORVIniFile::GetSection(std::u16string_view name, bool canCreate) {
    TORVIniFileSection* section = FindSection(name);
    if (section || !canCreate) return section;
    auto created = std::make_unique<TORVIniFileSection>();
    // Named before the handler is attached: a new section alone is no change.
    created->SetName(std::u16string(name));
    created->SetOnChanged([this](TORVIniFileSection&) { Changed(); });
    FSections.push_back(std::move(created));
    return FSections.back().get();
}

TORVIniFileSection* TORVIniFile::Sections(int32_t index) {
    return const_cast<TORVIniFileSection*>(std::as_const(*this).Sections(index));
}

const TORVIniFileSection* TORVIniFile::Sections(int32_t index) const {
    if (index < 0 || index >= SectionCount())
        throw EListError(Format(u"List index out of bounds (%d)", {index}));
    return FSections[static_cast<size_t>(index)].get();
}

bool TORVIniFile::FindValue(std::u16string_view section, std::u16string_view key, int32_t& index,
                            TORVIniFileSection*& sectionObject) {
    TORVIniFileSection* found = FindSection(section);
    if (!found || !found->FindKey(key, index)) return false;
    sectionObject = found;
    return true;
}

bool TORVIniFile::FindValue(std::u16string_view section, std::u16string_view key, int32_t& index,
                            const TORVIniFileSection*& sectionObject) const {
    const TORVIniFileSection* found = FindSection(section);
    if (!found || !found->FindKey(key, index)) return false;
    sectionObject = found;
    return true;
}

// --- Reading ---

bool TORVIniFile::ExistsSection(std::u16string_view section) const { return FindSection(section) != nullptr; }

bool TORVIniFile::ExistsKey(std::u16string_view section, std::u16string_view key) const {
    int32_t index;
    const TORVIniFileSection* found;
    return FindValue(section, key, index, found);
}

bool TORVIniFile::IsEmpty() const { return FSections.empty(); }

bool TORVIniFile::TryReadString(std::u16string_view section, std::u16string_view key, std::u16string& value) const {
    const TORVIniFileSection* found = FindSection(section);
    if (found) return found->TryReadString(key, value);
    value.clear();
    return false;
}

std::u16string TORVIniFile::ReadString(std::u16string_view section, std::u16string_view key,
                                       std::u16string_view defaultValue) const {
    std::u16string value;
    return TryReadString(section, key, value) ? value : std::u16string(defaultValue);
}

int32_t TORVIniFile::ReadInteger(std::u16string_view section, std::u16string_view key, int32_t defaultValue) const {
    std::u16string text;
    int32_t value;
    return TryReadString(section, key, text) && TryStrToInt32(text, value) ? value : defaultValue;
}

bool TORVIniFile::ReadBool(std::u16string_view section, std::u16string_view key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

TRect TORVIniFile::ReadRect(std::u16string_view section, std::u16string_view key, const TRect& defaultValue) const {
    std::u16string text;
    if (!TryReadString(section, key, text)) return defaultValue;
    TRect rect = defaultValue;
    int32_t* const fields[] = {&rect.Left, &rect.Top, &rect.Right, &rect.Bottom};
    std::u16string_view rest = text;
    for (int32_t* field : fields) {
        const size_t comma = rest.find(u',');
        TryStrToInt32(rest.substr(0, comma), *field);
        if (comma == std::u16string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return rect;
}

bool TORVIniFile::ReadStream(std::u16string_view section, std::u16string_view key, TStream& stream) const {
    std::u16string text;
    std::vector<uint8_t> bytes;
    // Everything is decoded before the stream is touched, so a bad digit costs the caller
    // nothing of what the stream held.
    if (!TryReadString(section, key, text) || text.empty() || !TORVHexcode::Decode(text, bytes)) return false;
    stream.WriteBuffer(bytes.data(), bytes.size());
    stream.SetPosition(0);
    return true;
}

bool TORVIniFile::ReadStream(std::u16string_view section, std::u16string_view key,
                             const TStreamHandler& handler) const {
    try {
        TMemoryStream data;
        if (!ReadStream(section, key, data) || data.Size() == 0) return false;
        data.SetPosition(0);
        handler(data);
        return true;
    } catch (...) {
        return false;
    }
}

void TORVIniFile::ReadKeys(std::u16string_view section, TORVStringList& list) const {
    const TORVIniFileSection* found = FindSection(section);
    if (!found) return;
    for (int32_t i = 0; i < found->Count(); ++i) {
        const std::u16string_view name = found->Names(i);
        if (!name.empty()) list.Add(std::u16string(name));
    }
}

std::u16string TORVIniFile::ReadSectionText(std::u16string_view section) const {
    const TORVIniFileSection* found = FindSection(section);
    return found ? found->Text() : std::u16string();
}

// --- Writing ---

void TORVIniFile::WriteString(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
    Bracketed(*this, [&] { GetSection(section, true)->WriteString(key, value); });
}

void TORVIniFile::WriteInteger(std::u16string_view section, std::u16string_view key, int32_t value) {
    WriteString(section, key, IntToStr(value));
}

void TORVIniFile::WriteInteger(std::u16string_view section, std::u16string_view key, int32_t value,
                               int32_t defaultValue) {
    if (value == defaultValue)
        DeleteKey(section, key);
    else
        WriteInteger(section, key, value);
}

void TORVIniFile::WriteBool(std::u16string_view section, std::u16string_view key, bool value) {
    WriteString(section, key, value ? u"1" : u"0");
}

void TORVIniFile::WriteBool(std::u16string_view section, std::u16string_view key, bool value, bool defaultValue) {
    if (value == defaultValue)
        DeleteKey(section, key);
    else
        WriteBool(section, key, value);
}

void TORVIniFile::WriteRect(std::u16string_view section, std::u16string_view key, const TRect& rect) {
    WriteString(section, key, Format(u"%d,%d,%d,%d", {rect.Left, rect.Top, rect.Right, rect.Bottom}));
}

void TORVIniFile::WriteStream(std::u16string_view section, std::u16string_view key, TStream& stream) {
    Bracketed(*this, [&] {
        GetSection(section, true);
        const int64_t size = stream.Size();
        if (size <= 0) {
            DeleteKey(section, key);
            return;
        }
        // Four bytes of text per byte of data must be addressable.
        if (static_cast<uint64_t>(size) > SIZE_MAX / 4) throw std::bad_alloc();
        std::vector<uint8_t> bytes(static_cast<size_t>(size));
        const int64_t position = stream.Position();
        stream.SetPosition(0);
        stream.ReadBuffer(bytes.data(), bytes.size());
        stream.SetPosition(position);
        WriteString(section, key, TORVHexcode::Encode(bytes.data(), bytes.size()));
    });
}

void TORVIniFile::WriteSectionText(std::u16string_view section, std::u16string_view text) {
    Bracketed(*this, [&] { GetSection(section, true)->SetText(text); });
}

bool TORVIniFile::DeleteKey(std::u16string_view section, std::u16string_view key) {
    int32_t index;
    TORVIniFileSection* found;
    if (!FindValue(section, key, index, found)) return false;
    found->Delete(index);
    return true;
}

bool TORVIniFile::DeleteSection(std::u16string_view section) {
    const TORVIniFileSection* found = FindSection(section);
    if (!found) return false;
    if (FLastSection.load() == found) FLastSection.store(nullptr);
    for (auto it = FSections.begin(); it != FSections.end(); ++it) {
        if (it->get() == found) {
            FSections.erase(it);
            break;
        }
    }
    Changed();
    return true;
}

void TORVIniFile::Clear() {
    FLastSection.store(nullptr);
    FSections.clear();
    Changed();
}

// --- Loading and saving ---

void TORVIniFile::LoadFromFile(const std::u16string& fileName) {
    try {
        Bracketed(*this, [&] {
            Clear();
            std::unique_ptr<TFileStream> file;
            try {
                file = std::make_unique<TFileStream>(fileName, fmOpenRead,
                                                     Platform::TFile::fsRead | Platform::TFile::fsWrite);
            } catch (const EFOpenError&) {
                return;  // a missing or locked file loads as an empty store
            }
            LoadFromStream(*file);
        });
    } catch (...) {
        FModified = false;
        throw;
    }
    FModified = false;
}

void TORVIniFile::LoadFromStream(TStream& stream) {
    TORVTextEncoding encoding;
    const std::u16string text = ReadEncodedText(stream, encoding);
    FEncoding = encoding;
    LoadFromText(text);
}

void TORVIniFile::LoadFromText(std::u16string_view text) {
    Bracketed(*this, [&] {
        Clear();
        TORVIniFileSection* current = nullptr;
        size_t position = 0;
        std::u16string_view line;
        while (NextLine(text, position, line)) {
            if (line.empty()) continue;
            if (line[0] == u'[') {
                current = GetSection(HeaderName(line), true);
            } else if (current) {
                current->Add(std::u16string(line));
            }
        }
    });
}

void TORVIniFile::SaveToStream(TStream& stream, TORVTextEncoding encoding) const {
    TORVTextWriter writer(stream, encoding);
    for (const auto& section : FSections) {
        if (section->Count() == 0) continue;
        writer.Write(u"[" + section->Name() + u"]\r\n");
        for (int32_t i = 0; i < section->Count(); ++i) {
            writer.Write(section->Strings(i));
            writer.Write(u"\r\n");
        }
        writer.Write(u"\r\n");
    }
    writer.Flush();
}

bool TORVIniFile::SaveToFile(const std::u16string& fileName, TORVTextEncoding encoding) const {
    // A read-only, hidden or system file cannot be opened for replacing; its result does not
    // matter, the creation below decides.
    Platform::ResetFileAttributes(fileName);
    std::unique_ptr<TFileStream> file;
    try {
        file = std::make_unique<TFileStream>(fileName, fmCreate, Platform::TFile::fsRead | Platform::TFile::fsWrite);
    } catch (const EFCreateError&) {
        return false;
    }
    SaveToStream(*file, encoding);
    return true;
}

bool TORVIniFile::UpdateFile() {
    if (FFileName.empty()) return false;
    if (!FModified) return true;
    if (!SaveToFile(FFileName, FEncoding)) return false;
    FModified = false;
    return true;
}

// --- Copying and comparing ---

void TORVIniFile::Assign(const TORVIniFile* source) {
    if (!source) {
        Clear();
        return;
    }
    // Saved before anything is cleared, so that assigning a store to itself keeps it.
    TMemoryStream text;
    source->SaveToStream(text, teUtf16LE);
    text.SetPosition(0);
    Clear();
    LoadFromStream(text);
}

void TORVIniFile::Merge(const TORVIniFile& source, bool overwrite) {
    if (&source == this) return;
    for (int32_t i = 0; i < source.SectionCount(); ++i) {
        const std::u16string& name = source.SectionName(i);
        if (!GetSection(name, false)) {
            WriteSectionText(name, source.ReadSectionText(name));
            continue;
        }
        TORVStringList keys;
        source.ReadKeys(name, keys);
        for (int32_t k = 0; k < keys.Count(); ++k) {
            const std::u16string& key = keys.Strings(k);
            if (!overwrite && ExistsKey(name, key)) continue;
            WriteString(name, key, source.ReadString(name, key, u""));
        }
    }
}

void TORVIniFile::Merge(const std::u16string& fileName, bool overwrite) {
    Merge(*Create(fileName), overwrite);
}

bool TORVIniFile::Equals(const TORVIniFile* other) const {
    if (!other) return false;
    if (other == this) return true;
    TMemoryStream mine, theirs;
    SaveToStream(mine, teUtf16LE);
    other->SaveToStream(theirs, teUtf16LE);
    return mine.Size() == theirs.Size() &&
           (mine.Size() == 0 || std::memcmp(mine.Memory(), theirs.Memory(), static_cast<size_t>(mine.Size())) == 0);
}

} // namespace ORV
