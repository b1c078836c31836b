// The two routines through which the application reports to the user: a
// message box with a string-table text, and one that adds the operating
// system's description of an error code.
#pragma once

#include <fmt/printf.h>

#include <string>
#include <string_view>

#include "core/user_interface.h"

namespace vandrel {

// String-table texts are loaded into a 512-character buffer: at most 511
// characters of a text are used.
inline constexpr std::size_t kMaxLoadedText = 511;
// The whole text of a system-error message box is cut to this many characters.
inline constexpr std::size_t kMaxSystemErrorText = 255;
// Between the formatted message and the system's description of the error.
inline constexpr std::string_view kSystemErrorSeparator = "\n\n";

// The string-table text of `id`, at most 511 characters; empty when absent.
std::string LoadText(int id);

// The product caption every message box carries.
std::string MessageCaption();

// printf-style formatting that is safe against a text whose placeholders do
// not match its arguments: the mismatch is not undefined behaviour, the text
// is shown with its placeholders unformatted.
template <typename... Args>
std::string FormatText(std::string_view format, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    return std::string(format);
  } else {
    try {
      return fmt::sprintf(format, args...);
    } catch (const fmt::format_error&) {
      return std::string(format);
    }
  }
}

// The description the operating system gives for an error number.
std::string SystemErrorText(int errorNumber);

// Composes the system-error text: the message, the separator, the system's
// text, all cut at 255 characters.
std::string ComposeSystemErrorText(std::string_view message, int errorNumber);

// Loads text `id`, formats it with `args` and shows it with the product
// caption; returns the button pressed.
template <typename... Args>
int MessageBox(UserInterface& ui, unsigned style, int id, const Args&... args) {
  return ui.ShowMessage(MessageCaption(), FormatText(LoadText(id), args...), style);
}

// As MessageBox, with `caption` (the product caption when empty) and the
// system's description of `errorNumber` appended.
template <typename... Args>
int SystemErrorMessageBox(UserInterface& ui, std::string caption, int id, int errorNumber,
                          unsigned style, const Args&... args) {
  if (caption.empty()) caption = MessageCaption();
  return ui.ShowMessage(
      caption, ComposeSystemErrorText(FormatText(LoadText(id), args...), errorNumber), style);
}

}  // namespace vandrel
