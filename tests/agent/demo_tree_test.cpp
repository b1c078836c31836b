// The bundled demo trees under data/demo: the MPE account's attribute
// entries and record layouts, the agent's view of its files, and the POSIX
// sources against the compilers installed here.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "agent/agent_errors.h"
#include "agent/mpe_attributes.h"
#include "agent/record_form.h"
#include "support/temp_dir.h"

namespace vandrel::testing {
namespace {

namespace fs = std::filesystem;
using agent::MpeAttributes;
using agent::ReadMpeAttributes;

const fs::path kDemo =
    fs::path(__FILE__).parent_path().parent_path().parent_path() / "data" / "demo";
const fs::path kAccount = kDemo / "mpe" / "DEMO";
const fs::path kPosix = kDemo / "posix";

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The lines of a file kept as text lines; every record ends in LF.
std::vector<std::string> Lines(const fs::path& path) {
  const std::string text = ReadText(path);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      ADD_FAILURE() << path << ": the last record has no line end";
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// The files of the account that have a name of their own (the attribute
// folders are the agent's, not the account's).
std::vector<fs::path> AccountFiles() {
  std::vector<fs::path> files;
  for (const auto& group : fs::directory_iterator(kAccount)) {
    if (!group.is_directory()) continue;
    for (const auto& entry : fs::directory_iterator(group.path())) {
      if (entry.is_regular_file()) files.push_back(entry.path());
    }
  }
  return files;
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// The sequence numbers in columns [first, first + width) of every line;
// empty (with a failure) when a line's field is not all digits.
std::vector<long> SequenceNumbers(const fs::path& path, std::size_t first, std::size_t width) {
  std::vector<long> numbers;
  const std::vector<std::string> lines = Lines(path);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string field = lines[i].size() >= first + width ? lines[i].substr(first, width) : "";
    if (!AllDigits(field)) {
      ADD_FAILURE() << path.filename() << " line " << i + 1 << " has no sequence number: \""
                    << lines[i] << "\"";
      return {};
    }
    numbers.push_back(std::stol(field));
  }
  return numbers;
}

void ExpectAscending(const std::vector<long>& numbers, long first, long step,
                     const std::string& file) {
  ASSERT_FALSE(numbers.empty()) << file;
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    ASSERT_EQ(numbers[i], first + static_cast<long>(i) * step) << file << " line " << i + 1;
  }
}

// ---- The MPE account --------------------------------------------------------

struct IntendedFile {
  const char* path;  // GROUP/NAME under the account
  std::int32_t fileCode;
  std::int32_t recordLength;
  std::int32_t recordType;
  std::int32_t mode;
  std::int32_t qeditLanguage;
  std::int32_t qeditRecordLength;
  std::int32_t qeditNumberLength;
};

constexpr IntendedFile kIntended[] = {
    {"SOURCE/ORDRPT", 1052, 80, 0, 1, 0, 0, 0}, {"SOURCE/ORDPRICE", 1052, 80, 0, 1, 0, 0, 0},
    {"SOURCE/DATEUTIL", 0, 80, 0, 1, 0, 0, 0},  {"SOURCE/CHKSUM", 0, 80, 0, 1, 0, 0, 0},
    {"SOURCE/STATS", 0, 80, 0, 1, 0, 0, 0},     {"SOURCE/CHGLOG", 111, 256, 0, 0, 6, 80, 8},
    {"JOBS/BLDDEMO", 0, 80, 0, 1, 0, 0, 0},     {"PUB/ORDERS", 0, 64, 0, 1, 0, 0, 0},
};

TEST(DemoMpeTree, AttributeEntriesGiveTheIntendedFormats) {
  for (const IntendedFile& intended : kIntended) {
    SCOPED_TRACE(intended.path);
    const fs::path file = kAccount / intended.path;
    ASSERT_TRUE(fs::is_regular_file(file));
    ASSERT_TRUE(fs::is_regular_file(agent::MpeAttributesPath(file)));
    const MpeAttributes attributes = ReadMpeAttributes(file);
    EXPECT_EQ(attributes.fileCode, intended.fileCode);
    EXPECT_EQ(attributes.recordLength, intended.recordLength);
    EXPECT_EQ(attributes.recordType, intended.recordType);
    EXPECT_EQ(attributes.mode, intended.mode);
    EXPECT_EQ(attributes.qeditLanguage, intended.qeditLanguage);
    EXPECT_EQ(attributes.qeditRecordLength, intended.qeditRecordLength);
    EXPECT_EQ(attributes.qeditNumberLength, intended.qeditNumberLength);
    EXPECT_EQ(attributes.qeditNumbersLeft, 0);
    EXPECT_GT(attributes.limit, 0);
    EXPECT_TRUE(agent::MpeAttributesProblem(attributes).empty());
  }

  // A file without an entry shows the defaults: variable-length ASCII.
  const fs::path welcome = kAccount / "PUB" / "WELCOME";
  ASSERT_TRUE(fs::is_regular_file(welcome));
  EXPECT_FALSE(fs::exists(agent::MpeAttributesPath(welcome)));
  EXPECT_EQ(ReadMpeAttributes(welcome), MpeAttributes{});
}

TEST(DemoMpeTree, EveryEntryBelongsToAFileAndEveryNameIsUpperCase) {
  for (const fs::path& file : AccountFiles()) {
    const std::string name = file.filename().string();
    for (const char c : name) {
      EXPECT_TRUE(std::isupper(static_cast<unsigned char>(c)) ||
                  std::isdigit(static_cast<unsigned char>(c)))
          << file;
    }
    EXPECT_LE(name.size(), 8u) << file;
  }
  for (const auto& entry : fs::recursive_directory_iterator(kAccount)) {
    if (!entry.is_regular_file()) continue;
    const fs::path folder = entry.path().parent_path();
    if (folder.filename() != agent::kMpeAttributesFolder) continue;
    EXPECT_TRUE(fs::is_regular_file(folder.parent_path() / entry.path().filename()))
        << entry.path() << " describes no file";
  }
}

// Fixed records fit their record length (a Qedit file's lines, its Qedit
// record length), and the agent serves every file without complaint, fixed
// ASCII records padded to exactly their length.
TEST(DemoMpeTree, RecordsFitTheirLengthAndAreServed) {
  const std::vector<fs::path> files = AccountFiles();
  ASSERT_GE(files.size(), std::size(kIntended) + 1);
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    const MpeAttributes attributes = ReadMpeAttributes(file);
    const bool qedit = attributes.fileCode == agent::kQeditFileCode;
    const std::vector<std::string> lines = Lines(file);
    ASSERT_FALSE(lines.empty());
    if (attributes.recordType == 0) {
      const auto width =
          static_cast<std::size_t>(qedit ? attributes.qeditRecordLength : attributes.recordLength);
      ASSERT_GT(width, 0u);
      for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_LE(lines[i].size(), width) << "line " << i + 1;
        EXPECT_EQ(lines[i].find_first_of("\r\t"), std::string::npos) << "line " << i + 1;
      }
    }

