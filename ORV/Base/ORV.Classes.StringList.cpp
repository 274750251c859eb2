#include "ORV.Classes.StringList.h"

#include "ORV.Platform.h"
#include "ORV.Strings.h"
#include "ORV.Utils.Strings.h"

#include <algorithm>
#include <limits>

namespace ORV {

namespace {

constexpr int32_t kMaxCount = std::numeric_limits<int32_t>::max();

int32_t GrownCapacity(int32_t capacity) {
    const int64_t delta = capacity < 9 ? 4 : capacity < 65 ? 16 : capacity / 4;
    return static_cast<int32_t>(std::min<int64_t>(capacity + delta, kMaxCount));
}

} // namespace

const TORVStringList::TItem& TORVStringList::Item(int32_t index) const {
    if (index < 0 || index >= Count()) IndexError(index);
    return FItems[static_cast<size_t>(index)];
}

void TORVStringList::IndexError(int32_t index) {
    throw EListError(Format(u"List index out of bounds (%d)", {index}));
}

std::u16string_view TORVStringList::Names(int32_t index) const {
    const std::u16string_view text = Item(index).Text;
    const size_t at = text.find(FDelimiter);
    return at == std::u16string_view::npos ? std::u16string_view() : text.substr(0, at);
}

std::u16string_view TORVStringList::ValueFromIndex(int32_t index) const {
    const std::u16string_view text = Item(index).Text;
    const size_t at = text.find(FDelimiter);
    return at == std::u16string_view::npos ? text : text.substr(at + 1);
}

std::u16string TORVStringList::Text() const {
    size_t length = 0;
    for (const auto& item : FItems) length += item.Text.size() + 2;
    std::u16string text;
    text.reserve(length);
    for (const auto& item : FItems) {
        text += item.Text;
        text += u"\r\n";
    }
    return text;
}

int32_t TORVStringList::Add(std::u16string text) {
    const int32_t index = Count();
    Insert(index, std::move(text));
    return index;
}

void TORVStringList::Delete(int32_t index) {
    Item(index);
    {
        // The object is released after the list is consistent again, in case it looks back.
        const TItem gone = std::move(FItems[static_cast<size_t>(index)]);
        FItems.erase(FItems.begin() + index);
    }
    Changed();
}

void TORVStringList::Assign(const TORVStringList& source) {
    if (&source == this) return;
    BeginUpdate();
    try {
        Clear();
        FDelimiter = source.FDelimiter;
        FIgnoreCase = source.FIgnoreCase;
        for (const auto& item : source.FItems) Insert(Count(), item.Text, item.Data, item.Object);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TORVStringList::SetString(int32_t index, std::u16string text) {
    Item(index);
    FItems[static_cast<size_t>(index)].Text = std::move(text);
    Changed();
}

void TORVStringList::SetText(std::u16string_view text) {
    BeginUpdate();
    try {
        Clear();
        size_t position = 0;
        std::u16string_view line;
        while (NextLine(text, position, line)) Insert(Count(), std::u16string(line));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TORVStringList::SetCapacity(int32_t capacity) {
    if (capacity < Count()) throw EListError(Format(u"List capacity out of bounds (%d)", {capacity}));
    FItems.reserve(static_cast<size_t>(capacity));
    FCapacity = capacity;
}

void TORVStringList::Insert(int32_t index, std::u16string text, int32_t data, std::shared_ptr<IInterface> object) {
    if (index < 0 || index > Count()) IndexError(index);
    if (Count() == FCapacity) {
        if (FCapacity == kMaxCount) throw EListError(Format(u"List capacity out of bounds (%d)", {FCapacity}));
        const int32_t capacity = GrownCapacity(FCapacity);
        FItems.reserve(static_cast<size_t>(capacity));
        FCapacity = capacity;
    }
    FItems.insert(FItems.begin() + index, TItem{std::move(object), data, std::move(text)});
    Changed();
}

int32_t TORVStringList::IndexOf(std::u16string_view text) const {
    for (size_t i = 0; i < FItems.size(); ++i)
        if (SameText(FItems[i].Text, text)) return static_cast<int32_t>(i);
    return -1;
}

void TORVStringList::Clear() {
    if (FItems.empty() && FCapacity == 0) return;
    const bool hadItems = !FItems.empty();
    {
        // The objects are released once the list is empty, in case one of them looks back.
        std::vector<TItem> gone;
        gone.swap(FItems);
        FCapacity = 0;
    }
    if (hadItems) Changed();
}

bool TORVStringList::SameText(std::u16string_view a, std::u16string_view b) const {
    return FIgnoreCase ? Platform::SameTextLocale(a, b) : a == b;
}

} // namespace ORV
