#include "core/message_box.h"

#include <cstring>

#include "core/string_ids.h"
#include "core/string_table.h"

namespace vandrel {

std::string LoadText(int id) {
  std::string_view text = StringTableText(id);
  return std::string(text.substr(0, kMaxLoadedText));
}

std::string MessageCaption() { return LoadText(kStrAppCaption); }

std::string SystemErrorText(int errorNumber) {
  char buffer[256];
  // The GNU variant may return a static string instead of filling the buffer.
  const char* text = strerror_r(errorNumber, buffer, sizeof buffer);
  return text ? std::string(text) : std::string();
}

std::string ComposeSystemErrorText(std::string_view message, int errorNumber) {
  std::string text(message);
  text += kSystemErrorSeparator;
  text += SystemErrorText(errorNumber);
  if (text.size() > kMaxSystemErrorText) text.resize(kMaxSystemErrorText);
  return text;
}

}  // namespace vandrel
