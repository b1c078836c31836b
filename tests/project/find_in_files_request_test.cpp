// Find in Files as a request: the dialog's values become the search flags
// and texts of one request; "project files only" lists the project's files
// into a temporary file that lives exactly as long as the request.
#include "project/find_in_files_request.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "project/project.h"
#include "project_fakes.h"
#include "remote/output_writer.h"
#include "support/temp_dir.h"

namespace vandrel::project {
namespace {

using remote::kPaneFindInFiles;
using remote::RequestBlock;
using vandrel::testing::ReadTextFile;

class RecordingFrame : public HostRequestFrame, public RequestQueue {
 public:
  RequestQueue* Queue() override { return hasQueue ? this : nullptr; }
  void SetBusy(bool busy) override { events.push_back(busy ? "busy" : "idle"); }
  void RequestFailed(const RequestBlock& request) override {
    events.push_back("failed " + std::to_string(request.status));
  }
  void Post(const RequestBlock& request) override { posted.push_back(request); }
  bool AnyPending() const override { return !posted.empty(); }
  bool AnyQueued() const override { return othersQueued; }

  void Complete(std::int32_t status) {
    RequestBlock done = posted.front();
    posted.erase(posted.begin());
    done.status = status;
    done.completion(done);
  }

  bool hasQueue = true;
  bool othersQueued = false;
  std::vector<RequestBlock> posted;
  std::vector<std::string> events;
};

TEST(FindInFilesRequest, DialogOptionsBecomeSearchFlags) {
  FindInFilesValues values;
  values.subdirectories = false;
  EXPECT_EQ(FindInFilesFlags(values), 0);
  values = {};
  values.wholeWord = values.matchCase = values.subdirectories = values.showProgress = true;
  EXPECT_EQ(FindInFilesFlags(values), 32 | 1 | 2 | 16);
  // Project files are never searched with their sub-directories.
  values.projectFilesOnly = true;
  EXPECT_EQ(FindInFilesFlags(values), 32 | 1 | 16 | 4);
}

TEST(FindInFilesRequest, TextsGoIntoTheRequestWhole) {
  FindInFilesValues values;
  values.text = std::string(200, 'x');  // the engine refuses it rather than search for less
  values.fileTypes = "*.c;*.h";
  values.directory = "/src";
  auto search = PrepareFindInFiles(values, nullptr, {});
  ASSERT_TRUE(search);
  EXPECT_EQ(search->request.kind, remote::kRequestFindInFiles);
  EXPECT_EQ(search->request.pane, kPaneFindInFiles);
  EXPECT_EQ(search->request.findText, values.text);
  EXPECT_EQ(search->request.fileTypes, "*.c;*.h");
  EXPECT_EQ(search->request.directory, "/src");
  EXPECT_EQ(search->request.searchFlags, remote::kSearchSubdirectories);
  EXPECT_TRUE(search->listFile.empty());
}

TEST(FindInFilesRequest, ProjectFilesAreListedInATemporaryFileForTheRequestsLifetime) {
  vandrel::testing::TempDir temp;
  Project project;
  project.SetLocation("/proj");
  ProjectItem* src = testing::AddFolder(project, "src", "src");
  testing::AddFile(*src, "a.c");
  testing::AddFile(*src, "b.c");
  testing::AddFile(project, "/abs/readme.txt");

  OutputPanes panes;
  panes.Print(kPaneFindInFiles, "old results");
  RecordingFrame frame;
  FindInFilesValues values;
  values.text = "needle";
  values.fileTypes = "*";
  values.directory = "/ignored";
  values.projectFilesOnly = true;
  ASSERT_TRUE(StartFindInFiles(values, &project, temp.path(), panes, frame));

  EXPECT_TRUE(panes.IsEmpty(kPaneFindInFiles));
  EXPECT_EQ(panes.CurrentPane(), kPaneFindInFiles);
  ASSERT_EQ(frame.posted.size(), 1u);
  const std::filesystem::path list = frame.posted[0].directory;
  EXPECT_EQ(list.parent_path(), temp.path());
  EXPECT_EQ(list.filename().string().rfind("zvd", 0), 0u);
  EXPECT_EQ(ReadTextFile(list), "/proj/src/a.c\r\n/proj/src/b.c\r\n/abs/readme.txt\r\n");
  EXPECT_EQ(frame.posted[0].searchFlags, remote::kSearchProjectFiles);
  EXPECT_EQ(frame.events, (std::vector<std::string>{"busy"}));

  frame.othersQueued = true;  // something else keeps the frame busy
  frame.Complete(remote::kStatusAgentError);
  EXPECT_FALSE(std::filesystem::exists(list));
  EXPECT_EQ(frame.events, (std::vector<std::string>{"busy", "failed 2"}));
  EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
}

TEST(FindInFilesRequest, PlainSearchLeavesNoFileAndEndsTheBusyState) {
  vandrel::testing::TempDir temp;
  OutputPanes panes;
  RecordingFrame frame;
  FindInFilesValues values;
  values.text = "x";
  values.directory = "/";
  ASSERT_TRUE(StartFindInFiles(values, nullptr, temp.path(), panes, frame));
  frame.Complete(remote::kStatusSuccess);
  EXPECT_EQ(frame.events, (std::vector<std::string>{"busy", "idle"}));
  EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
}

TEST(FindInFilesRequest, NothingHappensWithoutAQueueOrAListFile) {
  vandrel::testing::TempDir temp;
  OutputPanes panes;
  panes.Print(kPaneFindInFiles, "kept");
  RecordingFrame frame;
  frame.hasQueue = false;
  FindInFilesValues values;
  values.text = "x";
  values.projectFilesOnly = true;
  std::string error;
  EXPECT_FALSE(StartFindInFiles(values, nullptr, temp.path(), panes, frame, &error));
  EXPECT_FALSE(panes.IsEmpty(kPaneFindInFiles));
  EXPECT_TRUE(frame.events.empty());

  frame.hasQueue = true;
  EXPECT_FALSE(StartFindInFiles(values, nullptr, temp.path() / "missing", panes, frame, &error));
  EXPECT_NE(error.find("file list"), std::string::npos);
  EXPECT_TRUE(frame.posted.empty());
  EXPECT_TRUE(frame.events.empty());
}

}  // namespace
}  // namespace vandrel::project
