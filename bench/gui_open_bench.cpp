// Opening a large fixed-form source in an editor window, against the core
// load of the same file (the loader and the control document, no Qt).
//
// A 1,000,000-line FORTRAN-like source is made in a fresh temporary folder:
// 80-column lines ending in LF, statements in columns 1-72, an 8-digit
// sequence number in columns 73-80. It is opened with a template that takes
// the numbers out of the text and keeps them, as the FORTRAN 77 template
// does.
//
//   core   the load path under EditorWindow::OpenLocal without the view:
//          LoadDocument (line ends, number detection), the template's editing
//          part, the load request and ControlDocument::Load.
//   gui    EditorWindow::OpenLocal, then showing the window (offscreen) and
//          running the event loop until the text view has painted once.
//
// Every measurement runs in a child process of its own (this program run
// again), so its peak memory is its own: the peak is reset just before the
// open (/proc/self/clear_refs) and read from VmHWM after it; the pages of
// the file that the loader maps count as well. The children
// alternate between the two kinds; the medians count. The file stays in the
// page cache throughout, so the figures compare the work done, not the disk.
//
//   bench_gui_open [LINES] [FOLDER] [RUNS]
#include <Qsci/qsciscintilla.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/app_settings.h"
#include "core/user_interface.h"
#include "documents/document_format.h"
#include "documents/document_loader.h"
#include "documents/load_request.h"
#include "editor/control_document.h"
#include "editor/ui/editor_window.h"
#include "templates/apply_template.h"
#include "templates/template.h"
#include "templates/template_catalogue.h"

using namespace vandrel;

namespace {

constexpr int kDefaultRuns = 5;
constexpr double kTimeTarget = 2.0;    // open / core load
constexpr double kMemoryTarget = 4.0;  // peak growth / file size
constexpr std::int64_t kNumberStart = 1000;
// 1000 would run past 8 digits after 99,999 lines.
constexpr std::int64_t kNumberIncrement = 10;
constexpr char kTemplateName[] = "FORTRAN 77";

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "bench_gui_open: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(1);
}

// ---- The source ---------------------------------------------------------------------

// A fixed-form line of exactly 72 columns, different on every line: comments
// with C in column 1, statements from column 7, now and then a label.
std::string SourceLine(std::int64_t i) {
  char text[96];
  const long long n = static_cast<long long>(i);
  switch (i % 8) {
    case 0:
      std::snprintf(text, sizeof text, "C     ACCUMULATE THE PARTIAL SUMS OF BLOCK %07lld", n);
      break;
    case 1:
      std::snprintf(text, sizeof text, "      DO %d K = 1, NROWS", static_cast<int>(100 + i % 900));
      break;
    case 2:
      std::snprintf(text, sizeof text, "         SUM%03d = SUM%03d + A(K, %lld) * B(%lld)",
                    static_cast<int>(i % 997), static_cast<int>(i % 997), n % 5000, n % 4096);
      break;
    case 3:
      std::snprintf(text, sizeof text, "         IF (SUM%03d .GT. XLIMIT) GOTO %d",
                    static_cast<int>(i % 997), static_cast<int>(100 + i % 900));
      break;
    case 4:
      std::snprintf(text, sizeof text, "  %3d CONTINUE", static_cast<int>(100 + i % 900));
      break;
    case 5:
      std::snprintf(text, sizeof text, "      WRITE (6, 9000) 'BLOCK', %lld, SUM%03d", n,
                    static_cast<int>(i % 997));
      break;
    case 6:
      std::snprintf(text, sizeof text, "      CALL CHKVAL(SUM%03d, IERR, 'ROUTINE %07lld')",
                    static_cast<int>(i % 997), n);
      break;
    default:
      std::snprintf(text, sizeof text, "     &   + XSCALE * REAL(%lld) / 2.5E0", n % 100000);
      break;
  }
  std::string line(text);
  line.resize(72, ' ');
  return line;
}

