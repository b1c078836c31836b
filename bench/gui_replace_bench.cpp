// Replace All of a common token in a large file, against sed -i s/OLD/NEW/g
// on the same file in the same run.
//
// A 1,000,000-line COBOL-like source is made in a fresh temporary folder;
// every line holds the token TOTAL once, every fourth line twice.
//
//   sed    sed -i s/TOTAL/AMOUNT/g on a copy of the file: fork, exec, wait
//          (wall time; the copy is made before the clock starts).
//   core   read the file, ReplaceAllInText over the whole text, write the
//          result to a new file: what vandrel-cli doc find --replace does
//          beneath its loading and saving.
//   gui    the Replace dialog's road: an editor window holding the file
//          (opened before the clock starts), EditorFinder::ReplaceAll over
//          the whole file through the edit control, as one undo step; then,
//          for information, the one Undo that takes it back.
//
// Each kind runs RUNS times; the medians count. The file stays in the page
// cache throughout. Ratios are kind / sed; the target is 3.
//
//   bench_gui_replace [LINES] [RUNS]
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/app_settings.h"
#include "core/user_interface.h"
#include "editor/find_model.h"
#include "editor/text_search.h"
#include "editor/ui/editor_finder.h"
#include "editor/ui/editor_window.h"

using namespace vandrel;

namespace {

constexpr double kTarget = 3.0;
using Clock = std::chrono::steady_clock;

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "bench_gui_replace: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(1);
}

class SilentUserInterface final : public UserInterface {
 public:
  int ShowMessage(const std::string&, const std::string& text, unsigned) override {
    std::fprintf(stderr, "bench_gui_replace: message: %s\n", text.c_str());
    return kIdOk;
  }
};

std::string Source(long lines) {
  std::string text;
  text.reserve(static_cast<std::size_t>(lines) * 48);
  char line[96];
  for (long i = 0; i < lines; ++i) {
    const int n =
        i % 4 == 0
            ? std::snprintf(line, sizeof line, "           ADD WS-TOTAL TO TOTAL-%06ld.\n", i)
            : std::snprintf(line, sizeof line, "           MOVE %06ld TO WS-TOTAL.\n", i);
    text.append(line, static_cast<std::size_t>(n));
  }
  return text;
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Die("read " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::filesystem::path& path, std::string_view text) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) Die("write " + path.string());
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) Die("write " + path.string());
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
}

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

double RunSed(const std::filesystem::path& file) {
  const auto start = Clock::now();
  const pid_t child = ::fork();
  if (child < 0) Die("fork");
  if (child == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) ::dup2(null, 1);
    ::execlp("sed", "sed", "-i", "s/TOTAL/AMOUNT/g", file.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) < 0) Die("waitpid");
  const double seconds = Seconds(start);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "bench_gui_replace: sed failed\n");
    std::exit(1);
  }
  return seconds;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const long lines = argc > 1 ? std::atol(argv[1]) : 1000000;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  QApplication app(qtArgc, argv);

  char folderTemplate[] = "/tmp/zvdbenchXXXXXX";
  if (::mkdtemp(folderTemplate) == nullptr) Die("mkdtemp");
  const std::filesystem::path folder(folderTemplate);
  const std::filesystem::path original = folder / "source.cbl";
  const std::string text = Source(lines);
  WriteAll(original, text);

  std::vector<double> sed, core, gui, undo;
  std::int64_t sedCount = 0, coreCount = 0, guiCount = 0;
  const std::string expected = [&] {
    const TextMatcher matcher("TOTAL", kSearchForward | kSearchMatchCase);
    return ReplaceAllInText(text, 0, text.size(), matcher, "AMOUNT").text;
  }();
  for (int run = 0; run < runs; ++run) {
    // sed on a fresh copy.
    const std::filesystem::path copy = folder / "sed.cbl";
    std::filesystem::copy_file(original, copy, std::filesystem::copy_options::overwrite_existing);
    sed.push_back(RunSed(copy));
    sedCount = ReadAll(copy) == expected ? 1 : -1;

    // The core: read, replace, write.
    {
      const auto start = Clock::now();
      const std::string read = ReadAll(original);
      const TextMatcher matcher("TOTAL", kSearchForward | kSearchMatchCase);
      const ReplaceAllResult result = ReplaceAllInText(read, 0, read.size(), matcher, "AMOUNT");
      WriteAll(folder / "core.cbl", result.text);
      core.push_back(Seconds(start));
      coreCount = result.count;
      if (result.text != expected) coreCount = -1;
    }

    // The editor: the window opened first, then the replacement timed.
    {
      AppSettings settings;
      SilentUserInterface userInterface;
      FindSession session(&settings);
      ui::EditorServices services;
      services.settings = &settings;
      services.ui = &userInterface;
      std::unique_ptr<ui::EditorWindow> window(
          ui::EditorWindow::OpenLocal(services, original.string(), "", false));
      if (!window) Die("open the editor window");
      window->resize(900, 700);
      window->show();
      QApplication::processEvents();
      ui::EditorFinder finder(*window->control(), userInterface, session);
      const auto start = Clock::now();
      guiCount = finder.ReplaceAll("TOTAL", "AMOUNT", kSearchForward | kSearchMatchCase, false);
      QApplication::processEvents();
      gui.push_back(Seconds(start));
      // The view holds the text without the last line's end.
      const auto withoutLastEnd = [](std::string_view t) {
        return t.empty() || t.back() != '\n' ? t : t.substr(0, t.size() - 1);
      };
      if (window->control()->Text() != withoutLastEnd(expected)) guiCount = -1;
      // The one Undo that takes it all back.
      const auto undoStart = Clock::now();
      window->control()->Undo();
      QApplication::processEvents();
      undo.push_back(Seconds(undoStart));
      if (window->control()->Text() != withoutLastEnd(text)) guiCount = -1;
    }
  }
  std::filesystem::remove_all(folder);

  const double sedTime = Median(sed);
  const double coreTime = Median(core);
  const double guiTime = Median(gui);
  std::printf("replace all: %ld lines, %.1f MB, TOTAL -> AMOUNT, %d runs (medians)\n", lines,
              static_cast<double>(text.size()) / 1e6, runs);
  std::printf("  sed -i          %8.3f s%s\n", sedTime, sedCount < 0 ? "  (output differs!)" : "");
  std::printf("  core            %8.3f s  ratio %5.2f  %s  (%lld replaced%s)\n", coreTime,
              coreTime / sedTime, coreTime / sedTime <= kTarget ? "within 3x" : "MISS",
              static_cast<long long>(coreCount), coreCount < 0 ? ", WRONG TEXT" : "");
  std::printf("  edit control    %8.3f s  ratio %5.2f  %s  (%lld replaced%s)\n", guiTime,
              guiTime / sedTime, guiTime / sedTime <= kTarget ? "within 3x" : "MISS",
              static_cast<long long>(guiCount), guiCount < 0 ? ", WRONG TEXT" : "");
  if (!undo.empty()) {
    std::printf("  its undo        %8.3f s  ratio %5.2f  (information)\n", Median(undo),
                Median(undo) / sedTime);
  }
  return 0;
}
