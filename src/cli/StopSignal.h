#pragma once

namespace drivecopy {

// Ctrl-C as the command line's Cancel button, and so are SIGTERM and SIGHUP
// (a kill, a closed terminal or dropped ssh session). The first such signal
// only sets a flag that the running job reads between blocks, so the block in
// progress is finished and the job's end step (index, header, flush, log)
// still runs; the handler resets itself, so a second one of the same signal
// ends the program the ordinary way at once. SIGPIPE is ignored while a job
// runs.
class StopSignal {
 public:
  // Installs the handlers for this process and clears the flag.
  // Only the program's own command line calls this; code that runs commands
  // with its own streams (the tests) leaves the process's signals alone.
  static void Install();
  // True once an interrupt arrived (or Request was called) since Install/Clear.
  static bool Requested();
  // Sets the flag as an interrupt would.
  static void Request();
  static void Clear();
};

}  // namespace drivecopy