std::string MakeSource(std::int64_t lines) {
  std::string out;
  out.reserve(static_cast<std::size_t>(lines) * 81);
  char number[24];  // room for any 64-bit value
  for (std::int64_t i = 0; i < lines; ++i) {
    out += SourceLine(i);
    std::snprintf(number, sizeof number, "%08lld",
                  static_cast<long long>(kNumberStart + i * kNumberIncrement));
    out.append(number, 8);
    out += '\n';
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

// ---- What an open needs --------------------------------------------------------------

// The FORTRAN 77 template's settings: numbers in columns 73-80 taken out and
// kept, statements up to column 72, C in column 1 for a comment.
std::unique_ptr<Template> FortranTemplate() {
  auto t = std::make_unique<Template>();
  TemplateSettings& s = t->settings;
  s.Name = kTemplateName;
  s.TabStops = 3;
  s.CustomEdit = 1;
  s.SmartIndenting = 1;
  s.Ruler = 1;
  s.SaveTabsAsSpaces = 1;
  s.AddTabsAsSpaces = 1;
  s.Trim = 1;
  s.TabPositions = "7,10,13,16,19,22,25,28,31,34,37,40,43,46,49,52,55,58,61,64,67";
  s.MPEFileSupport = kMpeSupportStandard;
  s.MPERecordLen = 80;
  s.MPEMode = 1;
  s.RemoveLineNumbers = 1;
  s.KeepSequence = 1;
  s.MPELineNoFormat = 1;
  s.LineNumberPosition = 2;
  s.LineNumberDigits = 8;
  s.LineNumberStart = 1000;
  s.LineNumberIncrement = 1000;
  s.IntelliSequence = 1;
  s.MaximumLineLength = 72;
  s.LineComment = "C";
  s.LineCommentPos = 1;
  s.Delimiters = " \t()=+-*/,:'\"";
  s.SingleQuotes = 1;
  t->keywords[0].Parse(
      "CALL\nCHARACTER\nCOMMON\nCONTINUE\nDIMENSION\nDO\nELSE\nEND\nENDIF\nFORMAT\nFUNCTION\nGOTO\n"
      "IF\nINTEGER\nREAL\nRETURN\nSUBROUTINE\nTHEN\nWRITE",
      '\n', false);
  t->keywords[1].Parse(".GT.\n.LT.\n.EQ.\n.NE.\n.AND.\n.OR.\n.NOT.", '\n', false);
  return t;
}

// Every question gets its first answer; an open of the generated file asks none.
class SilentUserInterface final : public UserInterface {
 public:
  int ShowMessage(const std::string& caption, const std::string& text, unsigned) override {
    std::fprintf(stderr, "bench_gui_open: unexpected message: %s: %s\n", caption.c_str(),
                 text.c_str());
    return kIdYes;
  }
};

// ---- Memory of this process ------------------------------------------------------------

// A "VmXXX:" figure of /proc/self/status in bytes; -1 when missing.
std::int64_t StatusBytes(const char* field) {
  FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return -1;
  char line[256];
  std::int64_t value = -1;
  const std::size_t length = std::strlen(field);
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
      value = std::atoll(line + length + 1) * 1024;
      break;
    }
  }
  std::fclose(status);
  return value;
}

// Makes the peak figure start again from the present size; false when the
// kernel does not offer it (the peak so far then stands as the start).
bool ResetPeak() {
  const int fd = ::open("/proc/self/clear_refs", O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool done = ::write(fd, "5", 1) == 1;
  ::close(fd);
  return done;
}

struct Measurement {
  double seconds = 0;
  std::int64_t peakGrowth = 0;  // bytes
  bool peakReset = false;
};

// Marks the start; the peak growth is read by Finish.
class Meter {
 public:
  Meter() {
    reset_ = ResetPeak();
    start_ = reset_ ? StatusBytes("VmRSS") : StatusBytes("VmHWM");
    begin_ = std::chrono::steady_clock::now();
  }
  Measurement Finish() const {
    const auto end = std::chrono::steady_clock::now();
    Measurement m;
    m.seconds = std::chrono::duration<double>(end - begin_).count();
    m.peakGrowth = StatusBytes("VmHWM") - start_;
    m.peakReset = reset_;
    return m;
  }

 private:
  bool reset_ = false;
  std::int64_t start_ = 0;
  std::chrono::steady_clock::time_point begin_;
};

void Report(const Measurement& m) {
  std::printf("%.9f %lld %d\n", m.seconds, static_cast<long long>(m.peakGrowth),
              m.peakReset ? 1 : 0);
  std::fflush(stdout);
}

// ---- The two kinds of measurement (each in a child) ------------------------------------

int MeasureCore(const std::string& path, std::int64_t lines) {
  TemplateCatalogue catalogue;
  catalogue.Append(FortranTemplate());
  const AppSettings settings;
  const Meter meter;
  // What EditorWindow::OpenLocal does beneath the view, in its order.
  DocumentFormat format;
  format.formatFlags = kFormatLocal;
  LoadOptions options;
  options.detectLineNumbers = settings.DetectLineNoPrompt != 0;
  LoadedDocument loaded = LoadDocument(std::filesystem::path(path), format, options);
  if (!loaded) Die("load " + path);
  format.templateName = kTemplateName;
  ApplyTemplate(catalogue, settings, format.templateName, nullptr, format, kApplyEditing);
  const LoadRequest request = BuildLoadRequest(format, loaded.file.get(), loaded.dataOffset);
  if (!ApplyLoadRequestNumbering(format, request)) Die("the numbers were not taken out");
  ControlDocument control;
  LoadOutcome outcome = control.Load(request);
  loaded.file.reset();
  if (outcome.code != kLoadResultOk) Die("control load");
  const Measurement m = meter.Finish();
  if (control.LineCount() != lines) Die("line count");
  if (outcome.text.find("00001000") != std::string::npos) Die("a number stayed in the text");
  Report(m);
  return 0;
}

// Notes when a paint event of the watched widget has been delivered.
class PaintWatch final : public QObject {
 public:
  bool painted = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted = true;
    return QObject::eventFilter(watched, event);
  }
};

