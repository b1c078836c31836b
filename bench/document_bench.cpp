// Loading and saving a large document, against reading and writing the same
// bytes with plain read() and write() calls.
//
// Two files of the same size are made in a fresh temporary folder: a
// record-form file (an MPE header, then 1,000,000 fixed 80-byte records with
// 8-digit sequence numbers in columns 73-80) and a plain text file (1,000,000
// lines of 80 characters ending in CR LF). Each operation runs three times and
// the best run counts; the files stay in the page cache throughout, so the
// figures compare the work done on the bytes, not the disk.
//
//   bench_document [LINES] [FOLDER]
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "documents/document_format.h"
#include "documents/document_loader.h"
#include "documents/header_records.h"
#include "documents/load_request.h"
#include "documents/save_request.h"
#include "editor/control_document.h"

using namespace vandrel;

namespace {

constexpr int kRuns = 3;
constexpr std::size_t kChunk = 1 << 20;
constexpr std::int32_t kNumberColumn = 72;  // columns 73-80
constexpr std::int32_t kNumberDigits = 8;
constexpr std::int32_t kNumberStart = 10;
constexpr std::int32_t kNumberIncrement = 10;

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "bench_document: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(1);
}

// A COBOL-like line of exactly 72 characters, different on every line.
std::string SourceLine(std::int64_t i) {
  static const char* const kVerbs[] = {"MOVE", "ADD", "COMPUTE", "PERFORM", "IF", "DISPLAY"};
  char text[96];
  std::snprintf(text, sizeof text, "           %s WS-FIELD-%07lld TO WS-TOTAL-%03lld.",
                kVerbs[i % 6], static_cast<long long>(i), static_cast<long long>(i % 997));
  std::string line(text);
  line.resize(kNumberColumn, ' ');
  return line;
}

void WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, std::min(size, kChunk));
    if (n < 0) {
      if (errno == EINTR) continue;
      Die("write");
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) Die("create " + path.string());
  WriteAll(fd, bytes.data(), bytes.size());
  if (::close(fd) != 0) Die("close " + path.string());
}

DocumentFormat RecordFormat(std::int64_t lines) {
  DocumentFormat format;
  format.formatFlags = kFormatRecordForm;
  MpeHeader& m = format.mpe;
  m.mver = 1;
  m.fcode = 1052;
  m.reclen = 80;
  m.bfact = 1;
  m.type = 0;
  m.mode = 1;
  m.eof = static_cast<std::int32_t>(lines);
  m.limit = static_cast<std::int32_t>(lines);
  return format;
}

std::string MakeRecordFile(std::int64_t lines) {
  const std::optional<HeaderBlock> header = BuildHeaderBlock(RecordFormat(lines));
  if (!header) Die("header");
  std::string out(header->bytes.begin(), header->bytes.end());
  out.reserve(out.size() + static_cast<std::size_t>(lines) * 82);
  char number[24];  // room for any 64-bit value
  for (std::int64_t i = 0; i < lines; ++i) {
    out += static_cast<char>(0);
    out += static_cast<char>(80);
    out += SourceLine(i);
    std::snprintf(number, sizeof number, "%08lld",
                  static_cast<long long>(kNumberStart + i * kNumberIncrement));
    out += number;
  }
  return out;
}

// Lines of 80 characters and CR LF: the same size as the records, header aside.
std::string MakeTextFile(std::int64_t lines, std::size_t size) {
  std::string out;
  out.reserve(size);
  for (std::int64_t i = 0; i < lines; ++i) {
    std::string line = SourceLine(i);
    line.resize(80, ' ');
    line[79] = '.';
    out += line;
    out += "\r\n";
  }
  // Pad the last line so that both files hold the same number of bytes.
  if (out.size() < size) out.insert(out.size() - 2, size - out.size(), 'x');
  return out;
}

