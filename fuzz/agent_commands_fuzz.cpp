// Feeds arbitrary command lines to agent sessions of both personalities over
// a small served tree with a symbolic link leading out of it. Every answered
// line must be answered with a decimal status and fit the editor's reply
// buffer, the current directory must stay inside the tree, and nothing on
// disk may change. The commands that open data connections run too, but
// their port is always one this process holds bound without listening, so
// every connection back is refused at once: their parsing, path checks and
// refusals are fuzzed, and no input waits on the network.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "agent/host_tree.h"
#include "agent/server_options.h"
#include "agent/session.h"

using namespace vandrel::agent;
namespace fs = std::filesystem;

namespace {

// What can be seen of one entry: changes to any of it count.
struct EntryState {
  fs::file_type type;
  std::uintmax_t size;
  std::int64_t modified;
  std::string target;  // of a symbolic link
  bool operator==(const EntryState&) const = default;
};
using Snapshot = std::map<std::string, EntryState>;

Snapshot TakeSnapshot(const fs::path& base) {
  Snapshot snapshot;
  std::error_code ignored;
  for (auto it = fs::recursive_directory_iterator(base, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    struct stat info {};
    if (::lstat(it->path().c_str(), &info) != 0) std::abort();
    EntryState state{
        it->symlink_status().type(),
        static_cast<std::uintmax_t>(info.st_size),
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
        {}};
    if (state.type == fs::file_type::symlink) state.target = fs::read_symlink(it->path()).string();
    snapshot[it->path().string()] = std::move(state);
  }
  struct stat info {};
  if (::lstat(base.c_str(), &info) != 0) std::abort();
  snapshot[base.string()] = {
      fs::file_type::directory,
      0,
      static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
      {}};
  return snapshot;
}

void WriteFile(const fs::path& path, std::string_view text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

struct Fixture {
  fs::path base;  // the scratch directory: the tree and what lies beside it
  fs::path root;  // the served tree (canonical)
  ServerOptions posixOptions;
  ServerOptions mpeOptions;
  HostTree posixTree;
  HostTree mpeTree;
  Snapshot before;
  std::string refusedPort;  // bound, never listening: connections to it are refused
  int portHolder = -1;

  Fixture() {
    base = fs::temp_directory_path() / ("zvd-fuzz-agent-" + std::to_string(::getpid()));
    fs::remove_all(base);
    fs::create_directories(base / "root" / "ACCT" / "PUB");
    fs::create_directories(base / "root" / "ACCT" / "DATA");
    fs::create_directories(base / "root" / "lower" / "src");
    fs::create_directories(base / "outside" / "SECRET");
    WriteFile(base / "root" / "ACCT" / "PUB" / "FILE", "first line\nsecond line\n");
    WriteFile(base / "root" / "ACCT" / "DATA" / "EMPTY", "");
    WriteFile(base / "root" / "lower" / "src" / "main.c", "int main(void) { return 0; }\n");
    WriteFile(base / "outside" / "SECRET" / "KEY", "outside the tree\n");
    // Links leading out of the tree (by absolute and by relative path), one
    // that stays inside and one that leads nowhere.
    fs::create_directory_symlink(base / "outside", base / "root" / "ACCT" / "PUB" / "OUT");
    fs::create_directory_symlink("../../../outside/SECRET", base / "root" / "ACCT" / "PUB" / "UP");
    fs::create_symlink("/etc/passwd", base / "root" / "lower" / "passwd");
    fs::create_directory_symlink("../ACCT/PUB", base / "root" / "lower" / "pub");
    fs::create_symlink("nowhere/at/all", base / "root" / "ACCT" / "DANGLE");
    root = fs::canonical(base / "root");

    posixOptions.root = root;
    posixOptions.personality = Personality::kPosix;
    mpeOptions.root = root;
    mpeOptions.personality = Personality::kMpe;
    for (ServerOptions* options : {&posixOptions, &mpeOptions}) {
      options->loginRequired = false;
      options->allowCommands = false;
    }
    std::string error;
    if (!posixTree.Open(root, Personality::kPosix, &error) ||
        !mpeTree.Open(root, Personality::kMpe, &error)) {
      std::abort();
    }
    before = TakeSnapshot(base);

    portHolder = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (portHolder < 0 || ::bind(portHolder, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::getsockname(portHolder, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      std::abort();
    }
    refusedPort = std::to_string(ntohs(address.sin_port));
  }

  ~Fixture() {
    ::close(portHolder);
    std::error_code ignored;
    fs::remove_all(base, ignored);
  }
};

Fixture& TheFixture() {
  static Fixture fixture;
  return fixture;
}

bool StartsWithCommand(std::string_view line, std::string_view word) {
  if (line.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char c = line[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != word[i]) return false;
  }
  return true;
}

// The commands that connect back to the client.
bool OpensDataConnection(std::string_view line) {
  for (std::string_view word : {"=LIST_DIR", "=SEND_FILE", "=RECV_FILE", "=FIND_INFILES"}) {
    if (StartsWithCommand(line, word)) return true;
  }
  return false;
}

// A host path of the session: absolute, normalised, and on disk inside the
// tree once its links are resolved.
void CheckInsideTree(const Fixture& fixture, std::string_view hostPath) {
  if (hostPath.empty() || hostPath.front() != '/') std::abort();
  if (hostPath.size() > 1 && hostPath.back() == '/') std::abort();
  if (hostPath.find("//") != std::string_view::npos) std::abort();
  const std::string disk = fixture.root.string() + (hostPath == "/" ? "" : std::string(hostPath));
  char* resolved = ::realpath(disk.c_str(), nullptr);
  if (resolved == nullptr) std::abort();  // the current directory must exist
  const std::string path(resolved);
  std::free(resolved);
  const std::string& root = fixture.root.native();
  if (path.compare(0, root.size(), root) != 0) std::abort();
  if (path.size() != root.size() && path[root.size()] != '/') std::abort();
}

void CheckReply(const Fixture& fixture, const Session& session, std::string_view line,
                const std::optional<std::string>& reply) {
  // The abort line, and it alone, goes unanswered.
  std::string_view trimmed = line;
  while (!trimmed.empty() && (trimmed.back() == '\r' || trimmed.back() == '\n')) {
    trimmed.remove_suffix(1);
  }
  const std::string_view word = trimmed.substr(0, trimmed.find(' '));
  const bool abortLine = word == "=!" && trimmed.find('\0') == std::string_view::npos;
  if (reply.has_value() == abortLine) std::abort();
  if (!reply) return;
  if (reply->empty() || reply->size() > kMaxReplyLength) std::abort();
  std::size_t digits = 0;
  while (digits < reply->size() && (*reply)[digits] >= '0' && (*reply)[digits] <= '9') ++digits;
  if (digits == 0 || digits > 10) std::abort();
  if (digits < reply->size() && (*reply)[digits] != ' ') std::abort();
  const bool ok = reply->compare(0, digits, "0") == 0;
  // The reply is one line.
  if (reply->find_first_of("\r\n") != std::string::npos) std::abort();

  if (ok && StartsWithCommand(line, "=GET_CD")) {
    if (reply->size() < 3) std::abort();
    const std::string_view directory = std::string_view(*reply).substr(2);
    if (directory != session.currentDirectory()) std::abort();
    CheckInsideTree(fixture, directory);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  TheFixture();  // the static fixture removes its directory at exit
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Fixture& fixture = TheFixture();
  if (size == 0) return 0;
  // The first byte picks the personality and the directory the session
  // starts in; the rest is command lines.
  const std::uint8_t selector = data[0];
  const bool mpe = (selector & 1) != 0;
  const std::string home = (selector & 2) != 0 ? "/ACCT/PUB" : "/";
  Session session(mpe ? fixture.mpeOptions : fixture.posixOptions,
                  mpe ? fixture.mpeTree : fixture.posixTree, home);

  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    std::string command(line);
    if (OpensDataConnection(line)) {
      // The port, the first word after the command, becomes the refused one.
      const std::size_t blank = command.find(' ');
      if (blank != std::string::npos) {
        std::size_t from = blank;
        while (from < command.size() && command[from] == ' ') ++from;
        const std::size_t to = std::min(command.find(' ', from), command.size());
        command.replace(from, to - from, fixture.refusedPort);
      }
    }
    const std::optional<std::string> reply = session.Execute(command);
    CheckReply(fixture, session, command, reply);
    CheckInsideTree(fixture, session.currentDirectory());
  }

  if (TakeSnapshot(fixture.base) != fixture.before) std::abort();
  return 0;
}
