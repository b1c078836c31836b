#include "agent/password_input.h"

#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace vandrel::agent {

namespace {

// Reads up to a line feed or the end of input; false when nothing at all
// could be read.
bool ReadLine(int fd, std::string* line) {
  line->clear();
  bool any = false;
  char c;
  for (;;) {
    ssize_t got = ::read(fd, &c, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    any = true;
    if (c == '\n') break;
    if (line->size() >= 4096) continue;  // a runaway line is cut, not stored whole
    *line += c;
  }
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return any;
}

// Restores the terminal's settings when the prompt ends, however it ends.
class EchoOff {
 public:
  explicit EchoOff(int fd) : fd_(fd) {
    if (::tcgetattr(fd_, &saved_) == 0) {
      termios quiet = saved_;
      quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
      quiet.c_lflag |= ECHONL;
      active_ = ::tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
    }
  }
  ~EchoOff() {
    if (active_) ::tcsetattr(fd_, TCSAFLUSH, &saved_);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  int fd_;
  termios saved_{};
  bool active_ = false;
};

bool Prompt(int fd, const char* text, std::string* answer) {
  std::fputs(text, stderr);
  std::fflush(stderr);
  EchoOff quiet(fd);
  return ReadLine(fd, answer);
}

}  // namespace

bool ReadNewPassword(int inputFd, std::string* password, std::string* error) {
  if (!::isatty(inputFd)) {
    if (!ReadLine(inputFd, password)) {
      *error = "no password on standard input";
      return false;
    }
    return true;
  }
  std::string again;
  if (!Prompt(inputFd, "New password: ", password) ||
      !Prompt(inputFd, "Retype new password: ", &again)) {
    *error = "no password entered";
    return false;
  }
  if (*password != again) {
    *error = "the passwords do not match";
    return false;
  }
  return true;
}

}  // namespace vandrel::agent
