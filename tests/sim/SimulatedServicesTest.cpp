// Scripted service state changes, the virtual clock, settings and session
// facts of the simulated machine.
#include <gtest/gtest.h>

#include <vector>

#include "sim/SimTestSupport.h"

namespace drivecopy {
namespace {

using test_support::Machine;

constexpr std::string_view Services = R"({
  "services": [
    {"name": "VSS", "start": [{"state": "startPending", "checkPoint": 1, "waitHint": 300},
                              {"state": "startPending", "checkPoint": 2, "waitHint": 300},
                              {"state": "running"}],
                    "stop": [{"state": "stopPending", "checkPoint": 1, "waitHint": 100}, "fail",
                             {"state": "stopped"}]},
    {"name": "Backwards", "start": [{"state": "startPending", "checkPoint": 5, "waitHint": 10},
                                    {"state": "startPending", "checkPoint": 3, "waitHint": 10},
                                    {"state": "running"}]},
    {"name": "Stuck", "start": [{"state": "startPending", "checkPoint": 7, "waitHint": 1000}]},
    {"name": "Fails", "start": [{"state": "startPending", "checkPoint": 1}, {"state": "stopped"}]},
    {"name": "Locked", "state": "running", "rights": false}]})";

std::unique_ptr<ServiceConnection> Connect(Platform& platform, const char* name, ServiceAccess access) {
  auto opened = platform.OpenService("", name, access);
  EXPECT_TRUE(opened.ok()) << name;
  return opened.ok() ? std::move(opened.value()) : nullptr;
}

// The states and checkpoints of the next `count` queries; 0/0 for a failed query.
std::vector<std::pair<std::uint32_t, std::uint32_t>> Replay(ServiceConnection& service, int count) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> seen;
  for (int i = 0; i < count; ++i) {
    const auto status = service.QueryStatus();
    seen.emplace_back(status ? status->CurrentState : 0, status ? status->CheckPoint : 0);
  }
  return seen;
}

using Steps = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

TEST(SimulatedServices, AcceptedStartReplaysItsScriptAndTheLastStepRepeats) {
  auto machine = Machine(Services);
  ASSERT_TRUE(machine);
  struct Case {
    const char* name;
    Steps expected;
  };
  for (const Case& c :
       {Case{"VSS", {{2, 1}, {2, 2}, {4, 0}, {4, 0}}}, Case{"Backwards", {{2, 5}, {2, 3}, {4, 0}, {4, 0}}},
        Case{"Stuck", {{2, 7}, {2, 7}, {2, 7}, {2, 7}}}, Case{"Fails", {{2, 1}, {1, 0}, {1, 0}, {1, 0}}}}) {
    SCOPED_TRACE(c.name);
    auto service = Connect(*machine, c.name, ServiceAccess::Start);
    ASSERT_TRUE(service);
    EXPECT_EQ(service->QueryStatus()->CurrentState, ServiceStopped);
    const ServiceControlReply reply = service->Start();
    EXPECT_TRUE(reply.Accepted);
    EXPECT_FALSE(reply.Status);
    EXPECT_EQ(Replay(*service, 4), c.expected);
  }
}

TEST(SimulatedServices, StartOfARunningAndStopOfAStoppedServiceAreRejected) {
  auto machine = Machine(Services);
  ASSERT_TRUE(machine);
  auto service = Connect(*machine, "vss", ServiceAccess::Start);
  ASSERT_TRUE(service);
  const ServiceControlReply stopWhileStopped = service->Stop();
  EXPECT_FALSE(stopWhileStopped.Accepted);
  ASSERT_TRUE(stopWhileStopped.Status);
  EXPECT_EQ(stopWhileStopped.Status->CurrentState, ServiceStopped);

  ASSERT_TRUE(service->Start().Accepted);
  Replay(*service, 3);
  EXPECT_EQ(machine->ServiceState("VSS"), ServiceRunning);
  const ServiceControlReply startWhileRunning = service->Start();
  EXPECT_FALSE(startWhileRunning.Accepted);
  EXPECT_FALSE(startWhileRunning.Status);

  const ServiceControlReply stop = service->Stop();
  EXPECT_TRUE(stop.Accepted);
  ASSERT_TRUE(stop.Status);
  EXPECT_EQ(stop.Status->CurrentState, ServiceStopPending);
  EXPECT_EQ(Replay(*service, 4), (Steps{{3, 1}, {0, 0}, {1, 0}, {1, 0}}));
  // A query-only connection may look but not act.
  auto observer = Connect(*machine, "VSS", ServiceAccess::Query);
  EXPECT_FALSE(observer->Start().Accepted);
  EXPECT_EQ(machine->ServiceState("VSS"), ServiceStopped);
}

