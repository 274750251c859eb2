#include "ORV.Callbacks.h"
#include "ORV.SysUtils.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

using namespace ORV;

namespace {
std::u16string gHandled;
void RecordError(const std::exception_ptr& error) { gHandled = ExceptionMessage(error); }
} // namespace

TEST(Callbacks, EveryKindOfErrorHasAText) {
    const auto messageOf = [](auto raise) { return ExceptionMessage(CatchAll(raise)); };
    EXPECT_EQ(messageOf([] { throw EInvalidOperation(u"Ünknown state"); }), u"Ünknown state");
    EXPECT_EQ(messageOf([] { throw std::bad_alloc(); }), u"Out of memory");
    EXPECT_EQ(messageOf([] { throw std::runtime_error("plain \xC3\xA9"); }), u"plain é");
    EXPECT_EQ(messageOf([] { throw 42; }), u"Unknown error");
    EXPECT_EQ(CatchAll([] {}), nullptr);
}

TEST(Callbacks, AGuardedCallbackReturnsItsFallbackAndHandsTheErrorOn) {
    gHandled.clear();
    EXPECT_EQ(GuardCallback<int>(-1, [] { return 5; }), 5);
    EXPECT_EQ(GuardCallback<int>(-1, []() -> int { throw EInvalidOperation(u"no"); }), -1);  // dropped: no handler
    SetCallbackErrorHandler(&RecordError);
    EXPECT_EQ(GuardCallback<int>(-1, []() -> int { throw EInvalidOperation(u"handled"); }), -1);
    EXPECT_EQ(gHandled, u"handled");
    // A handler that raises itself cannot take the process down either.
    SetCallbackErrorHandler([](const std::exception_ptr&) { throw std::runtime_error("again"); });
    EXPECT_EQ(GuardCallback<int>(-1, []() -> int { throw 1; }), -1);
    SetCallbackErrorHandler(nullptr);
}
