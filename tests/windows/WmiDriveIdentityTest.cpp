// Drive identity through WMI: the exact queries, what wine's WMI answers to
// them, and queries whose answers are known, for the counting, the value
// and the failures.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/windows/WmiDriveIdentity.h"

namespace drivecopy::windows_backend {
namespace {

TEST(WmiDriveIdentity, QueriesNameTheDriveAsWqlEscapesIt) {
  struct QueryCase {
    std::wstring query;
    std::wstring expected;
  };
  const std::vector<QueryCase> cases = {
      {DriveModelQuery(0), LR"(SELECT Model FROM Win32_DiskDrive WHERE Name = "\\\\.\\PHYSICALDRIVE0")"},
      {DriveModelQuery(24), LR"(SELECT Model FROM Win32_DiskDrive WHERE Name = "\\\\.\\PHYSICALDRIVE24")"},
      {DriveInterfaceTypeQuery(0), LR"(SELECT * FROM Win32_DiskDrive WHERE Name ="\\\\.\\PHYSICALDRIVE0")"},
      {DriveInterfaceTypeQuery(13), LR"(SELECT * FROM Win32_DiskDrive WHERE Name ="\\\\.\\PHYSICALDRIVE13")"},
  };
  for (const QueryCase& c : cases) EXPECT_EQ(c.query, c.expected);
  EXPECT_EQ(std::wstring(DriveModelProperty), L"Model");
  EXPECT_EQ(std::wstring(DriveInterfaceTypeProperty), L"InterfaceType");
}

// Wine 8's Win32_DiskDrive has no Name property (it names its drives by
// DeviceID alone), so these queries fail there; a WMI that has it answers 1
// for a drive it knows and 0 for one it does not.
TEST(WmiDriveIdentity, DriveQueriesGiveAValueOnlyForADriveFoundOnce) {
  for (int drive : {0, 24}) {
    const IdentityAnswer model = QueryWmiProperty(DriveModelQuery(drive), DriveModelProperty);
    const IdentityAnswer interfaceType =
        QueryWmiProperty(DriveInterfaceTypeQuery(drive), DriveInterfaceTypeProperty);
    EXPECT_EQ(model.Result, interfaceType.Result) << drive;
    for (const IdentityAnswer& answer : {model, interfaceType}) {
      EXPECT_TRUE(answer.Result == -1 || answer.Result == (drive == 0 ? 1 : 0))
          << drive << ": " << answer.Result;
      EXPECT_EQ(answer.Value.empty(), answer.Result != 1) << drive << ": " << answer.Value;
    }
  }
}

TEST(WmiDriveIdentity, CountsTheObjectsAndReadsTheOnlyOnesProperty) {
  SYSTEM_INFO system{};
  ::GetSystemInfo(&system);
  struct KnownAnswer {
    const wchar_t* query;
    const wchar_t* property;
    int result;
    std::string value;
  };
  const std::vector<KnownAnswer> cases = {
      {L"SELECT * FROM Win32_ComputerSystem", L"NumberOfLogicalProcessors", 1,
       std::to_string(system.dwNumberOfProcessors)},
      {L"SELECT * FROM Win32_OperatingSystem", L"Primary", 1, "True"},
      {L"SELECT * FROM Win32_BIOS", L"CurrentLanguage", 1, ""},  // null under wine
      {LR"(SELECT * FROM Win32_DiskDrive WHERE DeviceID = "no such drive")", L"Model", 0, ""},
      {L"SELECT FROM", L"Name", -1, ""},
      {L"SELECT * FROM Win32_OperatingSystem", L"NoSuchProperty", -1, ""},
  };
  for (const KnownAnswer& c : cases) {
    const IdentityAnswer answer = QueryWmiProperty(c.query, c.property);
    EXPECT_EQ(answer.Result, c.result) << c.query << " " << c.property;
    EXPECT_EQ(answer.Value, c.value) << c.query << " " << c.property;
  }

  // Several objects: counted, with no value.
  const IdentityAnswer processes = QueryWmiProperty(L"SELECT Name FROM Win32_Process", L"Name");
  EXPECT_GE(processes.Result, 2);  // this program and wine's service manager at least
  EXPECT_EQ(processes.Value, "");
}

// Whether COM is initialised on the thread, and in which mode: S_OK when it
// was not (and now is, apartment threaded), S_FALSE when it was so already,
// RPC_E_CHANGED_MODE when it runs multithreaded.
HRESULT ProbeComOnThisThread() {
  const HRESULT result = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (SUCCEEDED(result)) ::CoUninitialize();
  return result;
}

TEST(WmiDriveIdentity, LeavesTheThreadsComAsItFoundIt) {
  std::thread([] {
    const IdentityAnswer answer = QueryWmiProperty(L"SELECT * FROM Win32_OperatingSystem", L"Primary");
    EXPECT_EQ(answer.Result, 1);
    EXPECT_EQ(ProbeComOnThisThread(), S_OK);  // initialised for the query alone
  }).join();

  std::thread([] {
    ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    const IdentityAnswer answer = QueryWmiProperty(L"SELECT * FROM Win32_OperatingSystem", L"Primary");
    EXPECT_EQ(answer.Result, 1);
    EXPECT_EQ(answer.Value, "True");
    EXPECT_EQ(ProbeComOnThisThread(), RPC_E_CHANGED_MODE);  // still multithreaded
    ::CoUninitialize();
  }).join();
}

}  // namespace
}  // namespace drivecopy::windows_backend
