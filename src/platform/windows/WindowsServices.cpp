#include "platform/windows/WindowsServices.h"

#include <windows.h>

#include <utility>

#include "platform/windows/SystemErrors.h"
#include "platform/windows/WideText.h"

namespace drivecopy::windows_backend {
namespace {

// Owns a handle of the service control manager (the manager itself or a
// service opened through it) and closes it once.
class ServiceHandle {
 public:
  explicit ServiceHandle(SC_HANDLE handle) : handle_(handle) {}
  ServiceHandle(ServiceHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  ServiceHandle& operator=(ServiceHandle&&) = delete;
  ServiceHandle(const ServiceHandle&) = delete;
  ServiceHandle& operator=(const ServiceHandle&) = delete;
  ~ServiceHandle() {
    if (handle_ != nullptr) ::CloseServiceHandle(handle_);
  }

  bool Valid() const { return handle_ != nullptr; }
  SC_HANDLE Get() const { return handle_; }

 private:
  SC_HANDLE handle_ = nullptr;
};

DWORD RightsFor(ServiceAccess access) {
  switch (access) {
    case ServiceAccess::Query:
      return SERVICE_QUERY_STATUS;
    case ServiceAccess::Start:
      return SERVICE_ALL_ACCESS;
    case ServiceAccess::Stop:
      return SERVICE_STOP | SERVICE_QUERY_STATUS;
  }
  return SERVICE_QUERY_STATUS;
}

ServiceStatus StatusOf(const SERVICE_STATUS& status) {
  return ServiceStatus{status.dwCurrentState, status.dwCheckPoint, status.dwWaitHint};
}

// The errors with which ControlService still fills in the status record:
// the service's state as it is, which is why the control was refused.
bool FillsStatusWhenRejected(DWORD error) {
  return error == ERROR_SERVICE_NOT_ACTIVE || error == ERROR_SERVICE_CANNOT_ACCEPT_CTRL ||
         error == ERROR_INVALID_SERVICE_CONTROL;
}

class WindowsServiceConnection final : public ServiceConnection {
 public:
  WindowsServiceConnection(ServiceHandle manager, ServiceHandle service)
      : manager_(std::move(manager)), service_(std::move(service)) {}

  std::optional<ServiceStatus> QueryStatus() override {
    SERVICE_STATUS status{};
    if (!::QueryServiceStatus(service_.Get(), &status)) return std::nullopt;
    return StatusOf(status);
  }

  ServiceControlReply Start() override {
    if (!::StartServiceW(service_.Get(), 0, nullptr)) return {};
    return ServiceControlReply{true, QueryStatus()};
  }

  ServiceControlReply Stop() override {
    SERVICE_STATUS status{};
    if (::ControlService(service_.Get(), SERVICE_CONTROL_STOP, &status)) {
      return ServiceControlReply{true, StatusOf(status)};
    }
    if (FillsStatusWhenRejected(::GetLastError())) return ServiceControlReply{false, StatusOf(status)};
    return {};
  }

 private:
  // Declared in this order so that the service is closed before the manager
  // it was opened through.
  ServiceHandle manager_;
  ServiceHandle service_;
};

}  // namespace

Outcome<std::unique_ptr<ServiceConnection>> OpenWindowsService(const std::string& machine,
                                                               const std::string& service,
                                                               ServiceAccess access) {
  const std::wstring machineName = Widen(machine);
  ServiceHandle manager(
      ::OpenSCManagerW(machine.empty() ? nullptr : machineName.c_str(), nullptr, SC_MANAGER_CONNECT));
  if (!manager.Valid()) return LastWindowsFailure();
  ServiceHandle opened(::OpenServiceW(manager.Get(), Widen(service).c_str(), RightsFor(access)));
  if (!opened.Valid()) return LastWindowsFailure();
  return std::unique_ptr<ServiceConnection>(
      std::make_unique<WindowsServiceConnection>(std::move(manager), std::move(opened)));
}

}  // namespace drivecopy::windows_backend
