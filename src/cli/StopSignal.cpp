#include "cli/StopSignal.h"

#include <signal.h>

#include <atomic>

namespace drivecopy {
namespace {

// Lock-free, so the handler may set it.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) { stopRequested.store(true); }

}  // namespace

void StopSignal::Install() {
  stopRequested.store(false);
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // SA_RESETHAND: the second Ctrl-C gets the default action and ends the
  // program. No SA_RESTART: a question waiting for an answer on the terminal
  // is interrupted and counts as No.
  action.sa_flags = SA_RESETHAND;
  // A closed terminal (SIGHUP) or a plain kill (SIGTERM) stops the job the
  // same way, so that the image is still completed and the devices flushed.
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
  // A reader of the output that went away must not end the job half-way;
  // its writes then fail and the job goes on.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
}

bool StopSignal::Requested() { return stopRequested.load(); }

void StopSignal::Request() { stopRequested.store(true); }

void StopSignal::Clear() { stopRequested.store(false); }

}  // namespace drivecopy
