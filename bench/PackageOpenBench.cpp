// What opening a package costs on top of the LZMA decoder itself.
//
// Opening a package decodes it whole, and almost all of that time is the decoder's. The goal is that TSetupPackageReader (decode through the stream wrapper,
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
#include <ctime>
#include <filesystem>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
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

double MedianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Medians over the rounds of X - Y and (X - Y) / Y, taken within each round.
double DifferenceMedian(const std::vector<double>& x, const std::vector<double>& y) {
    std::vector<double> d;
    for (size_t i = 0; i < x.size(); ++i) d.push_back(x[i] - y[i]);
    return MedianOf(d);
}

double RelativeMedian(const std::vector<double>& x, const std::vector<double>& y) {
    std::vector<double> d;
    for (size_t i = 0; i < x.size(); ++i) d.push_back((x[i] - y[i]) / y[i]);
    return MedianOf(d);
}

double MiB(double bytes) { return bytes / (1024.0 * 1024.0); }

uint32_t GetUInt32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Wall time is what a user waits for; the process's CPU time leaves out the time other
// work on the machine takes the processor away, so it is the steadier of the two here.
struct TSeries {
    explicit TSeries(std::string name) : Name(std::move(name)) {}

    std::string Name;
    std::vector<double> Times;  // wall
    std::vector<double> CpuTimes;

    void Measure(const std::function<void()>& work) {
        const std::clock_t cpu = std::clock();
        Times.push_back(Seconds(work));
        CpuTimes.push_back(double(std::clock() - cpu) / CLOCKS_PER_SEC);
    }

