#include "shell/frame_tools.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "editor/ui/command_line_window.h"
#include "project/tool_run.h"
#include "project/ui/tool_arguments_dialog.h"

namespace vandrel::shell {

FrameTools::FrameTools(QMenu& toolsMenu, QWidget& window, ToolServices services)
    : QObject(&window), menu_(toolsMenu), window_(window), services_(std::move(services)) {}

int FrameTools::Rebuild() {
  // Deleting a submenu's action leaves its menu: the menus are children of
  // the Tools menu and go with their actions' deletion below.
  for (QAction* action : entries_) {
    menu_.removeAction(action);
    if (QMenu* submenu = action->menu()) submenu->deleteLater();
    action->deleteLater();
  }
  entries_.clear();
  if (!services_.store) return 0;
  const std::vector<ToolRecord> tools = LoadToolList(*services_.store);
  if (tools.empty()) return 0;
  const bool connected = services_.connected && services_.connected();
  const QList<QAction*> existing = menu_.actions();
  // After the menu's first entry ("&Templates...").
  QAction* before = existing.size() > 1 ? existing[1] : nullptr;
  AddEntries(menu_, before, BuildToolsMenu(tools, connected));
  return static_cast<int>(tools.size());
}

void FrameTools::AddEntries(QMenu& menu, QAction* before,
                            const std::vector<ToolMenuEntry>& entries) {
  for (const ToolMenuEntry& entry : entries) {
    QAction* action = nullptr;
    switch (entry.kind) {
      case ToolMenuEntry::Kind::kSeparator:
        action = new QAction(&menu);
        action->setSeparator(true);
        break;
      case ToolMenuEntry::Kind::kSubmenu: {
        auto* submenu = new QMenu(QString::fromStdString(entry.caption), &menu);
        action = submenu->menuAction();
        AddEntries(*submenu, nullptr, entry.children);
        break;
      }
      case ToolMenuEntry::Kind::kCommand: {
        action = new QAction(QString::fromStdString(entry.caption), &menu);
        action->setEnabled(!entry.greyed);
        action->setData(entry.command);
        const int command = entry.command;
        connect(action, &QAction::triggered, this,
                [this, command] { emit commandTriggered(command); });
        break;
      }
    }
    menu.insertAction(before, action);
    entries_.push_back(action);
  }
}

void FrameTools::Run(int index, const project::ToolMacroValues* document) {
  if (!services_.store || index < 0 || index >= kMostTools) return;
  ToolRecord tool;
  if (!LoadTool(*services_.store, index + 1, tool) || tool.caption == "-") return;
  std::optional<std::string> arguments;
  if (tool.prompt != 0) {
    if (services_.askArguments) {
      arguments = services_.askArguments(tool.command, tool.arguments);
    } else if (auto choice =
                   ui::AskToolArguments(&window_, tool.command, tool.arguments, tool.output != 0)) {
      arguments = choice->arguments;
    }
    if (!arguments) return;
  }
  const project::ToolRun run = project::PrepareToolRun(tool, document, arguments);
  if (run.remote) {
    // The entry is greyed while there is no host; a run from elsewhere
    // (a stale menu, a script) is told so by the command line window.
    if (ui::CommandLineWindow* window =
            services_.showCommandLine ? services_.showCommandLine() : nullptr) {
      window->RunHostCommands(project::RemoteToolCommands(run));
    }
    return;
  }
  const std::vector<std::string> parameters = project::SplitToolArguments(run.arguments);
  const bool started = services_.startLocal
                           ? services_.startLocal(run.command, parameters, run.directory)
                           : StartLocal(run.command, parameters, run.directory);
  if (!started && services_.report) {
    services_.report(tr("Unable to start '%1'").arg(QString::fromStdString(run.command)));
  }
}

// A program (found as given or on the search path) runs with the parameters
// and the working directory unchanged; a document without parameters opens
// in the desktop's application for it, as the desktop's "open" does.
bool FrameTools::StartLocal(const std::string& program, const std::vector<std::string>& parameters,
                            const std::string& directory) {
  if (program.empty()) return false;
  const QString command = QString::fromStdString(program);
  QString executable = command;
  const QFileInfo file(command);
  if (!command.contains(QLatin1Char('/'))) executable = QStandardPaths::findExecutable(command);
  if (!executable.isEmpty() && QFileInfo(executable).isExecutable() &&
      !QFileInfo(executable).isDir()) {
    QStringList list;
    for (const std::string& parameter : parameters) list << QString::fromStdString(parameter);
    return QProcess::startDetached(executable, list, QString::fromStdString(directory));
  }
  if (parameters.empty() && file.exists()) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file.absoluteFilePath()));
  }
  return false;
}

}  // namespace vandrel::shell
