#include "Ipk5.Tool.h"

#include "ORV.Platform.h"
#include "ORV.Strings.h"
#include "Setup.Core.Package.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <random>

#ifdef _WIN32
#include <windows.h>
#endif

namespace Ipk5 {

namespace fs = std::filesystem;
using ORV::Utf16ToUtf8;
using Setup::Core::TSetupPackageBuilder;
using Setup::Core::TSetupPackageReader;

namespace {

constexpr char kUsage[] =
    "usage:\n"
    "  ipk5 pack [--level N] [--key KEY] OUTPUT ENTRY...\n"
    "      ENTRY is a file (stored under its file name), NAME=FILE (stored as NAME), or a\n"
    "      folder (every file below it, stored under its relative path with backslashes).\n"
    "      Level 0-9, default 5.\n"
    "  ipk5 list [--key KEY] PACKAGE\n"
    "  ipk5 extract [--key KEY] PACKAGE NAME OUTPUT\n"
    "  ipk5 extract [--key KEY] PACKAGE --all FOLDER\n"
    "  ipk5 verify [--key KEY] PACKAGE\n";

// A usage error: the command line itself is wrong.
struct TUsageError {
    std::string Message;
};

// A failure with a message of our own (the library's exceptions carry theirs).
struct TToolError {
    std::string Message;
};

struct TOptions {
    std::u16string Command;
    int Level = 5;
    std::u16string Key = Setup::Core::kPackageKey;
    bool All = false;
    std::vector<std::u16string> Positional;
};

TOptions ParseOptions(const std::vector<std::u16string>& args) {
    if (args.empty()) throw TUsageError{"no command given"};
    TOptions options;
    options.Command = args[0];
    bool optionsEnded = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::u16string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != u'-' || arg == u"-") {
            options.Positional.push_back(arg);
        } else if (arg == u"--") {
            optionsEnded = true;
        } else if (arg == u"--level" && options.Command == u"pack") {
            if (++i == args.size()) throw TUsageError{"--level needs a value"};
            int64_t level;
            if (!ORV::TryStrToInt64(args[i], level) || level < 0 || level > 9)
                throw TUsageError{"--level takes a number from 0 to 9"};
            options.Level = static_cast<int>(level);
        } else if (arg == u"--key") {
            if (++i == args.size()) throw TUsageError{"--key needs a value"};
            if (args[i].empty()) throw TUsageError{"--key must not be empty"};
            options.Key = args[i];
        } else if (arg == u"--all" && options.Command == u"extract") {
            options.All = true;
        } else {
            throw TUsageError{"unknown option " + Utf16ToUtf8(arg)};
        }
    }
    return options;
}

void RequireArgs(const TOptions& options, size_t minimum, size_t maximum) {
    const size_t n = options.Positional.size();
    if (n < minimum || n > maximum) throw TUsageError{"wrong number of arguments"};
}

std::string Display(const fs::path& path) { return Utf16ToUtf8(path.u16string()); }

// ---- pack ----

struct TInputFile {
    std::u16string Name;
    fs::path Path;
};

// The files below Folder under their relative paths with backslashes, in ordinal order.
std::vector<TInputFile> CollectFolder(const fs::path& folder) {
    std::vector<TInputFile> files;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
        if (!it->is_regular_file()) continue;
        std::u16string name = it->path().lexically_relative(folder).generic_u16string();
        std::replace(name.begin(), name.end(), u'/', u'\\');
        files.push_back({std::move(name), it->path()});
    }
    std::sort(files.begin(), files.end(),
              [](const TInputFile& a, const TInputFile& b) { return a.Name < b.Name; });
    return files;
}

