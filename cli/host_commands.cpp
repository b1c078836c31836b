#include "cli/host_commands.h"

#include <fmt/format.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/doc_commands.h"
#include "cli/host_connection.h"
#include "cli/host_save.h"
#include "cli/json_text.h"
#include "core/message_box.h"
#include "documents/host_file_info.h"
#include "editor/command_line.h"
#include "platform/ascii_text.h"
#include "remote/connection_info.h"
#include "remote/error_report.h"
#include "remote/host_session.h"
#include "remote/listing.h"

namespace vandrel::cli {

namespace {

using namespace vandrel::remote;

// ---- What the session shows, on a terminal ------------------------------------

// Reads a line from the terminal, without echo for passwords.
std::optional<std::string> AskTerminal(const std::string& prompt, bool secret) {
  if (!::isatty(STDIN_FILENO)) return std::nullopt;
  std::fprintf(stderr, "%s", prompt.c_str());
  termios saved{};
  const bool hide = secret && ::tcgetattr(STDIN_FILENO, &saved) == 0;
  if (hide) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  }
  std::string line;
  char buffer[512];
  const bool got = std::fgets(buffer, sizeof buffer, stdin) != nullptr;
  if (hide) {
    ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    std::fprintf(stderr, "\n");
  }
  if (!got) return std::nullopt;
  line = buffer;
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return line;
}

class TerminalLogin final : public LoginPrompt {
 public:
  std::optional<LoginAnswer> AskLogin(const LoginForm& form) override {
    LoginAnswer answer{form.userName, form.password};
    std::fprintf(stderr, "%s\n", form.text.c_str());
    auto label = [](std::string text) {
      std::erase(text, '&');
      return text + " ";
    };
    if (form.mpeLogon) {
      auto logon = AskTerminal(label(form.userLabel), false);
      if (!logon) return std::nullopt;
      answer.userName = *logon;
      return answer;
    }
    if (!form.focusPassword) {
      auto user = AskTerminal(label(form.userLabel), false);
      if (!user) return std::nullopt;
      answer.userName = *user;
    }
    auto password = AskTerminal(label(form.passwordLabel), true);
    if (!password) return std::nullopt;
    answer.password = *password;
    return answer;
  }
};

class StandardOutput final : public OutputWriter {
 public:
  void WriteOutput(int, std::string_view bytes) override {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
  }
  void WriteLine(int, std::string_view line) override {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
};

class DebugTrace final : public TraceWriter {
 public:
  void WriteTraceLine(std::string_view line) override {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
  }
};

// A progress bar on standard error while it is a terminal.
class TerminalProgress final : public ProgressReporter {
 public:
  void ShowStatus(std::string_view text) override {
    std::lock_guard guard(lock_);
    text_ = std::string(text);
    Draw(0);
  }
  void SetProgress(int percent) override {
    std::lock_guard guard(lock_);
    Draw(percent);
  }
  void ClearProgress() override {
    std::lock_guard guard(lock_);
    if (shown_) std::fprintf(stderr, "\r%*s\r", 72, "");
    shown_ = false;
  }

 private:
  void Draw(int percent) {
    if (!::isatty(STDERR_FILENO)) return;
    percent = std::clamp(percent, 0, 100);
    const int filled = percent * 30 / 100;
    std::fprintf(stderr, "\r%-30.30s [%s%s] %3d%%", text_.c_str(), std::string(filled, '#').c_str(),
                 std::string(30 - filled, '.').c_str(), percent);
    shown_ = true;
  }
  std::mutex lock_;
  std::string text_;
  bool shown_ = false;
};

// ---- One connection, one request ------------------------------------------------

class HostRun final : public HostRequests {
 public:
  HostRun(const HostOptions& options, CliContext& context)
      : options_(options),
        context_(context),
        connection_(HostConnectionServices{&output_, &progress_, Trace(), &login_}) {}

  StandardErrorUser& user() { return connection_.user(); }

