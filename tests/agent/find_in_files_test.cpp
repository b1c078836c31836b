// Searches in files: the command run against a tree with the test listening
// for its data connection as the editor does, result lines read back by the
// editor's rule, and the line scanner fed in pieces of every size.
#include "agent/find_in_files.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <fstream>
#include <future>
#include <random>
#include <sstream>

#include "agent/agent_errors.h"
#include "platform/ascii_text.h"
#include "remote/socket_transport.h"
#include "support/temp_dir.h"

namespace vandrel::agent {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::WriteTextFile;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The editor's reading of a line of the find pane: a result line is not
// empty, not ">>" and holds "): "; its file name is the text before the last
// "(" preceding the first "): ", the line number the text between.
struct ReadBack {
  std::string file;
  long line = 0;
};
std::optional<ReadBack> ReadResultLine(const std::string& text) {
  const std::size_t mark = text.find("): ");
  if (text.empty() || text == ">>" || mark == std::string::npos) return std::nullopt;
  const std::size_t open = text.rfind('(', mark);
  if (open == std::string::npos) return std::nullopt;
  return ReadBack{text.substr(0, open), std::stol(text.substr(open + 1, mark - open - 1))};
}

struct SearchResult {
  Outcome outcome;
  bool connected = false;
  bool ended = false;  // the stream closed with its empty packet
  std::vector<std::string> packets;
  std::string text;
};

class FindInFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root = dir.path() / "root";
    fs::create_directories(root);
    WriteTextFile(dir.path() / "outside.c", "needle outside\n");
  }

  void OpenTree(Personality personality = Personality::kPosix) {
    std::string error;
    ASSERT_TRUE(tree.Open(root, personality, &error)) << error;
  }

  // Runs the command as the session would, listening for its connection.
  SearchResult Find(const std::string& arguments, std::size_t maxPacket = 32767,
                    AbortWatch* watch = nullptr) {
    const remote::Socket listener = remote::Listen(10, "127.0.0.1");
    const std::string line = std::to_string(remote::LocalPort(listener)) + " " +
                             std::to_string(maxPacket) + " " + arguments;
    TransferContext context{tree,  currentDirectory,       address,
                            locks, watch ? *watch : abort, uploads};
    auto running = std::async(std::launch::async, [&] { return RunFindInFiles(context, line); });
    SearchResult result;
    for (bool done = false;;) {
      pollfd wait{listener, POLLIN, 0};
      if (::poll(&wait, 1, done ? 0 : 20) > 0) {
        const int data = ::accept(listener, nullptr, nullptr);
        result.connected = true;
        ReadStream(data, &result);
        ::close(data);
        break;
      }
      if (done) break;
      done = running.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }
    result.outcome = running.get();
    remote::Close(listener);
    return result;
  }

  static void ReadStream(int data, SearchResult* result) {
    while (true) {
      std::string packet(2, '\0');
      if (!ReadExactly(data, packet.data(), 2)) return;
      packet.resize((static_cast<unsigned char>(packet[0]) << 8) |
                    static_cast<unsigned char>(packet[1]));
      if (packet.empty()) {
        result->ended = true;
        return;
      }
      if (!ReadExactly(data, packet.data(), packet.size())) return;
      result->text += packet;
      result->packets.push_back(std::move(packet));
    }
  }
  static bool ReadExactly(int fd, char* buffer, std::size_t count) {
    while (count > 0) {
      pollfd wait{fd, POLLIN, 0};
      if (::poll(&wait, 1, 10000) <= 0) return false;
      const ssize_t got = ::recv(fd, buffer, count, 0);
      if (got <= 0) return false;
      buffer += got;
      count -= static_cast<std::size_t>(got);
    }
    return true;
  }

  // The lines of a successful search.
  std::vector<std::string> Results(const std::string& arguments) {
    const SearchResult result = Find(arguments);
    EXPECT_EQ(result.outcome.kind, Outcome::Kind::kOk) << result.outcome.error.message;
    EXPECT_TRUE(result.ended);
    return Lines(result.text);
  }

  TempDir dir;
  fs::path root;
  HostTree tree;
  std::string currentDirectory = "/";
  std::string address = "127.0.0.1";
  SessionLocks locks;
  AbortWatch abort;
  TemporaryUploads uploads;
};

using Expected = std::vector<std::string>;

