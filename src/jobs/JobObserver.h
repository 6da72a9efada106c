#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace drivecopy {

// Where a running job's numbers go: the window's bars and labels, or the
// command line's progress line.
struct JobProgress {
  int MainPercent = 0;              // the main progress bar, 0..100
  int BufferPercent = -1;           // create job's buffer bar, 0..100; -1 where there is none
  std::int64_t BytesRemaining = 0;  // the "Bytes Remaining:" label
  std::string FileSizeText;         // create job's file-size label ("< 31.25 MBytes "); else empty
  std::int64_t BytesDone = 0;       // bytes of the range moved so far, for speed and time left
  std::int64_t BytesTotal = 0;      // bytes of the whole range
};

// The questions a job asks its front end; each is a Yes/No confirmation.
enum class JobQuestion {
  OverwriteImageFile,    // the image file exists: replace it?
  OverwriteDestination,  // all data on the destination will be overwritten: sure?
  DeleteImageAfterStop,  // the user stopped: delete the image file?
};

// How a job talks to its front end (a desktop window or the command line).
// The job runs on the caller's thread; every call comes back before the job
// goes on.
class JobObserver {
 public:
  virtual ~JobObserver() = default;

  // A line for the operation window's memo (it may hold a CR LF line break).
  virtual void MemoLine(const std::string& line) = 0;
  virtual void Progress(const JobProgress& progress) = 0;
  // A Yes/No question; true for Yes.
  virtual bool Confirm(JobQuestion question, const std::string& text) = 0;
  // An error the user must act on. `title` is the dialog title from the
  // message catalogue, or empty for a plain box showing a system error text.
  virtual void ShowError(const std::string& title, const std::string& text) = 0;
  // Lets the front end handle its events (repaint, Cancel) between transfers.
  virtual void Pump() = 0;
  // The stop flag: set by Cancel or by closing the window.
  virtual bool StopRequested() = 0;
};

}  // namespace drivecopy
