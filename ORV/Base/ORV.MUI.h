// The library's localisation: language files (".lng", the INI format) with a [File] header and
// message sections, and the process-wide store that the library's controls read their texts
// from.
//
// [File] keys: Name (display name), LangId (Windows language identifier), Author, VersionId,
// Icon (an icon file in hex), Family (language family, "EN" when absent), ANSICP (code page).
// A message value may hold the two characters "\n", which stand for a line break (CR LF).
#pragma once

#include "ORV.Classes.StringList.h"
#include "ORV.FileFormats.INI.h"
#include "ORV.Graphics.Icon.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace ORV {

// Told after a language file was loaded into the shared store. LangChanged calls the three
// kinds in the order Listener2, Listener3, Listener, each over the whole listener list.
class IORVLocalizationListener : public virtual IInterface {
public:
    virtual void LangChanged() = 0;
};
class IORVLocalizationListener2 : public virtual IInterface {
public:
    virtual void LangChanged2() = 0;
};
class IORVLocalizationListener3 : public virtual IInterface {
public:
    virtual void LangChanged3() = 0;
};

struct TORVLocalizationInfo {
    std::u16string Author;
    int32_t LangId = 0;
    std::u16string Name;
    int32_t VersionId = 0;
};

// The folder of the running program followed by "Langs" and a separator ("\" on Windows),
// where the shared store finds its language files.
const std::u16string& LangFilePath();

// An INI store that reads language files and tells its listeners when the language changes.
// Never saves itself: AutoSave is always off.
class TORVLocalization : public TORVIniFile {
public:
    TORVLocalization(TCreateKey key, std::u16string fileName, bool autoSave);
    // A language file is never written back, even when AutoSave was switched on later: it
    // holds the English keys merged into it.
    ~TORVLocalization() override { SetAutoSave(false); }

    // Binds LangFilePath() + Name and loads that file.
    void LoadFromFile(const std::u16string& name) override;
    // Loads the file, remembers its [File] ANSICP and calls LangChanged.
    void LoadFromStream(TStream& stream) override;
    // As the INI store, with every "\n" (backslash and lower-case n) of a found value turned
    // into CR LF.
    bool TryReadString(std::u16string_view section, std::u16string_view key, std::u16string& value) const override;

    // Fills keys missing from the loaded file from LangFilePath() + "English.lng" (unless the
    // file is English.lng or Russian.lng, complete by definition), then notifies the listeners
    // and, on Windows, sends WM_USER + 101 to the windows of this process.
    void LangChanged();

    // Listeners are shared with the caller; a listener may remove itself (or another) during
    // a notification without making the pass skip the next one.
    void AddListener(std::shared_ptr<IInterface> listener);
    void RemoveListener(const IInterface* listener);

    // The [File] ANSICP of the last loaded file (0 when absent).
    int32_t AnsiCodePage() const { return FAnsiCodePage; }

private:
    template <class TListener, class TCall>
    void NotifyEach(TCall call);

    std::recursive_mutex FListenersLock;
    std::vector<std::shared_ptr<IInterface>> FListeners;
    // The positions of the passes under way, adjusted when a listener is removed.
    std::vector<ptrdiff_t*> FPasses;
    int32_t FAnsiCodePage = 0;
};

// The shared store, created (without a file) on first use and freed at exit.
TORVLocalization& LangFile();

// The shared store's text for (Section, Key), or Default.
std::u16string LangGet(std::u16string_view section, std::u16string_view key, std::u16string_view defaultValue);

// Reads the [File] header of a loaded language file into Info (LangId and VersionId default
// to 0). When Icon is given, it receives the [File] Icon, and is cleared when there is none or
// it is not an icon file. Always true.
bool LangGetInfo(const TORVIniFile& langFile, TORVLocalizationInfo& info, TORVIcon* icon);

} // namespace ORV
