// Starting and stopping a service with a bounded wait, on scripted services.
#include <gtest/gtest.h>

#include "jobs/ServiceHandling.h"
#include "sim/SimTestSupport.h"

namespace drivecopy {
namespace {

constexpr std::string_view Services = R"({
  "services": [
    {"name": "VSS", "start": [{"state": "startPending", "checkPoint": 1, "waitHint": 2000},
                              {"state": "startPending", "checkPoint": 2, "waitHint": 2000},
                              {"state": "running"}]},
    {"name": "Running", "state": "running"},
    {"name": "Backwards", "start": [{"state": "startPending", "checkPoint": 5, "waitHint": 100},
                                    {"state": "startPending", "checkPoint": 3, "waitHint": 100},
                                    {"state": "running"}]},
    {"name": "Stuck", "start": [{"state": "startPending", "checkPoint": 7, "waitHint": 1000}]},
    {"name": "GivesUp", "start": [{"state": "startPending", "checkPoint": 1}, {"state": "stopped"}]},
    {"name": "Flaky", "state": "running",
     "stop": [{"state": "stopPending", "checkPoint": 1, "waitHint": 100}, "fail", {"state": "stopped"}]},
    {"name": "Locked", "rights": false}]})";

TEST(ServiceControl, StartWaitsUntilRunningOrUntilTheWaitEnds) {
  struct Case {
    const char* service;
    bool started;
    std::uint32_t stateAfterwards;
    std::uint64_t maxWaitMs;  // virtual time the call may take
  };
  const Case cases[] = {
      {"VSS", true, ServiceRunning, 2 * 2000},  // two hints, then running
      {"Running", false, ServiceRunning, 0},    // rejected: no wait at all
      {"Backwards", false, ServiceStartPending, 100},
      // Never settles: ends once the checkpoint stood still for hint + grace.
      {"Stuck", false, ServiceStartPending, 1000 + ServiceWaitGraceMs + 1000},
      // Settles stopped with a zero hint: polled, then given up on.
      {"GivesUp", false, ServiceStopped, ServiceWaitGraceMs + 2 * ServiceMinimumPollMs},
      {"Locked", false, ServiceStopped, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.service);
    auto machine = test_support::Machine(Services);
    ASSERT_TRUE(machine);
    const std::uint64_t before = machine->Clock();
    EXPECT_EQ(StartServiceAndWait(*machine, "", c.service), c.started);
    EXPECT_LE(machine->Clock() - before, c.maxWaitMs);
    EXPECT_EQ(machine->ServiceState(c.service), c.stateAfterwards);
  }
}

TEST(ServiceControl, StopOfAStoppedServiceIsTrueWithoutWaiting) {
  auto machine = test_support::Machine(Services);
  ASSERT_TRUE(machine);
  EXPECT_FALSE(IsServiceRunning(*machine, "", "VSS"));
  EXPECT_TRUE(StopServiceAndWait(*machine, "", "VSS"));  // rejected, but reports stopped
  EXPECT_EQ(machine->Clock(), 0u);
}

TEST(ServiceControl, StopEndsAtAFailedQuery) {
  auto machine = test_support::Machine(Services);
  ASSERT_TRUE(machine);
  EXPECT_TRUE(IsServiceRunning(*machine, "", "Flaky"));
  // The second query fails: the last status obtained is still stop pending.
  EXPECT_FALSE(StopServiceAndWait(*machine, "", "Flaky"));
}

TEST(ServiceControl, WithoutRightsEverythingReportsNothing) {
  auto machine = test_support::Machine(R"({"session": {"serviceManagerRights": false},
                                       "services": [{"name": "VSS", "state": "running"}]})");
  ASSERT_TRUE(machine);
  EXPECT_EQ(QueryServiceState(*machine, "", "VSS"), 0u);
  EXPECT_FALSE(IsServiceRunning(*machine, "", "VSS"));
  EXPECT_FALSE(StartServiceAndWait(*machine, "", "VSS"));
  EXPECT_FALSE(StopServiceAndWait(*machine, "", "VSS"));
  EXPECT_EQ(QueryServiceState(*machine, "", "NoSuchService"), 0u);
}

TEST(ServiceControl, StartedThenStoppedRoundTrip) {
  auto machine = test_support::Machine(Services);
  ASSERT_TRUE(machine);
  ASSERT_TRUE(StartServiceAndWait(*machine, "", "VSS"));
  EXPECT_TRUE(IsServiceRunning(*machine, "", "VSS"));
  EXPECT_TRUE(StopServiceAndWait(*machine, "", "VSS"));
  EXPECT_EQ(QueryServiceState(*machine, "", "VSS"), ServiceStopped);
}

}  // namespace
}  // namespace drivecopy