TEST_F(FindInFiles, CaseAndWholeWordRules) {
  WriteTextFile(root / "src" / "a.c", "int Value = 1;\r\nvalue_max\nx = value;\nVALUE");
  OpenTree();
  EXPECT_EQ(
      Results("0 \"/src\" \"*\" value"),
      (Expected{"/src/a.c(1): int Value = 1;", "/src/a.c(2): value_max", "/src/a.c(3): x = value;",
                "/src/a.c(4): VALUE", "Found 4 occurrence(s) in 1 file(s)."}));
  EXPECT_EQ(Results("1 \"/src\" \"*\" value"),
            (Expected{"/src/a.c(2): value_max", "/src/a.c(3): x = value;",
                      "Found 2 occurrence(s) in 1 file(s)."}));
  EXPECT_EQ(Results("32 \"src\" \"\" value"),
            (Expected{"/src/a.c(1): int Value = 1;", "/src/a.c(3): x = value;",
                      "/src/a.c(4): VALUE", "Found 3 occurrence(s) in 1 file(s)."}));
  EXPECT_EQ(Results("33 \"/src\" \"*.*\" value"),
            (Expected{"/src/a.c(3): x = value;", "Found 1 occurrence(s) in 1 file(s)."}));
  // The text is the rest of the line, blanks included.
  EXPECT_EQ(Results("0 \"/src\" \"*\" x = "),
            (Expected{"/src/a.c(3): x = value;", "Found 1 occurrence(s) in 1 file(s)."}));
  EXPECT_EQ(Results("0 \"/src\" \"*\" nowhere"), (Expected{"Found 0 occurrence(s) in 0 file(s)."}));
}

TEST_F(FindInFiles, WalksTheTreeInsideItsBounds) {
  for (const char* name : {"top/b.c", "top/a.h", "top/notes.txt", "top/sub/c.c", "top/sub/d.txt",
                           "top/.tandrill/b.c", "top/.b.c.tandrill-Ab12Cd", "top/sub/deeper/e.c"}) {
    WriteTextFile(root / name, "needle\n");
  }
  fs::create_symlink(dir.path() / "outside.c", root / "top" / "escape.c");
  fs::create_symlink(root / "top" / "sub" / "c.c", root / "top" / "inside.c");
  fs::create_symlink(root / "top" / "sub", root / "top" / "loop");
  fs::create_symlink(root / "top", root / "top" / "sub" / "up");
  ::mkfifo((root / "top" / "pipe.c").c_str(), 0600);
  WriteTextFile(root / "top" / "binary.c", std::string("needle\n\0\n", 9));
  WriteTextFile(root / "top" / "late.c", std::string(9000, 'x') + '\0' + "\nneedle\n");
  OpenTree();

  EXPECT_EQ(Results("18 \"/top\" \"*.c;*.h\" needle"),
            (Expected{"Searching /top...", "/top/a.h(1): needle", "/top/b.c(1): needle",
                      "/top/inside.c(1): needle", "/top/late.c(2): needle", "Searching /top/sub...",
                      "/top/sub/c.c(1): needle", "Searching /top/sub/deeper...",
                      "/top/sub/deeper/e.c(1): needle", "Found 6 occurrence(s) in 6 file(s)."}));
  // Without flag 2 the directory alone; file types split by blanks or commas.
  EXPECT_EQ(Results("4 \"/top\" \"*.txt, *.h\" needle"),
            (Expected{"/top/a.h(1): needle", "/top/notes.txt(1): needle",
                      "Found 2 occurrence(s) in 2 file(s)."}));
  for (const std::string& line : Results("18 \"/\" \"*\" needle")) {
    EXPECT_EQ(line.find("outside"), std::string::npos) << line;
    EXPECT_EQ(line.find("tandrill"), std::string::npos) << line;
    if (line.starts_with("Searching")) {
      EXPECT_FALSE(ReadResultLine(line)) << line;
    }
  }
}

TEST_F(FindInFiles, MpeFileTypesIgnoreCase) {
  for (const char* name : {"DEV/PUB/SRC1", "DEV/PUB/SRC2", "DEV/PUB/OTHER"}) {
    WriteTextFile(root / name, "NEEDLE\n");
  }
  OpenTree(Personality::kMpe);
  EXPECT_EQ(Results("0 \"/dev/pub\" \"src@\" needle"),
            (Expected{"/DEV/PUB/SRC1(1): NEEDLE", "/DEV/PUB/SRC2(1): NEEDLE",
                      "Found 2 occurrence(s) in 2 file(s)."}));

  const FileTypes posix("*.C", Personality::kPosix);
  EXPECT_FALSE(posix.Matches("a.c"));
  EXPECT_TRUE(posix.Matches("a.C"));
  const FileTypes every("*.*", Personality::kPosix);
  EXPECT_TRUE(every.Matches("Makefile"));
  EXPECT_TRUE(FileTypes("", Personality::kPosix).Matches(".profile"));
  const FileTypes several(" *.cbl;;*.cob ", Personality::kPosix);
  EXPECT_TRUE(several.Matches("x.cob"));
  EXPECT_FALSE(several.Matches("x.cobol"));
}

