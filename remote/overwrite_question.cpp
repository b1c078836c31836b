#include "remote/overwrite_question.h"

#include <string>
#include <string_view>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "documents/host_file_info.h"

namespace vandrel::remote {

namespace {

// One line of the question: its label, the size in bytes and the
// modification time.
std::string DescribeVersion(std::string_view label, const HostFileInfo& info) {
  return std::string(label) + "  " +
         FormatText(LoadText(kStrSizeInBytes), std::to_string(info.size)) + ", modified on " +
         FormatHostTime(info.modifyTime);
}

}  // namespace

bool ConfirmOverwriteAsText(UserInterface* user, const OverwriteCase& question) {
  if (user == nullptr) return false;
  const std::string text = FormatText(LoadText(kStrOverwriteNewerFile), question.hostPath) +
                           "\n\n" + DescribeVersion("Originally loaded file :", question.loaded) +
                           "\n" + DescribeVersion("Most recently modified file:", question.current);
  return user->ShowMessage(LoadText(kStrFileChangedCaption), text,
                           kMbYesNoCancel | kMbIconQuestion) == kIdYes;
}

}  // namespace vandrel::remote
