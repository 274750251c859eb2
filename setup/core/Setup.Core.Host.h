// The run as the setup data sees it: its mode, its options, its destination and its settings
// store. The setup controller owns all of these and is the one implementation of ISetupHost;
// the setup resources and the product information it creates reach the run only through it.
#pragma once

#include "ORV.FileFormats.INI.h"

#include <cstdint>
#include <string>

namespace Setup::Core {

class TSetupProductInfo;
class TSetupResources;

enum TSetupMode : uint8_t { smInstall = 0, smUninstall = 1 };

enum TSetupOption : uint8_t {
    Auto = 0,
    Portable = 1,
    Update = 2,
    Silent = 3,
    RunPrograms = 4,
    NoBackup = 5,
    NoMessageBoxes = 6,  // an Auto run that nobody watches: no box, no question
};

// A set of options, bit n standing for the option with ordinal n.
class TSetupOptions {
public:
    constexpr TSetupOptions() = default;
    constexpr TSetupOptions(std::initializer_list<TSetupOption> options) {
        for (TSetupOption option : options) FBits = static_cast<uint8_t>(FBits | Bit(option));
    }

    constexpr bool Contains(TSetupOption option) const { return (FBits & Bit(option)) != 0; }
    constexpr void Include(TSetupOption option) { FBits = static_cast<uint8_t>(FBits | Bit(option)); }
    constexpr void Exclude(TSetupOption option) { FBits = static_cast<uint8_t>(FBits & ~Bit(option)); }
    constexpr uint8_t Bits() const { return FBits; }
    constexpr bool operator==(const TSetupOptions&) const = default;

private:
    static constexpr uint8_t Bit(TSetupOption option) { return static_cast<uint8_t>(1u << option); }
    uint8_t FBits = 0;
};

class ISetupHost {
public:
    virtual TSetupMode Mode() const = 0;
    virtual TSetupOptions Options() const = 0;
    // The destination folder with its trailing backslash; empty until one is set.
    virtual const std::u16string& DestPath() const = 0;
    // The in-memory store of the user's choices, never bound to a file.
    virtual ORV::TORVIniFile& Settings() = 0;
    virtual TSetupProductInfo& ProductInfo() = 0;
    virtual TSetupResources& Resources() = 0;

protected:
    ~ISetupHost() = default;
};

} // namespace Setup::Core
