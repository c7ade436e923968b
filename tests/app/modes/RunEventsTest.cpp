#include "app/RunEvents.h"
#include "ui/PageTable.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace orv {
namespace {

// The dispatcher with recording handlers that continue the chain the way the
// mode controller does.
struct Chain {
    Chain()
    {
        TRunEventHandlers h;
        h.controllerReady = [this] {
            ran.push_back("ready");
            events->PostRunEvent(reNewQuantities);
        };
        h.newQuantities = [this] {
            ran.push_back("quantities");
            events->PostRunEvent(reSetPrimaryMode);
        };
        h.setPrimaryMode = [this] {
            ran.push_back("mode");
            if (failMode)
                throw std::runtime_error("preset not valid");
            if (raiseService)
                pageMode |= osService;
            events->PostRunEvent(reGoActive);
        };
        h.goActive = [this] { ran.push_back("active"); };
        h.settingsReported = [this] { return reported; };
        h.enableTimer = [this](bool on) { timer = on; };
        h.pageMode = [this] { return pageMode; };
        h.restorePageMode = [this](uint8_t m) { pageMode = m; };
        h.reportError = [this](const std::string& e) { errors.push_back(e); };
        own = std::make_unique<TRunEvents>(std::move(h));
        events = own.get();
    }
    std::unique_ptr<TRunEvents> own;
    TRunEvents* events;
    std::vector<std::string> ran;
    std::vector<std::string> errors;
    bool reported = true;
    bool failMode = false;
    bool raiseService = false;
    bool timer = false;
    uint8_t pageMode = osNominal;
};

TEST(RunEvents, ControllerReadyLeadsToGoActiveOneStepPerTick)
{
    Chain c;
    c.events->PostRunEvent(reControllerReady);
    EXPECT_TRUE(c.timer);
    std::vector<std::vector<std::string>> perTick;
    for (int i = 0; i < 5; ++i) {
        c.ran.clear();
        c.events->Dispatch();
        perTick.push_back(c.ran);
    }
    // Events posted during a tick that come later in the order run in the
    // same tick; those that come earlier wait for the next one.
    EXPECT_EQ(perTick[0], (std::vector<std::string>{"ready"}));
    EXPECT_EQ(perTick[1], (std::vector<std::string>{"quantities"}));
    EXPECT_EQ(perTick[2], (std::vector<std::string>{"mode"}));
    EXPECT_EQ(perTick[3], (std::vector<std::string>{"active"}));
    EXPECT_TRUE(perTick[4].empty());
    EXPECT_FALSE(c.timer) << "an empty set stops the dispatcher";
}

TEST(RunEvents, SetPrimaryModeWaitsForTheSettingsReports)
{
    Chain c;
    c.reported = false;
    c.events->PostRunEvent(reSetPrimaryMode);
    for (int i = 0; i < 3; ++i)
        c.events->Dispatch();
    EXPECT_TRUE(c.ran.empty());
    EXPECT_TRUE(c.events->Pending(reSetPrimaryMode));
    EXPECT_TRUE(c.timer);
    c.reported = true;
    c.events->Dispatch();
    EXPECT_EQ(c.ran, (std::vector<std::string>{"mode"}));
    EXPECT_FALSE(c.events->Pending(reSetPrimaryMode));
}

TEST(RunEvents, ControllerReadyWaitsForTheSettingsReportsButNewQuantitiesDoesNot)
{
    Chain c;
    c.reported = false;
    c.events->PostRunEvent(reControllerReady);
    c.events->PostRunEvent(reNewQuantities);
    c.events->Dispatch();
    EXPECT_EQ(c.ran, (std::vector<std::string>{"quantities"}));
    EXPECT_TRUE(c.events->Pending(reControllerReady));
}

TEST(RunEvents, EventZeroClearsTheSetAndStopsTheTimer)
{
    Chain c;
    c.events->PostRunEvent(reGoActive);
    c.events->PostRunEvent(reNewQuantities);
    c.events->PostRunEvent(reNone);
    EXPECT_EQ(c.events->PendingSet(), 0);
    EXPECT_FALSE(c.timer);
    c.events->PostRunEvent(9); // not an event
    EXPECT_EQ(c.events->PendingSet(), 0);
}

TEST(RunEvents, ErrorsAreReportedPassedOnAndThePageModeRestored)
{
    Chain c;
    c.failMode = true;
    c.events->PostRunEvent(reSetPrimaryMode);
    c.pageMode = osNominal;
    EXPECT_THROW(c.events->Dispatch(), std::runtime_error);
    ASSERT_EQ(c.errors.size(), 1u);
    EXPECT_EQ(c.errors[0], "Error Raised in TimerRunEventTimer: preset not valid");
    EXPECT_EQ(c.pageMode, osNominal);
}

TEST(RunEvents, AServiceConditionRaisedDuringATickIsKept)
{
    Chain c;
    c.raiseService = true;
    c.events->PostRunEvent(reSetPrimaryMode);
    c.events->Dispatch();
    EXPECT_EQ(c.pageMode, osNominal | osService);
}

} // namespace
} // namespace orv
