// What opening a package costs on top of the LZMA decoder itself.
//
// The setup opens its packages before it can show anything, and almost all of that time is the
// decoder's. The goal is that TSetupPackageReader (decode through the stream wrapper,
// unscramble, CRC, file table) costs at most 5% more than LzmaDecode decoding the same stream
// in one call into a buffer it already has. Both run on a package of a player-like payload,
// alternately and repeatedly; the parts of the difference are timed on their own as well, so
// a miss says where the time goes.
#include "Bench.PlayerPayload.h"
#include "ORV.Hashes.h"
#include "Setup.Core.Package.h"

#include <LzmaDec.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Setup::Core;
using ORV::TMemoryStream;

namespace {

using TBytes = std::vector<uint8_t>;

constexpr int kLevel = 5;                 // the packaging tool's default
constexpr size_t kChunk = 64 * 1024;      // what the LZMA wrapper reads and writes at a time
constexpr size_t kHeaderSize = 12;
constexpr double kGoal = 0.05;
constexpr uint64_t kDefaultSeed = 0x514F5649;  // "QOVI"

void* AllocMemory(void*, size_t size) { return size ? std::malloc(size) : nullptr; }
void FreeMemory(void*, void* address) { std::free(address); }
ISzAlloc g_Alloc = {AllocMemory, FreeMemory};

[[noreturn]] void Fail(const std::string& message) { throw std::runtime_error(message); }

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double MiB(double bytes) { return bytes / (1024.0 * 1024.0); }

uint32_t GetUInt32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

struct TSeries {
    std::string Name;
    std::vector<double> Times;