// The best of kRuns runs of `run`, in seconds. `prepare` runs before each run
// and `finish` after it, both untimed.
double Best(const std::function<void()>& run, const std::function<void()>& prepare = {},
            const std::function<void()>& finish = {}) {
  double best = 1e30;
  for (int i = 0; i < kRuns; ++i) {
    if (prepare) prepare();
    const auto start = std::chrono::steady_clock::now();
    run();
    const auto end = std::chrono::steady_clock::now();
    if (finish) finish();
    best = std::min(best, std::chrono::duration<double>(end - start).count());
  }
  return best;
}

// Reads the whole file into `buffer` with read() calls of 1 MiB.
void RawRead(const std::filesystem::path& path, std::vector<char>& buffer) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Die("open " + path.string());
  std::size_t done = 0;
  while (true) {
    if (done == buffer.size()) buffer.resize(buffer.size() * 2 + kChunk);
    const ssize_t n = ::read(fd, buffer.data() + done, std::min(buffer.size() - done, kChunk));
    if (n < 0) {
      if (errno == EINTR) continue;
      Die("read");
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
}

struct Figure {
  const char* name;
  double seconds;
};

void Print(const Figure& figure, std::size_t bytes, const Figure* baseline) {
  const double mb = static_cast<double>(bytes) / 1e6;
  std::printf("  %-44s %8.1f ms %9.1f MB/s", figure.name, figure.seconds * 1e3,
              mb / figure.seconds);
  if (baseline != nullptr) {
    std::printf("   %5.2fx %s", figure.seconds / baseline->seconds, baseline->name);
  }
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  const std::int64_t lines = argc > 1 ? std::atoll(argv[1]) : 1'000'000;
  if (lines < 1 || lines > 12'000'000) {
    std::fprintf(stderr, "usage: bench_document [LINES (1 to 12000000)] [FOLDER]\n");
    return 2;
  }
  std::filesystem::path base =
      argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path();
  std::string pattern = (base / "zvd-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) Die("mkdtemp");
  const std::filesystem::path folder(pattern);
  const auto records = folder / "records.dat";
  const auto text = folder / "text.txt";
  const auto out = folder / "out";

  const std::string recordBytes = MakeRecordFile(lines);
  const std::string textBytes = MakeTextFile(lines, recordBytes.size());
  WriteFile(records, recordBytes);
  WriteFile(text, textBytes);
  const std::size_t size = recordBytes.size();
  std::printf("document load and save: %lld lines, %.1f MB per file, best of %d runs\n",
              static_cast<long long>(lines), static_cast<double>(size) / 1e6, kRuns);

  // ---- baselines --------------------------------------------------------------
  std::vector<char> buffer(size + 1);
  const Figure rawRead{"raw read", Best([&] { RawRead(records, buffer); })};
  // For comparison: the same into a newly allocated buffer, as a reader that
  // keeps the bytes must do (its first touch of every page is a page fault).
  const Figure freshRead{"raw read into a new buffer", Best([&] {
                           std::vector<char> fresh(size + 1);
                           RawRead(records, fresh);
                         })};
  // Every write goes to a new file: the old one is removed untimed, since
  // truncating a file whose pages are being written back costs more than
  // writing it.
  const auto removeOut = [&] { std::filesystem::remove(out); };
  const Figure rawWrite{
      "raw write", Best(
                       [&] {
                         const int fd =
                             ::open(out.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
                         if (fd < 0) Die("create");
                         WriteAll(fd, recordBytes.data(), recordBytes.size());
                         ::close(fd);
                       },
                       removeOut)};

  // ---- loading ---------------------------------------------------------------------
  // Record form: numbers taken out at column 73, 8 digits, regenerated on save.
  std::unique_ptr<ControlDocument> recordControl;
  std::string recordText;
  DocumentFormat recordFormat;
  const Figure recordLoad{
      "load records (numbers 73-80 taken out)",
      Best(
          [&] {
            recordFormat = DocumentFormat{};
            recordFormat.formatFlags = kFormatRecordForm;
            LoadOptions options;
            LoadedDocument loaded = LoadDocument(records, recordFormat, options);
            if (!loaded) Die("load records");
            recordFormat.numbering = {kNumberColumn, kNumberDigits, kNumberStart, kNumberIncrement};
            recordFormat.editFlags = kEditRemoveLineNumbers | kEditRenumber;
            const LoadRequest request =
                BuildLoadRequest(recordFormat, loaded.file.get(), loaded.dataOffset);
            ApplyLoadRequestNumbering(recordFormat, request);
            LoadOutcome outcome = recordControl->Load(request);
            if (outcome.code != kLoadResultOk) Die("control load records");
            recordText = std::move(outcome.text);
          },
          [&] {
            recordControl = std::make_unique<ControlDocument>();
            recordText = std::string();
          })};
  if (recordControl->LineCount() != lines) Die("line count");

  std::unique_ptr<ControlDocument> textControl;
  std::string textText;
  DocumentFormat textFormat;
  const Figure textLoad{"load text (CR LF)",
                        Best(
                            [&] {
                              textFormat = DocumentFormat{};
                              textFormat.formatFlags = kFormatLocal;
                              LoadOptions options;
                              LoadedDocument loaded = LoadDocument(text, textFormat, options);
                              if (!loaded) Die("load text");
                              const LoadRequest request = BuildLoadRequest(
                                  textFormat, loaded.file.get(), loaded.dataOffset);
                              LoadOutcome outcome = textControl->Load(request);
                              if (outcome.code != kLoadResultOk) {
                                Die("control load text");
                              }
                              textText = std::move(outcome.text);
                            },
                            [&] {
                              textControl = std::make_unique<ControlDocument>();
                              textText = std::string();
                            })};

  // ---- saving ----------------------------------------------------------------------
  const auto saveTo = [&](const ControlDocument& control, const std::string& textOfLines,
                          const DocumentFormat& format) {
    const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) Die("create");
    std::int64_t offset = 0;
    if (format.IsRecordForm()) {
      const std::optional<HeaderBlock> header = BuildHeaderBlock(format);
      if (!header) Die("header");
      WriteAll(fd, reinterpret_cast<const char*>(header->bytes.data()), header->bytes.size());
      offset = static_cast<std::int64_t>(header->bytes.size());
    }
    const SaveRequest request = BuildSaveRequest(format, fd, offset);
    if (!control.Save(textOfLines, request)) Die("save");
    ::close(fd);
  };
  const Figure recordSave{
      "save records (numbers regenerated)",
      Best([&] { saveTo(*recordControl, recordText, recordFormat); }, removeOut)};
  const auto sameBytes = [&](const std::string& expected) {
    std::vector<char> back(size + 1);
    const std::size_t got = std::filesystem::file_size(out);
    RawRead(out, back);
    return got == expected.size() && std::memcmp(back.data(), expected.data(), got) == 0;
  };
  if (!sameBytes(recordBytes)) Die("the saved record file differs from the loaded one");
  const Figure textSave{"save text (CR LF)",
                        Best([&] { saveTo(*textControl, textText, textFormat); }, removeOut)};
  if (!sameBytes(textBytes)) Die("the saved text file differs from the loaded one");

  Print(rawRead, size, nullptr);
  Print(freshRead, size, &rawRead);
  Print(rawWrite, size, nullptr);
  Print(recordLoad, size, &rawRead);
  Print(textLoad, size, &rawRead);
  Print(recordSave, size, &rawWrite);
  Print(textSave, size, &rawWrite);
  const double worstLoad = std::max(recordLoad.seconds, textLoad.seconds) / rawRead.seconds;
  const double worstSave = std::max(recordSave.seconds, textSave.seconds) / rawWrite.seconds;
  std::printf("  load/raw-read %.2fx, save/raw-write %.2fx (target: within 3x each)%s\n", worstLoad,
              worstSave, worstLoad <= 3 && worstSave <= 3 ? "" : "  MISSED");

  std::error_code error;
  std::filesystem::remove_all(folder, error);
  return 0;
}
