// The library's string list: an ordered array of lines, each with an optional shared object and
// a 32-bit value. Derived lists (the INI sections among them) hook into every change through
// the virtual operations.
#pragma once

#include "ORV.SysUtils.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ORV {

// The base of every interface that a list item or a listener list can refer to. References are
// shared: an item keeps its object alive until the item goes. Whether an object supports a
// derived interface is asked with dynamic_cast.
class IInterface {
public:
    virtual ~IInterface() = default;
};

// An index outside the list: "List index out of bounds (%d)".
class EListError : public Exception {
public:
    using Exception::Exception;
};

class TORVStringList {
public:
    TORVStringList() = default;
    virtual ~TORVStringList() = default;
    // Lists are copied with Assign, which derived lists may extend.
    TORVStringList(const TORVStringList&) = delete;
    TORVStringList& operator=(const TORVStringList&) = delete;

    // Reserved item slots; it grows on insertion by 4 below 9 slots, by 16 below 65 and by a
    // quarter from 65 on, and drops to 0 on Clear.
    int32_t Capacity() const { return FCapacity; }
    // Reserves room for Capacity items, so that a known number of insertions does not grow
    // the list step by step. EListError "List capacity out of bounds (%d)" below Count or
    // below 0.
    void SetCapacity(int32_t capacity);
    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }

    // The name/value separator, "=" after construction.
    char16_t Delimiter() const { return FDelimiter; }
    void SetDelimiter(char16_t delimiter) { FDelimiter = delimiter; }
    // True after construction: IndexOf and name comparisons of derived lists ignore letter
    // case under the user's locale; otherwise they compare exactly.
    bool IgnoreCase() const { return FIgnoreCase; }
    void SetIgnoreCase(bool ignoreCase) { FIgnoreCase = ignoreCase; }

    // Item access; an Index outside [0, Count) raises EListError.
    const std::u16string& Strings(int32_t index) const { return Item(index).Text; }
    // Atomic, because derived lists fill caches in the values during const look-ups, which
    // several threads may make at once.
    int32_t Data(int32_t index) const {
        return std::atomic_ref<int32_t>(Item(index).Data).load(std::memory_order_relaxed);
    }
    const std::shared_ptr<IInterface>& Objects(int32_t index) const { return Item(index).Object; }
    // The text before the first Delimiter; empty when the line has none. Like ValueFromIndex
    // it views the item's text, which stays valid until that item changes.
    std::u16string_view Names(int32_t index) const;
    // The text after the first Delimiter; the whole line when it has none.
    std::u16string_view ValueFromIndex(int32_t index) const;
    // Every line followed by CR LF.
    std::u16string Text() const;

    // Appends Text through Insert and returns its index.
    int32_t Add(std::u16string text);
    // Removes the item at Index, releasing its object, and calls Changed. EListError outside
    // [0, Count).
    void Delete(int32_t index);

    // Replaces this list's items (texts, values and objects) and its Delimiter and IgnoreCase
    // with Source's. Brackets the change with BeginUpdate/EndUpdate; inserts through Insert.
    virtual void Assign(const TORVStringList& source);
    // Called after every change of the items; does nothing here.
    virtual void Changed() {}
    // Replaces the text at Index, keeping its value and object, and calls Changed.
    virtual void SetString(int32_t index, std::u16string text);
    // Replaces all items with the lines of Text (split by NextLine of ORV.Utils.Strings: empty
    // lines are kept, a final break opens no line), inside BeginUpdate/EndUpdate.
    virtual void SetText(std::u16string_view text);
    // Brackets a batch of changes; they do nothing here.
    virtual void BeginUpdate() {}
    virtual void EndUpdate() {}
    // Inserts an item before Index (Count appends) and calls Changed. EListError outside
    // [0, Count], or "List capacity out of bounds (%d)" when the list already holds the most
    // items a 32-bit count allows.
    virtual void Insert(int32_t index, std::u16string text, int32_t data = 0,
                        std::shared_ptr<IInterface> object = nullptr);
    // The index of the first line equal to Text (see IgnoreCase), or -1.
    virtual int32_t IndexOf(std::u16string_view text) const;
    // Removes every item, releasing their objects, sets Capacity to 0 and calls Changed when
    // there was anything to remove.
    virtual void Clear();

protected:
    // Rewrites an item's value without calling Changed; for derived lists that keep a cache in
    // the values, which may be filled during const look-ups.
    // EListError outside [0, Count).
    void SetDataSilently(int32_t index, int32_t data) const {
        std::atomic_ref<int32_t>(Item(index).Data).store(data, std::memory_order_relaxed);
    }
    // Whether two names or lines are equal under IgnoreCase.
    bool SameText(std::u16string_view a, std::u16string_view b) const;

private:
    struct TItem {
        std::shared_ptr<IInterface> Object;
        // Mutable for SetDataSilently: a cache is not a change of the list.
        mutable int32_t Data = 0;
        std::u16string Text;
    };

    const TItem& Item(int32_t index) const;
    [[noreturn]] static void IndexError(int32_t index);

    int32_t FCapacity = 0;
    char16_t FDelimiter = u'=';
    bool FIgnoreCase = true;
    std::vector<TItem> FItems;
};

} // namespace ORV
