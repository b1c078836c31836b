// A user who answers message boxes from a script and remembers what was shown.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "core/user_interface.h"

namespace vandrel::testing {

class ScriptedUserInterface : public UserInterface {
 public:
  struct Shown {
    std::string caption;
    std::string text;
    unsigned style;
  };

  // Answers given in order; when they run out, OK.
  void Answer(int button) { answers_.push_back(button); }
  const std::vector<Shown>& shown() const { return shown_; }

  int ShowMessage(const std::string& caption, const std::string& text, unsigned style) override {
    shown_.push_back({caption, text, style});
    if (answers_.empty()) return kIdOk;
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
  }

 private:
  std::deque<int> answers_;
  std::vector<Shown> shown_;
};

}  // namespace vandrel::testing
