// Feeds arbitrary bytes to the package reader, as a tampered or truncated installer would.
// The reader may refuse them only in the ways its contract names; whatever it accepts must
// hold together.
#include "PackageFuzzSupport.h"

#include "ORV.SysUtils.h"

#include <string_view>

using namespace Setup::Core;

namespace {

constexpr size_t kHeaderSize = 12;

bool IsLzmaError(const ORV::EInvalidOperation& e) {
    return std::u16string_view(e.Message()).starts_with(u"LZMA Error (");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ORV::TMemoryStream stream;
    stream.WriteBuffer(data, size);
    stream.SetPosition(0);

    std::unique_ptr<TSetupPackageReader> package;
    try {
        package = std::make_unique<TSetupPackageReader>(stream);
    } catch (const ESetupPackageReadError&) {
        return 0;
    } catch (const ORV::EReadError&) {
        if (size >= kHeaderSize) PackageFuzz::Fail("EReadError after a whole header", (long long)size);
        return 0;
    } catch (const ORV::EInvalidOperation& e) {
        if (!IsLzmaError(e)) PackageFuzz::Fail(e.what());
        return 0;
    } catch (const ORV::Exception& e) {
        PackageFuzz::Fail(e.what());
    }
    PackageFuzz::CheckEntries(*package);
    return 0;
}
