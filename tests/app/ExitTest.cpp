#include <QAction>
#include <QTest>

#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "support/RecordingPrompts.h"

namespace kora {
namespace {

class ExitConfirmation : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void TearDown() override
    {
        // Let the window go without another question.
        prompts.answers = {true};
        window.close();
    }

    test::RecordingPrompts prompts;
    ScopedPrompts scoped{prompts};
    TfrmMain window;
};

TEST_F(ExitConfirmation, NoAfterTheCloseButtonKeepsTheWindowOpen)
{
    prompts.answers = {false};
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(prompts.beeps, 1);
    EXPECT_EQ(prompts.boxes, QStringList{"confirm: Are you sure to exit?"});
}

TEST_F(ExitConfirmation, YesAfterTheCloseButtonClosesIt)
{
    prompts.answers = {true};
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(prompts.beeps, 1);
    EXPECT_EQ(prompts.boxes.size(), 1);
}

TEST_F(ExitConfirmation, ExitAndYesEndsWithoutASecondQuestion)
{
    prompts.answers = {true, false};
    window.Exit1()->trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(prompts.beeps, 1);
    EXPECT_EQ(prompts.boxes, QStringList{"confirm: Are you sure to exit?"});
}

TEST_F(ExitConfirmation, ExitAndNoKeepsWorking)
{
    prompts.answers = {false};
    window.Exit1()->trigger();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(prompts.boxes.size(), 1);
    // A later close asks again.
    prompts.answers = {false};
    EXPECT_FALSE(window.close());
    EXPECT_EQ(prompts.boxes.size(), 2);
    EXPECT_EQ(prompts.beeps, 2);
}

} // namespace
} // namespace kora
