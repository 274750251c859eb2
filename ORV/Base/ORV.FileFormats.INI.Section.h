// One section of the INI store (ORV.FileFormats.INI.h): its lines, the name/value split and
// the hashed key look-up.
#pragma once

#include "ORV.Classes.StringList.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace ORV {

// One section: each item of the list is one line as read or written. The Data of each line
// caches the hash of its name (0 = not computed yet), so callers must not use Data for
// anything else: Insert and SetString reset it.
class TORVIniFileSection : public TORVStringList {
public:
    using TChangedEvent = std::function<void(TORVIniFileSection& sender)>;

    TORVIniFileSection() = default;

    // The name as given when the section was created.
    const std::u16string& Name() const { return FName; }
    // When Name differs exactly from the current one, stores it, drops the cached hash and
    // calls Changed.
    void SetName(std::u16string name);
    // The hash of the upper-cased name, computed on first use.
    uint32_t NameHash() const;

    // Called by Changed outside BeginUpdate/EndUpdate; the owning store sets it.
    const TChangedEvent& OnChanged() const { return FOnChanged; }
    void SetOnChanged(TChangedEvent handler) { FOnChanged = std::move(handler); }

    // The index of the first line whose name equals Key; false when there is none.
    bool FindKey(std::u16string_view key, int32_t& index) const;

    // The value of Key read as TryStrToInt32 of ORV.Utils.Strings does; Default when the key is
    // absent or its value is not such an integer.
    virtual int32_t ReadInteger(std::u16string_view key, int32_t defaultValue) const;
    // The value of the first line named Key, and true; false with Value empty when absent.
    virtual bool TryReadString(std::u16string_view key, std::u16string& value) const;
    // Replaces the first line named Key with Key "=" Value (Key in the caller's spelling), or
    // appends that line. Neither is checked: an "=" in Key or a line break in Value is stored
    // as it is.
    virtual void WriteString(std::u16string_view key, std::u16string_view value);

    // Calls OnChanged when not inside BeginUpdate/EndUpdate.
    void Changed() override;
    void BeginUpdate() override;
    // Calls Changed when the outermost bracket closes (and for an unbalanced call).
    void EndUpdate() override;
    void SetString(int32_t index, std::u16string text) override;
    // Data is ignored: the line's hash is computed when a look-up first needs it.
    void Insert(int32_t index, std::u16string text, int32_t data = 0,
                std::shared_ptr<IInterface> object = nullptr) override;

    // ELF hash of the name upper-cased under the user's locale (Platform::UpperCaseLocale).
    static uint32_t HashOf(std::u16string_view name);

private:
    bool FindKey(std::u16string_view key, uint32_t hash, int32_t& index) const;

    int32_t FUpdateCount = 0;
    std::u16string FName;
    // Filled by const look-ups, possibly on several threads at once.
    mutable std::atomic<uint32_t> FNameHash{0};
    TChangedEvent FOnChanged;
};

} // namespace ORV
