// The service manager under wine, with wine's own services: RPC and the
// print spooler are installed, the shadow copy service does not exist. Then
// the program's service handling on top of it. In a new wine prefix wine's
// own service manager may still be busy starting its services and refuse to
// start the spooler ("service database locked", a request timeout); the tests
// that start and stop it skip then, saying so, since that is wine's state and
// not the program's.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>

#include "jobs/ServiceHandling.h"
#include "platform/windows/SystemErrors.h"
#include "platform/windows/WindowsServices.h"
#include "support/EmptyMachinePlatform.h"

namespace drivecopy::windows_backend {
namespace {

constexpr const char* RunningService = "RpcSs";
constexpr const char* StartableService = "Spooler";

std::uint32_t StateNow(const char* service) {
  auto connection = OpenWindowsService("", service, ServiceAccess::Query);
  if (!connection) return 0;
  auto status = (*connection)->QueryStatus();
  return status ? status->CurrentState : 0;
}

// Polls until the service is in `state`, for at most ten seconds.
bool ReachesState(ServiceConnection& connection, std::uint32_t state) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto status = connection.QueryStatus();
    if (status && status->CurrentState == state) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

// Leaves the startable service stopped, as it was found, however a test
// ends (a start that wine reported as timed out may still come through).
struct StopsServiceAtEnd {
  ~StopsServiceAtEnd() {
    auto connection = OpenWindowsService("", StartableService, ServiceAccess::Stop);
    if (!connection) return;
    for (int attempt = 0; attempt < 3; ++attempt) {
      (*connection)->Stop();
      if (ReachesState(**connection, ServiceStopped)) return;
    }
  }
};

TEST(WindowsServices, QueriesTheStateOfAnInstalledService) {
  auto connection = OpenWindowsService("", RunningService, ServiceAccess::Query);
  ASSERT_TRUE(connection) << connection.error().text;
  auto status = (*connection)->QueryStatus();
  ASSERT_TRUE(status);
  EXPECT_GE(status->CurrentState, ServiceStopped);
  EXPECT_LE(status->CurrentState, 7u);

  const std::uint32_t spooler = StateNow(StartableService);
  EXPECT_GE(spooler, ServiceStopped);
  EXPECT_LE(spooler, 7u);  // SERVICE_PAUSED, the highest state there is
}

TEST(WindowsServices, AServiceThatIsNotInstalledFailsWith1060AndTheSystemsText) {
  for (ServiceAccess access : {ServiceAccess::Query, ServiceAccess::Start, ServiceAccess::Stop}) {
    auto connection = OpenWindowsService("", "drivecopy-no-such-service", access);
    ASSERT_FALSE(connection);
    EXPECT_EQ(connection.error().systemCode, 1060);
    EXPECT_EQ(connection.error().text, SystemErrorText(1060));
    EXPECT_NE(connection.error().text.rfind("Unknown error", 0), 0u) << connection.error().text;
  }
}

TEST(WindowsServices, AQueryConnectionMayNotStopTheService) {
  ASSERT_EQ(StateNow(StartableService), ServiceStopped);
  auto connection = OpenWindowsService("", StartableService, ServiceAccess::Query);
  ASSERT_TRUE(connection) << connection.error().text;
  // Refused for want of the right, before the service's state is looked at:
  // no status comes back, unlike the refusal of a stopped service's stop.
  const ServiceControlReply reply = (*connection)->Stop();
  EXPECT_FALSE(reply.Accepted);
  EXPECT_FALSE(reply.Status);
  EXPECT_FALSE((*connection)->Start().Accepted);
  EXPECT_EQ(StateNow(StartableService), ServiceStopped);
}

TEST(WindowsServices, StartsAndStopsAServiceAndReportsTheRefusals) {
  StopsServiceAtEnd stopsService;
  ASSERT_EQ(StateNow(StartableService), ServiceStopped);

  auto starter = OpenWindowsService("", StartableService, ServiceAccess::Start);
  ASSERT_TRUE(starter) << starter.error().text;
  const ServiceControlReply started = (*starter)->Start();
  if (!started.Accepted) GTEST_SKIP() << "wine's service manager did not start " << StartableService;
  ASSERT_TRUE(started.Status);
  EXPECT_TRUE(started.Status->CurrentState == ServiceStartPending ||
              started.Status->CurrentState == ServiceRunning)
      << started.Status->CurrentState;
  ASSERT_TRUE(ReachesState(**starter, ServiceRunning));
  const ServiceControlReply startedAgain = (*starter)->Start();
  EXPECT_FALSE(startedAgain.Accepted);
  EXPECT_FALSE(startedAgain.Status);

  auto stopper = OpenWindowsService("", StartableService, ServiceAccess::Stop);
  ASSERT_TRUE(stopper) << stopper.error().text;
  const ServiceControlReply stopped = (*stopper)->Stop();
  EXPECT_TRUE(stopped.Accepted);
  ASSERT_TRUE(stopped.Status);
  EXPECT_TRUE(stopped.Status->CurrentState == ServiceStopPending ||
              stopped.Status->CurrentState == ServiceStopped)
      << stopped.Status->CurrentState;
  ASSERT_TRUE(ReachesState(**stopper, ServiceStopped));

  // A service that is not running refuses the stop and says it is stopped.
  const ServiceControlReply stoppedAgain = (*stopper)->Stop();
  EXPECT_FALSE(stoppedAgain.Accepted);
  ASSERT_TRUE(stoppedAgain.Status);
  EXPECT_EQ(stoppedAgain.Status->CurrentState, ServiceStopped);
}

// The program's service handling with the real service manager; everything
// else is a machine with nothing attached.
class RealServicesPlatform : public test_support::EmptyMachinePlatform {
 public:
  Outcome<std::unique_ptr<ServiceConnection>> OpenService(const std::string& machine,
                                                          const std::string& service,
                                                          ServiceAccess access) override {
    return OpenWindowsService(machine, service, access);
  }
  void Sleep(std::uint32_t milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
  std::uint64_t MonotonicMilliseconds() override {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
  }
};

TEST(WindowsServiceHandling, StartsAndStopsAServiceWaitingForEachState) {
  StopsServiceAtEnd stopsService;
  RealServicesPlatform platform;
  if (QueryServiceState(platform, "", StartableService) != ServiceStopped)
    GTEST_SKIP() << "wine's " << StartableService << " did not stop after the test before";
  if (!StartServiceAndWait(platform, "", StartableService))
    GTEST_SKIP() << "wine's service manager did not start " << StartableService;
  EXPECT_TRUE(IsServiceRunning(platform, "", StartableService));
  EXPECT_FALSE(StartServiceAndWait(platform, "", StartableService));  // already running

  EXPECT_TRUE(StopServiceAndWait(platform, "", StartableService));
  EXPECT_EQ(QueryServiceState(platform, "", StartableService), ServiceStopped);
  EXPECT_TRUE(StopServiceAndWait(platform, "", StartableService));  // refused, but stopped
}

TEST(WindowsServiceHandling, WinesMissingShadowCopyServiceIsNeitherRunningNorStartable) {
  RealServicesPlatform platform;
  EXPECT_EQ(QueryServiceState(platform, "", "VSS"), 0u);
  EXPECT_FALSE(IsServiceRunning(platform, "", "VSS"));
  EXPECT_FALSE(StartServiceAndWait(platform, "", "VSS"));
  EXPECT_FALSE(StopServiceAndWait(platform, "", "VSS"));
}

}  // namespace
}  // namespace drivecopy::windows_backend
