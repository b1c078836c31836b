#include "templates/tools/tool_list.h"

#include <fmt/format.h>

#include "core/setting_descriptor.h"
#include "core/settings_store.h"

namespace vandrel {

namespace {

// Texts are stored with room for their terminator, as the record holds them.
constexpr std::size_t kToolTextSize = 260;

std::string ToolKey(int number) { return fmt::format(".\\Tools\\{}", number); }

}  // namespace

bool LoadTool(SettingsStore& store, int number, ToolRecord& tool) {
  const std::string key = ToolKey(number);
  if (!store.KeyExists(key)) return false;
  ToolRecord read;
  if (!store.ReadValue(key, TextRow("Caption", &read.caption, kToolTextSize))) return false;
  store.ReadValue(key, TextRow("Command", &read.command, kToolTextSize));
  store.ReadValue(key, TextRow("Arguments", &read.arguments, kToolTextSize));
  store.ReadValue(key, TextRow("Directory", &read.directory, kToolTextSize));
  store.ReadValue(key, BytesRow("Prompt", &read.prompt));
  store.ReadValue(key, BytesRow("Remote", &read.remote));
  store.ReadValue(key, BytesRow("Output", &read.output));
  tool = std::move(read);
  return true;
}

std::vector<ToolRecord> LoadToolList(SettingsStore& store) {
  std::vector<ToolRecord> tools;
  for (int number = 1; number <= kMostTools; ++number) {
    ToolRecord tool;
    if (!LoadTool(store, number, tool)) break;
    tools.push_back(std::move(tool));
  }
  return tools;
}

int SaveToolList(SettingsStore& store, std::span<const ToolRecord> tools) {
  int number = 0;
  bool written = true;
  for (const ToolRecord& tool : tools) {
    // A tool without a caption has no menu entry; leaving its number out
    // would end the list there when it is read back.
    if (tool.caption.empty() || number == kMostTools) continue;
    ++number;
    const std::string key = ToolKey(number);
    ToolRecord copy = tool;
    written = store.WriteValue(key, TextRow("Caption", &copy.caption, kToolTextSize)) &&
              store.WriteValue(key, TextRow("Command", &copy.command, kToolTextSize)) &&
              store.WriteValue(key, TextRow("Arguments", &copy.arguments, kToolTextSize)) &&
              store.WriteValue(key, TextRow("Directory", &copy.directory, kToolTextSize)) &&
              store.WriteValue(key, BytesRow("Prompt", &copy.prompt)) &&
              store.WriteValue(key, BytesRow("Remote", &copy.remote)) &&
              store.WriteValue(key, BytesRow("Output", &copy.output)) && written;
  }
  // Reading stops at the first missing key; the older ones after it go too.
  for (int stale = number + 1; stale <= kMostTools && store.KeyExists(ToolKey(stale)); ++stale) {
    written = store.DeleteKey(ToolKey(stale)) && written;
  }
  return written ? number : -1;
}

std::vector<ToolMenuEntry> BuildToolsMenu(std::span<const ToolRecord> tools, bool connected) {
  std::vector<ToolMenuEntry> top;
  // The submenus open at the moment, innermost last.
  std::vector<std::vector<ToolMenuEntry>*> open{&top};
  int command = kFirstToolCommand;
  for (const ToolRecord& tool : tools) {
    std::vector<ToolMenuEntry>& menu = *open.back();
    if (tool.caption == "-") {
      menu.push_back({ToolMenuEntry::Kind::kSeparator, {}, command, false, {}});
    } else if (!tool.caption.empty() && tool.caption.front() == '>') {
      menu.push_back({ToolMenuEntry::Kind::kSubmenu, tool.caption.substr(1), command, false, {}});
      open.push_back(&menu.back().children);
    } else if (!tool.caption.empty() && tool.caption.front() == '<') {
      if (open.size() > 1) open.pop_back();  // at the top it does nothing
    } else {
      menu.push_back({ToolMenuEntry::Kind::kCommand,
                      tool.caption,
                      command,
                      tool.remote != 0 && !connected,
                      {}});
    }
    ++command;
  }
  if (!tools.empty()) top.push_back({ToolMenuEntry::Kind::kSeparator, {}, 0, false, {}});
  return top;
}

}  // namespace vandrel
