// The Options dialog's "Tools" page: the Tools menu's commands in menu
// order, each with its caption (edited in place), command, arguments,
// initial directory and flags. Every change goes into the page's copy of the
// list at once; the caller stores the list when the dialog is accepted.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "templates/tools/tool_list.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QToolButton;

namespace vandrel::ui {

struct ToolsPageServices {
  // Asks for a file on the host; nothing when cancelled. Without it, or
  // while not connected, "Remote Files..." is greyed.
  std::function<std::optional<std::string>(QWidget* parent)> browseRemote;
  bool connected = false;
  // Asks for a local program; an empty text when cancelled (the platform's
  // file dialog when empty).
  std::function<QString(QWidget* parent)> browseLocal;
};

class ToolsOptionsPage final : public QWidget {
  Q_OBJECT

 public:
  ToolsOptionsPage(std::vector<ToolRecord> tools, ToolsPageServices services,
                   QWidget* parent = nullptr);

  // The list as edited, in menu order.
  const std::vector<ToolRecord>& tools() const { return tools_; }

  QListWidget* list() const { return list_; }
  QLineEdit* commandField() const { return command_; }
  QLineEdit* argumentsField() const { return arguments_; }
  QLineEdit* directoryField() const { return directory_; }
  QCheckBox* promptBox() const { return prompt_; }
  QCheckBox* remoteBox() const { return remote_; }

  void NewTool();
  void DeleteTool();
  void MoveTool(int step);
  void BrowseLocal();
  void BrowseRemote();

 private:
  ToolRecord* Selected();
  void SelectionChanged();
  void CaptionEdited(QListWidgetItem* item);
  void StoreFields();

  std::vector<ToolRecord> tools_;
  ToolsPageServices services_;
  QListWidget* list_;
  QPushButton* delete_;
  QPushButton* up_;
  QPushButton* down_;
  QLineEdit* command_;
  QToolButton* browse_;
  QLineEdit* arguments_;
  QLineEdit* directory_;
  QCheckBox* prompt_;
  QCheckBox* remote_;
  QCheckBox* output_;
  QWidget* fields_;
  bool showing_ = false;
};

}  // namespace vandrel::ui
