// Find in Files, the request part: the dialog's values turned into one
// search request for the host agent, whose result lines stream into the
// "Find in Files" pane. With "Search project files only" the project's file
// list is written to a temporary file, which the request uploads and which
// is deleted when the request has finished.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "project/build_runner.h"
#include "project/output_panes.h"
#include "project/project_item.h"
#include "remote/request_block.h"

namespace vandrel::project {

// What the dialog hands over. The texts are passed on whole: the request
// engine refuses a text over its limit (remote::kMaxFindText for the text
// and the file types, remote::kMaxRequestPath for the directory) rather
// than searching for something else than was asked.
struct FindInFilesValues {
  std::string text;
  std::string fileTypes;
  std::string directory;
  bool wholeWord = false;
  bool matchCase = false;
  bool subdirectories = true;
  bool showProgress = false;
  bool projectFilesOnly = false;
};

// The request's search flags: whole word 32, match case 1, sub-directories
// 2, progress 16, project files 4 (which never asks for sub-directories).
std::int32_t FindInFilesFlags(const FindInFilesValues& values);

struct PreparedSearch {
  remote::RequestBlock request;    // kind 6, pane 1, no completion yet
  std::filesystem::path listFile;  // the temporary file list; empty when none
};

// Builds the request. With project files only, `files` (the project, or the
// folder whose files are searched) is listed into a new temporary file in
// `temporaryFolder` (the system's when empty) whose name takes the
// directory's place. Nothing when that file cannot be written; `error` then
// says why.
std::optional<PreparedSearch> PrepareFindInFiles(const FindInFilesValues& values,
                                                 const ProjectItem* files,
                                                 const std::filesystem::path& temporaryFolder,
                                                 std::string* error = nullptr);

// The dialog's Find: needs the request queue; empties the "Find in Files"
// pane and brings it to the front, queues the search and marks the frame
// busy. On completion the list file is deleted, the busy state left when
// nothing else is queued, and a failure reported. False when nothing was
// queued (no queue, or the list file could not be written: `error`).
bool StartFindInFiles(const FindInFilesValues& values, const ProjectItem* files,
                      const std::filesystem::path& temporaryFolder, OutputPanes& panes,
                      HostRequestFrame& frame, std::string* error = nullptr);

}  // namespace vandrel::project
