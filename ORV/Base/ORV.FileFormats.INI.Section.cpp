#include "ORV.FileFormats.INI.Section.h"

#include "ORV.Platform.h"
#include "ORV.Utils.Strings.h"

namespace ORV {

uint32_t TORVIniFileSection::HashOf(std::u16string_view name) {
    if (name.empty()) return 0;
    uint32_t h = 0;
    for (const char16_t c : Platform::UpperCaseLocale(name)) {
        h = (h << 4) + c;
        const uint32_t g = h & 0xF0000000u;
        if (g != 0) h ^= g >> 24;
        h &= ~g;
    }
    return h;
}

void TORVIniFileSection::SetName(std::u16string name) {
    if (name == FName) return;
    FName = std::move(name);
    FNameHash.store(0, std::memory_order_relaxed);
    Changed();
}

uint32_t TORVIniFileSection::NameHash() const {
    uint32_t hash = FNameHash.load(std::memory_order_relaxed);
    if (hash == 0) {
        hash = HashOf(FName);
        FNameHash.store(hash, std::memory_order_relaxed);
    }
    return hash;
}

bool TORVIniFileSection::FindKey(std::u16string_view key, int32_t& index) const {
    return Count() > 0 && FindKey(key, HashOf(key), index);
}

bool TORVIniFileSection::FindKey(std::u16string_view key, uint32_t hash, int32_t& index) const {
    for (int32_t i = 0; i < Count(); ++i) {
        auto lineHash = static_cast<uint32_t>(Data(i));
        if (lineHash == 0) {
            lineHash = HashOf(Names(i));
            SetDataSilently(i, static_cast<int32_t>(lineHash));
        }
        if (lineHash == hash && SameText(Names(i), key)) {
            index = i;
            return true;
        }
    }
    return false;
}

int32_t TORVIniFileSection::ReadInteger(std::u16string_view key, int32_t defaultValue) const {
    std::u16string text;
    int32_t value;
    return TryReadString(key, text) && TryStrToInt32(text, value) ? value : defaultValue;
}

bool TORVIniFileSection::TryReadString(std::u16string_view key, std::u16string& value) const {
    int32_t index;
    if (!FindKey(key, index)) {
        value.clear();
        return false;
    }
    value = ValueFromIndex(index);
    return true;
}

void TORVIniFileSection::WriteString(std::u16string_view key, std::u16string_view value) {
    std::u16string line;
    line.reserve(key.size() + 1 + value.size());
    line.append(key).append(1, Delimiter()).append(value);
    const uint32_t hash = HashOf(key);
    // The line's name is Key only when Key holds no delimiter; otherwise the hash is left to be
    // computed from the name as it will be read.
    const int32_t lineHash = key.find(Delimiter()) == std::u16string_view::npos ? static_cast<int32_t>(hash) : 0;
    int32_t index;
    if (FindKey(key, hash, index)) {
        SetDataSilently(index, lineHash);
        TORVStringList::SetString(index, std::move(line));
    } else {
        TORVStringList::Insert(Count(), std::move(line), lineHash);
    }
}

void TORVIniFileSection::Changed() {
    if (FUpdateCount == 0 && FOnChanged) FOnChanged(*this);
}

void TORVIniFileSection::BeginUpdate() { ++FUpdateCount; }

void TORVIniFileSection::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount > 0) return;
    Changed();
}

void TORVIniFileSection::SetString(int32_t index, std::u16string text) {
    Strings(index);  // range check before the cache is touched
    SetDataSilently(index, 0);
    TORVStringList::SetString(index, std::move(text));
}

void TORVIniFileSection::Insert(int32_t index, std::u16string text, int32_t /*data*/,
                                std::shared_ptr<IInterface> object) {
    TORVStringList::Insert(index, std::move(text), 0, std::move(object));
}

} // namespace ORV
