// The save of a host file that someone else changed after it was opened,
// with the question that sees both versions: against the agent's MPE
// personality, records both ways.
#include "remote/overwrite_question.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "agent_fixture.h"
#include "documents/comparable_text.h"

namespace vandrel::remote {
namespace {

using testing::Block;
using testing::LiveAgent;
using testing::WorkerHarness;
namespace fs = std::filesystem;

class RecordingQuestion : public OverwriteQuestion {
 public:
  bool ConfirmOverwrite(const OverwriteCase& question) override {
    std::lock_guard lock(mutex_);
    asked.push_back(question);
    // What the upload file holds while the question is open.
    uploadExisted = fs::exists(question.uploadFile);
    thread = std::this_thread::get_id();
    return answer;
  }
  std::vector<OverwriteCase> asked;
  bool answer = false;
  bool uploadExisted = false;
  std::thread::id thread;

 private:
  std::mutex mutex_;
};

std::string ReadLocal(const std::string& path) {
  const std::vector<std::uint8_t> bytes = testing::ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

TEST(OverwriteQuestion, ChangedHostFileIsShownWithItsBytesAndOnlyYesOverwritesIt) {
  LiveAgent agent("mpe");
  ASSERT_NE(agent.port(), 0);
  RecordingQuestion question;
  WorkerHarness harness({}, &question);
  std::int32_t hostKind = 0;
  const Socket socket = testing::OpenSession(agent.port(), &hostKind);
  ASSERT_NE(socket, kNoSocket);
  harness.worker().SetConnection(socket, hostKind);

  agent.Write("/ACCT/GRP/SRC", "LINE ONE\nLINE TWO\n");
  const fs::path onDisk = agent.root() / "ACCT/GRP/SRC";
  fs::last_write_time(onDisk, fs::last_write_time(onDisk) - std::chrono::hours(1));
  RequestBlock open = Block(kRequestOpenFile);
  open.hostPath = "/ACCT/GRP/SRC";
  open = harness.Run(open);
  ASSERT_EQ(open.status, kStatusSuccess) << open.errorText;

  // Our edit: the second record changed, the headers as they came.
  std::string ours = ReadLocal(open.localPath);
  const std::size_t at = ours.find("LINE TWO");
  ASSERT_NE(at, std::string::npos);
  ours.replace(at, 8, "LINE 2!!");
  testing::TempDir local;
  const fs::path upload = local / "upload";
  testing::WriteBytes(upload, std::vector<std::uint8_t>(ours.begin(), ours.end()));

  // Meanwhile someone else adds a line on the host.
  agent.Write("/ACCT/GRP/SRC", "LINE ONE\nLINE TWO\nLINE THREE\n");
  const std::string theirs = agent.Read("/ACCT/GRP/SRC");

  RequestBlock save = Block(kRequestSaveFile);
  save.hostPath = open.hostPath;
  save.localPath = upload.string();
  save.fileInfo = open.fileInfo;
  save.options = kOptionModeRecord | kOptionProgress;
  EXPECT_EQ(harness.Run(save).status, kStatusAbandoned);
  EXPECT_EQ(agent.Read("/ACCT/GRP/SRC"), theirs);

  ASSERT_EQ(question.asked.size(), 1u);
  const OverwriteCase& asked = question.asked[0];
  EXPECT_EQ(asked.hostPath, "/ACCT/GRP/SRC");
  EXPECT_EQ(asked.loaded, open.fileInfo);
  EXPECT_NE(asked.current.modifyTime, open.fileInfo.modifyTime);
  EXPECT_GT(asked.current.size, open.fileInfo.size);
  EXPECT_EQ(asked.uploadFile, upload);
  EXPECT_TRUE(question.uploadExisted);
  EXPECT_TRUE(asked.recordForm());
  EXPECT_NE(question.thread, std::this_thread::get_id());
  // The host's current file, in records like ours, reads as its three lines;
  // no progress was shown for the look at it.
  ASSERT_TRUE(asked.currentBytes.has_value());
  const ComparableText current = MakeComparableText(*asked.currentBytes, true);
  ASSERT_TRUE(current.ok());
  EXPECT_EQ(current.lines, (std::vector<std::string>{"LINE ONE", "LINE TWO", "LINE THREE"}));
  const ComparableText saved = ReadComparableText(upload, true);
  EXPECT_EQ(saved.lines, (std::vector<std::string>{"LINE ONE", "LINE 2!!"}));
  for (const std::string& event : harness.progress.events()) {
    EXPECT_EQ(event.find("Loading"), std::string::npos) << event;
  }
  EXPECT_TRUE(harness.user.shown().empty());

  question.answer = true;
  const RequestBlock written = harness.Run(save);
  ASSERT_EQ(written.status, kStatusSuccess) << written.errorText;
  EXPECT_EQ(agent.Read("/ACCT/GRP/SRC"), "LINE ONE\nLINE 2!!\n");
  EXPECT_EQ(question.asked.size(), 2u);

  harness.worker().SetConnection(kNoSocket, 0);
  Close(socket);
  fs::remove(open.localPath);
}

}  // namespace
}  // namespace vandrel::remote
