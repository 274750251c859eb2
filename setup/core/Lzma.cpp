#include "Lzma.h"

#include "ORV.Strings.h"
#include "ORV.SysUtils.h"

extern "C" {
#include <LzmaDec.h>
#include <LzmaEnc.h>
}

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <memory>

namespace Lzma {

namespace {

constexpr size_t kBufferSize = 64 * 1024;
constexpr int kPropsSize = LZMA_PROPS_SIZE;
// The decoder's smallest dictionary.
constexpr uint64_t kMinDictionary = 1 << 12;

void* AllocMemory(void*, size_t size) { return size ? std::malloc(size) : nullptr; }
void FreeMemory(void*, void* address) { std::free(address); }
ISzAlloc g_Alloc = {AllocMemory, FreeMemory};

[[noreturn]] void RaiseLzmaError(SRes result) {
    throw ORV::EInvalidOperation(ORV::Format(u"LZMA Error (%d)", {static_cast<int>(result)}));
}

// The C codec must never see a C++ exception: the callbacks park it here and report a
// failure, and the wrapper rethrows it once the codec has returned.
struct TCallbackContext {
    TLZMAStreams* Streams;
    std::exception_ptr Failure;
};

struct TInStream {
    ISeqInStream Vt;
    TCallbackContext* Context;
};

struct TOutStream {
    ISeqOutStream Vt;
    TCallbackContext* Context;
};

// Reads up to *Size bytes, accepting fewer; 0 bytes means the end of the source.
SRes ReadCallback(void* p, void* buffer, size_t* size) {
    auto* context = static_cast<TInStream*>(p)->Context;
    try {
        const size_t got = context->Streams->SourceStream->Read(buffer, *size);
        if (got && context->Streams->SourcePreprocessor)
            context->Streams->SourcePreprocessor(static_cast<uint8_t*>(buffer), got);
        *size = got;
        return SZ_OK;
    } catch (...) {
        context->Failure = std::current_exception();
        *size = 0;
        return SZ_ERROR_READ;
    }
}

// The codec passes a buffer it no longer needs, so the preprocessor may change it in place.
size_t WriteCallback(void* p, const void* buffer, size_t size) {
    auto* context = static_cast<TOutStream*>(p)->Context;
    try {
        auto* bytes = static_cast<uint8_t*>(const_cast<void*>(buffer));
        if (size && context->Streams->DestPreprocessor) context->Streams->DestPreprocessor(bytes, size);
        return context->Streams->DestStream->Write(bytes, size);
    } catch (...) {
        context->Failure = std::current_exception();
        return 0;
    }
}

void CheckResult(SRes result, const TCallbackContext& context) {
    if (context.Failure) std::rethrow_exception(context.Failure);
    if (result != SZ_OK) RaiseLzmaError(result);
}

struct TEncoderDeleter {
    void operator()(void* encoder) const { LzmaEnc_Destroy(encoder, &g_Alloc, &g_Alloc); }
};

} // namespace

void LzmaCompress(ORV::TStream& source, ORV::TStream& dest, int level, const TPreprocessor& destPreprocessor) {
    TLZMAStreams streams{destPreprocessor, &dest, nullptr, &source};
    TCallbackContext context{&streams, nullptr};
    TInStream in{{ReadCallback}, &context};
    TOutStream out{{WriteCallback}, &context};

    std::unique_ptr<void, TEncoderDeleter> encoder(LzmaEnc_Create(&g_Alloc));
    if (!encoder) RaiseLzmaError(SZ_ERROR_MEM);

    CLzmaEncProps props;
    LzmaEncProps_Init(&props);
    props.level = level;
    props.writeEndMark = 0;
    SRes result = LzmaEnc_SetProps(encoder.get(), &props);
    if (result != SZ_OK) RaiseLzmaError(result);

    Byte header[kPropsSize];
    SizeT headerSize = kPropsSize;
    result = LzmaEnc_WriteProperties(encoder.get(), header, &headerSize);
    if (result != SZ_OK) RaiseLzmaError(result);
    if (WriteCallback(&out, header, headerSize) != headerSize) {
        CheckResult(SZ_ERROR_WRITE, context);
    }

    result = LzmaEnc_Encode(encoder.get(), &out.Vt, &in.Vt, nullptr, &g_Alloc, &g_Alloc);
    CheckResult(result, context);
}

void LzmaDecompress(ORV::TStream& source, ORV::TStream& dest, const TPreprocessor& sourcePreprocessor,
                    int64_t expectedSize) {
    TLZMAStreams streams{nullptr, &dest, sourcePreprocessor, &source};
    TCallbackContext context{&streams, nullptr};
    TInStream in{{ReadCallback}, &context};
    TOutStream out{{WriteCallback}, &context};

    Byte props[kPropsSize];
    size_t propsRead = 0;
    while (propsRead < kPropsSize) {
        size_t size = kPropsSize - propsRead;
        const SRes result = ReadCallback(&in, props + propsRead, &size);
        CheckResult(result, context);
        if (size == 0) return;  // the source ended inside the properties: a data error
        propsRead += size;
    }

    // A dictionary larger than the whole output is never used, so cap what the properties
    // ask for before anything is allocated.
    const uint64_t declared = uint64_t(props[1]) | uint64_t(props[2]) << 8 | uint64_t(props[3]) << 16 |
                              uint64_t(props[4]) << 24;
    const uint64_t needed = std::max<uint64_t>(kMinDictionary, expectedSize > 0 ? uint64_t(expectedSize) : 0);
    if (declared > needed) {
        const auto capped = static_cast<uint32_t>(needed);
        for (int k = 0; k < 4; ++k) props[1 + k] = static_cast<Byte>(capped >> (8 * k));
    }

    CLzmaDec decoder;
    LzmaDec_Construct(&decoder);
    SRes result = LzmaDec_Allocate(&decoder, props, kPropsSize, &g_Alloc);
    if (result != SZ_OK) RaiseLzmaError(result);
    std::unique_ptr<CLzmaDec, void (*)(CLzmaDec*)> decoderGuard(&decoder,
                                                                [](CLzmaDec* d) { LzmaDec_Free(d, &g_Alloc); });
    LzmaDec_Init(&decoder);

    std::unique_ptr<Byte[]> input(new Byte[kBufferSize]);
    std::unique_ptr<Byte[]> output(new Byte[kBufferSize]);
    size_t inputPos = 0, inputSize = 0;
    int64_t produced = 0;

    while (produced < expectedSize) {
        if (inputPos == inputSize) {
            inputSize = kBufferSize;
            result = ReadCallback(&in, input.get(), &inputSize);
            if (result != SZ_OK) break;
            inputPos = 0;
        }
        const int64_t remaining = expectedSize - produced;
        SizeT outSize = static_cast<SizeT>(std::min<int64_t>(remaining, kBufferSize));
        const ELzmaFinishMode finish = remaining <= int64_t(kBufferSize) ? LZMA_FINISH_END : LZMA_FINISH_ANY;
        SizeT inSize = inputSize - inputPos;
        ELzmaStatus status;
        result = LzmaDec_DecodeToBuf(&decoder, output.get(), &outSize, input.get() + inputPos, &inSize, finish,
                                     &status);
        inputPos += inSize;
        produced += static_cast<int64_t>(outSize);
        if (outSize > 0 && WriteCallback(&out, output.get(), outSize) != outSize) {
            result = SZ_ERROR_WRITE;
            break;
        }
        if (result != SZ_OK) break;
        if (inSize == 0 && outSize == 0) {
            result = SZ_ERROR_DATA;  // the source has ended
            break;
        }
    }

    if (context.Failure) std::rethrow_exception(context.Failure);
    if (result != SZ_OK && result != SZ_ERROR_DATA) RaiseLzmaError(result);
}

} // namespace Lzma
