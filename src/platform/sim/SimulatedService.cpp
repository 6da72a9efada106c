#include "platform/sim/SimulatedService.h"

namespace drivecopy::sim {

SimulatedService::SimulatedService(ServiceDescription description)
    : description_(std::move(description)), current_(description_.Initial) {}

void SimulatedService::Begin(const std::vector<ServiceStep>& script) {
  script_ = &script;
  nextStep_ = 0;
  // The service is in motion at once: its state is the script's first known one.
  for (const ServiceStep& step : script) {
    if (step.QueryFails) continue;
    current_ = step.Status;
    break;
  }
}

std::optional<ServiceStatus> SimulatedService::QueryStatus() {
  if (!script_) return current_;
  const ServiceStep& step = (*script_)[nextStep_];
  if (nextStep_ + 1 < script_->size()) ++nextStep_;
  if (step.QueryFails) return std::nullopt;
  current_ = step.Status;
  return current_;
}

ServiceControlReply SimulatedService::Start() {
  if (current_.CurrentState != ServiceStopped) return {false, std::nullopt};
  Begin(description_.StartScript);
  return {true, std::nullopt};
}

ServiceControlReply SimulatedService::Stop() {
  if (current_.CurrentState != ServiceRunning) return {false, current_};
  Begin(description_.StopScript);
  return {true, current_};
}

SimulatedServiceConnection::SimulatedServiceConnection(std::shared_ptr<SimulatedService> service,
                                                       ServiceAccess access)
    : service_(std::move(service)), access_(access) {}

std::optional<ServiceStatus> SimulatedServiceConnection::QueryStatus() { return service_->QueryStatus(); }

// A connection opened only for queries may not start or stop the service.
ServiceControlReply SimulatedServiceConnection::Start() {
  if (access_ != ServiceAccess::Start) return {false, std::nullopt};
  return service_->Start();
}

ServiceControlReply SimulatedServiceConnection::Stop() {
  if (access_ == ServiceAccess::Query) return {false, std::nullopt};
  return service_->Stop();
}

}  // namespace drivecopy::sim