// An entry is an existing file or folder; otherwise NAME=FILE.
std::vector<TInputFile> CollectEntry(const std::u16string& entry) {
    const fs::path path(entry);
    if (fs::is_directory(path)) return CollectFolder(path);
    if (fs::is_regular_file(path)) return {{path.filename().u16string(), path}};
    const size_t equals = entry.find(u'=');
    if (equals != std::u16string::npos && equals > 0) {
        const fs::path file(entry.substr(equals + 1));
        if (!fs::is_regular_file(file)) throw TToolError{"no such file: " + Display(file)};
        return {{entry.substr(0, equals), file}};
    }
    throw TToolError{"no such file or folder: " + Utf16ToUtf8(entry)};
}

fs::path TemporarySibling(const fs::path& output) {
    std::random_device random;
    const fs::path folder = output.has_parent_path() ? output.parent_path() : fs::path(".");
    return folder / (output.filename().u16string() + u".tmp" + ORV::IntToStr(random() % 1000000000));
}

// Moves From over To, replacing To when it exists.
void ReplaceFile(const fs::path& from, const fs::path& to) {
#ifdef _WIN32
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING))
        throw TToolError{"cannot write " + Display(to) + ": " +
                         Utf16ToUtf8(ORV::Platform::SystemErrorMessage(GetLastError()))};
#else
    fs::rename(from, to);
#endif
}

int Pack(const TOptions& options, std::ostream& out) {
    if (options.Positional.size() < 2) throw TUsageError{"pack needs OUTPUT and at least one ENTRY"};
    const fs::path output(options.Positional[0]);

    std::vector<TInputFile> files;
    for (size_t i = 1; i < options.Positional.size(); ++i) {
        auto entryFiles = CollectEntry(options.Positional[i]);
        files.insert(files.end(), entryFiles.begin(), entryFiles.end());
    }
    // A second entry with an equal name could never be found in the package.
    for (size_t i = 0; i < files.size(); ++i) {
        if (files[i].Name.empty()) throw TToolError{"empty entry name for " + Display(files[i].Path)};
        for (size_t j = 0; j < i; ++j)
            if (ORV::Platform::SameTextLocale(files[i].Name, files[j].Name))
                throw TToolError{"duplicate entry name: " + Utf16ToUtf8(files[i].Name)};
    }

    TSetupPackageBuilder builder(options.Key);
    for (const auto& file : files) {
        ORV::TFileStream source(file.Path.u16string(), ORV::fmOpenRead);
        builder.AddFile(source, file.Name);
    }

    // The package is written beside its destination and moved into place only when it is
    // complete, so a failure never leaves a partial or damaged OUTPUT behind.
    const fs::path temporary = TemporarySibling(output);
    try {
        builder.SaveToFile(temporary.u16string(), options.Level);
        ReplaceFile(temporary, output);
    } catch (...) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw;
    }
    out << files.size() << " files packed into " << Display(output) << "\n";
    return ecSuccess;
}

// ---- list, extract, verify ----

std::unique_ptr<TSetupPackageReader> OpenPackage(const std::u16string& fileName, const std::u16string& key) {
    ORV::TFileStream stream(fileName, ORV::fmOpenRead);
    return std::make_unique<TSetupPackageReader>(stream, key);
}

int List(const TOptions& options, std::ostream& out) {
    RequireArgs(options, 1, 1);
    const auto package = OpenPackage(options.Positional[0], options.Key);
    const auto& table = package->FileTable();
    for (int i = 0; i < table.Count(); ++i) {
        const auto& item = table.Items(i);
        out << item.Offset << '\t' << item.Size << '\t' << Utf16ToUtf8(item.Name) << '\n';
    }
    return ecSuccess;
}

void WriteStream(ORV::TMemoryStream& data, const fs::path& path) {
    ORV::TFileStream file(path.u16string(), ORV::fmCreate);
    file.WriteBuffer(data.Memory(), static_cast<size_t>(data.Size()));
}

