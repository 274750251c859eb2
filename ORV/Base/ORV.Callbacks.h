// Code that the system calls back (window procedures, thread procedures, enumeration and timer
// callbacks, COM methods) must never let an exception out. The 32-bit build unwinds with DWARF
// tables, which end at the first frame of Windows' own: an exception that reaches one ends the
// process through std::terminate, where the 64-bit build (SEH) would have carried on. So every
// such callback runs its body through one of the guards below and hands the error on: to the
// thread that waits for the call (CatchAll), or to the process's handler (GuardCallback).
#pragma once

#include <exception>
#include <string>

namespace ORV {

// The text a user is shown for Error: an Exception's message, "Out of memory" for a failed
// allocation, the UTF-8 what() of any other std::exception, else "Unknown error".
std::u16string ExceptionMessage(const std::exception_ptr& error);

// Runs Body and returns null, or the exception it raised, for the caller to hand on.
template <typename TBody>
std::exception_ptr CatchAll(TBody&& body) noexcept {
    try {
        body();
        return nullptr;
    } catch (...) {
        return std::current_exception();
    }
}

// Where an error goes that no caller waits for. The entry point sets a handler that shows it;
// without one the error is dropped. The handler must not raise (what it raises is dropped).
using TCallbackErrorHandler = void (*)(const std::exception_ptr& error);
void SetCallbackErrorHandler(TCallbackErrorHandler handler) noexcept;
void HandleCallbackError(const std::exception_ptr& error) noexcept;

// Runs Body and returns what it returns; when Body raises, the error goes to
// HandleCallbackError and Fallback is returned instead.
template <typename TResult, typename TBody>
TResult GuardCallback(TResult fallback, TBody&& body) noexcept {
    try {
        return body();
    } catch (...) {
        HandleCallbackError(std::current_exception());
        return fallback;
    }
}

} // namespace ORV
