// The moves between the wizard's pages, over pages that are there or skipped and that let the
// user go on or back or not.

#include "Setup.UI.Pages.h"

#include <gtest/gtest.h>

#include <string>

using namespace Setup::UI;
using Setup::Core::PageClassOf;

namespace {

// A page whose answers the test sets.
class TFlowPage : public TSetupCustomPage {
public:
    bool Available = true, Next = true, Back = true;
    bool IsAvailable() override { return Available; }
    bool CanGoNext() override { return Next; }
    bool CanGoBack() override { return Back; }
};

TFlowPage& Page(const TSetupPageList& list, int index) { return static_cast<TFlowPage&>(list.Items(index)); }

} // namespace

TEST(PageList, MovesSkipUnavailablePagesBothWaysAndEndAtTheEnds) {
    TSetupPageList list;
    for (int i = 0; i < 5; ++i) list.AddPage(PageClassOf<TFlowPage>(u"TFlowPage"));
    ASSERT_EQ(list.Count(), 5);
    EXPECT_EQ(list.First(), &list.Items(0));
    EXPECT_EQ(list.Last(), &list.Items(4));
    EXPECT_EQ(list.IndexOf(&list.Items(3)), 3);
    EXPECT_EQ(list.IndexOf(nullptr), -1);

    // Pages 2 and 3 are out of the flow (as the integration page of a portable install).
    Page(list, 2).Available = false;
    Page(list, 3).Available = false;
    EXPECT_EQ(list.NextPage(&list.Items(1)), &list.Items(4));
    EXPECT_EQ(list.PrevPage(&list.Items(4)), &list.Items(1));
    EXPECT_EQ(list.NextPage(&list.Items(4)), nullptr);
    EXPECT_EQ(list.PrevPage(&list.Items(0)), nullptr);
    EXPECT_EQ(list.NextPage(nullptr), nullptr);
    EXPECT_EQ(list.PrevPage(nullptr), nullptr);

    // A move needs a page, its consent and somewhere to go.
    EXPECT_TRUE(list.CanMoveNext(&list.Items(1)));
    EXPECT_FALSE(list.CanMoveNext(&list.Items(4)));
    EXPECT_FALSE(list.CanMoveBack(&list.Items(0)));
    EXPECT_FALSE(list.CanMoveNext(nullptr));
    Page(list, 1).Next = false;  // a licence not yet accepted
    EXPECT_FALSE(list.CanMoveNext(&list.Items(1)));
    Page(list, 4).Back = false;  // the progress page
    EXPECT_FALSE(list.CanMoveBack(&list.Items(4)));
    Page(list, 4).Back = true;
    EXPECT_TRUE(list.CanMoveBack(&list.Items(4)));
    Page(list, 0).Available = false;
    Page(list, 1).Available = false;
    EXPECT_FALSE(list.CanMoveBack(&list.Items(4))) << "nothing before it is available";
}
