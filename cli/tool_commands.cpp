#include "cli/tool_commands.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cli/host_commands.h"
#include "core/settings_store.h"
#include "editor/command_line.h"
#include "project/tool_run.h"
#include "templates/tools/tool_list.h"

namespace vandrel::cli {

namespace {

struct AddOptions {
  ToolRecord tool;
  bool prompt = false;
  bool remote = false;
  bool output = false;
};

struct RunOptions {
  int number = 0;
  std::string file;
  int line = 0;
  int column = 0;
  std::string word;
  std::string templateName;
  std::string arguments;
  bool argumentsGiven = false;
  bool dry = false;
  HostOptions host;  // where a remote tool runs
};

// "prompt remote output" as far as set, "-" for none.
std::string Flags(const ToolRecord& tool) {
  std::string flags;
  for (const auto& [set, word] :
       {std::pair{tool.prompt != 0, "prompt"}, std::pair{tool.remote != 0, "remote"},
        std::pair{tool.output != 0, "output"}}) {
    if (!set) continue;
    if (!flags.empty()) flags += ' ';
    flags += word;
  }
  return flags.empty() ? std::string("-") : flags;
}

void List(CliContext& context) {
  SettingsStore store(SettingsStore::DefaultFile(context.configDir));
  const std::vector<ToolRecord> tools = LoadToolList(store);
  int number = 0;
  for (const ToolRecord& tool : tools) {
    ++number;
    std::printf("%d\t%s\tcommand=%s\targuments=%s\tdirectory=%s\tflags=%s\n", number,
                tool.caption.c_str(), tool.command.c_str(), tool.arguments.c_str(),
                tool.directory.c_str(), Flags(tool).c_str());
  }
}

void Add(CliContext& context, AddOptions options) {
  if (options.tool.caption.empty()) {
    Fail(context, "a tool needs a caption");
    return;
  }
  SettingsStore store(SettingsStore::DefaultFile(context.configDir));
  std::vector<ToolRecord> tools = LoadToolList(store);
  if (static_cast<int>(tools.size()) >= kMostTools) {
    Fail(context, "the Tools menu holds at most " + std::to_string(kMostTools) + " tools");
    return;
  }
  options.tool.prompt = options.prompt ? 1 : 0;
  options.tool.remote = options.remote ? 1 : 0;
  options.tool.output = options.output ? 1 : 0;
  tools.push_back(options.tool);
  if (SaveToolList(store, tools) < 0) {
    Fail(context, "cannot write the settings file " + store.File().string());
    return;
  }
  std::printf("%zu\n", tools.size());
}

void Remove(CliContext& context, int number) {
  SettingsStore store(SettingsStore::DefaultFile(context.configDir));
  std::vector<ToolRecord> tools = LoadToolList(store);
  if (number < 1 || number > static_cast<int>(tools.size())) {
    Fail(context, "there is no tool " + std::to_string(number) + " (`tools list` shows them)");
    return;
  }
  tools.erase(tools.begin() + (number - 1));
  if (SaveToolList(store, tools) < 0) {
    Fail(context, "cannot write the settings file " + store.File().string());
  }
}

// Runs the program with the parameters in the directory, without a shell,
// and waits for it; its exit status, or 127 when it could not be started.
int RunLocal(const project::ToolRun& run) {
  const std::vector<std::string> parameters = project::SplitToolArguments(run.arguments);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(run.command.c_str()));
  for (const std::string& parameter : parameters)
    argv.push_back(const_cast<char*>(parameter.c_str()));
  argv.push_back(nullptr);
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) return 127;
  if (child == 0) {
    if (!run.directory.empty() && chdir(run.directory.c_str()) != 0) {
      std::fprintf(stderr, "vandrel-cli: cannot change to %s: %s\n", run.directory.c_str(),
                   std::strerror(errno));
      _exit(127);
    }
    execvp(argv[0], argv.data());
    std::fprintf(stderr, "vandrel-cli: cannot start %s: %s\n", argv[0], std::strerror(errno));
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

void Run(CliContext& context, const RunOptions& options) {
  SettingsStore store(SettingsStore::DefaultFile(context.configDir));
  ToolRecord tool;
  if (options.number < 1 || !LoadTool(store, options.number, tool)) {
    Fail(context, "there is no tool " + std::to_string(options.number));
    return;
  }
  if (tool.caption == "-") return;  // a separator runs nothing
  project::ToolMacroValues document;
  const bool withDocument = !options.file.empty();
  if (withDocument) {
    document.filePath = options.file;
    document.templateName = options.templateName;
    document.caretLine = options.line;
    document.caretColumn = options.column;
    document.caretText = options.word;
  }
  const std::optional<std::string> arguments =
      options.argumentsGiven ? std::optional<std::string>(options.arguments) : std::nullopt;
  const project::ToolRun run =
      project::PrepareToolRun(tool, withDocument ? &document : nullptr, arguments);
  if (options.dry) {
    std::printf("%s\ncommand=%s\narguments=%s\ndirectory=%s\n", run.remote ? "remote" : "local",
                run.command.c_str(), run.arguments.c_str(), run.directory.c_str());
    if (run.remote) {
      for (const std::string& line : project::RemoteToolCommands(run)) {
        std::printf("host=%s\n", HostCommandLine(line, nullptr).c_str());
      }
    } else {
      for (const std::string& parameter : project::SplitToolArguments(run.arguments)) {
        std::printf("parameter=%s\n", parameter.c_str());
      }
    }
    return;
  }
  if (run.remote) {
    if (options.host.host.empty()) {
      Fail(context, "tool " + std::to_string(options.number) +
                        " runs on the host: give --host (and --port, --user, --password-file)");
      return;
    }
    RunHostCommandLines(context, options.host, project::RemoteToolCommands(run));
    return;
  }
  context.exitCode = RunLocal(run);
}

}  // namespace

void AddToolCommands(CLI::App& app, CliContext& context) {
  CLI::App* tools = app.add_subcommand("tools", "list, add, remove and run the Tools menu's tools");
  tools->require_subcommand(1);

  CLI::App* list = tools->add_subcommand(
      "list", "print each tool: number, caption, command, arguments, directory, flags");
  list->callback([&context] { List(context); });

  auto add = std::make_shared<AddOptions>();
  CLI::App* addCommand = tools->add_subcommand(
      "add",
      "add a tool at the end of the menu (\"-\" a separator, \">Name\" opens a submenu, "
      "\"<\" closes it)");
  addCommand->add_option("CAPTION", add->tool.caption, "the menu text")->required();
  addCommand->add_option("--command", add->tool.command, "the program or host command");
  addCommand->add_option("--arguments", add->tool.arguments, "its arguments (macros allowed)");
  addCommand->add_option("--directory", add->tool.directory, "the initial directory");
  addCommand->add_flag("--prompt", add->prompt, "ask for the arguments before running");
  addCommand->add_flag("--remote", add->remote, "run on the host in the command line window");
  addCommand->add_flag("--output", add->output, "the \"Output to new window\" flag");
  addCommand->callback([&context, add] { Add(context, *add); });

  auto removeNumber = std::make_shared<int>(0);
  CLI::App* remove = tools->add_subcommand("remove", "remove tool N; the tools after it move up");
  remove->add_option("N", *removeNumber, "the tool's number, from 1")->required();
  remove->callback([&context, removeNumber] { Remove(context, *removeNumber); });

  auto run = std::make_shared<RunOptions>();
  CLI::App* runCommand = tools->add_subcommand(
      "run", "run tool N for a document, a remote one on --host; --dry prints what would run");
  runCommand->add_option("N", run->number, "the tool's number, from 1")->required();
  runCommand->add_option("--file", run->file, "the document's path");
  runCommand->add_option("--line", run->line, "the caret's line, from 1");
  runCommand->add_option("--col", run->column, "the caret's column, from 1");
  runCommand->add_option("--word", run->word, "the word at the caret");
  runCommand->add_option("--template", run->templateName, "the document's template");
  runCommand
      ->add_option("--arguments", run->arguments,
                   "arguments for this run instead of the tool's own (as the prompt gives them)")
      ->each([run](const std::string&) { run->argumentsGiven = true; });
  runCommand->add_option("--host", run->host.host, "a remote tool's host name or address");
  runCommand->add_option("--port", run->host.port, "the agent's port")->capture_default_str();
  runCommand->add_option("--user", run->host.user,
                         "the user name (an MPE/iX logon string on MPE hosts)");
  runCommand->add_option("--password-file", run->host.passwordFile,
                         "a file whose first line is the password");
  runCommand->add_flag("--dry", run->dry,
                       "print the expanded command, arguments and directory instead of running");
  runCommand->callback([&context, run] { Run(context, *run); });
}

}  // namespace vandrel::cli
