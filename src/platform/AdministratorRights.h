#pragma once
#include <string>
#include <vector>

namespace drivecopy {

// How running the program again with administrator rights ended.
struct RightsRerun {
  enum class Ending {
    Finished,    // it ran with the rights; ExitCode is its exit status
    Refused,     // the user cancelled, or was not allowed, or the system could not ask
    NoWayToAsk,  // the system's tool for asking is not installed
  };
  Ending How = Ending::Finished;
  int ExitCode = 0;
};

// The administrator rights of this process and the system's own way of asking
// the user for them (pkexec and polkit on Linux, the elevation prompt on
// Windows). The program's entry point supplies it to the desktop start-up.
class AdministratorRights {
 public:
  virtual ~AdministratorRights() = default;

  // True when this process already has the rights (root on Linux).
  virtual bool Held() = 0;

  // Runs this program again with `arguments` (the program's name left out)
  // after the system has asked the user for the rights, and waits for it to
  // end. The new process shares this one's terminal.
  virtual RightsRerun RerunWithRights(const std::vector<std::string>& arguments) = 0;
};

}  // namespace drivecopy
