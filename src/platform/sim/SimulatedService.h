#pragma once
#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/MachineDescription.h"

namespace drivecopy::sim {

// A service whose state changes follow a script. After an accepted start or
// stop, each status query answers the script's next step (a "fail" step makes
// that query fail); the last step then repeats for ever.
class SimulatedService {
 public:
  explicit SimulatedService(ServiceDescription description);

  std::optional<ServiceStatus> QueryStatus();
  // Accepted only from the stopped state; a rejection carries no status.
  ServiceControlReply Start();
  // Accepted only from the running state and answered with the stop script's
  // first status; a rejection carries the current status, as the platform's
  // stop request does.
  ServiceControlReply Stop();

  const ServiceDescription& Description() const { return description_; }
  // The state of the last status given (or set by a start or stop).
  std::uint32_t CurrentState() const { return current_.CurrentState; }

 private:
  void Begin(const std::vector<ServiceStep>& script);

  ServiceDescription description_;
  ServiceStatus current_;
  const std::vector<ServiceStep>* script_ = nullptr;  // points into description_
  std::size_t nextStep_ = 0;
};

// An open service with the rights it was opened for; the shared service
// keeps the handle valid whatever the machine does.
class SimulatedServiceConnection final : public ServiceConnection {
 public:
  SimulatedServiceConnection(std::shared_ptr<SimulatedService> service, ServiceAccess access);
  std::optional<ServiceStatus> QueryStatus() override;
  ServiceControlReply Start() override;
  ServiceControlReply Stop() override;

 private:
  std::shared_ptr<SimulatedService> service_;
  ServiceAccess access_;
};

}  // namespace drivecopy::sim
