#include "ORV.Callbacks.h"

#include "ORV.Strings.h"
#include "ORV.SysUtils.h"

#include <atomic>
#include <new>

namespace ORV {

namespace {
std::atomic<TCallbackErrorHandler> gHandler{nullptr};
} // namespace

std::u16string ExceptionMessage(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const Exception& known) {
        return known.Message();
    } catch (const std::bad_alloc&) {
        return u"Out of memory";
    } catch (const std::exception& other) {
        return Utf8ToUtf16(other.what());
    } catch (...) {
        return u"Unknown error";
    }
}

void SetCallbackErrorHandler(TCallbackErrorHandler handler) noexcept { gHandler.store(handler); }

void HandleCallbackError(const std::exception_ptr& error) noexcept {
    const TCallbackErrorHandler handler = gHandler.load();
    if (!handler || !error) return;
    try {
        handler(error);
    } catch (...) {
    }
}

} // namespace ORV
