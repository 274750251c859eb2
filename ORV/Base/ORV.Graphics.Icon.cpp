#include "ORV.Graphics.Icon.h"

namespace ORV {

namespace {

constexpr size_t kDirSize = 6;
constexpr size_t kEntrySize = 16;

uint32_t Get16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t Get32(const uint8_t* p) { return Get16(p) | Get16(p + 2) << 16; }

bool IsIconFile(const std::vector<uint8_t>& data) {
    if (data.size() < kDirSize) return false;
    const uint8_t* p = data.data();
    const uint64_t count = Get16(p + 4);
    if (Get16(p) != 0 || Get16(p + 2) != 1 || count == 0) return false;
    if (data.size() < kDirSize + count * kEntrySize) return false;
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* entry = p + kDirSize + i * kEntrySize;
        const uint64_t size = Get32(entry + 8), offset = Get32(entry + 12);
        if (size == 0 || offset > data.size() || size > data.size() - offset) return false;
    }
    return true;
}

} // namespace

bool TORVIcon::LoadFromStream(TStream& stream) {
    FData.clear();
    const int64_t remaining = stream.Size() - stream.Position();
    if (remaining <= 0) return false;
    std::vector<uint8_t> data(static_cast<size_t>(remaining));
    stream.ReadBuffer(data.data(), data.size());
    if (!IsIconFile(data)) return false;
    FData = std::move(data);
    return true;
}

} // namespace ORV
