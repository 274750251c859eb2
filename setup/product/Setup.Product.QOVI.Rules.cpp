#include "Setup.Product.QOVI.Rules.h"

#include "ORV.Strings.h"


namespace Setup::Product::QOVI {

namespace {

std::u16string TwoDigits(int value) {
    std::u16string text = ORV::IntToStr(value);
    return text.size() < 2 ? u"0" + text : text;
}

} // namespace

std::u16string BackupArchiveName(std::u16string_view version, const TLocalTime& time) {
    std::u16string name = u"z Before install ";
    name.append(version).append(u" [");
    name.append(ORV::IntToStr(time.Year)).append(u".").append(TwoDigits(time.Month)).append(u".").append(TwoDigits(time.Day));
    name.append(u" ").append(TwoDigits(time.Hour)).append(u"-").append(TwoDigits(time.Minute)).append(u"-");
    name.append(TwoDigits(time.Second)).append(u"].zip");
    return name;
}

const std::vector<std::u16string> kUnarchivedFileNames = {u"AlbumArts.cache", u"AlbumArts.db", u"AlbumArtsCache.db",
                                                          u"AlbumArtCache.db", u"UpdateInstaller.exe"};

std::vector<std::u16string> KeptByUpdate(int32_t installedVersion) {
    std::vector<std::u16string> kept;
    if (installedVersion >= 3600) kept.push_back(u"Plugins\\");
    for (const char16_t* name : {u"Icons\\", u"System\\Data\\", u"System\\Encoders\\", u"Skins\\", u"libwebp.dll"})
        kept.push_back(name);
    return kept;
}

void KeepUserFolders(Core::TSetupDeleteList& list, const std::u16string& destPath, int32_t installedVersion) {
    for (const std::u16string& kept : KeptByUpdate(installedVersion)) Core::RemovePrefix(list, destPath + kept);
}

std::vector<std::u16string> ObsoletePluginFolders(int32_t installedVersion) {
    // The player's own plug-ins that later versions merged into the player, and outside ones
    // that stopped working with it, by the version that dropped them.
    struct TGroup {
        int32_t Below;  // removed from installations older than this; 0 always
        std::vector<std::u16string> Folders;
    };
    static const TGroup groups[] = {
        {4002, {u"qovi_cdda", u"qovi_mp3dec", u"qovi_oggdec", u"qovi_wavout", u"vis_spectrum"}},
        {4699, {u"qovi_lastfm"}},
        {5030, {u"qovi_youtube"}},
        {0, {u"in_tracker", u"qovi_dsp_sox", u"ext_lyrics", u"ext_shoutcast"}},
    };
    std::vector<std::u16string> folders;
    for (const TGroup& group : groups)
        if (group.Below == 0 || installedVersion < group.Below)
            folders.insert(folders.end(), group.Folders.begin(), group.Folders.end());
    return folders;
}

const std::vector<std::u16string> kRetiredSkinFiles = {u"Classic.skin", u"Classic Dark.skin"};

const std::vector<std::pair<std::u16string, std::u16string>> kRenamedProfileFiles = {
    {u"QOVI3-cat.db", u"QOVI-cat.db"}, {u"qovi3_menu.ini", u"QOVI-ContextMenu.ini"}, {u"QOVI3.ini", u"QOVI.ini"},
    {u"QOVI3ac.ini", u"QOVIac.ini"},   {u"QOVI3ate.ini", u"QOVIate.ini"}};
const std::vector<std::u16string> kDroppedProfileFiles = {u"QOVI3-SkinLayout.ini", u"QOVI3.bak", u"QOVI3ac.bak",
                                                          u"QOVI3ate.bak"};

std::u16string ProfilePath(const std::u16string& appData, int32_t version, const std::u16string& productName,
                           const std::u16string& destPath) {
    if (appData.empty()) return destPath + u"Profile\\";
    return appData + (version >= 4000 ? productName : std::u16string(u"QOVI3")) + u"\\";
}

} // namespace Setup::Product::QOVI