TEST_F(FindInFiles, ListedFilesStayInsideTheTree) {
  WriteTextFile(root / "src" / "a.c", "needle a\n");
  WriteTextFile(root / "src" / "b.txt", "needle b\n");
  WriteTextFile(root / "src" / "c d.c", "needle c\n");
  WriteTextFile(root / "src" / "unlisted.c", "needle\n");
  fs::create_symlink(dir.path() / "outside.c", root / "src" / "escape.c");
  OpenTree();
  currentDirectory = "/src";
  const std::string list = "/src/a.c\r\nb.txt\n\n/src/escape.c\n../../outside.c\n" +
                           (dir.path() / "outside.c").string() +
                           "\n/missing.c\n/src\n/src/a.c\n \"/src/c d.c\"";
  const Expected expected{"/src/a.c(1): needle a", "/src/b.txt(1): needle b",
                          "/src/c d.c(1): needle c", "Found 3 occurrence(s) in 3 file(s)."};

  AgentError error;
  auto upload = uploads.Reserve(&error);
  ASSERT_TRUE(upload) << error.message;
  WriteTextFile(upload->diskPath, list);
  EXPECT_EQ(Results("10 \"" + upload->hostName + "\" \"*\" needle"), expected);

  WriteTextFile(root / "lists" / "files.lst", list);
  EXPECT_EQ(Results("8 \"/lists/files.lst\" \"\" needle"), expected);
  // File types still apply; progress names each directory once.
  EXPECT_EQ(Results("24 \"/lists/files.lst\" \"*.c\" needle"),
            (Expected{"Searching /src...", "/src/a.c(1): needle a", "/src/c d.c(1): needle c",
                      "Found 2 occurrence(s) in 2 file(s)."}));
}

TEST_F(FindInFiles, NamesWithBlanksAndParenthesesReadBack) {
  WriteTextFile(root / "my dir (old)" / "f(1).c", "x\ncall(a): b (2): c\n");
  WriteTextFile(root / "my dir (old)" / "(", "call(\n");
  WriteTextFile(root / "my dir (old)" / "bad): name.c", "call\n");
  WriteTextFile(root / "odd): dir" / "x.c", "call\n");
  OpenTree();
  const std::vector<std::string> lines = Results("18 \"/my dir (old)\" \"*\" call");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_FALSE(ReadResultLine(lines[0]));
  auto first = ReadResultLine(lines[1]);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->file, "/my dir (old)/(");
  EXPECT_EQ(first->line, 1);
  auto second = ReadResultLine(lines[2]);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->file, "/my dir (old)/f(1).c");
  EXPECT_EQ(second->line, 2);
  EXPECT_EQ(lines[2], "/my dir (old)/f(1).c(2): call(a): b (2): c");
  EXPECT_EQ(lines[3], "Found 2 occurrence(s) in 2 file(s).");

  // A name the editor could not read back is never reported, and the
  // progress line of such a directory does not read as a result.
  const std::vector<std::string> odd = Results("16 \"/odd): dir\" \"*\" call");
  ASSERT_EQ(odd.size(), 2u);
  EXPECT_FALSE(ReadResultLine(odd[0])) << odd[0];
  EXPECT_EQ(odd[1], "Found 0 occurrence(s) in 0 file(s).");
}

TEST_F(FindInFiles, RefusalsAreAnsweredWithoutConnecting) {
  WriteTextFile(root / "src" / "a.c", "needle\n");
  fs::create_directories(root / "src" / ".tandrill");
  fs::create_symlink(dir.path(), root / "away");
  OpenTree();
  const struct {
    std::string arguments;
    int code;
  } cases[] = {
      {"0 \"/..\" \"*\" needle", kErrorOutsideRoot},
      {"0 \"/away\" \"*\" needle", kErrorOutsideRoot},
      {"0 \"/missing\" \"*\" needle", ENOENT},
      {"0 \"/src/a.c\" \"*\" needle", ENOTDIR},
      {"0 \"/src/.tandrill\" \"*\" needle", ENOENT},
      {"8 \"/src/none.lst\" \"*\" needle", ENOENT},
      {"8 \"/src\" \"*\" needle", EISDIR},
      {"8 \"\" \"*\" needle", kErrorBadArguments},
      {"0 \"/src\" \"*\" ", kErrorBadArguments},
      {"0 \"/src\" \"*\"", kErrorBadArguments},
      {"0 \"/src\" needle", kErrorBadArguments},
      {"0 /src \"*\" needle", kErrorBadArguments},
      {"-1 \"/src\" \"*\" needle", kErrorBadArguments},
      {"x \"/src\" \"*\" needle", kErrorBadArguments},
      {"0 \"/src\" \"*\" " + std::string(kMaxSearchText + 1, 'n'), kErrorBadArguments},
  };
  for (const auto& refused : cases) {
    const SearchResult result = Find(refused.arguments);
    EXPECT_EQ(result.outcome.kind, Outcome::Kind::kError) << refused.arguments;
    EXPECT_EQ(result.outcome.error.code, refused.code) << refused.arguments;
    EXPECT_FALSE(result.connected) << refused.arguments;
  }
  EXPECT_EQ(Find("0 \"/src\" \"*\" " + std::string(kMaxSearchText, 'n')).outcome.kind,
            Outcome::Kind::kOk);
}