// Shows `window` and runs the event loop until its text view has painted.
bool ShowAndPaint(ui::EditorWindow* window) {
  PaintWatch watch;
  window->control()->scintilla()->viewport()->installEventFilter(&watch);
  window->resize(900, 700);
  window->show();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  // processEvents returns once the paint event it delivered is done.
  while (!watch.painted && std::chrono::steady_clock::now() < deadline) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  window->control()->scintilla()->viewport()->removeEventFilter(&watch);
  return watch.painted;
}

// The offscreen platform's notes (no runtime folder, no size hints) would
// only clutter the figures; real failures still show.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) {
    std::fprintf(stderr, "bench_gui_open: %s\n", message.toLocal8Bit().constData());
  }
}

int MeasureGui(int& argc, char** argv, const std::string& path, std::int64_t lines) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(QuietMessages);
  QApplication app(argc, argv);
  TemplateCatalogue catalogue;
  catalogue.Append(FortranTemplate());
  const AppSettings settings;
  SilentUserInterface userInterface;
  ui::EditorServices services;
  services.catalogue = &catalogue;
  services.settings = &settings;
  services.ui = &userInterface;

  // A running program has drawn text before: fonts, the lexer and the
  // platform's first window are not the open's cost.
  {
    std::unique_ptr<ui::EditorWindow> warm(ui::EditorWindow::CreateNew(services, kTemplateName));
    if (!ShowAndPaint(warm.get())) Die("the first window never painted");
  }
  QApplication::processEvents();

  const Meter meter;
  std::unique_ptr<ui::EditorWindow> window(
      ui::EditorWindow::OpenLocal(services, path, kTemplateName, false));
  if (!window) Die("open " + path);
  const bool painted = ShowAndPaint(window.get());
  const Measurement m = meter.Finish();
  if (!painted) Die("the window never painted");
  if (window->control()->document().LineCount() != lines) Die("line count");
  if (window->control()->lineNumberView() != LineNumberView::kFile) Die("numbers not shown");
  if (window->control()->NumberOfLine(0) != kNumberStart) Die("first number");
  if (window->control()->Text().substr(0, 100).find("00001000") != std::string_view::npos) {
    Die("a number stayed in the text");
  }
  Report(m);
  return 0;
}

// ---- The parent --------------------------------------------------------------------------

// Runs this program again as `kind` and reads its figures.
Measurement RunChild(const char* kind, const std::string& path, std::int64_t lines) {
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) Die("pipe");
  const std::string lineText = std::to_string(lines);
  const pid_t pid = ::fork();
  if (pid < 0) Die("fork");
  if (pid == 0) {
    ::dup2(pipeFds[1], STDOUT_FILENO);
    const char* args[] = {"bench_gui_open", "--child",        kind,
                          path.c_str(),     lineText.c_str(), nullptr};
    ::execv("/proc/self/exe", const_cast<char**>(args));
    _exit(127);
  }
  ::close(pipeFds[1]);
  std::string output;
  char buffer[256];
  ssize_t n = 0;
  while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) != 0) {
    if (n < 0) {
      if (errno == EINTR) continue;
      Die("read");
    }
    output.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(pipeFds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) Die("waitpid");
  }
  Measurement m;
  long long growth = 0;
  int reset = 0;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
      std::sscanf(output.c_str(), "%lf %lld %d", &m.seconds, &growth, &reset) != 3) {
    std::fprintf(stderr, "bench_gui_open: the %s measurement failed\n", kind);
    std::exit(1);
  }
  m.peakGrowth = growth;
  m.peakReset = reset != 0;
  return m;
}

// The load averages over 1, 5 and 15 minutes, as /proc/loadavg gives them.
std::string LoadAverages() {
  FILE* file = std::fopen("/proc/loadavg", "r");
  if (file == nullptr) return "unknown";
  double one = 0;
  double five = 0;
  double fifteen = 0;
  const int got = std::fscanf(file, "%lf %lf %lf", &one, &five, &fifteen);
  std::fclose(file);
  if (got != 3) return "unknown";
  char text[64];
  std::snprintf(text, sizeof text, "%.2f %.2f %.2f", one, five, fifteen);
  return text;
}

