#pragma once
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "jobs/JobObserver.h"

namespace drivecopy::test_support {

// A JobObserver for tests of the job engines: it records everything a job
// reports, answers its questions from a script and can ask for a stop.
class RecordingObserver : public JobObserver {
 public:
  struct Question {
    JobQuestion Kind;
    std::string Text;
  };
  struct Error {
    std::string Title;
    std::string Text;
  };

  // Answers given to Confirm in order; once used up, DefaultAnswer.
  std::deque<bool> Answers;
  bool DefaultAnswer = true;
  // StopRequested turns true once this many Progress calls have arrived.
  std::optional<int> StopAfterProgressCalls;
  // StopRequested turns true once this many Pump calls have arrived.
  std::optional<int> StopAfterPumps;
  // Runs at each Progress call after it is recorded (to look at files mid-run).
  std::function<void(const JobProgress&)> OnProgress;

  std::vector<std::string> MemoLines;
  std::vector<JobProgress> ProgressCalls;
  std::vector<Question> Questions;
  std::vector<Error> Errors;
  int Pumps = 0;
  int StopQueries = 0;

  void MemoLine(const std::string& line) override { MemoLines.push_back(line); }
  void Progress(const JobProgress& progress) override {
    ProgressCalls.push_back(progress);
    if (OnProgress) OnProgress(progress);
  }
  bool Confirm(JobQuestion question, const std::string& text) override {
    Questions.push_back({question, text});
    if (Answers.empty()) return DefaultAnswer;
    const bool answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
  void ShowError(const std::string& title, const std::string& text) override {
    Errors.push_back({title, text});
  }
  void Pump() override { ++Pumps; }
  bool StopRequested() override {
    ++StopQueries;
    return (StopAfterProgressCalls && static_cast<int>(ProgressCalls.size()) >= *StopAfterProgressCalls) ||
           (StopAfterPumps && Pumps >= *StopAfterPumps);
  }
};

}  // namespace drivecopy::test_support