TEST_F(FindInFiles, PacketsAndAbort) {
  std::string many;
  for (int i = 0; i < 200; ++i) many += "needle " + std::to_string(i) + "\n";
  WriteTextFile(root / "many.txt", many);
  OpenTree();
  const SearchResult whole = Find("0 \"/\" \"*\" needle");
  const SearchResult small = Find("0 \"/\" \"*\" needle", 16);
  EXPECT_TRUE(small.ended);
  EXPECT_EQ(small.text, whole.text);
  for (const std::string& packet : small.packets) EXPECT_LE(packet.size(), 16u);

  // "=!" on the command connection: the stream stops without its end and
  // the reply is the abort's.
  int command[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, command), 0);
  remote::SendPacket(command[1], "=!", 2);
  AbortWatch watch(command[0]);
  const SearchResult aborted = Find("0 \"/\" \"*\" needle", 32767, &watch);
  EXPECT_TRUE(aborted.connected);
  EXPECT_FALSE(aborted.ended);
  EXPECT_EQ(aborted.outcome.error.code, kErrorAborted);
  ::close(command[0]);
  ::close(command[1]);
}

// The text as a plain scan of each whole line finds it, for comparison.
std::vector<std::pair<std::uint64_t, std::string>> NaiveMatches(const std::string& stream,
                                                                const std::string& text,
                                                                bool matchCase, bool wholeWord) {
  auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
  std::vector<std::pair<std::uint64_t, std::string>> found;
  std::uint64_t number = 0;
  for (std::size_t start = 0; start < stream.size();) {
    std::size_t end = stream.find('\n', start);
    if (end == std::string::npos) end = stream.size();
    std::string line = stream.substr(start, end - start);
    start = end + 1;
    ++number;
    for (std::size_t at = 0; at + text.size() <= line.size(); ++at) {
      const std::string_view part(line.data() + at, text.size());
      if (!(matchCase ? part == text : platform::EqualsIgnoreCase(part, text))) continue;
      if (wholeWord && ((at > 0 && word(line[at - 1])) ||
                        (at + text.size() < line.size() && word(line[at + text.size()])))) {
        continue;
      }
      if (!line.empty() && line.back() == '\r') line.pop_back();
      found.emplace_back(number, line.substr(0, kMaxResultText));
      break;
    }
  }
  return found;
}

TEST(LineScanner, AnySplitOfTheStreamFindsTheSameLines) {
  std::mt19937 random(7);
  const std::string alphabet = "aAb_ \r\n";
  for (int round = 0; round < 24; ++round) {
    std::string stream;
    const int length = round % 4 == 0 ? 5000 : 300;
    for (int i = 0; i < length; ++i) stream += alphabet[random() % alphabet.size()];
    if (round % 5 == 0) stream += std::string(2500, 'b') + "ab\r\n";  // a long line, cut
    for (const std::string text : {"a", "ab", "b a", "aab"}) {
      for (int rules = 0; rules < 4; ++rules) {
        const bool matchCase = rules & 1;
        const bool wholeWord = rules & 2;
        const auto expected = NaiveMatches(stream, text, matchCase, wholeWord);
        const TextFinder finder(text, matchCase, wholeWord);
        for (std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{64}, stream.size()}) {
          for (std::size_t hold : {std::size_t{1}, std::size_t{5}, std::size_t{100}}) {
            std::vector<std::pair<std::uint64_t, std::string>> found;
            LineScanner scanner(
                finder,
                [&](std::uint64_t line, std::string_view shown) {
                  found.emplace_back(line, std::string(shown));
                  return true;
                },
                hold);
            for (std::size_t at = 0; at < stream.size(); at += piece) {
              scanner.Feed(std::string_view(stream).substr(at, piece));
            }
            scanner.Finish();
            ASSERT_EQ(found, expected) << "text '" << text << "' rules " << rules << " piece "
                                       << piece << " hold " << hold << " round " << round;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace vandrel::agent
