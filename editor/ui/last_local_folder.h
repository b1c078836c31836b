// The last local folder: where Local Open and Local Save As start. It begins
// at the LocalFolder setting and becomes the folder of the file last chosen
// in either dialog, so both dialogs of one frame share it.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

namespace vandrel::ui {

class LastLocalFolder {
 public:
  LastLocalFolder() = default;
  explicit LastLocalFolder(std::string start) : folder_(std::move(start)) {}

  // Where the next local dialog starts; empty lets the dialog choose.
  const std::string& folder() const { return folder_; }

  // The folder `file` lies in (made absolute) becomes the last local folder.
  void Remember(const std::string& file) {
    if (file.empty()) return;
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(file, error);
    if (error) path = file;
    folder_ = path.lexically_normal().parent_path().string();
  }

 private:
  std::string folder_;
};

}  // namespace vandrel::ui