template <typename T>
T Median(std::vector<T> values) {
  std::sort(values.begin(), values.end());
  const std::size_t mid = values.size() / 2;
  return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--child") == 0) {
    const std::string kind = argv[2];
    const std::int64_t lines = std::atoll(argv[4]);
    if (kind == "core") return MeasureCore(argv[3], lines);
    int qtArgc = 1;
    return MeasureGui(qtArgc, argv, argv[3], lines);
  }

  const std::int64_t lines = argc > 1 ? std::atoll(argv[1]) : 1'000'000;
  const int runs = argc > 3 ? std::atoi(argv[3]) : kDefaultRuns;
  if (lines < 1 || lines > 9'000'000 || runs < 1 || runs > 99) {
    std::fprintf(stderr,
                 "usage: bench_gui_open [LINES (1 to 9000000)] [FOLDER] [RUNS (1 to 99)]\n");
    return 2;
  }
  const std::filesystem::path base =
      argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path();
  std::string pattern = (base / "zvd-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) Die("mkdtemp");
  const std::filesystem::path folder(pattern);
  const std::string path = (folder / "source.f").string();
  const std::string bytes = MakeSource(lines);
  WriteFile(path, bytes);
  const auto size = static_cast<double>(bytes.size());
  std::printf(
      "editor window open: %lld lines, %.1f MB, numbers in columns 73-80 taken out, "
      "median of %d runs\n",
      static_cast<long long>(lines), size / 1e6, runs);

  const std::string loadBefore = LoadAverages();
  std::vector<double> coreTimes;
  std::vector<double> guiTimes;
  std::vector<std::int64_t> corePeaks;
  std::vector<std::int64_t> guiPeaks;
  bool peakReset = true;
  for (int i = 0; i < runs; ++i) {
    const Measurement core = RunChild("core", path, lines);
    const Measurement gui = RunChild("gui", path, lines);
    coreTimes.push_back(core.seconds);
    guiTimes.push_back(gui.seconds);
    corePeaks.push_back(core.peakGrowth);
    guiPeaks.push_back(gui.peakGrowth);
    peakReset = peakReset && core.peakReset && gui.peakReset;
  }

  const double coreTime = Median(coreTimes);
  const double guiTime = Median(guiTimes);
  const double timeRatio = guiTime / coreTime;
  const double corePeak = static_cast<double>(Median(corePeaks));
  const double guiPeak = static_cast<double>(Median(guiPeaks));
  const double memoryRatio = guiPeak / size;
  std::printf("  %-46s %8.1f ms   (fastest %.1f, slowest %.1f)\n",
              "core load (loader + control document)", coreTime * 1e3,
              *std::min_element(coreTimes.begin(), coreTimes.end()) * 1e3,
              *std::max_element(coreTimes.begin(), coreTimes.end()) * 1e3);
  std::printf("  %-46s %8.1f ms   (fastest %.1f, slowest %.1f)\n",
              "editor window open until first paint", guiTime * 1e3,
              *std::min_element(guiTimes.begin(), guiTimes.end()) * 1e3,
              *std::max_element(guiTimes.begin(), guiTimes.end()) * 1e3);
  std::printf("  open/core load %.2fx (target: at most %.0fx)  %s\n", timeRatio, kTimeTarget,
              timeRatio <= kTimeTarget ? "PASS" : "BELOW TARGET");
  // On a shared machine single runs stray; the fastest of each shows the
  // work itself.
  std::printf("  fastest open/fastest core load %.2fx\n",
              *std::min_element(guiTimes.begin(), guiTimes.end()) /
                  *std::min_element(coreTimes.begin(), coreTimes.end()));
  std::printf("  %-46s %8.1f MB   %5.2fx file size\n", "peak memory growth, core load",
              corePeak / 1e6, corePeak / size);
  std::printf("  %-46s %8.1f MB   %5.2fx file size\n", "peak memory growth, window open",
              guiPeak / 1e6, memoryRatio);
  std::printf("  open peak/file size %.2fx (target: at most %.0fx)  %s\n", memoryRatio,
              kMemoryTarget, memoryRatio <= kMemoryTarget ? "PASS" : "BELOW TARGET");
  std::printf("  machine load averages (1, 5, 15 min): %s before, %s after\n", loadBefore.c_str(),
              LoadAverages().c_str());
  if (!peakReset) {
    std::printf("  (the peak could not be reset: growth counted from the peak before the open)\n");
  }

  std::error_code error;
  std::filesystem::remove_all(folder, error);
  return 0;
}
