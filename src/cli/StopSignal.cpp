#include "cli/StopSignal.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#endif

#include <atomic>

namespace drivecopy {
namespace {

// Lock-free, so the handler may set it.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

#ifdef _WIN32
// Ctrl-C, Ctrl-Break and a closed console window stop the job, so that the
// image is still completed and the devices flushed. The second Ctrl-C ends
// the program: the handler lets it through once a stop was asked for.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  return stopRequested.exchange(true) ? FALSE : TRUE;
}
#else
extern "C" void OnInterrupt(int) { stopRequested.store(true); }
#endif

}  // namespace

void StopSignal::Install() {
  stopRequested.store(false);
#ifdef _WIN32
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
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
#endif
}

bool StopSignal::Requested() { return stopRequested.load(); }

void StopSignal::Request() { stopRequested.store(true); }

void StopSignal::Clear() { stopRequested.store(false); }

}  // namespace drivecopy
