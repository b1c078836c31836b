// The Tools menu's tools in the frame: their entries, rebuilt from the
// settings between "&Templates..." and "&Options..." whenever the list or
// the connection changes, and running one – its arguments asked for when it
// prompts, a remote tool in the command line window, a local one started
// as a program of its own.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "project/macros.h"
#include "templates/tools/tool_list.h"

class QAction;
class QMenu;
class QWidget;

namespace vandrel {
class SettingsStore;
}

namespace vandrel::ui {
class CommandLineWindow;
}

namespace vandrel::shell {

// What running a tool needs of the frame.
struct ToolServices {
  SettingsStore* store = nullptr;  // the tools' keys; null: no tools
  std::function<bool()> connected;
  // Shows the command line window (creating it when needed).
  std::function<ui::CommandLineWindow*()> showCommandLine;
  // A line for the status bar: a local program that could not be started.
  std::function<void(const QString&)> report;
  // Stands in for the "Tool Arguments" dialog (tests); empty: the dialog.
  std::function<std::optional<std::string>(const std::string& command,
                                           const std::string& arguments)>
      askArguments;
  // Stands in for starting a local program (tests); empty: a detached
  // process. Returns whether it started.
  std::function<bool(const std::string& program, const std::vector<std::string>& parameters,
                     const std::string& directory)>
      startLocal;
};

class FrameTools final : public QObject {
  Q_OBJECT

 public:
  // The entries go into `toolsMenu` after its first entry; dialogs are
  // owned by `window`.
  FrameTools(QMenu& toolsMenu, QWidget& window, ToolServices services);

  // Removes the tool entries and adds them again from the settings; the
  // number of tools read.
  int Rebuild();
  // Runs tool `index` (from 0) for the document whose facts are given (null:
  // no document). Nothing happens for a missing tool, a separator or a
  // Cancel on the arguments; a remote tool needs the host connection.
  void Run(int index, const project::ToolMacroValues* document);

  // Stand-ins for the "Tool Arguments" dialog and for starting a local
  // program (see ToolServices); empty functions restore the real ones.
  void SetArgumentsPrompt(decltype(ToolServices::askArguments) ask) {
    services_.askArguments = std::move(ask);
  }
  void SetLocalStarter(decltype(ToolServices::startLocal) start) {
    services_.startLocal = std::move(start);
  }

  // The entries shown now, in menu order (submenus as their own action).
  const std::vector<QAction*>& entries() const { return entries_; }

 signals:
  // A tool entry was chosen: the frame routes the command (10800 + index).
  void commandTriggered(int commandId);

 private:
  void AddEntries(QMenu& menu, QAction* before, const std::vector<ToolMenuEntry>& entries);
  bool StartLocal(const std::string& program, const std::vector<std::string>& parameters,
                  const std::string& directory);

  QMenu& menu_;
  QWidget& window_;
  ToolServices services_;
  std::vector<QAction*> entries_;
};

}  // namespace vandrel::shell
