// Where long operations report what they are doing: the main frame's status
// bar in the application, a recorder in tests.
#pragma once

#include <string_view>

namespace vandrel {

class ProgressReporter {
 public:
  virtual ~ProgressReporter() = default;
  // A status text ("Loading Vandrel Templates...").
  virtual void ShowStatus(std::string_view text) = 0;
  // Progress in percent, 0 to 100.
  virtual void SetProgress(int percent) = 0;
  // Removes the progress bar.
  virtual void ClearProgress() = 0;
};

// Reports nowhere: for work that no one watches (the command-line tool, an
// editor window without a frame around it).
class SilentProgress final : public ProgressReporter {
 public:
  void ShowStatus(std::string_view) override {}
  void SetProgress(int) override {}
  void ClearProgress() override {}
};

}  // namespace vandrel