    double Min() const { return *std::min_element(Times.begin(), Times.end()); }
    double Median() const {
        std::vector<double> sorted = Times;
        std::sort(sorted.begin(), sorted.end());
        const size_t n = sorted.size();
        return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
};

std::string SelfPath(const char* argv0) {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(argv0) : self.string();
}

void PrintComposition(const Bench::TPayload& payload) {
    const char* kinds[] = {"text and INI", "x86 code", "compressed media"};
    size_t total = 0;
    for (const auto& file : payload.Files) total += file.Data.size();
    std::printf("Payload: %zu files, %.1f MiB\n", payload.Files.size(), MiB(double(total)));
    for (int kind = Bench::pkText; kind <= Bench::pkMedia; ++kind) {
        std::map<std::string, std::pair<size_t, size_t>> groups;  // group -> files, bytes
        size_t files = 0, bytes = 0;
        for (const auto& file : payload.Files) {
            if (file.Kind != kind) continue;
            ++files;
            bytes += file.Data.size();
            groups[file.Group].first++;
            groups[file.Group].second += file.Data.size();
        }
        std::printf("  %-17s %4zu files %6.1f MiB (%4.1f%%):", kinds[kind], files, MiB(double(bytes)),
                    100.0 * double(bytes) / double(total));
        for (const auto& [group, count] : groups)
            std::printf(" %s %zu/%.1f MiB;", group.c_str(), count.first, MiB(double(count.second)));
        std::printf("\n");
    }
    std::printf("  machine code from: %s\n", payload.CodeSource.c_str());
}

// Decodes the unscrambled stream in one call, as the LZMA SDK's own one-shot interface does:
// the output buffer is the dictionary, nothing is copied.
void BareDecode(const TBytes& lzma, uint8_t* dest, size_t size) {
    SizeT destLen = size;
    SizeT srcLen = lzma.size() - LZMA_PROPS_SIZE;
    ELzmaStatus status;
    const SRes result = LzmaDecode(dest, &destLen, lzma.data() + LZMA_PROPS_SIZE, &srcLen, lzma.data(),
                                   LZMA_PROPS_SIZE, LZMA_FINISH_END, &status, &g_Alloc);
    if (result != SZ_OK || destLen != size) Fail("LzmaDecode failed: " + std::to_string(result));
}

// The decoding the stream wrapper does, without its streams: 64 KiB of input at a time copied
// in, LzmaDec_DecodeToBuf through a separate dictionary (capped at the body size) into a
// 64 KiB buffer. The difference to BareDecode is the price of decoding in windows.
void WindowedDecode(const TBytes& lzma, size_t size) {
    Byte props[LZMA_PROPS_SIZE];
    std::memcpy(props, lzma.data(), LZMA_PROPS_SIZE);
    const uint32_t declared = GetUInt32(props + 1);
    const auto capped = static_cast<uint32_t>(std::max<size_t>(4096, std::min<size_t>(declared, size)));
    for (int k = 0; k < 4; ++k) props[1 + k] = static_cast<Byte>(capped >> (8 * k));

    CLzmaDec decoder;
    LzmaDec_Construct(&decoder);
    if (LzmaDec_Allocate(&decoder, props, LZMA_PROPS_SIZE, &g_Alloc) != SZ_OK) Fail("LzmaDec_Allocate failed");
    LzmaDec_Init(&decoder);
    std::unique_ptr<Byte[]> input(new Byte[kChunk]), output(new Byte[kChunk]);
    size_t sourcePos = LZMA_PROPS_SIZE, inputPos = 0, inputSize = 0, produced = 0;
    SRes result = SZ_OK;
    while (produced < size && result == SZ_OK) {
        if (inputPos == inputSize) {
            inputSize = std::min(kChunk, lzma.size() - sourcePos);
            std::memcpy(input.get(), lzma.data() + sourcePos, inputSize);
            sourcePos += inputSize;
            inputPos = 0;
        }
        SizeT outSize = std::min(size - produced, kChunk);
        SizeT inSize = inputSize - inputPos;
        ELzmaStatus status;
        const ELzmaFinishMode finish = size - produced <= kChunk ? LZMA_FINISH_END : LZMA_FINISH_ANY;
        result = LzmaDec_DecodeToBuf(&decoder, output.get(), &outSize, input.get() + inputPos, &inSize, finish,
                                     &status);
        inputPos += inSize;
        produced += outSize;
        if (inSize == 0 && outSize == 0) break;
    }
    LzmaDec_Free(&decoder, &g_Alloc);
    if (result != SZ_OK || produced != size) Fail("windowed decode failed");
}

void Verify(TSetupPackageReader& reader, const TBytes& bare, uint32_t bodyCrc, const Bench::TPayload& payload) {
    auto& body = reader.Body();
    if (size_t(body.Size()) != bare.size() || std::memcmp(body.Memory(), bare.data(), bare.size()) != 0)
        Fail("the reader's body differs from LzmaDecode's");
    if (ORV::TORVHashCRC32::Calc(bare.data(), bare.size()) != bodyCrc) Fail("the body's CRC does not match");
    const auto& table = reader.FileTable();
    if (size_t(table.Count()) != payload.Files.size()) Fail("the file table has the wrong count");
    for (int i = 0; i < table.Count(); ++i) {
        const auto& item = table.Items(i);
        const auto& file = payload.Files[size_t(i)];
        if (item.Name != file.Name || size_t(item.Size) != file.Data.size() ||
            std::memcmp(body.Memory() + item.Offset, file.Data.data(), file.Data.size()) != 0)
            Fail("a file of the package differs from the payload");
    }
}

struct TOptions {
    int Rounds = 5;
    uint64_t Seed = kDefaultSeed;
};

TOptions ParseOptions(int argc, char** argv) {
    TOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc) options.Rounds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--seed" && i + 1 < argc) options.Seed = std::strtoull(argv[++i], nullptr, 0);
        else Fail("usage: PackageOpenBench [--rounds N] [--seed S]");
    }
    return options;
}