    double Min() const { return *std::min_element(Times.begin(), Times.end()); }
    double Median() const { return MedianOf(Times); }
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
    double addTime = 0, commitTime = 0, commitCpu = 0;
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
        const std::clock_t cpu = std::clock();
        commitTime = Seconds([&] { builder.Commit(package, kLevel); });
        commitCpu = double(std::clock() - cpu) / CLOCKS_PER_SEC;
    }
    const size_t packageSize = size_t(package.Size());
    std::printf("Pack (TSetupPackageBuilder, level %d): %.2f s (adding %.2f s, Commit %.2f s, %.2f MiB/s;"
                " Commit CPU %.2f s)\n",
                kLevel, addTime + commitTime, addTime, commitTime, MiB(double(payloadSize)) / commitTime, commitCpu);
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
    // The decoders run next to each other in every round, in an order that changes from round
    // to round, and are compared within the round: other work on the machine comes and goes
    // over minutes, so a comparison across rounds would mostly measure that.
    TSeries open{"reader open (a)"};
    TSeries bareWarm{"bare LzmaDecode (b)"};
    TSeries bareFresh{"bare LzmaDecode, fresh buffer"};
    TSeries windowed{"windowed decode (64 KiB, dictionary)"};
    TSeries crc{"CRC-32 of the body"};
    TSeries scramble{"scrambler on the stream"};
    TSeries reads{"source reads (64 KiB copies)"};
    TSeries growth{"body stream, growing from empty"};
    TSeries reserved{"body stream, room reserved"};
    TSeries copies{"body stream, pages already touched"};
    TSeries table{"file table"};

    TBytes work(scrambled.size());
    uint32_t sink = 0;  // keeps results alive, so nothing is optimised away
    const size_t tableSize = GetUInt32(bare.data() + bodySize - 4);
    TMemoryStream touched;  // its pages stay, so writing it again costs only the copies
    touched.SetSize(int64_t(bodySize));

    auto fillBody = [&](TMemoryStream& body) {
        for (size_t at = 0; at < bodySize; at += kChunk)
            body.WriteBuffer(bare.data() + at, std::min(kChunk, bodySize - at));
    };

    using TSteps = std::vector<std::pair<TSeries*, std::function<void()>>>;
    const TSteps decoders = {
        {&open,
         [&] {
             std::unique_ptr<TSetupPackageReader> reader;
             package.SetPosition(0);
             open.Measure([&] { reader = std::make_unique<TSetupPackageReader>(package); });
             sink += reader->FileTable().Count();
         }},
        {&bareWarm, [&] { bareWarm.Measure([&] { BareDecode(lzma, bare.data(), bodySize); }); }},
        {&bareFresh,
         [&] {
             std::unique_ptr<uint8_t[]> buffer;
             bareFresh.Measure([&] {
                 buffer.reset(new uint8_t[bodySize]);
                 BareDecode(lzma, buffer.get(), bodySize);
             });
             sink += buffer[bodySize / 2];
         }},
        {&windowed, [&] { windowed.Measure([&] { WindowedDecode(lzma, bodySize); }); }},
    };
    const TSteps parts = {
        {&crc,
         [&] { crc.Measure([&] { sink += ORV::TORVHashCRC32::Calc(bare.data(), bodySize); }); }},
        {&scramble,
         [&] {
             std::memcpy(work.data(), scrambled.data(), work.size());
             scramble.Measure([&] {
                 TSetupPackageScrambler scrambler(kPackageKey);
                 for (size_t at = 0; at < work.size(); at += kChunk)
                     scrambler.Apply(work.data() + at, std::min(kChunk, work.size() - at));
             });
             sink += work[work.size() / 2];
         }},
        {&reads,
         [&] {
             std::unique_ptr<uint8_t[]> buffer(new uint8_t[kChunk]);
             reads.Measure([&] {
                 package.SetPosition(kHeaderSize);
                 while (package.Read(buffer.get(), kChunk) != 0) {
                 }
             });
             sink += buffer[0];
         }},
        {&growth,
         [&] {
             auto body = std::make_unique<TMemoryStream>();
             growth.Measure([&] { fillBody(*body); });
             sink += body->Memory()[bodySize / 2];
         }},
        {&reserved,
         [&] {
             auto body = std::make_unique<TMemoryStream>();
             reserved.Measure([&] {
                 body->SetCapacity(bodySize);
                 fillBody(*body);
             });
             sink += body->Memory()[bodySize / 2];
         }},
        {&copies,
         [&] {
             touched.SetSize(0);
             touched.SetPosition(0);
             copies.Measure([&] { fillBody(touched); });
             sink += touched.Memory()[bodySize / 2];
         }},
        {&table,
         [&] {
             TSetupPackageFileTable files;
             table.Measure([&] {
                 TMemoryStream copy;
                 copy.WriteBuffer(bare.data() + bodySize - 4 - tableSize, tableSize);
                 copy.SetPosition(0);
                 files.LoadFromStream(copy);
             });
             sink += files.Count();
         }},
    };

    auto runInTurn = [](const TSteps& steps, int round) {
        std::vector<size_t> order(steps.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = (i + size_t(round)) % order.size();
        if (round % 2) std::reverse(order.begin(), order.end());
        for (const size_t i : order) steps[i].second();
    };

    std::printf("Rounds: %d (decoders side by side, their order changing from round to round)\n", options.Rounds);
    for (int round = 0; round < options.Rounds; ++round) {
        runInTurn(decoders, round);
        runInTurn(parts, round);
        const double b = bareWarm.Times.back(), bCpu = bareWarm.CpuTimes.back();
        std::printf("  round %d: open %.0f ms, bare %.0f ms, bare into a fresh buffer %.0f ms, windowed %.0f ms:"
                    " open %+.1f%% (CPU %+.1f%%)\n",
                    round + 1, open.Times.back() * 1e3, b * 1e3, bareFresh.Times.back() * 1e3,
                    windowed.Times.back() * 1e3, 100 * (open.Times.back() - b) / b,
                    100 * (open.CpuTimes.back() - bCpu) / bCpu);
    }

    std::printf("\n%-40s %10s %10s %10s\n", "step", "min ms", "median ms", "CPU ms");
    for (const TSteps* steps : {&decoders, &parts})
        for (const auto& [series, step] : *steps)
            std::printf("%-40s %10.2f %10.2f %10.2f\n", series->Name.c_str(), series->Min() * 1e3,
                        series->Median() * 1e3, MedianOf(series->CpuTimes) * 1e3);

    const double b = bareWarm.Median();
    const double overhead = RelativeMedian(open.Times, bareWarm.Times);
    const double overheadCpu = RelativeMedian(open.CpuTimes, bareWarm.CpuTimes);
    const double overheadMin = (open.Min() - bareWarm.Min()) / bareWarm.Min();
    std::printf("\nBare decoder: %.1f MiB/s of body.\n", MiB(double(bodySize)) / b);
    // The same work from round to round: its spread is the noise every figure below carries.
    const auto [bLow, bHigh] = std::minmax_element(bareWarm.Times.begin(), bareWarm.Times.end());
    const auto [cLow, cHigh] = std::minmax_element(bareWarm.CpuTimes.begin(), bareWarm.CpuTimes.end());
    std::printf("Noise: (b) took %.0f-%.0f ms wall (%.0f%% spread) and %.0f-%.0f ms CPU (%.0f%%) over the rounds.\n",
                *bLow * 1e3, *bHigh * 1e3, 100 * (*bHigh - *bLow) / *bLow, *cLow * 1e3, *cHigh * 1e3,
                100 * (*cHigh - *cLow) / *cLow);
    std::printf("Overhead of the reader (a-b)/b, median of the rounds: %.1f%% wall, %.1f%% CPU;\n"
                "  minimum against minimum: %.1f%% wall\n",
                overhead * 100, overheadCpu * 100, overheadMin * 100);

    // Each part against what (b) already pays: the shares add up to about a - b. CPU time is
    // given beside wall time because it is far less disturbed by other work on the machine.
    struct TPart {
        const char* Name;
        double Wall, Cpu;
    };
    const double firstTouch = reserved.Median() - copies.Median();
    const double firstTouchCpu = MedianOf(reserved.CpuTimes) - MedianOf(copies.CpuTimes);
    const TPart partTimes[] = {
        {"decoding in 64 KiB windows (windowed - b)", DifferenceMedian(windowed.Times, bareWarm.Times),
         DifferenceMedian(windowed.CpuTimes, bareWarm.CpuTimes)},
        {"source reads", reads.Median(), MedianOf(reads.CpuTimes)},
        {"scrambler", scramble.Median(), MedianOf(scramble.CpuTimes)},
        {"copies into the body stream", copies.Median(), MedianOf(copies.CpuTimes)},
        {"first touch of the body's fresh pages", firstTouch, firstTouchCpu},
        {"CRC-32", crc.Median(), MedianOf(crc.CpuTimes)},
        {"file table", table.Median(), MedianOf(table.CpuTimes)},
    };
    const double total = DifferenceMedian(open.Times, bareWarm.Times);
    const double totalCpu = DifferenceMedian(open.CpuTimes, bareWarm.CpuTimes);
    const double bCpu = MedianOf(bareWarm.CpuTimes);
    double explained = 0, explainedCpu = 0;
    std::printf("Where (a-b) goes (medians)                          wall ms  of b     CPU ms  of b\n");
    auto printPart = [&](const char* name, double wall, double cpu) {
        std::printf("  %-48s %8.1f %5.1f%%  %8.1f %5.1f%%\n", name, wall * 1e3, 100 * wall / b, cpu * 1e3,
                    100 * cpu / bCpu);
    };
    for (const auto& part : partTimes) {
        explained += part.Wall;
        explainedCpu += part.Cpu;
        printPart(part.Name, part.Wall, part.Cpu);
    }
    printPart("rest (callbacks, cache effects, noise)", total - explained, totalCpu - explainedCpu);
    printPart("total a - b", total, totalCpu);
    std::printf("  (a body stream growing by doubling, not reserved, would cost %.1f ms more)\n",
                (growth.Median() - reserved.Median()) * 1e3);

    // Any reader puts the body into memory it has just allocated; the bare decoder into a
    // fresh buffer shows what the first touch of those pages costs on this machine.
    const double pages = double((bodySize + 4095) / 4096);
    const double vsFresh = RelativeMedian(open.Times, bareFresh.Times);
    std::printf("First touch of a fresh 4 KiB page here: %.2f us (%.2f us CPU).\n"
                "The bare decoder itself pays %.1f%% for a fresh output buffer; against the bare decoder into\n"
                "a fresh buffer the reader costs %.1f%% more (%.1f%% CPU).\n",
                firstTouch / pages * 1e6, firstTouchCpu / pages * 1e6,
                RelativeMedian(bareFresh.Times, bareWarm.Times) * 100, vsFresh * 100,
                RelativeMedian(open.CpuTimes, bareFresh.CpuTimes) * 100);

    auto verdict = [](double value) { return value <= kGoal ? "HOLDS" : "MISSED"; };
    std::printf("\nGoal: the package reader costs at most %.0f%% over the bare decoder: %s (%.1f%% wall), "
                "%s (%.1f%% CPU)\n",
                kGoal * 100, verdict(overhead), overhead * 100, verdict(overheadCpu), overheadCpu * 100);
    if (overhead > kGoal && vsFresh <= kGoal)
        std::printf("  It holds against the bare decoder into a fresh buffer (%.1f%%): what is missing is the\n"
                    "  first touch of the body's pages, which every reader of a new body pays.\n",
                    vsFresh * 100);
    // Reading the sink once makes every result that went into it observable.
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
