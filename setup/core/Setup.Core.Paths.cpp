#include "Setup.Core.Paths.h"

namespace Setup::Core {

namespace {

constexpr size_t kMaxPieceLength = 260;

void ReplaceAll(std::u16string& text, std::u16string_view from, std::u16string_view to) {
    for (size_t at = text.find(from); at != std::u16string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

std::u16string CleanPiece(std::u16string_view piece) {
    std::u16string clean;
    clean.reserve(piece.size());
    for (char16_t c : piece) {
        if (c == u'"') c = u'\'';
        if (c < 0x20 || std::u16string_view(u"\\<>*:?|/").find(c) != std::u16string_view::npos) continue;
        clean.push_back(c);
    }
    const size_t first = clean.find_first_not_of(u' ');
    if (first == std::u16string::npos) return {};
    clean = clean.substr(first, clean.find_last_not_of(u' ') - first + 1);
    if (clean.size() > kMaxPieceLength) clean.resize(kMaxPieceLength);
    return clean;
}

} // namespace

std::u16string ExpandMacros(std::u16string_view text, const TPathMacros& macros) {
    std::u16string result(text);
    ReplaceAll(result, u"\\n", u"\r\n");
    return ExpandPathMacros(result, macros);
}

std::u16string ExpandPathMacros(std::u16string_view text, const TPathMacros& macros) {
    std::u16string result(text);
    ReplaceAll(result, u"$DEST", macros.DestPath);
    ReplaceAll(result, u"$TEMP", macros.TempPath);
    ReplaceAll(result, u"$LINK", macros.HomePage);
    ReplaceAll(result, u"$NAME", macros.ProductName);
    ReplaceAll(result, u"$VERSION", macros.FullVersion);
    ReplaceAll(result, u"$DESKTOP", macros.DesktopFolder);
    ReplaceAll(result, u"$STARTMENU", macros.StartMenuFolder);
    ReplaceAll(result, u"$PROGRAMS", macros.ProgramFilesFolder);
    return result;
}

std::u16string NormalizePath(std::u16string_view path) {
    std::u16string_view root, rest = path;
    if (path.size() >= 2 && path[1] == u':') {
        root = path.substr(0, 2);
        rest = path.substr(2);
    } else if (path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\') {
        const size_t end = path.find(u'\\', 2);
        root = path.substr(0, end);
        rest = end == std::u16string_view::npos ? std::u16string_view() : path.substr(end);
    }

    std::u16string joined;
    size_t start = 0;
    while (start <= rest.size()) {
        const size_t end = std::min(rest.find(u'\\', start), rest.size());
        const std::u16string piece = CleanPiece(rest.substr(start, end - start));
        if (!piece.empty() && piece != u"." && piece != u"..") {
            if (!joined.empty()) joined.push_back(u'\\');
            joined += piece;
        }
        start = end + 1;
    }

    const bool trailing = !path.empty() && path.back() == u'\\';
    std::u16string result(root);
    if (!root.empty()) result.push_back(u'\\');
    result += joined;
    if (trailing && !joined.empty()) result.push_back(u'\\');
    return result;
}

std::u16string BackslashPathForm(std::u16string_view path) {
    std::u16string result(path);
    for (char16_t& c : result)
        if (c == u'/') c = u'\\';
    if (result.rfind(u"\\\\?\\UNC\\", 0) == 0)
        result.erase(2, 6);  // "\\?\UNC\server" is "\\server"
    else if (result.rfind(u"\\\\?\\", 0) == 0)
        result.erase(0, 4);
    return result;
}

std::u16string NativeProgramFilesFolderOf(std::u16string_view programFilesFolder) {
    std::u16string native(programFilesFolder);
    ReplaceAll(native, u" (x86)", u"");
    return native;
}

} // namespace Setup::Core
