#include "ORV.MUI.h"

#include "ORV.Callbacks.h"
#include "ORV.Platform.h"
#include "ORV.Utils.Strings.h"

#ifdef _WIN32
#include "ORV.Win32.h"
#endif

#include <algorithm>

namespace ORV {

namespace {

#ifdef _WIN32
constexpr UINT kLangChangedMessage = WM_USER + 101;

BOOL CALLBACK SendLangChanged(HWND window, LPARAM) {
    return GuardCallback<BOOL>(TRUE, [window] {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId()) SendMessageW(window, kLangChangedMessage, 0, 0);
        return TRUE;
    });
}

// The windows of this process hear about the new language before the plain listeners do.
void TellWindows() { EnumWindows(SendLangChanged, 0); }
#else
void TellWindows() {}
#endif

} // namespace

const std::u16string& LangFilePath() {
    static const std::u16string path = [] {
        const std::u16string program = Platform::ExecutableFileName();
        const size_t slash = program.find_last_of(u"\\/");
#ifdef _WIN32
        const char16_t separator = u'\\';
#else
        const char16_t separator = u'/';
#endif
        return program.substr(0, slash == std::u16string::npos ? 0 : slash + 1) + u"Langs" + separator;
    }();
    return path;
}

TORVLocalization::TORVLocalization(TCreateKey key, std::u16string fileName, bool /*autoSave*/)
    : TORVIniFile(key, std::move(fileName), false) {}

void TORVLocalization::LoadFromFile(const std::u16string& name) {
    SetFileName(LangFilePath() + name);
    TORVIniFile::LoadFromFile(FileName());
}

void TORVLocalization::LoadFromStream(TStream& stream) {
    TORVIniFile::LoadFromStream(stream);
    FAnsiCodePage = ReadInteger(u"File", u"ANSICP", 0);
    LangChanged();
}

bool TORVLocalization::TryReadString(std::u16string_view section, std::u16string_view key,
                                     std::u16string& value) const {
    if (!TORVIniFile::TryReadString(section, key, value)) return false;
    for (size_t at = value.find(u"\\n"); at != std::u16string::npos; at = value.find(u"\\n", at + 2))
        value.replace(at, 2, u"\r\n");
    return true;
}

void TORVLocalization::LangChanged() {
    const std::u16string name = ExtractFileName(FileName());
    if (!Platform::SameTextLocale(name, u"English.lng") && !Platform::SameTextLocale(name, u"Russian.lng"))
        Merge(LangFilePath() + u"English.lng", false);
    NotifyEach<IORVLocalizationListener2>([](IORVLocalizationListener2& l) { l.LangChanged2(); });
    NotifyEach<IORVLocalizationListener3>([](IORVLocalizationListener3& l) { l.LangChanged3(); });
    TellWindows();
    NotifyEach<IORVLocalizationListener>([](IORVLocalizationListener& l) { l.LangChanged(); });
}

template <class TListener, class TCall>
void TORVLocalization::NotifyEach(TCall call) {
    std::lock_guard<std::recursive_mutex> lock(FListenersLock);
    ptrdiff_t index = 0;
    FPasses.push_back(&index);
    try {
        for (; index < static_cast<ptrdiff_t>(FListeners.size()); ++index) {
            // Held here, so that a listener that removes itself lives to the end of its call.
            const std::shared_ptr<IInterface> listener = FListeners[static_cast<size_t>(index)];
            if (auto* target = dynamic_cast<TListener*>(listener.get())) call(*target);
        }
    } catch (...) {
        FPasses.pop_back();
        throw;
    }
    FPasses.pop_back();
}

void TORVLocalization::AddListener(std::shared_ptr<IInterface> listener) {
    if (!listener) return;
    std::lock_guard<std::recursive_mutex> lock(FListenersLock);
    FListeners.push_back(std::move(listener));
}

void TORVLocalization::RemoveListener(const IInterface* listener) {
    std::lock_guard<std::recursive_mutex> lock(FListenersLock);
    const auto found = std::find_if(FListeners.begin(), FListeners.end(),
                                    [&](const std::shared_ptr<IInterface>& item) { return item.get() == listener; });
    if (found == FListeners.end()) return;
    const ptrdiff_t removed = found - FListeners.begin();
    FListeners.erase(found);
    // A pass at or beyond the removed place would otherwise step over its next listener.
    for (ptrdiff_t* pass : FPasses)
        if (removed <= *pass) --*pass;
}

TORVLocalization& LangFile() {
    static const std::unique_ptr<TORVLocalization> store = TORVIniFile::Create<TORVLocalization>();
    return *store;
}

std::u16string LangGet(std::u16string_view section, std::u16string_view key, std::u16string_view defaultValue) {
    return LangFile().ReadString(section, key, defaultValue);
}

bool LangGetInfo(const TORVIniFile& langFile, TORVLocalizationInfo& info, TORVIcon* icon) {
    info.Author = langFile.ReadString(u"File", u"Author", u"");
    info.LangId = langFile.ReadInteger(u"File", u"LangId", 0);
    info.Name = langFile.ReadString(u"File", u"Name", u"");
    info.VersionId = langFile.ReadInteger(u"File", u"VersionId", 0);
    if (icon) {
        icon->Clear();
        langFile.ReadStream(u"File", u"Icon", [icon](TStream& stream) {
            if (!icon->LoadFromStream(stream)) icon->Clear();
        });
    }
    return true;
}

} // namespace ORV
