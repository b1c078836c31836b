// Options... (3017): the dialog over the frame's settings with the character
// maps' and the tools' pages, and what OK changes everywhere at once.
#include <QApplication>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "documents/ui/nls_options_page.h"
#include "editor/ui/command_line_window.h"
#include "editor/ui/editor_window.h"
#include "project/ui/output_window.h"
#include "project/ui/tools_options_page.h"
#include "remote/ui/remote_file_dialog.h"
#include "shell/frame_host_connection.h"
#include "shell/main_frame.h"
#include "templates/tools/tool_list.h"
#include "templates/ui/options_dialog.h"

namespace vandrel::shell {

void MainFrame::ShowOptions() {
  ui::OptionsServices services;
  services.store = store_;
  services.catalogue = Templates();
  services.nlsPage = [this](QWidget* parent) {
    auto* page = new ui::NlsOptionsPage(characterMaps_, settings_, Ui(), parent);
    return ui::OptionsPageSlot{page, [page](AppSettings& copy) { page->Apply(copy); }};
  };
  if (store_ != nullptr) {
    services.toolsPage = [this](QWidget* parent) {
      ui::ToolsPageServices tools;
      tools.connected = hostConnection_->connected();
      tools.browseRemote = [this](QWidget* owner) -> std::optional<std::string> {
        if (!hostConnection_->connected()) return std::nullopt;
        ui::RemoteFileDialog dialog(RemoteServices(), ui::RemoteDialogMode::kOpen, "Browse",
                                    std::string(), std::string(), false, owner);
        if (dialog.exec() != QDialog::Accepted || dialog.choice().paths.empty()) {
          return std::nullopt;
        }
        return dialog.choice().paths.front();
      };
      auto* page = new ui::ToolsOptionsPage(LoadToolList(*store_), std::move(tools), parent);
      // The tools are stored beside the settings; the menu follows below.
      return ui::OptionsPageSlot{page, [this, page](AppSettings&) {
                                   if (SaveToolList(*store_, page->tools()) < 0) {
                                     MessageBox(Ui(), kMbOk | kMbIconError, kStrSettingsNotSaved,
                                                store_->File().string());
                                   }
                                 }};
    };
  }
  std::optional<AppSettings> chosen = ui::ShowOptionsDialog(this, settings_, std::move(services));
  if (!chosen) return;
  settings_ = std::move(*chosen);
  if (store_ != nullptr && !settings_.Write(*store_)) {
    MessageBox(Ui(), kMbOk | kMbIconError, kStrSettingsNotSaved, store_->File().string());
  }
  RebuildToolsMenu();
  ApplySettingsEverywhere();
}

void MainFrame::ApplySettingsEverywhere() {
  for (ui::EditorWindow* editor : EditorWindows()) editor->ApplySettings();
  if (ui::CommandLineWindow* commandLine = commandLineWindow()) {
    commandLine->ApplySettings(settings_);
  }
  if (output_ != nullptr) output_->ApplySettings(settings_);
  UpdateCommandState();
}

}  // namespace vandrel::shell
