// What every fuzz target of the package reader checks once a package has opened.
#pragma once

#include "Setup.Core.Package.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace PackageFuzz {

// A broken promise of the reader: printed and turned into a crash, so the fuzzer keeps the
// input that caused it.
[[noreturn]] inline void Fail(const char* what, long long a = 0, long long b = 0) {
    std::fprintf(stderr, "package fuzz: %s (%lld, %lld)\n", what, a, b);
    std::abort();
}

inline uint64_t GetLE(const uint8_t* p, int size) {
    uint64_t value = 0;
    for (int k = size - 1; k >= 0; --k) value = value << 8 | p[k];
    return value;
}

// Where the file table starts in an accepted body: file data must end there.
inline int64_t TableStart(Setup::Core::TCustomSetupPackage& package) {
    auto& body = package.Body();
    if (body.Size() < 4) Fail("accepted a body without a table size", body.Size());
    return body.Size() - 4 - int64_t(GetLE(body.Memory() + body.Size() - 4, 4));
}

// Every entry lies in the file data, and extracting it by name yields exactly the bytes the
// first entry of that name points at.
inline void CheckEntries(Setup::Core::TSetupPackageReader& package) {
    const int64_t tableStart = TableStart(package);
    if (tableStart < 0) Fail("accepted a table larger than the body", tableStart);
    const auto& table = package.FileTable();
    for (int i = 0; i < table.Count(); ++i) {
        const auto& item = table.Items(i);
        if (item.Offset < 0 || item.Size < 0 || item.Offset > tableStart || item.Size > tableStart - item.Offset)
            Fail("entry outside the file data", item.Offset, item.Size);

        const Setup::Core::TSetupPackageFileTableItem* found = nullptr;
        if (!table.Find(item.Name, found) || !found) Fail("entry not found by its own name", i);
        std::unique_ptr<ORV::TMemoryStream> file;
        if (!package.ExtractFile(item.Name, file) || !file) Fail("entry not extracted", i);
        if (file->Size() != found->Size) Fail("extracted size differs from the table", file->Size(), found->Size);
        if (file->Position() != 0) Fail("extracted stream not rewound", file->Position());
        if (found->Size > 0 &&
            std::memcmp(file->Memory(), package.Body().Memory() + found->Offset, size_t(found->Size)) != 0)
            Fail("extracted bytes differ from the body", i);
    }
}

} // namespace PackageFuzz
