#include "platform/windows/WmiDriveIdentity.h"

#include <windows.h>
// The WMI declarations build on the system types above.
#include <wbemcli.h>

#include <string>
#include <utility>

#include "platform/windows/ComOwnership.h"
#include "platform/windows/WmiValueText.h"

namespace drivecopy::windows_backend {
namespace {

// How long the enumeration waits for the next object; a query that has not
// delivered one by then counts as failed rather than holding up the caller.
constexpr LONG NextObjectTimeoutMs = 10'000;

// COM on the calling thread for the time of one query. A thread whose COM
// already runs multithreaded serves as it is: the calls work there too, and
// that set-up is its owner's to undo, not ours.
class ComOnThisThread {
 public:
  ComOnThisThread() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ComOnThisThread(const ComOnThisThread&) = delete;
  ComOnThisThread& operator=(const ComOnThisThread&) = delete;
  ~ComOnThisThread() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }

  bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};

IdentityAnswer Failed() { return IdentityAnswer{-1, {}}; }

// The drive's name as a WQL string: "\\\\.\\PHYSICALDRIVEn".
std::wstring QuotedDriveName(int driveNumber) {
  return L"\"\\\\\\\\.\\\\PHYSICALDRIVE" + std::to_wstring(driveNumber) + L"\"";
}

}  // namespace

IdentityAnswer QueryWmiProperty(const std::wstring& query, const std::wstring& propertyName) {
  // Declared first, so that it ends last: every reference below is released
  // while COM is still initialised.
  ComOnThisThread com;
  if (!com.Usable()) return Failed();

  ComPointer<IWbemLocator> locator;
  if (FAILED(::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                locator.ReceiveVoid())))
    return Failed();
  const OwnedBstr nameSpace(L"root\\CIMV2");
  ComPointer<IWbemServices> services;
  if (FAILED(locator->ConnectServer(nameSpace.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                    services.Receive())))
    return Failed();
  // The process sets no COM security of its own (CoInitializeSecurity is
  // the business of whatever hosts the program, a window toolkit for one),
  // so the proxy is told itself to call as this user and let WMI
  // impersonate them.
  if (FAILED(::CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                 RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE)))
    return Failed();

  const OwnedBstr language(L"WQL");
  const OwnedBstr queryText(query);
  ComPointer<IEnumWbemClassObject> objects;
  if (FAILED(services->ExecQuery(language.Get(), queryText.Get(),
                                 WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                 objects.Receive())))
    return Failed();

  int count = 0;
  ComPointer<IWbemClassObject> firstObject;
  for (;;) {
    ComPointer<IWbemClassObject> object;
    ULONG returned = 0;
    const HRESULT next = objects->Next(NextObjectTimeoutMs, 1, object.Receive(), &returned);
    if (next == WBEM_S_FALSE && returned == 0) break;
    // A failure, or no object within the time allowed: the count is unknown.
    if (next != WBEM_S_NO_ERROR || returned != 1) return Failed();
    if (++count == 1) firstObject = std::move(object);
  }

  IdentityAnswer answer{count, {}};
  if (count != 1) return answer;
  OwnedVariant value;
  CIMTYPE type = CIM_EMPTY;
  if (FAILED(firstObject->Get(propertyName.c_str(), 0, value.Get(), &type, nullptr))) return Failed();
  answer.Value = WmiValueText(*value, type);
  if (answer.Value == "NULL") answer.Value.clear();
  return answer;
}

std::wstring DriveModelQuery(int driveNumber) {
  return L"SELECT Model FROM Win32_DiskDrive WHERE Name = " + QuotedDriveName(driveNumber);
}

std::wstring DriveInterfaceTypeQuery(int driveNumber) {
  return L"SELECT * FROM Win32_DiskDrive WHERE Name =" + QuotedDriveName(driveNumber);
}

}  // namespace drivecopy::windows_backend
