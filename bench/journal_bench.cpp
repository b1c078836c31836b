// Writing the journal of a large modified document, against writing the
// same number of bytes with one write() and an fsync().
//
// The document has 1,000,000 lines of 72 characters with kept 8-digit
// sequence numbers in columns 73-80, some lines changed and marked. A save
// point costs the user-interface thread the copy of the text and line data
// into the writer's spare entry (and a Submit that only queues it); the
// writer's thread then encodes,
// writes and syncs the journal through a safe replacement. Both are shown;
// the writer's cost is compared with the plain write and sync. Each figure
// is the best of five runs, in a fresh folder on the disk of FOLDER (the
// system's temporary folder by default): the syncs reach the disk.
//
//   bench_journal [LINES] [FOLDER]
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "editor/control_messages.h"
#include "editor/edit_journal.h"

using namespace vandrel;

namespace {

constexpr int kRuns = 5;
constexpr std::int32_t kNumberColumn = 72;  // columns 73-80
constexpr std::int32_t kNumberDigits = 8;

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "bench_journal: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(1);
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

JournalEntry MakeDocument(std::int64_t lines) {
  static const char* const kVerbs[] = {"MOVE", "ADD", "COMPUTE", "PERFORM", "IF", "DISPLAY"};
  JournalEntry entry;
  entry.documentName = "/SYS/SRC/BIGSRC";
  entry.hostName = "localhost";
  entry.hostPort = 11000;
  entry.format.formatFlags = kFormatRecordForm;
  entry.format.numbering = {kNumberColumn, kNumberDigits, 10, 10};
  entry.format.activeNumbering = entry.format.numbering;
  entry.text.reserve(static_cast<std::size_t>(lines) * 73);
  entry.lines.Reset({NumberingMode::kKept, kNumberColumn, kNumberDigits, 10, 10}, false,
                    static_cast<std::size_t>(lines));
  char text[96];
  for (std::int64_t i = 0; i < lines; ++i) {
    std::snprintf(text, sizeof text, "           %s WS-FIELD-%07lld TO WS-TOTAL-%03lld.",
                  kVerbs[i % 6], static_cast<long long>(i), static_cast<long long>(i % 997));
    std::string line(text);
    line.resize(kNumberColumn, ' ');
    if (i > 0) entry.text.push_back('\n');
    entry.text += line;
    entry.lines.AppendLine(10 + i * 10, LineToken{});
  }
  for (std::int64_t i = 0; i < lines; i += 1000) {
    entry.lines.MarkChanged(i);
    entry.lines.SetMarks(i, kLineMarkBookmark);
  }
  return entry;
}

}  // namespace

int main(int argc, char** argv) {
  const std::int64_t lines = argc > 1 ? std::atoll(argv[1]) : 1'000'000;
  if (lines < 1 || lines > 12'000'000) {
    std::fprintf(stderr, "usage: bench_journal [LINES (1 to 12000000)] [FOLDER]\n");
    return 2;
  }
  const std::filesystem::path base =
      argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path();
  std::string pattern = (base / "zvd-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) Die("mkdtemp");
  const std::filesystem::path folder(pattern);

  const JournalEntry document = MakeDocument(lines);
  std::string error;
  auto writer = JournalWriter::Start(folder / "journal", &error);
  if (!writer) {
    std::fprintf(stderr, "bench_journal: %s\n", error.c_str());
    return 1;
  }

  // The baseline: the same number of bytes in one write to a new file, then
  // a sync. Like the journal, which replaces its previous version only once
  // the new one is on disk, each run writes a new file and the previous one
  // goes after it (untimed), so neither reuses the other's cached pages.
  std::string same;
  int plainRuns = 0;
  const auto plainWrite = [&]() -> double {
    const auto out = folder / ("plain-" + std::to_string(plainRuns++));
    const auto started = std::chrono::steady_clock::now();
    const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) Die("create");
    for (std::size_t at = 0; at < same.size();) {
      const ssize_t n = ::write(fd, same.data() + at, same.size() - at);
      if (n < 0 && errno != EINTR) Die("write");
      if (n > 0) at += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) Die("fsync");
    ::close(fd);
    const double took = Seconds(started);
    if (plainRuns > 1) std::filesystem::remove(folder / ("plain-" + std::to_string(plainRuns - 2)));
    return took;
  };

  // The two alternate, so a machine busy with other work slows both alike.
  double plain = 1e30;
  double journal = 1e30;
  double copy = 1e30;
  double submit = 1e30;
  std::uint64_t bytes = 0;
  for (int run = 0; run < kRuns; ++run) {
    auto started = std::chrono::steady_clock::now();
    // What the window copies at a save point, into the writer's spare.
    JournalEntry entry = writer->TakeSpare();
    entry = document;
    copy = std::min(copy, Seconds(started));
    started = std::chrono::steady_clock::now();
    writer->Submit(1, std::move(entry));
    submit = std::min(submit, Seconds(started));
    writer->Flush();
    if (!writer->LastError().empty()) Die(writer->LastError());
    // The writer's own measure: encoding, writing and syncing.
    journal = std::min(journal, static_cast<double>(writer->LastWriteCost().microseconds) / 1e6);
    bytes = writer->LastWriteCost().bytes;
    if (same.size() != bytes) same.assign(bytes, 'x');
    plain = std::min(plain, plainWrite());
  }

  writer->Remove(1);
  writer.reset();
  std::filesystem::remove_all(folder);

  std::printf("journal of a %lld-line numbered document: %.1f MB, best of %d runs\n",
              static_cast<long long>(lines), static_cast<double>(bytes) / 1e6, kRuns);
  std::printf("  plain write + fsync               %9.1f ms\n", plain * 1e3);
  std::printf("  journal write (writer thread)     %9.1f ms   %.2fx the plain write\n",
              journal * 1e3, journal / plain);
  std::printf("  user-interface thread: copy       %9.1f ms\n", copy * 1e3);
  std::printf("  user-interface thread: Submit     %9.3f ms\n", submit * 1e3);
  return 0;
}