TEST(SimulatedServices, OpeningFailsWithThePlatformsCodes) {
  auto machine = Machine(Services);
  ASSERT_TRUE(machine);
  EXPECT_EQ(machine->OpenService("", "Locked", ServiceAccess::Query).error().systemCode, 5);
  EXPECT_EQ(machine->OpenService("", "NoSuch", ServiceAccess::Query).error().systemCode, 1060);
  EXPECT_EQ(machine->OpenService("\\\\ELSEWHERE", "VSS", ServiceAccess::Query).error().systemCode, 1722);
  EXPECT_TRUE(machine->OpenService("\\\\simulated", "VSS", ServiceAccess::Query).ok());

  auto denied = Machine(R"({"services": [{"name": "VSS"}], "session": {"serviceManagerRights": false}})");
  ASSERT_TRUE(denied);
  EXPECT_EQ(denied->OpenService("", "VSS", ServiceAccess::Query).error().text, "Access is denied.");
}

TEST(SimulatedServices, SleepAdvancesTheVirtualClockOnly) {
  auto machine = Machine(R"({"session": {"clock": 1000}})");
  ASSERT_TRUE(machine);
  EXPECT_EQ(machine->MonotonicMilliseconds(), 1000u);
  machine->Sleep(3'600'000);  // an hour, instantly
  EXPECT_EQ(machine->MonotonicMilliseconds(), 3'601'000u);
  EXPECT_EQ(machine->Clock(), 3'601'000u);
}

TEST(SimulatedSettings, ValuesReadAsDescribedAndWritesStick) {
  auto machine = Machine(R"({"settings": {"values": {"Language": 2, "Title": "text"}}})");
  ASSERT_TRUE(machine);
  EXPECT_EQ(machine->ReadSetting("Language").Kind, SettingValue::Type::Number);
  EXPECT_EQ(machine->ReadSetting("language").Number, 2u);
  EXPECT_EQ(machine->ReadSetting("Title").Kind, SettingValue::Type::Other);
  EXPECT_EQ(machine->ReadSetting("Missing").Kind, SettingValue::Type::Missing);
  EXPECT_TRUE(machine->EnsureSettingsStore());
  EXPECT_TRUE(machine->WriteSettingNumber("Language", 5));
  EXPECT_EQ(machine->ReadSetting("Language").Number, 5u);
}

TEST(SimulatedSettings, UnwritableStoreRefusesWritesAndKeepsValues) {
  auto machine = Machine(R"({"settings": {"writable": false, "values": {"Language": 3}}})");
  ASSERT_TRUE(machine);
  EXPECT_FALSE(machine->EnsureSettingsStore());
  EXPECT_FALSE(machine->WriteSettingNumber("Language", 1));
  EXPECT_EQ(machine->ReadSetting("Language").Number, 3u);
}

TEST(SimulatedSession, FactsComeFromTheDescriptionAndWebAddressesAreRecorded) {
  auto machine = Machine(R"({"session": {"currentDirectory": "D:\\work", "shortDateFormat": "M/d/yyyy",
                                         "today": "2009-02-28", "canOpenWebAddresses": false}})");
  ASSERT_TRUE(machine);
  EXPECT_EQ(machine->CurrentDirectory(), "D:\\work");
  EXPECT_EQ(machine->PathSeparator(), '\\');
  EXPECT_EQ(machine->ShortDateFormat(), "M/d/yyyy");
  const CalendarDate today = machine->Today();
  EXPECT_EQ((std::tuple{today.Year, today.Month, today.Day}), (std::tuple{2009, 2, 28}));
  EXPECT_FALSE(machine->OpenWebAddress("http://example.invalid/de"));
  EXPECT_EQ(machine->OpenedWebAddresses(), std::vector<std::string>{"http://example.invalid/de"});

  auto plain = Machine("{}");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->CurrentDirectory(), "C:\\");
  EXPECT_EQ(plain->ShortDateFormat(), "dd.MM.yyyy");
  EXPECT_TRUE(plain->OpenWebAddress("http://example.invalid/"));
}

}  // namespace
}  // namespace drivecopy
