// Writes the player-like payload as the two folders an installer is built from, for the
// install benchmark (run-install-bench.sh):
//
//   MakeInstallPayload FOLDER [--seed S] [--setup-file FILE]...
//
// FOLDER/product gets the payload's files (their package names with the backslashes turned into
// folders), FOLDER/setup an Install.xml that installs every one of them under $DEST, and a copy
// of each FILE given. qovi_add_installer globs these folders when CMake configures, so they have
// to exist first. A file that already holds the right bytes is left alone and a file that is no
// longer part of the payload is removed: the packages are made again only when the payload
// really changed, which saves a minute of LZMA at every run of the benchmark.
//
// Exit status 0 on success, 1 on any failure (the reason on standard error).
#include "Bench.PlayerPayload.h"

#include "ORV.Strings.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using TBytes = std::vector<uint8_t>;

constexpr uint64_t kDefaultSeed = 0x514F5649;  // the same payload as PackageOpenBench's

[[noreturn]] void Fail(const std::string& message) { throw std::runtime_error(message); }

TBytes ReadAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) Fail("cannot read " + path.string());
    return TBytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Returns whether the file had to be written.
bool WriteIfChanged(const fs::path& path, const TBytes& data) {
    std::error_code error;
    if (fs::is_regular_file(path, error) && fs::file_size(path, error) == data.size() && ReadAll(path) == data)
        return false;
    fs::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    file.close();
    if (!file) Fail("cannot write " + path.string());
    return true;
}

// Removes every file below Folder that is not in Keep, then the folders left empty.
size_t RemoveOthers(const fs::path& folder, const std::set<fs::path>& keep) {
    size_t removed = 0;
    std::vector<fs::path> folders;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_directory()) folders.push_back(entry.path());
        else if (!keep.count(entry.path()) && fs::remove(entry.path())) ++removed;
    }
    // Deepest first, so that a parent is empty by the time it is looked at.
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        if (fs::is_empty(*it)) fs::remove(*it);
    return removed;
}

std::string XmlEscaped(const std::string& text) {
    std::string result;
    for (const char c : text) {
        switch (c) {
        case '&': result += "&amp;"; break;
        case '<': result += "&lt;"; break;
        case '>': result += "&gt;"; break;
        case '"': result += "&quot;"; break;
        default: result += c;
        }
    }
    return result;
}

// Every payload file under $DEST, at the path it has in the package; no actions and no
// shortcuts, so that the run does what the floor program does and little else.
std::string InstallScript(const Bench::TPayload& payload) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<!-- Made by MakeInstallPayload: every file of the benchmark's player-like payload. -->\n"
        "<Install>\n"
        "  <product>\n"
        "    <Components>\n";
    for (const auto& file : payload.Files) {
        const std::string name = XmlEscaped(ORV::Utf16ToUtf8(file.Name));
        xml += "      <File name=\"$DEST\\" + name + "\"";
        xml += name.find('\\') == std::string::npos ? "/>\n" : ">" + name + "</File>\n";
    }
    xml +=
        "    </Components>\n"
        "    <Settings>\n"
        "      <Setting name=\"ProductName\" value=\"QOVI\"/>\n"
        "      <Setting name=\"Publisher\" value=\"QOVI Bench Team\"/>\n"
        "      <Setting name=\"ProductVersion\" value=\"5.10\"/>\n"
        "      <Setting name=\"ProductVersionId\" value=\"5100\"/>\n"
        "      <Setting name=\"ProductVersionNo\" value=\"5.10.0.1\"/>\n"
        "      <Setting name=\"BuildDate\" value=\"2024.06.03\"/>\n"
        "      <Setting name=\"HomePage\" value=\"https://qovi.example.org/\"/>\n"
        "    </Settings>\n"
        "  </product>\n"
        "</Install>\n";
    return xml;
}

fs::path PathOf(const fs::path& folder, const std::u16string& packageName) {
    std::string relative = ORV::Utf16ToUtf8(packageName);
    for (char& c : relative)
        if (c == '\\') c = '/';
    return folder / relative;
}

std::string SelfPath(const char* argv0) {
    std::error_code error;
    const auto self = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string(argv0) : self.string();
}

int Run(int argc, char** argv) {
    fs::path folder;
    uint64_t seed = kDefaultSeed;
    std::vector<fs::path> setupFiles;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seed" && i + 1 < argc) seed = std::strtoull(argv[++i], nullptr, 0);
        else if (arg == "--setup-file" && i + 1 < argc) setupFiles.emplace_back(argv[++i]);
        else if (folder.empty() && arg[0] != '-') folder = arg;
        else Fail("usage: MakeInstallPayload FOLDER [--seed S] [--setup-file FILE]...");
    }
    if (folder.empty()) Fail("usage: MakeInstallPayload FOLDER [--seed S] [--setup-file FILE]...");
    folder = fs::absolute(folder);
    const fs::path product = folder / "product", setup = folder / "setup";
    fs::create_directories(product);
    fs::create_directories(setup);

    const Bench::TPayload payload = Bench::MakePlayerPayload(seed, SelfPath(argv[0]));
    size_t written = 0, bytes = 0;
    std::set<fs::path> productKeep, setupKeep;
    for (const auto& file : payload.Files) {
        const fs::path path = PathOf(product, file.Name);
        if (!productKeep.insert(path).second) Fail("the payload names " + path.string() + " twice");
        written += WriteIfChanged(path, file.Data);
        bytes += file.Data.size();
    }
    const std::string script = InstallScript(payload);
    written += WriteIfChanged(setup / "Install.xml", TBytes(script.begin(), script.end()));
    setupKeep.insert(setup / "Install.xml");
    for (const auto& source : setupFiles) {
        const fs::path path = setup / source.filename();
        written += WriteIfChanged(path, ReadAll(source));
        setupKeep.insert(path);
    }
    const size_t removed = RemoveOthers(product, productKeep) + RemoveOthers(setup, setupKeep);

    std::printf("payload: %zu files, %.1f MiB in %s (%zu files written, %zu removed; code from %s)\n",
                payload.Files.size(), double(bytes) / (1024.0 * 1024.0), folder.string().c_str(), written,
                removed, payload.CodeSource.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "MakeInstallPayload: %s\n", e.what());
    }
    return 1;
}
