// The Code Navigator of a large COBOL source against loading that source.
//
// A numbered COBOL program of 1,000,000 lines is made in a fresh temporary
// folder: sequence numbers in columns 1-6, change tags in columns 73-80 on
// some lines, divisions, a working storage of group and elementary items with
// COPY statements, and a procedure division of sections, a paragraph about
// every 20 lines, MOVE, IF, PERFORM, CALL ... USING and comment lines. Two
// things are timed, each the best of three runs with the file in the page
// cache:
// - loading it as the editor does with a COBOL template that numbers columns
//   1-6 (the loader, then the edit control's load with the numbers taken out);
// - parsing it with the shipped cobol.vdx through ParseDocument, the
//   editor's road: the parser host, the symbol stream, the tree, the sort.
// The target is a parse no slower than the load. Without cobol.vdx in the
// build's extensions folder the benchmark says so and stops.
//
//   bench_navigator [LINES] [FOLDER]
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "documents/document_format.h"
#include "documents/document_loader.h"
#include "documents/load_request.h"
#include "editor/control_document.h"
#include "platform/install_paths.h"
#include "templates/navigator/navigator.h"
#include "templates/template.h"
#include "templates/template_catalogue.h"

using namespace vandrel;

namespace {

constexpr int kRuns = 3;
constexpr std::int32_t kNumberDigits = 6;  // columns 1-6
constexpr char kTemplateName[] = "Bench COBOL";

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "bench_navigator: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(1);
}

// One record: sequence number, then the text from column 7, padded to column
// 72, then a change tag on some lines.
void AppendLine(std::string& out, std::int64_t number, std::string_view text, bool tagged) {
  char sequence[8];
  std::snprintf(sequence, sizeof sequence, "%06lld", static_cast<long long>(number % 1000000));
  const std::size_t start = out.size();
  out += sequence;
  out += text.substr(0, 66);
  if (tagged) {
    out.resize(start + 72, ' ');
    char tag[16];
    std::snprintf(tag, sizeof tag, "CHG%05lld", static_cast<long long>(number % 100000));
    out += tag;
  }
  out += '\n';
}

std::string MakeCobolSource(std::int64_t lines) {
  std::string out;
  out.reserve(static_cast<std::size_t>(lines) * 64);
  std::int64_t n = 0;
  char text[96];
  const auto line = [&](std::string_view body) {
    AppendLine(out, n, body, n % 9 == 4);
    ++n;
  };
  line(" IDENTIFICATION DIVISION.");
  line(" PROGRAM-ID. BIGPROG.");
  line("* A generated program for the navigator benchmark.");
  line(" ENVIRONMENT DIVISION.");
  line(" CONFIGURATION SECTION.");
  line(" DATA DIVISION.");
  line(" WORKING-STORAGE SECTION.");
  // A sixth of the program is data.
  const std::int64_t dataEnd = lines / 6;
  for (std::int64_t group = 0; n < dataEnd; ++group) {
    std::snprintf(text, sizeof text, " 01  WS-GROUP-%06lld.", static_cast<long long>(group));
    line(text);
    for (int item = 0; item < 8 && n < dataEnd; ++item) {
      std::snprintf(text, sizeof text, "     05  WS-FIELD-%06lld-%d  PIC X(%d).",
                    static_cast<long long>(group), item, 4 + item);
      line(text);
    }
    if (group % 50 == 0) {
      std::snprintf(text, sizeof text, " COPY CPY%05lld.", static_cast<long long>(group));
      line(text);
    }
  }
  line(" PROCEDURE DIVISION.");
  for (std::int64_t paragraph = 0; n < lines; ++paragraph) {
    if (paragraph % 50 == 0) {
      std::snprintf(text, sizeof text, " SECT-%05lld SECTION.", static_cast<long long>(paragraph));
      line(text);
    }
    std::snprintf(text, sizeof text, " PARA-%07lld.", static_cast<long long>(paragraph));
    line(text);
    for (int i = 0; i < 19 && n < lines; ++i) {
      const long long p = static_cast<long long>(paragraph);
      switch (i % 7) {
        case 0:
          std::snprintf(text, sizeof text, "*    STEP %d OF PARAGRAPH %lld", i, p);
          break;
        case 1:
          std::snprintf(text, sizeof text, "     MOVE WS-FIELD-%06lld-1 TO WS-FIELD-%06lld-2.",
                        p % 9999, (p + 1) % 9999);
          break;
        case 2:
          std::snprintf(text, sizeof text, "     IF WS-FIELD-%06lld-3 = SPACES", p % 9999);
          break;
        case 3:
          std::snprintf(text, sizeof text, "        PERFORM PARA-%07lld", p / 2);
          break;
        case 4:
          std::snprintf(text, sizeof text, "     END-IF.");
          break;
        case 5:
          std::snprintf(text, sizeof text, "     CALL \"SUB%04lld\" USING WS-GROUP-%06lld", p % 97,
                        p % 9999);
          break;
        default:
          std::snprintf(text, sizeof text, "     ADD 1 TO WS-FIELD-%06lld-4.", p % 9999);
          break;
      }
      line(text);
    }
  }
  return out;
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) Die("create " + path.string());
  const char* data = bytes.data();
  std::size_t size = bytes.size();
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      Die("write");
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) Die("close " + path.string());
}

