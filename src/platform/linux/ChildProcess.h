#pragma once
#include <string>
#include <vector>

#include "platform/Failure.h"

namespace drivecopy::linux_backend {

struct ProcessResult {
  int ExitCode = -1;   // -1 when the program ended by a signal
  std::string Output;  // what it wrote to standard output
};

// Runs a program found on PATH with these arguments (no shell), standard
// input and error on /dev/null, and waits for it. Fails when it cannot be
// started (for example ENOENT: not installed).
Outcome<ProcessResult> RunAndCapture(const std::vector<std::string>& arguments);

// Runs a program found on PATH with these arguments (no shell) and this
// environment ("NAME=value" strings), sharing this process's standard input,
// output and error, and waits for it. Gives its exit status, or 128 plus the
// signal's number when a signal ended it, as a shell would. Fails when it
// cannot be started (for example ENOENT: not installed).
Outcome<int> RunAndWait(const std::vector<std::string>& arguments,
                        const std::vector<std::string>& environment);

// Starts a program found on PATH in a session of its own and does not wait
// for it (it is reaped in the background). False when it cannot be started.
bool StartDetached(const std::vector<std::string>& arguments);

}  // namespace drivecopy::linux_backend
