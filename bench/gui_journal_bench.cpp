// Typing into a 1,000,000-line numbered source with the journal of unsaved
// edits on, against the same typing with it off, in the same run.
//
// An editor window holds the file (opened before the clock starts). Keys
// are typed one at a time at a steady pace, with a pause after every burst
// so that the journal takes a save point; every pass of the event loop is
// timed, and the longest is the longest the user-interface thread was held
// (the save point's copy of the text and line data included). The journal's
// own cost per save point (encoding, writing, syncing, on its thread) is
// reported beside the baseline of writing the same number of bytes.
//
//   longest stall, journal on     target: under 16 ms
//   longest stall, journal off    the baseline: typing alone
//
//   bench_gui_journal [LINES] [BURSTS]
#include <Qsci/qsciscintilla.h>
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "core/app_settings.h"
#include "core/user_interface.h"
#include "editor/ui/editor_window.h"
#include "shell/frame_journal.h"

using namespace vandrel;

namespace {

constexpr double kTargetMs = 16.0;

class SilentUserInterface final : public UserInterface {
 public:
  int ShowMessage(const std::string&, const std::string& text, unsigned) override {
    std::fprintf(stderr, "bench_gui_journal: message: %s\n", text.c_str());
    return kIdNo;
  }
};

std::string Source(long lines) {
  std::string text;
  text.reserve(static_cast<std::size_t>(lines) * 48);
  char line[96];
  for (long i = 0; i < lines; ++i) {
    const int n = std::snprintf(line, sizeof line, "%06ld     MOVE %06ld TO WS-TOTAL-%04ld.\n",
                                (i + 1) % 1000000, i, i % 10000);
    text.append(line, static_cast<std::size_t>(n));
  }
  return text;
}

struct Typing {
  double longestMs = 0;
  double moveMs = 0;  // the longest pass after moving the caret far away
  int savePoints = 0;
  JournalWriteCost cost;
};

// Runs the event loop for `ms`, timing each pass.
void Idle(int ms, double& longest) {
  QElapsedTimer total;
  total.start();
  while (total.elapsed() < ms) {
    QElapsedTimer pass;
    pass.start();
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    longest = std::max(longest, pass.nsecsElapsed() / 1e6);
    ::usleep(2000);
  }
}

Typing Type(const std::filesystem::path& file, int bursts, shell::FrameJournal* journal) {
  AppSettings settings;
  settings.DetectLineNoPrompt = 1;
  SilentUserInterface userInterface;
  ui::EditorServices services;
  services.settings = &settings;
  services.ui = &userInterface;
  services.journal = journal;
  std::unique_ptr<ui::EditorWindow> window(
      ui::EditorWindow::OpenLocal(services, file.string(), "", false));
  if (!window) {
    std::fprintf(stderr, "bench_gui_journal: cannot open the editor window\n");
    std::exit(1);
  }
  window->resize(900, 700);
  window->show();
  QApplication::processEvents();
  QsciScintilla* view = window->control()->scintilla();
  Typing typing;
  // The first burst warms up what any first edit pays once (the view's
  // first paint there, the journal's first buffers); it is not counted.
  for (int burst = 0; burst <= bursts; ++burst) {
    if (burst == 1) typing = Typing{};
    // Forty keys at about 25 a second somewhere in the middle of the file,
    // then a pause long enough for a save point.
    const int line = 500000 + burst * 1000;
    // Moving there (scrolling, painting) is not typing: it settles first.
    view->setCursorPosition(line, 12);
    double moving = 0;
    Idle(300, moving);
    typing.moveMs = std::max(typing.moveMs, moving);
    for (int key = 0; key < 40; ++key) {
      QElapsedTimer pass;
      pass.start();
      view->SendScintilla(QsciScintillaBase::SCI_ADDTEXT, 1UL, "x");
      QApplication::processEvents(QEventLoop::AllEvents, 5);
      typing.longestMs = std::max(typing.longestMs, pass.nsecsElapsed() / 1e6);
      Idle(40, typing.longestMs);
    }
    Idle(1600, typing.longestMs);
    if (journal != nullptr) {
      journal->Flush();
      const JournalWriteCost cost = journal->lastWriteCost();
      if (cost.bytes > 0) {
        ++typing.savePoints;
        typing.cost.bytes = cost.bytes;
        typing.cost.microseconds = std::max(typing.cost.microseconds, cost.microseconds);
      }
    }
  }
  return typing;
}

double PlainWriteMs(const std::filesystem::path& folder, std::uint64_t bytes) {
  const std::string block(1 << 20, 'x');
  const auto start = std::chrono::steady_clock::now();
  const int fd = ::open((folder / "plain").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  for (std::uint64_t done = 0; done < bytes;) {
    const auto n = std::min<std::uint64_t>(block.size(), bytes - done);
    if (::write(fd, block.data(), n) <= 0) break;
    done += n;
  }
  ::fsync(fd);
  ::close(fd);
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

int main(int argc, char** argv) {
  const long lines = argc > 1 ? std::atol(argv[1]) : 1000000;
  const int bursts = argc > 2 ? std::max(1, std::atoi(argv[2])) : 4;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  QApplication app(qtArgc, argv);

  char folderTemplate[] = "/tmp/zvdbenchXXXXXX";
  if (::mkdtemp(folderTemplate) == nullptr) return 1;
  const std::filesystem::path folder(folderTemplate);
  const std::filesystem::path file = folder / "source.cbl";
  {
    const std::string text = Source(lines);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
      return 1;
    }
    ::close(fd);
  }

  const Typing off = Type(file, bursts, nullptr);
  Typing on;
  {
    shell::FrameJournal journal(folder / "journal", {});
    if (!journal.running()) {
      std::fprintf(stderr, "bench_gui_journal: %s\n", journal.startError().c_str());
      return 1;
    }
    on = Type(file, bursts, &journal);
  }
  const double plain = PlainWriteMs(folder, on.cost.bytes);
  std::filesystem::remove_all(folder);

  std::printf(
      "typing into %ld lines, %d bursts of 40 keys with a pause after each "
      "(after one burst to warm up)\n",
      lines, bursts);
  std::printf("  longest stall, journal off   %8.1f ms  (baseline)\n", off.longestMs);
  std::printf("  longest stall, journal on    %8.1f ms  ratio %.2f  target under %.0f ms: %s\n",
              on.longestMs, off.longestMs > 0 ? on.longestMs / off.longestMs : 0.0, kTargetMs,
              on.longestMs < kTargetMs ? "met" : "MISSED");
  std::printf("  (moving the caret 1000 lines: longest pass %.1f ms off, %.1f ms on; not typing)\n",
              off.moveMs, on.moveMs);
  std::printf("  save points written          %8d\n", on.savePoints);
  std::printf("  journal write per save point %8.1f ms  for %.1f MB (writer thread)\n",
              on.cost.microseconds / 1000.0, on.cost.bytes / 1e6);
  std::printf("  plain write+fsync same bytes %8.1f ms  ratio %.2f\n", plain,
              plain > 0 ? on.cost.microseconds / 1000.0 / plain : 0.0);
  return 0;
}