// The best of kRuns runs of `run`, in seconds; `prepare` runs untimed before
// each.
double Best(const std::function<void()>& run, const std::function<void()>& prepare = {}) {
  double best = 1e30;
  for (int i = 0; i < kRuns; ++i) {
    if (prepare) prepare();
    const auto start = std::chrono::steady_clock::now();
    run();
    const auto end = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double>(end - start).count());
  }
  return best;
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

std::size_t CountSymbols(const NavigatorItem& item) {
  std::size_t count = item.children.size();
  for (const auto& child : item.children) count += CountSymbols(*child);
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  const std::int64_t lines = argc > 1 ? std::atoll(argv[1]) : 1'000'000;
  if (lines < 100 || lines > 10'000'000) {
    std::fprintf(stderr, "usage: bench_navigator [LINES (100 to 10000000)] [FOLDER]\n");
    return 2;
  }
  const std::filesystem::path extensions = platform::DefaultExtensionsFolder();
  std::error_code missing;
  if (!std::filesystem::is_regular_file(extensions / "cobol.vdx", missing)) {
    std::printf("navigator: skipped, no cobol.vdx in %s (build the extensions first)\n",
                extensions.c_str());
    return 0;
  }

  std::filesystem::path base =
      argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path();
  std::string pattern = (base / "zvd-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) Die("mkdtemp");
  const std::filesystem::path folder(pattern);
  const auto source = folder / "bigprog.cbl";
  const std::string bytes = MakeCobolSource(lines);
  WriteFile(source, bytes);

  // A template naming the shipped extension, as a COBOL template does.
  std::filesystem::create_directories(folder / "templates");
  Template cobol(folder / "templates" / "cobol.vdt");
  cobol.settings.Name = kTemplateName;
  cobol.settings.SyntaxParser = "cobol.vdx";
  if (!cobol.Save()) Die("template");
  TemplateCatalogue catalogue;
  if (!catalogue.LoadCatalogue({(folder / "templates").string(), "", extensions.string()},
                               nullptr)) {
    Die("catalogue");
  }
  std::printf("navigator: %lld numbered COBOL lines, %.1f MB, best of %d runs\n",
              static_cast<long long>(lines), static_cast<double>(bytes.size()) / 1e6, kRuns);

  std::unique_ptr<ControlDocument> control;
  const Figure load{"load (numbers in columns 1-6 taken out)",
                    Best(
                        [&] {
                          DocumentFormat format;
                          format.formatFlags = kFormatLocal;
                          LoadOptions options;
                          LoadedDocument loaded = LoadDocument(source, format, options);
                          if (!loaded) Die("load");
                          format.numbering = {1, kNumberDigits, 1000, 100};
                          format.editFlags = kEditRemoveLineNumbers;
                          const LoadRequest request =
                              BuildLoadRequest(format, loaded.file.get(), loaded.dataOffset);
                          ApplyLoadRequestNumbering(format, request);
                          LoadOutcome outcome = control->Load(request);
                          if (outcome.code != kLoadResultOk) Die("control load");
                        },
                        [&] { control = std::make_unique<ControlDocument>(); })};
  if (control->LineCount() != lines) Die("line count");

  std::unique_ptr<Navigator> navigator;
  const ParseObserver observer;
  const Figure parse{
      "parse with cobol.vdx (host, stream, tree, sort)",
      Best([&] { navigator = ParseDocument(catalogue, kTemplateName, source.string(), observer); },
           [&] { navigator.reset(); })};
  if (!navigator) {
    std::printf("navigator: cobol.vdx failed on the generated source\n");
    return 1;
  }

  Print(load, bytes.size(), nullptr);
  Print(parse, bytes.size(), &load);
  const double ratio = parse.seconds / load.seconds;
  std::printf("  %zu symbols; parse/load %.2fx (target: within 1x)%s\n",
              CountSymbols(navigator->root()), ratio, ratio <= 1 ? "" : "  MISSED");

  std::error_code error;
  std::filesystem::remove_all(folder, error);
  return 0;
}
