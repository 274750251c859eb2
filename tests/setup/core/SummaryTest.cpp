#include "Setup.Core.Summary.h"

#include "ORV.SysUtils.h"

#include <gtest/gtest.h>

using Setup::Core::TSetupSummaryBuilder;

TEST(SummaryBuilder, HeadersStandBeforeTheirFirstItemWithABlankLineBetweenGroups) {
    TSetupSummaryBuilder builder([](std::u16string_view section, std::u16string_view key) {
        return std::u16string(section) + u"." + std::u16string(key);
    });
    EXPECT_EQ(builder.ToString(), u"");
    builder.SetHeader(u"Ignored");
    builder.SetHeader(u"Folder");
    builder.AddItem(u"C:\\Apps\\QOVI\\");
    builder.SetHeader(u"Mode:");
    builder.AddItem(u"Update");
    builder.AddItem(u"PageSetup", u"CB4");
    builder.SetHeader(u"Never written");
    EXPECT_EQ(builder.ToString(), u"Folder:\r\n * C:\\Apps\\QOVI\\\r\n\r\nMode:\r\n * Update\r\n * PageSetup.CB4\r\n");
}

TEST(SummaryBuilder, ItemsWithoutAHeaderAndNamedTextsWithoutASource) {
    TSetupSummaryBuilder builder;
    builder.AddItem(u"one");
    EXPECT_EQ(builder.ToString(), u" * one\r\n");
    EXPECT_THROW(builder.AddItem(u"Common", u"A1"), ORV::EInvalidOperation);
}