int Run(const TOptions& options, const char* argv0) {
    std::printf("== Package open: TSetupPackageReader against the bare LZMA decoder ==\n");
    Bench::TPayload payload;
    const double makeTime = Seconds([&] { payload = Bench::MakePlayerPayload(options.Seed, SelfPath(argv0)); });
    size_t payloadSize = 0;
    for (const auto& file : payload.Files) payloadSize += file.Data.size();
    PrintComposition(payload);
    std::printf("  made in %.2f s (seed 0x%llX)\n\n", makeTime, static_cast<unsigned long long>(options.Seed));

    // ---- packing ----
    TMemoryStream package;
    double addTime = 0, commitTime = 0;
    {
        TSetupPackageBuilder builder;
        addTime = Seconds([&] {
            for (const auto& file : payload.Files) {
                TMemoryStream source;
                source.WriteBuffer(file.Data.data(), file.Data.size());
                source.SetPosition(0);
                builder.AddFile(source, file.Name);
            }
        });
        commitTime = Seconds([&] { builder.Commit(package, kLevel); });
    }
    const size_t packageSize = size_t(package.Size());
    std::printf("Pack (TSetupPackageBuilder, level %d): %.2f s (adding %.2f s, Commit %.2f s, %.2f MiB/s)\n",
                kLevel, addTime + commitTime, addTime, commitTime, MiB(double(payloadSize)) / commitTime);
    std::printf("  package %.1f MiB of %.1f MiB: ratio %.1f%%\n\n", MiB(double(packageSize)),
                MiB(double(payloadSize)), 100.0 * double(packageSize) / double(payloadSize));

    // ---- the bare decoder's input: the stream after the header, unscrambled once ----
    const uint8_t* header = package.Memory();
    const uint32_t bodyCrc = GetUInt32(header + 4);
    const size_t bodySize = GetUInt32(header + 8);
    const TBytes scrambled(header + kHeaderSize, header + packageSize);
    TBytes lzma = scrambled;
    TSetupPackageScrambler(kPackageKey).Apply(lzma.data(), lzma.size());
    TBytes bare(bodySize);  // zero-filled, so its pages are present before the first round

    BareDecode(lzma, bare.data(), bodySize);
    {
        package.SetPosition(0);
        TSetupPackageReader reader(package);
        Verify(reader, bare, bodyCrc, payload);
    }
    payload = {};

    // ---- the rounds ----
    TSeries open{"reader open (a)", {}};
    TSeries bareWarm{"bare LzmaDecode (b)", {}};
    TSeries bareFresh{"bare LzmaDecode, fresh buffer", {}};
    TSeries windowed{"windowed decode (64 KiB, dictionary)", {}};
    TSeries crc{"CRC-32 of the body", {}};
    TSeries scramble{"scrambler on the stream", {}};
    TSeries reads{"source reads (64 KiB copies)", {}};
    TSeries growth{"body memory stream, growing (64 KiB writes)", {}};
    TSeries reserved{"body memory stream, reserved", {}};
    TSeries table{"file table", {}};

    TBytes work(scrambled.size());
    uint32_t sink = 0;  // keeps results alive, so nothing is optimised away
    const size_t tableSize = GetUInt32(bare.data() + bodySize - 4);

    std::vector<std::pair<TSeries*, std::function<void()>>> steps = {
        {&open,
         [&] {
             std::unique_ptr<TSetupPackageReader> reader;
             package.SetPosition(0);
             open.Times.push_back(Seconds([&] { reader = std::make_unique<TSetupPackageReader>(package); }));
             sink += reader->FileTable().Count();
         }},
        {&bareWarm, [&] { bareWarm.Times.push_back(Seconds([&] { BareDecode(lzma, bare.data(), bodySize); })); }},
        {&bareFresh,
         [&] {
             std::unique_ptr<uint8_t[]> buffer;
             bareFresh.Times.push_back(Seconds([&] {
                 buffer.reset(new uint8_t[bodySize]);
                 BareDecode(lzma, buffer.get(), bodySize);
             }));
             sink += buffer[bodySize / 2];
         }},
        {&windowed, [&] { windowed.Times.push_back(Seconds([&] { WindowedDecode(lzma, bodySize); })); }},
        {&crc,
         [&] { crc.Times.push_back(Seconds([&] { sink += ORV::TORVHashCRC32::Calc(bare.data(), bodySize); })); }},
        {&scramble,
         [&] {
             std::memcpy(work.data(), scrambled.data(), work.size());
             scramble.Times.push_back(Seconds([&] {
                 TSetupPackageScrambler scrambler(kPackageKey);
                 for (size_t at = 0; at < work.size(); at += kChunk)
                     scrambler.Apply(work.data() + at, std::min(kChunk, work.size() - at));
             }));
             sink += work[work.size() / 2];
         }},
        {&reads,
         [&] {
             std::unique_ptr<uint8_t[]> buffer(new uint8_t[kChunk]);
             reads.Times.push_back(Seconds([&] {
                 package.SetPosition(kHeaderSize);
                 while (package.Read(buffer.get(), kChunk) != 0) {
                 }
             }));
             sink += buffer[0];
         }},
        {&growth,
         [&] {
             auto body = std::make_unique<TMemoryStream>();
             growth.Times.push_back(Seconds([&] {
                 for (size_t at = 0; at < bodySize; at += kChunk)
                     body->WriteBuffer(bare.data() + at, std::min(kChunk, bodySize - at));
             }));
             sink += body->Memory()[bodySize / 2];
         }},
        {&reserved,
         [&] {
             auto body = std::make_unique<TMemoryStream>();
             reserved.Times.push_back(Seconds([&] {
                 body->SetCapacity(bodySize);
                 for (size_t at = 0; at < bodySize; at += kChunk)
                     body->WriteBuffer(bare.data() + at, std::min(kChunk, bodySize - at));
             }));
             sink += body->Memory()[bodySize / 2];
         }},
        {&table,
         [&] {
             TSetupPackageFileTable files;
             table.Times.push_back(Seconds([&] {
                 TMemoryStream copy;
                 copy.WriteBuffer(bare.data() + bodySize - 4 - tableSize, tableSize);
                 copy.SetPosition(0);
                 files.LoadFromStream(copy);
             }));
             sink += files.Count();
         }},
    };

    std::printf("Rounds: %d, the order of the steps rotating and reversing from round to round\n", options.Rounds);
    for (int round = 0; round < options.Rounds; ++round) {
        std::vector<size_t> order(steps.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = (i + size_t(round)) % order.size();
        if (round % 2) std::reverse(order.begin(), order.end());
        for (const size_t i : order) steps[i].second();
        std::printf("  round %d: open %.1f ms, bare %.1f ms\n", round + 1, open.Times.back() * 1e3,
                    bareWarm.Times.back() * 1e3);
    }

    std::printf("\n%-40s %10s %10s\n", "step", "min ms", "median ms");
    for (const auto& [series, step] : steps)
        std::printf("%-40s %10.2f %10.2f\n", series->Name.c_str(), series->Min() * 1e3, series->Median() * 1e3);

    const double a = open.Median(), b = bareWarm.Median();
    const double overhead = (a - b) / b, overheadMin = (open.Min() - bareWarm.Min()) / bareWarm.Min();
    std::printf("\nBare decoder: %.1f MiB/s of body.\n", MiB(double(bodySize)) / b);
    std::printf("Overhead of the reader (a-b)/b: %.1f%% by medians, %.1f%% by minimums\n", overhead * 100,
                overheadMin * 100);

    // Each part against what (b) already pays: the shares add up to about a - b.
    const double parts[] = {windowed.Median() - b, reads.Median(), scramble.Median(),
                            reserved.Median(), crc.Median(), table.Median()};
    const char* partNames[] = {"decoding in 64 KiB windows (windowed - b)", "source reads", "scrambler",
                               "body memory stream (room reserved)", "CRC-32", "file table"};
    double explained = 0;
    std::printf("Where (a-b) = %.1f ms goes (medians):\n", (a - b) * 1e3);
    for (size_t i = 0; i < std::size(parts); ++i) {
        explained += parts[i];
        std::printf("  %-44s %8.1f ms  %5.1f%% of b\n", partNames[i], parts[i] * 1e3, 100 * parts[i] / b);
    }
    std::printf("  %-44s %8.1f ms  %5.1f%% of b\n", "rest (callbacks, cache effects, noise)",
                (a - b - explained) * 1e3, 100 * (a - b - explained) / b);
    std::printf("  (a body stream that grows by doubling instead costs %.1f ms more)\n",
                (growth.Median() - reserved.Median()) * 1e3);
    // Any reader must put the body into memory it has just allocated; the bare decoder with a
    // fresh buffer shows what the first touch of those pages costs on this machine.
    const double fresh = bareFresh.Median();
    std::printf("  (a fresh output buffer alone costs the bare decoder %.1f ms, %.1f%% of b: page faults;\n"
                "   against the bare decoder with a fresh buffer the reader costs %.1f%% more)\n",
                (fresh - b) * 1e3, 100 * (fresh - b) / b, 100 * (a - fresh) / fresh);

    const bool holds = overhead <= kGoal;
    std::printf("\nGoal: the package reader costs at most %.0f%% over the bare decoder: %s (%.1f%%)\n",
                kGoal * 100, holds ? "HOLDS" : "MISSED", overhead * 100);
    if (sink == 0x7FFFFFFF) std::printf(" \n");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(ParseOptions(argc, argv), argv[0]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "PackageOpenBench: %s\n", e.what());
    }
    return 1;
}
