#include "ORV.Graphics.Image.h"

#include "ORV.Strings.h"
#include "ORV.SysUtils.h"
#include "ORV.Win32.h"

#include <objidl.h>
#include <shlwapi.h>

#include <mutex>
#include <string>
#include <vector>

namespace ORV {

namespace {

// The part of GDI+'s flat API that the library uses, in its own calling convention. Statuses
// are GDI+'s: 0 is Ok.
struct TGdiPlus {
    struct StartupInput {
        UINT32 GdiplusVersion = 1;
        void* DebugEventCallback = nullptr;
        BOOL SuppressBackgroundThread = FALSE;
        BOOL SuppressExternalCodecs = FALSE;
    };

    int(WINAPI* Startup)(ULONG_PTR*, const StartupInput*, void*) = nullptr;
    int(WINAPI* CreateBitmapFromStream)(IStream*, void**) = nullptr;
    int(WINAPI* GetImageWidth)(void*, UINT*) = nullptr;
    int(WINAPI* GetImageHeight)(void*, UINT*) = nullptr;
    int(WINAPI* DisposeImage)(void*) = nullptr;
    int(WINAPI* CreateFromHDC)(HDC, void**) = nullptr;
    int(WINAPI* DeleteGraphics)(void*) = nullptr;
    int(WINAPI* SetPixelOffsetMode)(void*, int) = nullptr;
    int(WINAPI* DrawImageRectI)(void*, void*, INT, INT, INT, INT) = nullptr;
    int(WINAPI* BitmapGetPixel)(void*, INT, INT, DWORD*) = nullptr;
};

template <typename T>
void Bind(HMODULE module, const char* name, T& function) {
    function = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!function) RaiseLastOSError(Utf8ToUtf16(std::string("gdiplus.dll: ") + name));
}

// Loads and starts GDI+ once per process. It is never shut down: images may still be freed by
// objects that outlive main, and the end of the process releases GDI+ anyway.
const TGdiPlus& GdiPlus() {
    static TGdiPlus api;
    static std::once_flag once;
    static uint32_t failure = 0;
    static int startupStatus = 0;
    std::call_once(once, [] {
        HMODULE module = LoadSystemLibrary(L"gdiplus.dll");
        if (!module) {
            failure = GetLastError();
            if (failure == 0) failure = ERROR_MOD_NOT_FOUND;
            return;
        }
        try {
            Bind(module, "GdiplusStartup", api.Startup);
            Bind(module, "GdipCreateBitmapFromStream", api.CreateBitmapFromStream);
            Bind(module, "GdipGetImageWidth", api.GetImageWidth);
            Bind(module, "GdipGetImageHeight", api.GetImageHeight);
            Bind(module, "GdipDisposeImage", api.DisposeImage);
            Bind(module, "GdipCreateFromHDC", api.CreateFromHDC);
            Bind(module, "GdipDeleteGraphics", api.DeleteGraphics);
            Bind(module, "GdipSetPixelOffsetMode", api.SetPixelOffsetMode);
            Bind(module, "GdipDrawImageRectI", api.DrawImageRectI);
            Bind(module, "GdipBitmapGetPixel", api.BitmapGetPixel);
        } catch (const EOSError& error) {
            failure = error.ErrorCode() ? error.ErrorCode() : ERROR_PROC_NOT_FOUND;
            return;
        }
        ULONG_PTR token = 0;
        TGdiPlus::StartupInput input;
        startupStatus = api.Startup(&token, &input, nullptr);
    });
    if (failure) RaiseOSError(failure, u"gdiplus.dll");
    if (startupStatus != 0)
        throw EInvalidOperation(Format(u"Cannot start GDI+ (GDI+ status %d)", {startupStatus}));
    return api;
}

} // namespace

TORVImage::~TORVImage() { Clear(); }

void TORVImage::Clear() {
    if (FBitmap) GdiPlus().DisposeImage(FBitmap);
    FBitmap = nullptr;
    FWidth = FHeight = 0;
}

void TORVImage::LoadFromStream(TStream& stream) {
    Clear();
    const TGdiPlus& api = GdiPlus();
    const int64_t left = stream.Size() - stream.Position();
    // GDI+ takes a 32-bit size; no picture comes near it (status 2 is GDI+'s InvalidParameter).
    if (left > int64_t(UINT_MAX) || uint64_t(left) > SIZE_MAX) throw EInvalidOperation(u"Cannot load image (GDI+ status 2)");
    std::vector<uint8_t> bytes(left > 0 ? static_cast<size_t>(left) : 0);
    if (!bytes.empty()) stream.ReadBuffer(bytes.data(), bytes.size());

    // The memory stream holds its own copy of the bytes; the bitmap keeps a reference to it,
    // because GDI+ may decode lazily.
    IStream* memory = SHCreateMemStream(bytes.empty() ? nullptr : bytes.data(), static_cast<UINT>(bytes.size()));
    if (!memory) throw EInvalidOperation(u"Cannot load image (GDI+ status 3)");
    void* bitmap = nullptr;
    const int status = api.CreateBitmapFromStream(memory, &bitmap);
    memory->Release();
    if (status != 0 || !bitmap) throw EInvalidOperation(Format(u"Cannot load image (GDI+ status %d)", {status}));

    UINT width = 0, height = 0;
    api.GetImageWidth(bitmap, &width);
    api.GetImageHeight(bitmap, &height);
    FBitmap = bitmap;
    FWidth = static_cast<int>(width);
    FHeight = static_cast<int>(height);
}

bool TORVImage::Draw(HDC dc, const RECT& rect) const {
    if (!FBitmap) return true;
    const TGdiPlus& api = GdiPlus();
    void* graphics = nullptr;
    if (api.CreateFromHDC(dc, &graphics) != 0) return false;
    api.SetPixelOffsetMode(graphics, FPixelOffsetMode);
    const int status =
        api.DrawImageRectI(graphics, FBitmap, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    api.DeleteGraphics(graphics);
    return status == 0;
}

uint32_t TORVImage::Pixel(int x, int y) const {
    if (!FBitmap || x < 0 || y < 0 || x >= FWidth || y >= FHeight) return 0;
    DWORD color = 0;
    return GdiPlus().BitmapGetPixel(FBitmap, x, y, &color) == 0 ? color : 0;
}

} // namespace ORV
