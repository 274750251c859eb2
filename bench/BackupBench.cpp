// The backup step alone: the player's installed tree (the realistic payload of the other
// benchmarks, written out as files) archived the way the preparation archives it, one entry
// after another through TZipWriter, against Info-ZIP's "zip -6 -r" of the same tree on the same
// machine, in one run. Goal: at most 0.65 times zip's time at an archive at most 2 % larger,
// every entry a valid deflate or stored entry ("unzip -t" checks).
//
//   BackupBench [--rounds N] [--seed S]
#include "Bench.PlayerPayload.h"

#include "ORV.Classes.Streams.h"
#include "ORV.Strings.h"
#include "Setup.Core.ZipWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

double Seconds(const std::chrono::steady_clock::time_point& start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Every file below Root, relative, in the order the preparation lists them (files, then
// folders), as a plain sorted walk: the order does not change the cost.
std::vector<fs::path> FilesBelow(const fs::path& root) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), root));
    std::sort(files.begin(), files.end());
    return files;
}

void Backup(const fs::path& root, const std::vector<fs::path>& files, const fs::path& archive) {
    Setup::Core::TZipWriter zip(archive.u16string());
    for (const fs::path& file : files) {
        ORV::TFileStream source((root / file).u16string(), ORV::fmOpenRead);
        zip.AddFile(u"Program\\" + file.u16string(), source, 0);
    }
    zip.Close();
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 3;
    uint64_t seed = 0x514F5649;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--rounds") rounds = std::max(1, std::atoi(argv[i + 1]));
        if (option == "--seed") seed = std::strtoull(argv[i + 1], nullptr, 0);
    }
    const fs::path work = fs::temp_directory_path() / "qovi-backup-bench";
    fs::remove_all(work);
    const fs::path tree = work / "QOVI";
    const Bench::TPayload payload = Bench::MakePlayerPayload(seed, argv[0]);
    uint64_t total = 0;
    for (const Bench::TPayloadFile& file : payload.Files) {
        std::u16string name = file.Name;
        std::replace(name.begin(), name.end(), u'\\', u'/');
        const fs::path path = tree / fs::path(name);
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.Data.data()),
                                                     static_cast<std::streamsize>(file.Data.size()));
        total += file.Data.size();
    }
    const std::vector<fs::path> files = FilesBelow(tree);
    std::printf("backup: %zu files, %.1f MB installed, %d rounds\n", files.size(), total / 1e6, rounds);

    std::vector<double> ours, theirs;
    const fs::path ourArchive = work / "ours.zip", theirArchive = work / "zip.zip";
    const std::string zipCommand = "cd '" + tree.string() + "' && zip -6 -r -q '" + theirArchive.string() + "' .";
    for (int round = 0; round < rounds; ++round) {
        fs::remove(ourArchive);
        auto start = std::chrono::steady_clock::now();
        Backup(tree, files, ourArchive);
        ours.push_back(Seconds(start));
        fs::remove(theirArchive);
        start = std::chrono::steady_clock::now();
        if (std::system(zipCommand.c_str()) != 0) {
            std::fprintf(stderr, "backup: zip failed (is Info-ZIP's zip installed?)\n");
            return 1;
        }
        theirs.push_back(Seconds(start));
    }
    const double ourTime = Median(ours), theirTime = Median(theirs);
    const double ourSize = static_cast<double>(fs::file_size(ourArchive));
    const double theirSize = static_cast<double>(fs::file_size(theirArchive));
    const bool valid = std::system(("unzip -tqq '" + ourArchive.string() + "' >/dev/null").c_str()) == 0;
    std::printf("backup: TZipWriter %.3f s, %.2f MB; zip -6 %.3f s, %.2f MB\n", ourTime, ourSize / 1e6, theirTime,
                theirSize / 1e6);
    std::printf("backup: time %.2f x zip (goal <= 0.65), size %+.2f %% (goal <= +2 %%), unzip -t %s\n",
                ourTime / theirTime, (ourSize / theirSize - 1) * 100, valid ? "OK" : "FAILED");
    fs::remove_all(work);
    return valid ? 0 : 1;
}