  bool Connect(CliContext& context) {
    ConnectParameters parameters;
    parameters.hostName = options_.host;
    parameters.port = options_.port;
    parameters.userName = options_.user;
    if (!options_.passwordFile.empty()) {
      std::ifstream in(options_.passwordFile);
      if (!in) {
        std::fprintf(stderr, "vandrel-cli: cannot read the password file %s\n",
                     options_.passwordFile.c_str());
        context.exitCode = 2;
        return false;
      }
      std::getline(in, parameters.password);
      while (!parameters.password.empty() && parameters.password.back() == '\r') {
        parameters.password.pop_back();
      }
    }
    if (!connection_.Connect(parameters)) {
      context.exitCode = 1;
      return false;
    }
    return true;
  }

  bool mpeHost() { return connection_.session().hostKind() == kHostKindMpe; }
  ProgressReporter& progress() { return progress_; }
  // What the save path knows about the session.
  HostConnectionState connectionState() {
    HostConnectionState state;
    state.requestEngineAvailable = true;
    state.mpeHost = mpeHost();
    state.qeditInstalled = connection_.session().qeditAvailable();
    return state;
  }

  RequestBlock Carry(RequestBlock request) override { return Carry(context_, std::move(request)); }
  RequestBlock CarryQuietly(RequestBlock request) override {
    RequestBlock finished = connection_.Carry(std::move(request));
    progress_.ClearProgress();
    return finished;
  }
  std::string connectionInformation() { return connection_.session().connectionInformation(); }

  // Carries the request out and waits for it; the completed block. A
  // failure is reported as the product reports it, and sets the exit status.
  RequestBlock Carry(CliContext& context, RequestBlock request) {
    RequestBlock finished = connection_.Carry(std::move(request));
    progress_.ClearProgress();
    if (finished.status != kStatusSuccess) {
      ReportRequestFailure(finished, __FILE__, __LINE__, connection_.user(), Trace());
      context.exitCode = 1;
    }
    return finished;
  }

 private:
  TraceWriter* Trace() { return options_.debug ? &trace_ : nullptr; }