// The relative path an entry name stands for, or nothing when the name could reach outside
// the target folder: an absolute or drive path, a "." or ".." component, an empty component
// or a character that Windows reads as a drive or stream separator.
std::optional<fs::path> SafeRelativePath(const std::u16string& name) {
    if (name.empty()) return std::nullopt;
    fs::path result;
    size_t start = 0;
    for (;;) {
        const size_t end = name.find_first_of(u"\\/", start);
        const std::u16string part = name.substr(start, end == std::u16string::npos ? end : end - start);
        if (part.empty() || part == u"." || part == u".." || part.find(u':') != std::u16string::npos)
            return std::nullopt;
        result /= fs::path(part);
        if (end == std::u16string::npos) return result;
        start = end + 1;
    }
}

int ExtractAll(TSetupPackageReader& package, const fs::path& folder, std::ostream& out) {
    const auto& table = package.FileTable();
    // Check every name before anything is written.
    std::vector<fs::path> targets;
    for (int i = 0; i < table.Count(); ++i) {
        const auto target = SafeRelativePath(table.Items(i).Name);
        if (!target) throw TToolError{"refusing an entry name that leaves the folder: " +
                                      Utf16ToUtf8(table.Items(i).Name)};
        targets.push_back(folder / *target);
    }
    int written = 0;
    for (int i = 0; i < table.Count(); ++i) {
        const std::u16string& name = table.Items(i).Name;
        const Setup::Core::TSetupPackageFileTableItem* first;
        // Only the first of equal names is ever found; later ones are shadowed.
        if (!table.Find(name, first) || first != &table.Items(i)) continue;
        std::unique_ptr<ORV::TMemoryStream> data;
        package.ExtractFile(name, data);
        fs::create_directories(targets[static_cast<size_t>(i)].parent_path());
        WriteStream(*data, targets[static_cast<size_t>(i)]);
        ++written;
    }
    out << written << " files extracted into " << Display(folder) << "\n";
    return ecSuccess;
}

int Extract(const TOptions& options, std::ostream& out, std::ostream& err) {
    if (options.All) {
        RequireArgs(options, 2, 2);
        const auto package = OpenPackage(options.Positional[0], options.Key);
        return ExtractAll(*package, fs::path(options.Positional[1]), out);
    }
    RequireArgs(options, 3, 3);
    const auto package = OpenPackage(options.Positional[0], options.Key);
    std::unique_ptr<ORV::TMemoryStream> data;
    if (!package->ExtractFile(options.Positional[1], data)) {
        err << Utf16ToUtf8(ORV::Format(u"Cannot locate \"%s\" file in setup archive", {options.Positional[1]}))
            << "\n";
        return ecFailure;
    }
    WriteStream(*data, fs::path(options.Positional[2]));
    return ecSuccess;
}

int Verify(const TOptions& options, std::ostream& out, std::ostream& err) {
    RequireArgs(options, 1, 1);
    try {
        OpenPackage(options.Positional[0], options.Key);
    } catch (const ORV::Exception& e) {
        err << e.what() << "\n";
        return ecFailure;
    }
    out << "OK\n";
    return ecSuccess;
}

} // namespace

int Run(const std::vector<std::u16string>& args, std::ostream& out, std::ostream& err) {
    try {
        const TOptions options = ParseOptions(args);
        if (options.Command == u"pack") return Pack(options, out);
        if (options.Command == u"list") return List(options, out);
        if (options.Command == u"extract") return Extract(options, out, err);
        if (options.Command == u"verify") return Verify(options, out, err);
        if (options.Command == u"--help" || options.Command == u"help") {
            out << kUsage;
            return ecSuccess;
        }
        throw TUsageError{"unknown command " + Utf16ToUtf8(options.Command)};
    } catch (const TUsageError& e) {
        err << "ipk5: " << e.Message << "\n" << kUsage;
        return ecUsage;
    } catch (const TToolError& e) {
        err << "ipk5: " << e.Message << "\n";
        return ecFailure;
    } catch (const ORV::Exception& e) {
        err << e.what() << "\n";
        return ecFailure;
    } catch (const fs::filesystem_error& e) {
        err << "ipk5: " << e.what() << "\n";
        return ecFailure;
    } catch (const std::bad_alloc&) {
        err << "ipk5: out of memory\n";
        return ecFailure;
    }
}

} // namespace Ipk5
