// The user as an interface: core code that must tell or ask the user calls
// this, the GUI answers with real dialogs and tests answer from a script.
#pragma once

#include <string>

namespace vandrel {

// Message box styles and answers keep the numbers of the desktop platform's
// message boxes, which callers combine and compare against.
enum MessageStyle : unsigned {
  kMbOk = 0x0,
  kMbOkCancel = 0x1,
  kMbAbortRetryIgnore = 0x2,
  kMbYesNoCancel = 0x3,
  kMbYesNo = 0x4,
  kMbRetryCancel = 0x5,
  kMbButtonMask = 0xF,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconWarning = 0x30,
  kMbIconInformation = 0x40,
  kMbIconMask = 0xF0,
  kMbDefButton2 = 0x100,
  kMbDefButton3 = 0x200,
};

enum MessageAnswer : int {
  kIdOk = 1,
  kIdCancel = 2,
  kIdAbort = 3,
  kIdRetry = 4,
  kIdIgnore = 5,
  kIdYes = 6,
  kIdNo = 7,
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // Shows `text` with `caption` and the buttons and icon of `style`; returns
  // the button pressed (a MessageAnswer).
  virtual int ShowMessage(const std::string& caption, const std::string& text, unsigned style) = 0;
};

}  // namespace vandrel
