#include <gtest/gtest.h>

#include "app/WindowDivision.h"

namespace kora {
namespace {

TEST(WindowDivision, PanelsStartEquallyWideAndThePaneTakesAThird)
{
    const WindowDivision d = DivideWindowSpace(1000, 600, 40, 3);
    EXPECT_EQ(d.localPanelWidth, 477);
    EXPECT_EQ(d.terminalPaneHeight, 200);
}

TEST(WindowDivision, DivisionsAreTruncated)
{
    EXPECT_EQ(DivideWindowSpace(1001, 602, 40, 3).localPanelWidth, 477);
    EXPECT_EQ(DivideWindowSpace(1001, 602, 40, 3).terminalPaneHeight, 200);
    EXPECT_EQ(DivideWindowSpace(1280, 800, 40, 3).localPanelWidth, 617);
}

TEST(WindowDivision, ATinyWindowGivesNoNegativeSizes)
{
    const WindowDivision d = DivideWindowSpace(30, 2, 40, 3);
    EXPECT_EQ(d.localPanelWidth, 0);
    EXPECT_EQ(d.terminalPaneHeight, 0);
}

} // namespace
} // namespace kora
