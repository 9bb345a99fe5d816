// Carrying out a sync plan on a scripted console: what the listings after the deletions must
// show before a deletion counts.
#include <gtest/gtest.h>

#include <filesystem>

#include "FakeConsole.h"
#include "ListingLines.h"
#include "support/SimFixture.h"
#include "support/TempDir.h"
#include "sync/SyncRun.h"

namespace kora {
namespace {

TEST(SyncRun, ADeletionCountsOnlyWhenTheListingAfterItLacksTheEntry)
{
    struct Case {
        const char* what;
        std::vector<std::string> listingAfter;
        SyncOutcome::Kind kind;
    };
    const std::vector<Case> cases{
        {"gone", {test::SummaryLine("0", "0"), test::FreeLine("5,000")}, SyncOutcome::Kind::Done},
        {"kept without a word",
         {test::FileLine("KEPT", "TXT", "4"), test::SummaryLine("1", "4"), test::FreeLine("5,000")},
         SyncOutcome::Kind::NotDeleted},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir state;
        const test::ScopedEnv stateHome("XDG_STATE_HOME", state.path().string());
        test::FakeConsole console;
        console.output["dir\r"] = c.listingAfter;
        SyncPlan plan;
        plan.destination = "\\";
        plan.deletions.push_back({"\\", "KEPT.TXT", false, 4});
        SyncRecord record = SyncRecord::Load(SyncRecord::FileFor("press-1"));
        SyncSteps steps;
        steps.run = console.runner();
        steps.send = [](const std::vector<QueuedFile>&) { return std::optional<QueueOutcome>(); };

        const SyncOutcome outcome = RunSync(plan, true, record, steps);
        EXPECT_EQ(outcome.kind, c.kind);
        EXPECT_NE(std::find(console.sent.begin(), console.sent.end(), "del KEPT.TXT\r"),
                  console.sent.end());
        if (c.kind == SyncOutcome::Kind::NotDeleted) {
            EXPECT_EQ(outcome.message, "KORA-7740P did not delete D:\\KEPT.TXT.");
            EXPECT_TRUE(outcome.deleted.empty());
        } else {
            EXPECT_EQ(outcome.deleted, std::vector<std::string>{"\\KEPT.TXT"});
        }
    }
}

} // namespace
} // namespace kora
