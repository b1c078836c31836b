// vandrel-vdx-host: runs one parser extension over one file on the editor's
// behalf and writes what it reports to standard output as a symbol stream
// (templates/navigator/symbol_stream.h).
//
//   vandrel-vdx-host [--no-labels] LIBRARY FILE USER
//
// The extension is foreign code: whatever it does – crash, loop, scribble
// over memory, print – happens in this process, which the editor can kill
// and whose output it decodes as untrusted. The exit status says how the run
// ended (ParserHostStatus).
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <string>
#include <string_view>

#include "templates/navigator/parser_symbol.h"
#include "templates/navigator/symbol_stream.h"

namespace {

using vandrel::AppendEnd;
using vandrel::AppendLabel;
using vandrel::AppendProgress;
using vandrel::AppendStreamStart;
using vandrel::AppendSymbol;

// Written out whenever this much has gathered, and at every progress step so
// that the bar moves while the extension works.
constexpr std::size_t kFlushBytes = 64 * 1024;
// VDXGetName's categories in tree order: label slot i is kLabelCategories[i].
constexpr std::int32_t kLabelCategories[vandrel::kLabelSlots] = {6, 3, 4, 1, 5, 2};

// What the callbacks need. An extension may call them from threads of its
// own, so they take the lock.
std::mutex gLock;
int gStream = -1;
std::uint32_t gUser = 0;
std::string gPending;
std::int32_t gLastPercent = std::numeric_limits<std::int32_t>::min();

// Ends the process without running destructors or exit handlers: the
// extension's own may be broken, and a leak checker must not turn a finished
// parse into a failure.
[[noreturn]] void Quit(int status) { ::_exit(status); }

void Flush() {
  const char* data = gPending.data();
  std::size_t size = gPending.size();
  while (size > 0) {
    const ssize_t n = ::write(gStream, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      Quit(vandrel::kHostStreamFailed);
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  gPending.clear();
}

std::int32_t OnSymbol(const VdxParserSymbol* record) {
  if (record == nullptr) return 0;
  std::lock_guard<std::mutex> lock(gLock);
  if (record->user != gUser) return 0;
  AppendSymbol(gPending, vandrel::SymbolFromRecord(*record));
  if (gPending.size() >= kFlushBytes) Flush();
  return 1;
}

std::int32_t OnProgress(std::int32_t percent) {
  std::lock_guard<std::mutex> lock(gLock);
  if (percent == gLastPercent) return 0;
  gLastPercent = percent;
  AppendProgress(gPending, percent);
  Flush();
  return 0;
}

bool ParseUser(std::string_view text, std::uint32_t& user) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), user);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// Keeps the stream on a descriptor of its own and points standard output at
// /dev/null, so that an extension that prints cannot break the stream.
int TakeStream() {
  const int stream = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  if (stream < 0) return -1;
  const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null < 0 || ::dup2(null, STDOUT_FILENO) < 0) return -1;
  ::close(null);
  return stream;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef __linux__
  // Should the editor die, so does this process, even in an endless loop.
  const pid_t parent = ::getppid();
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != parent) Quit(vandrel::kHostStreamFailed);
#endif
  int first = 1;
  bool labels = true;
  if (argc > 1 && std::string_view(argv[1]) == "--no-labels") {
    labels = false;
    ++first;
  }
  if (argc - first != 3 || !ParseUser(argv[first + 2], gUser)) {
    std::fprintf(stderr, "usage: vandrel-vdx-host [--no-labels] LIBRARY FILE USER\n");
    Quit(vandrel::kHostUsage);
  }
  const char* libraryPath = argv[first];
  const char* filePath = argv[first + 1];

  gStream = TakeStream();
  if (gStream < 0) Quit(vandrel::kHostStreamFailed);
  ::signal(SIGPIPE, SIG_DFL);

  void* library = ::dlopen(libraryPath, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    std::fprintf(stderr, "vandrel-vdx-host: %s\n", ::dlerror());
    Quit(vandrel::kHostNoLibrary);
  }
  const auto parse = reinterpret_cast<VdxParseFileEntry>(::dlsym(library, VDX_PARSE_FILE));
  const auto getName = reinterpret_cast<VdxGetNameEntry>(::dlsym(library, VDX_GET_NAME));
  if (parse == nullptr || getName == nullptr) {
    std::fprintf(stderr, "vandrel-vdx-host: %s: no %s\n", libraryPath,
                 parse == nullptr ? VDX_PARSE_FILE : VDX_GET_NAME);
    Quit(vandrel::kHostNoEntryPoint);
  }

  AppendStreamStart(gPending);
  if (labels) {
    for (int slot = 0; slot < vandrel::kLabelSlots; ++slot) {
      char buffer[kVdxLabelBytes] = {};
      if (getName(kLabelCategories[slot], buffer, kVdxLabelBytes) == 0) continue;
      const std::string label = vandrel::LabelFromBuffer(buffer, sizeof buffer);
      if (!label.empty()) AppendLabel(gPending, slot, label);
    }
  }
  Flush();

  const int fd = ::open(filePath, O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    Quit(vandrel::kHostNoFile);
  }
  if (info.st_size == 0) Quit(vandrel::kHostEmptyFile);
  if (static_cast<std::uint64_t>(info.st_size) > std::numeric_limits<std::uint32_t>::max()) {
    Quit(vandrel::kHostFileTooLarge);
  }
  const auto size = static_cast<std::size_t>(info.st_size);
  // Populated at once: the extension reads it all, and one fault per page costs more.
  void* view = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
  if (view == MAP_FAILED) Quit(vandrel::kHostNoMapping);
  ::close(fd);

  parse(static_cast<const char*>(view), static_cast<std::uint32_t>(size), 1, OnSymbol, OnProgress,
        gUser);

  std::lock_guard<std::mutex> lock(gLock);
  AppendEnd(gPending);
  Flush();
  Quit(vandrel::kHostParsed);
}
