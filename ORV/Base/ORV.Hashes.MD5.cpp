#include "ORV.Hashes.MD5.h"

#include "ORV.Classes.Streams.h"
#include "ORV.SysUtils.h"
#include "ORV.Utils.Strings.h"

#include <windows.h>
#include <wincrypt.h>

#include <memory>
#include <vector>

namespace ORV {

namespace {

// One running digest: the provider context and the hash object, released in reverse order.
class TCryptMD5 {
public:
    TCryptMD5() {
        if (!CryptAcquireContextW(&FProvider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
            RaiseLastOSError();
        if (!CryptCreateHash(FProvider, CALG_MD5, 0, 0, &FHash)) {
            const DWORD error = GetLastError();
            CryptReleaseContext(FProvider, 0);
            RaiseOSError(error);
        }
    }
    ~TCryptMD5() {
        CryptDestroyHash(FHash);
        CryptReleaseContext(FProvider, 0);
    }
    TCryptMD5(const TCryptMD5&) = delete;
    TCryptMD5& operator=(const TCryptMD5&) = delete;

    void Update(const void* data, size_t length) {
        const auto* bytes = static_cast<const BYTE*>(data);
        while (length > 0) {
            const DWORD chunk = length > 0x40000000u ? 0x40000000u : static_cast<DWORD>(length);
            if (!CryptHashData(FHash, bytes, chunk, 0)) RaiseLastOSError();
            bytes += chunk;
            length -= chunk;
        }
    }

    std::u16string HexDigest() {
        BYTE digest[16] = {};
        DWORD size = sizeof(digest);
        if (!CryptGetHashParam(FHash, HP_HASHVAL, digest, &size, 0)) RaiseLastOSError();
        return TORVHexcode::Encode(digest, size);
    }

private:
    HCRYPTPROV FProvider = 0;
    HCRYPTHASH FHash = 0;
};

} // namespace

std::u16string TORVHashMD5::CalcBuffer(const void* data, size_t length) {
    TCryptMD5 md5;
    md5.Update(data, length);
    return md5.HexDigest();
}

std::u16string TORVHashMD5::CalcFile(const std::u16string& fileName) {
    TFileStream file(fileName, fmOpenRead, Platform::TFile::fsRead | Platform::TFile::fsWrite);
    TCryptMD5 md5;
    std::vector<uint8_t> buffer(TStream::kCopyBufferSize);
    for (;;) {
        const size_t got = file.Read(buffer.data(), buffer.size());
        if (got == 0) break;
        md5.Update(buffer.data(), got);
    }
    return md5.HexDigest();
}

} // namespace ORV