    agent::AgentError error;
    const auto stream = agent::ToRecordForm(ReadText(file), attributes, qedit,
                                            "/DEMO/" + file.filename().string(), &error);
    ASSERT_TRUE(stream) << error.message;
    // Past the headers, each record is a 16-bit big-endian length and its bytes.
    std::string_view rest = *stream;
    std::vector<std::size_t> lengths;
    while (rest.size() >= 2) {
      const std::size_t length =
          (static_cast<unsigned char>(rest[0]) << 8) | static_cast<unsigned char>(rest[1]);
      ASSERT_LE(length + 2, rest.size());
      lengths.push_back(length);
      rest.remove_prefix(length + 2);
    }
    EXPECT_TRUE(rest.empty());
    const std::size_t headers = qedit ? 2 : 1;
    ASSERT_EQ(lengths.size(), headers + lines.size());
    if (attributes.recordType == 0 && attributes.mode != 0) {
      for (std::size_t i = headers; i < lengths.size(); ++i) {
        EXPECT_EQ(lengths[i], static_cast<std::size_t>(attributes.recordLength));
      }
    }
  }
}

TEST(DemoMpeTree, SequenceNumbersAscendWhereTheLanguageKeepsThem) {
  // COBOL II: six digits in columns 1-6.
  ExpectAscending(SequenceNumbers(kAccount / "SOURCE" / "ORDRPT", 0, 6), 100, 100, "ORDRPT");
  ExpectAscending(SequenceNumbers(kAccount / "SOURCE" / "ORDPRICE", 0, 6), 1000, 100, "ORDPRICE");
  // The others: eight digits in columns 73-80, counting thousandths.
  for (const char* name : {"DATEUTIL", "CHKSUM", "STATS", "CHGLOG"}) {
    ExpectAscending(SequenceNumbers(kAccount / "SOURCE" / name, 72, 8), 1000, 1000, name);
  }
  // A job stream is not numbered: its commands start in column 1.
  for (const std::string& line : Lines(kAccount / "JOBS" / "BLDDEMO")) {
    EXPECT_TRUE(line.starts_with("!") || line.starts_with(" ")) << line;
    EXPECT_EQ(line.find_first_not_of(' ', 72), std::string::npos) << line;
  }
}

