#pragma once

namespace drivecopy {

// Ctrl-C as the command line's Cancel button. The first interrupt only sets a
// flag that the running job reads between blocks, so the block in progress is
// finished and the job's end step (index, header, log) still runs; the
// handler is installed to reset itself, so a second Ctrl-C ends the program
// the ordinary way at once.
class StopSignal {
 public:
  // Installs the interrupt handler for this process and clears the flag.
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
