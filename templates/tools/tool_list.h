// The Tools menu's tools: external commands the user adds, each with a
// caption, a command, arguments and an initial directory, kept in the
// settings under ".\Tools\1", ".\Tools\2", ... in menu order, and the menu
// they make (separators, nested submenus, remote tools greyed while there is
// no host connection) as data for the frame to show.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vandrel {

class SettingsStore;

// Tool n (from 1) has the menu command kFirstToolCommand + n - 1.
inline constexpr int kFirstToolCommand = 10800;
inline constexpr int kMostTools = 100;

struct ToolRecord {
  std::string caption;  // "-" a separator, ">Name" opens a submenu, "<" closes it
  std::string command;
  std::string arguments;
  std::string directory;    // initial directory
  std::int32_t prompt = 0;  // "Prompt for arguments"
  std::int32_t remote = 0;  // "Remote command": run on the host
  std::int32_t output = 0;  // "Output to new window": kept, not used when running
};

// The tools in menu order: tool 1, 2, ... up to the first whose key cannot
// be read (at most kMostTools).
std::vector<ToolRecord> LoadToolList(SettingsStore& store);
// Tool `number` (from 1), or nothing when its key cannot be read.
bool LoadTool(SettingsStore& store, int number, ToolRecord& tool);
// Writes the tools with a caption as tools 1, 2, ... and removes the keys
// after the last one, so that reading stops there. Returns the number written,
// or -1 when the settings could not be written.
int SaveToolList(SettingsStore& store, std::span<const ToolRecord> tools);

struct ToolMenuEntry {
  enum class Kind { kCommand, kSeparator, kSubmenu };
  Kind kind = Kind::kCommand;
  std::string caption;
  int command = 0;                      // kCommand: the menu command
  bool greyed = false;                  // kCommand: a remote tool while not connected
  std::vector<ToolMenuEntry> children;  // kSubmenu
};

// The entries the tools add to the Tools menu; after the last top-level
// entry one separator follows when there is any tool.
std::vector<ToolMenuEntry> BuildToolsMenu(std::span<const ToolRecord> tools, bool connected);

}  // namespace vandrel