TEST(DemoMpeTree, CobolTextStaysInsideColumns7To72) {
  std::size_t tagged = 0;
  for (const char* name : {"ORDRPT", "ORDPRICE"}) {
    for (const std::string& line : Lines(kAccount / "SOURCE" / name)) {
      ASSERT_EQ(line.size(), 80u) << name << ": " << line;
      const std::string tag = line.substr(72);
      if (tag == std::string(8, ' ')) continue;
      // Only the COBOL'85 file carries change tags: "CHGnnnn ".
      EXPECT_STREQ(name, "ORDPRICE") << line;
      EXPECT_TRUE(tag.starts_with("CHG") && AllDigits(tag.substr(3, 4)) && tag[7] == ' ') << line;
      ++tagged;
    }
  }
  EXPECT_GE(tagged, 10u);
}

// ---- The POSIX tree ---------------------------------------------------------

struct CommandResult {
  int status = -1;     // the exit status; -1 when the command did not run
  std::string output;  // standard output and standard error together
};

bool Installed(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

CommandResult RunIn(const fs::path& folder, const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen(("cd '" + folder.string() + "' && { " + command + "; } 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 4096> buffer{};
  std::size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
    result.output.append(buffer.data(), n);
  }
  const int status = ::pclose(pipe);
  if (status != -1 && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  return result;
}

// A copy of the POSIX tree, so that compiling in place leaves the sources
// as they are.
class DemoPosixTree : public ::testing::Test {
 protected:
  void SetUp() override { fs::copy(kPosix, copy_.path() / "posix", fs::copy_options::recursive); }
  fs::path Folder(const std::string& name) const { return copy_.path() / "posix" / name; }

  // Compiles `files` of `folder` in order with `command` (the file name
  // appended), as the project's folder does; each must compile silently.
  void ExpectCleanCompiles(const std::string& program, const std::string& folder,
                           const std::string& command, const std::vector<std::string>& files) {
    if (!Installed(program)) GTEST_SKIP() << program << " is not installed";
    for (const std::string& file : files) {
      const CommandResult run = RunIn(Folder(folder), command + " " + file);
      EXPECT_EQ(run.status, 0) << file << ":\n" << run.output;
      EXPECT_EQ(run.output, "") << file;
    }
  }

  // The deliberately broken file fails, naming itself with a line number as
  // the folder's output mask expects ("broken.c:9:").
  void ExpectBrokenFails(const std::string& program, const std::string& command,
                         const std::string& file) {
    if (!Installed(program)) GTEST_SKIP() << program << " is not installed";
    const CommandResult run = RunIn(Folder("broken"), command + " " + file);
    EXPECT_NE(run.status, 0) << run.output;
    EXPECT_NE(run.status, -1);
    bool named = false;
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);) {
      if (line.starts_with(file + ":") && line.size() > file.size() + 1 &&
          std::isdigit(static_cast<unsigned char>(line[file.size() + 1]))) {
        named = true;
      }
    }
    EXPECT_TRUE(named) << run.output;
  }

  TempDir copy_;
};

TEST_F(DemoPosixTree, CSourcesCompileCleanly) {
  ExpectCleanCompiles("gcc", "src", "gcc -c -Wall -Wextra", {"ledger.c", "report.c"});
}

TEST_F(DemoPosixTree, CobolSourcesCompileCleanly) {
  ExpectCleanCompiles("cobc", "cobol", "cobc -c -Wall", {"invoice.cob", "taxcalc.cob"});
}

TEST_F(DemoPosixTree, FortranSourcesCompileCleanly) {
  // The module first: the program needs the module file it leaves behind.
  ExpectCleanCompiles("gfortran", "fortran", "gfortran -c -Wall -Wextra",
                      {"stats.f90", "statmain.f90"});
}

TEST_F(DemoPosixTree, BrokenCFails) {
  ExpectBrokenFails("gcc", "gcc -c -Wall -Wextra", "broken.c");
}

TEST_F(DemoPosixTree, BrokenCobolFails) {
  ExpectBrokenFails("cobc", "cobc -c -Wall", "broken.cob");
}

TEST_F(DemoPosixTree, BrokenFortranFails) {
  ExpectBrokenFails("gfortran", "gfortran -c -Wall -Wextra", "broken.f90");
}

// The Makefile builds all three programs, and they agree with their sample
// data: the postings balance to zero, the invoice adds up, the statistics
// are those of the five values.
TEST_F(DemoPosixTree, MakefileBuildsProgramsThatRunOnTheSampleData) {
  for (const char* program : {"make", "gcc", "cobc", "gfortran"}) {
    if (!Installed(program)) GTEST_SKIP() << program << " is not installed";
  }
  const CommandResult build = RunIn(Folder(""), "make");
  ASSERT_EQ(build.status, 0) << build.output;

  const CommandResult ledger = RunIn(Folder(""), "bin/ledger data/postings.csv");
  EXPECT_EQ(ledger.status, 0) << ledger.output;
  EXPECT_NE(ledger.output.find("SALES                   3        -3,485.38"), std::string::npos)
      << ledger.output;
  EXPECT_NE(ledger.output.find("TOTAL                                 0.00"), std::string::npos)
      << ledger.output;

  const CommandResult invoice = RunIn(Folder(""), "bin/invoice");
  EXPECT_EQ(invoice.status, 0) << invoice.output;
  EXPECT_NE(invoice.output.find("TOTAL DUE                               4,137.49"),
            std::string::npos)
      << invoice.output;

  const CommandResult stats = RunIn(Folder(""), "bin/statmain data/values.txt");
  EXPECT_EQ(stats.status, 0) << stats.output;
  EXPECT_NE(stats.output.find("mean        114.7000"), std::string::npos) << stats.output;
  EXPECT_NE(stats.output.find("median      110.0000"), std::string::npos) << stats.output;

  // A line that is no posting is reported with its place and fails the run.
  const CommandResult rejected = RunIn(Folder(""), "printf '1994-03-01,CASH,12x\\n' | bin/ledger");
  EXPECT_EQ(rejected.status, 1);
  EXPECT_NE(rejected.output.find("-:1: not a posting"), std::string::npos) << rejected.output;
}

}  // namespace
}  // namespace vandrel::testing
