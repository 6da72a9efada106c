#include "gui/support/DesktopFixture.h"

#include <QtTest>

namespace drivecopy::test_support {
namespace {

std::unique_ptr<SimulatedMachine> BuildMachine(const std::string& json) {
  auto machine = SimulatedMachine::Build(json, ".");
  if (!machine) {
    qWarning("simulated machine does not build: %s", machine.error().text.c_str());
    return std::move(SimulatedMachine::Build("{}", ".").value());
  }
  return std::move(machine.value());
}

}  // namespace

DesktopFixture::DesktopFixture(const std::string& machineJson)
    : machine(BuildMachine(machineJson)), session(*machine, prompts) {}

}  // namespace drivecopy::test_support