  const HostOptions& options_;
  CliContext& context_;
  TerminalLogin login_;
  StandardOutput output_;
  TerminalProgress progress_;
  DebugTrace trace_;
  HostConnection connection_;
};

// ---- Presenting results ----------------------------------------------------------

std::string FileInfoJson(const HostFileInfo& info) {
  return fmt::format(
      "{{\"name\":{},\"size\":{},\"accessTime\":{},\"modifyTime\":{},\"createTime\":{},"
      "\"permissions\":{},\"further\":{},\"owner\":{},\"group\":{},\"flags\":{},"
      "\"fileCode\":{}}}",
      JsonString(info.name), info.size, info.accessTime, info.modifyTime, info.createTime,
      JsonString(info.permissions), info.further, JsonString(info.owner), JsonString(info.group),
      info.flags, info.fileCode);
}

void PrintFileInfo(const HostFileInfo& info) {
  std::printf("Name:          %s\n", info.name.c_str());
  std::printf("Size:          %d bytes\n", info.size);
  std::printf("Modified:      %s\n", FormatHostTime(info.modifyTime).c_str());
  std::printf("Accessed:      %s\n", FormatHostTime(info.accessTime).c_str());
  std::printf("Created:       %s\n", FormatHostTime(info.createTime).c_str());
  std::printf("Permissions:   %s\n", info.permissions.c_str());
  std::printf("Owner:         %s\n", info.owner.c_str());
  std::printf("Group:         %s\n", info.group.c_str());
  std::printf("File code:     %d\n", info.fileCode);
  std::printf("Flags:         %d%s\n", info.flags,
              (info.flags & kFileInfoCannotLock) ? " (cannot be locked)" : "");
}

// The orders `ls --sort` offers, as the host file dialog sorts its columns.
enum class ListingOrder { kAsListed, kName, kSize, kModified, kCode };

bool IsFolderEntry(const HostFileInfo& entry) {
  return !entry.permissions.empty() && entry.permissions[0] == 'd';
}

int CompareIgnoringCase(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char x = platform::AsciiLower(a[i]);
    const char y = platform::AsciiLower(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Folders before files, then the column: names without regard to case, the
// others as numbers. Reversed, the whole comparison turns round, so folders
// then come last. Entries that compare equal keep the agent's order.
void SortListing(std::vector<HostFileInfo>& entries, ListingOrder order, bool reverse) {
  if (order == ListingOrder::kAsListed) return;
  auto compare = [order](const HostFileInfo& a, const HostFileInfo& b) {
    if (IsFolderEntry(a) != IsFolderEntry(b)) return IsFolderEntry(a) ? -1 : 1;
    auto numbers = [](std::int64_t x, std::int64_t y) { return x == y ? 0 : (x < y ? -1 : 1); };
    switch (order) {
      case ListingOrder::kSize:
        return numbers(a.size, b.size);
      case ListingOrder::kModified:
        return numbers(a.modifyTime, b.modifyTime);
      case ListingOrder::kCode:
        return numbers(a.fileCode, b.fileCode);
      default:
        return CompareIgnoringCase(a.name, b.name);
    }
  };
  std::stable_sort(entries.begin(), entries.end(),
                   [&](const HostFileInfo& a, const HostFileInfo& b) {
                     const int c = compare(a, b);
                     return reverse ? c > 0 : c < 0;
                   });
}

// Runs `line` with its output on standard output; false when it failed.
bool RunCommandLine(CliContext& context, HostRun& session, const std::string& line) {
  RequestBlock request;
  request.kind = kRequestRunCommand;
  request.commandLine = line;
  request.pane = kPaneOutput;
  RequestBlock done = session.Carry(context, request);
  if (done.status != kStatusSuccess) return false;
  // The agent follows the status 0 with the exit status of a command that
  // ran but failed.
  if (!done.replyText.empty() && done.replyText != "0") {
    context.exitCode = 1;
    return false;
  }
  return true;
}

void AddHostCommand(
    CLI::App& host, CliContext& context, const std::shared_ptr<HostOptions>& options,
    const std::string& name, const std::string& description,
    const std::function<void(CLI::App&, std::function<void(std::function<void(HostRun&)>)>)>&
        build) {
  auto* command = host.add_subcommand(name, description);
  build(*command, [&context, options](std::function<void(HostRun&)> body) {
    HostRun run(*options, context);
    if (!run.Connect(context)) return;
    body(run);
  });
}

}  // namespace

void AddHostCommands(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<HostOptions>();
  auto* host = app.add_subcommand(
      "host", "talk to a host agent as the editor does: list, transfer, search, run commands");
  host->add_option("--host", options->host, "the host name or address")->required();
  host->add_option("--port", options->port, "the agent's port")->capture_default_str();
  host->add_option("--user", options->user, "the user name (an MPE/iX logon string on MPE hosts)");
  host->add_option("--password-file", options->passwordFile,
                   "a file whose first line is the password");
  host->add_flag("--debug", options->debug, "print the commands and replies as they pass");
  host->require_subcommand(1);

  using Runner = std::function<void(std::function<void(HostRun&)>)>;

  AddHostCommand(*host, context, options, "osinfo", "show the connection information",
                 [](CLI::App& command, Runner run) {
                   command.callback([run] {
                     run([](HostRun& session) {
                       const ConnectionInformation info =
                           DescribeConnection(session.connectionInformation());
                       for (const auto* group : {&info.system, &info.agent}) {
                         for (const auto& item : *group) {
                           std::printf("%-16s%s\n", item.caption.c_str(), item.value.c_str());
                         }
                       }
                     });
                   });
                 });

  AddHostCommand(*host, context, options, "pwd", "print the session's current directory",
                 [&context](CLI::App& command, Runner run) {
                   command.callback([&context, run] {
                     run([&context](HostRun& session) {
                       RequestBlock request;
                       request.kind = kRequestGetDirectory;
                       RequestBlock done = session.Carry(context, request);
                       if (done.status == kStatusSuccess)
                         std::printf("%s\n", done.hostPath.c_str());
                     });
                   });
                 });

  AddHostCommand(
      *host, context, options, "ls", "list a host directory",
      [&context](CLI::App& command, Runner run) {
        auto directory = std::make_shared<std::string>();
        auto json = std::make_shared<bool>(false);
        auto folders = std::make_shared<bool>(false);
        auto order = std::make_shared<ListingOrder>(ListingOrder::kAsListed);
        auto reverse = std::make_shared<bool>(false);
        command.add_option("DIR", *directory, "the host directory")->required();
        command
            .add_option("--sort", *order,
                        "sort as the file dialog does, folders first: name, size, "
                        "modified or code")
            ->transform(CLI::CheckedTransformer(
                std::map<std::string, ListingOrder>{{"name", ListingOrder::kName},
                                                    {"size", ListingOrder::kSize},
                                                    {"modified", ListingOrder::kModified},
                                                    {"code", ListingOrder::kCode}},
                CLI::ignore_case));
        command.add_flag("--reverse", *reverse, "reverse the whole order (folders then come last)");
        command.add_flag("--json", *json, "print the listing as JSON");
        command.add_flag("--folders", *folders, "list folders only");
        command.callback([&context, run, directory, json, folders, order, reverse] {
          run([&](HostRun& session) {
            RequestBlock request;
            request.kind = kRequestListDirectory;
            request.hostPath = *directory;
            request.listFlag = *folders ? 1 : 0;
            RequestBlock done = session.Carry(context, request);
            if (done.status != kStatusSuccess) return;
            auto listing = ReadListing(done.buffer, std::time(nullptr));
            if (!listing) {
              std::fprintf(stderr, "vandrel-cli: the listing could not be read\n");
              context.exitCode = 1;
              return;
            }
            SortListing(listing->entries, *order, *reverse);
            if (*json) {
              std::string out = "{\"folder\":" + JsonString(listing->folder) + ",\"entries\":[";
              for (std::size_t i = 0; i < listing->entries.size(); ++i) {
                if (i) out += ',';
                out += FileInfoJson(listing->entries[i]);
              }
              std::printf("%s]}\n", out.c_str());
              return;
            }
            std::printf("%s\n", ListingFolder(listing->folder).c_str());
            for (const HostFileInfo& entry : listing->entries) {
              std::printf("%-11s %10d  %s  %5d  %s\n", entry.permissions.c_str(), entry.size,
                          FormatHostTime(entry.modifyTime).c_str(), entry.fileCode,
                          entry.name.c_str());
            }
          });
        });
      });

  AddHostCommand(*host, context, options, "info", "show a host file's information",
                 [&context](CLI::App& command, Runner run) {
                   auto path = std::make_shared<std::string>();
                   auto json = std::make_shared<bool>(false);
                   command.add_option("PATH", *path, "the host path")->required();
                   command.add_flag("--json", *json, "print the information as JSON");
                   command.callback([&context, run, path, json] {
                     run([&](HostRun& session) {
                       RequestBlock request;
                       request.kind = kRequestFileInformation;
                       request.hostPath = *path;
                       RequestBlock done = session.Carry(context, request);
                       if (done.status != kStatusSuccess) return;
                       if (*json) {
                         std::printf("%s\n", FileInfoJson(done.fileInfo).c_str());
                       } else {
                         PrintFileInfo(done.fileInfo);
                       }
                     });
                   });
                 });

  AddHostCommand(
      *host, context, options, "get", "download a host file as the editor opens it",
      [&context](CLI::App& command, Runner run) {
        auto path = std::make_shared<std::string>();
        auto out = std::make_shared<std::string>();
        auto record = std::make_shared<bool>(false);
        command.add_option("PATH", *path, "the host path")->required();
        command.add_option("-o,--output", *out, "write the file here (default: standard output)");
        command.add_flag("--record", *record,
                         "keep the record form as downloaded from an MPE/iX host (headers and "
                         "length-prefixed records)");
        command.callback([&context, run, path, out, record] {
          run([&](HostRun& session) {
            RequestBlock request;
            request.kind = kRequestOpenFile;
            request.hostPath = *path;
            request.options = kOptionProgress;
            RequestBlock done = session.Carry(context, request);
            if (done.status != kStatusSuccess) return;
            struct Remove {
              std::string path;
              ~Remove() {
                std::error_code ignored;
                std::filesystem::remove(path, ignored);
              }
            } temporary{done.localPath};
            std::string bytes;
            const bool recordForm = done.formatHint != 0;
            if (recordForm && !*record) {
              if (!ReadDocumentText(context, done.localPath, true, bytes)) return;
              if (!bytes.empty()) bytes += '\n';
            } else {
              std::ifstream in(done.localPath, std::ios::binary);
              bytes.assign(std::istreambuf_iterator<char>(in), {});
            }
            if (out->empty()) {
              std::fwrite(bytes.data(), 1, bytes.size(), stdout);
              return;
            }
            std::ofstream file(*out, std::ios::binary | std::ios::trunc);
            file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            if (!file.flush()) {
              std::fprintf(stderr, "vandrel-cli: cannot write %s\n", out->c_str());
              context.exitCode = 1;
            }
          });
        });
      });

  AddHostCommand(
      *host, context, options, "put",
      "upload a file as the editor saves it: an existing host file is opened first and keeps "
      "its attributes (on MPE/iX hosts its file code, record length, type, limit and labels)",
      [&context](CLI::App& command, Runner run) {
        auto put = std::make_shared<HostPutOptions>();
        auto yes = std::make_shared<bool>(false);
        auto no = std::make_shared<bool>(false);
        command
            .add_option("FILE", put->file,
                        "the local file: text, or record form as `get --record` writes it")
            ->required()
            ->check(CLI::ExistingFile);
        command.add_option("PATH", put->hostPath, "the host path")->required();
        command.add_flag("--new", put->newFile,
                         "a new host file: nothing is taken from the host, no overwrite check");
        command.add_option("--modified-at", put->modifiedAt,
                           "the host file's modification time when you read it (modifyTime of "
                           "`info --json`): a file changed since then asks before it is "
                           "overwritten");
        auto* yesFlag = command.add_flag(
            "--yes", *yes,
            "answer the save's questions Yes (overwrite a changed host file, lengthen records)");
        command.add_flag("--no", *no, "answer the save's questions No")->excludes(yesFlag);
        command.callback([&context, run, put, yes, no] {
          run([&](HostRun& session) {
            if (*yes) session.user().answer = true;
            if (*no) session.user().answer = false;
            PutAsEditorSaves(context, *put, session, session.user(), session.progress(),
                             session.connectionState());
          });
        });
      });

  AddHostCommand(
      *host, context, options, "lock",
      "open a host file as the editor does with host locking on, and print the lock number. A "
      "lock lives as long as the session that took it: it ends with this command, or with "
      "--keep when standard input ends",
      [&context](CLI::App& command, Runner run) {
        auto path = std::make_shared<std::string>();
        auto keep = std::make_shared<bool>(false);
        command.add_option("PATH", *path, "the host path")->required();
        command.add_flag("--keep", *keep,
                         "hold the lock until standard input ends, then release it "
                         "(\"=FILE_UNLOCK\")");
        command.callback([&context, run, path, keep] {
          run([&](HostRun& session) {
            RequestBlock request;
            request.kind = kRequestOpenFile;
            request.hostPath = *path;
            request.options = kOptionKeepLocked;
            RequestBlock done = session.Carry(context, request);
            if (!done.localPath.empty()) {
              std::error_code ignored;
              std::filesystem::remove(done.localPath, ignored);
            }
            if (done.status != kStatusSuccess) return;
            if ((done.options & kOptionKeepLocked) == 0 || done.lockNumber < 0) {
              Fail(context, *path + ": the host cannot lock this file");
              return;
            }
            std::printf("%d\n", done.lockNumber);
            std::fflush(stdout);
            if (!*keep) return;
            char buffer[256];
            while (std::fgets(buffer, sizeof buffer, stdin) != nullptr) {
            }
            RequestBlock unlock;
            unlock.kind = kRequestSendCommand;
            unlock.commandText = fmt::format("=FILE_UNLOCK {}", done.lockNumber);
            session.Carry(context, unlock);
          });
        });
      });

  AddHostCommand(*host, context, options, "find", "search host files as Find in Files does",
                 [&context](CLI::App& command, Runner run) {
                   auto text = std::make_shared<std::string>();
                   auto directory = std::make_shared<std::string>();
                   auto types = std::make_shared<std::string>();
                   auto flags = std::make_shared<std::array<bool, 3>>();
                   command.add_option("TEXT", *text, "the text to find")->required();
                   command.add_option("DIR", *directory, "the host directory")->required();
                   command.add_option("--types", *types, "file types, e.g. \"*.c;*.h\"");
                   command.add_flag("--case", (*flags)[0], "match case");
                   command.add_flag("--words", (*flags)[1], "match whole words only");
                   command.add_flag("--subdirs", (*flags)[2], "search sub-directories");
                   command.callback([&context, run, text, directory, types, flags] {
                     run([&](HostRun& session) {
                       RequestBlock request;
                       request.kind = kRequestFindInFiles;
                       request.findText = *text;
                       request.directory = *directory;
                       request.fileTypes = *types;
                       request.pane = kPaneFindInFiles;
                       request.searchFlags = ((*flags)[0] ? kSearchMatchCase : 0) |
                                             ((*flags)[1] ? kSearchWholeWord : 0) |
                                             ((*flags)[2] ? kSearchSubdirectories : 0);
                       session.Carry(context, request);
                     });
                   });
                 });

  AddHostCommand(*host, context, options, "run", "run a command on the host and stream its output",
                 [&context](CLI::App& command, Runner run) {
                   auto words = std::make_shared<std::vector<std::string>>();
                   command.add_option("CMD", *words, "the command line")->required();
                   command.allow_extras(false);
                   command.callback([&context, run, words] {
                     run([&](HostRun& session) {
                       std::string line;
                       for (const std::string& word : *words) {
                         if (!line.empty()) line += ' ';
                         line += word;
                       }
                       RunCommandLine(context, session, line);
                     });
                   });
                 });

  AddHostCommand(*host, context, options, "resolve",
                 "resolve a file name (an MPE name on MPE/iX hosts) seen from a context path",
                 [&context](CLI::App& command, Runner run) {
                   auto name = std::make_shared<std::string>();
                   auto where = std::make_shared<std::string>();
                   command.add_option("NAME", *name, "the name")->required();
                   command.add_option("CONTEXT", *where, "the context path")->required();
                   command.callback([&context, run, name, where] {
                     run([&](HostRun& session) {
                       RequestBlock request;
                       request.kind = kRequestResolveFile;
                       request.name = *name;
                       request.contextPath = *where;
                       RequestBlock done = session.Carry(context, request);
                       if (done.status == kStatusSuccess) {
                         std::printf("%s\n", done.resolvedPath.c_str());
                       }
                     });
                   });
                 });
}

void RunHostCommandLines(CliContext& context, const HostOptions& options,
                         const std::vector<std::string>& lines) {
  HostRun session(options, context);
  if (!session.Connect(context)) return;
  for (const std::string& line : lines) {
    if (!RunCommandLine(context, session, HostCommandLine(line, nullptr))) return;
  }
}

}  // namespace vandrel::cli
