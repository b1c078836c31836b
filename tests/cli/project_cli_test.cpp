#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "support/run_process.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

using testing::ReadBytes;
using testing::RunProgram;
using testing::TempDir;

class ProjectCli : public ::testing::Test {
 protected:
  testing::ProcessResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--config", (dir_ / "config").string()});
    return RunProgram(VANDREL_CLI_PATH, args);
  }
  std::string Path(const std::string& name) { return (dir_ / name).string(); }

  TempDir dir_;
};

struct DumpedSection {
  std::string name;
  std::vector<std::string> values;  // "Name=shown value"
};

// The sections and values of `store dump`, in file order.
std::vector<DumpedSection> Sections(const std::string& dump) {
  std::vector<DumpedSection> sections;
  std::istringstream lines(dump);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("[", 0) == 0) {
      sections.push_back({line.substr(1, line.find(']') - 1), {}});
    } else if (line.rfind("  ", 0) == 0 && !sections.empty()) {
      std::istringstream fields(line);
      std::string name, word, type, skip;
      fields >> name >> word >> type >> word >> skip >> word;  // NAME type T offset N KIND
      std::string rest;
      std::getline(fields, rest);
      sections.back().values.push_back(name + "=" + word + rest);
    }
  }
  return sections;
}

TEST_F(ProjectCli, BuildsAProjectThatReadsBackThroughTheStore) {
  const std::string file = Path("demo.vdp");
  auto created = Cli({"project", "new", file, "--server", "host.example", "--port", "2000",
                      "--user", "me", "--root", "/dev"});
  ASSERT_EQ(created.exitCode, 0) << created.out;
  auto folder = Cli({"project", "add", file, "--folder", "", "--name", "Src", "--location", "src",
                     "--new-folder"});
  ASSERT_EQ(folder.exitCode, 0) << folder.out;
  EXPECT_EQ(folder.out, "0 \n");
  auto added = Cli({"project", "add", file, "--folder", "0", "--name", "foo.c", "--type", "C"});
  ASSERT_EQ(added.exitCode, 0) << added.out;
  EXPECT_EQ(added.out, "0 0 \n");
  ASSERT_EQ(
      Cli({"project", "set", file, "--item", "0 0", "Compile=cc -c $(FileName)", "compileflags=1"})
          .exitCode,
      0);
  ASSERT_EQ(
      Cli({"project", "set", file, "Build=make", "OutputMask0=C", "OutputMask1=%f:%l"}).exitCode,
      0);
  EXPECT_TRUE(std::filesystem::exists(Path("demo.bak")));  // BackupProjectFiles is on

  const auto dump = Cli({"store", "dump", file});
  ASSERT_EQ(dump.exitCode, 0) << dump.out;
  const auto sections = Sections(dump.out);
  ASSERT_EQ(sections.size(), 3u);
  EXPECT_EQ(sections[0].name, "0");
  EXPECT_EQ(sections[1].name, "0.0");
  EXPECT_EQ(sections[2].name, "0.0.0");
  EXPECT_EQ(sections[0].values, (std::vector<std::string>{"Version=text \"10220\"",
                                                          "Connection=text \"host.example\"",
                                                          "User=text \"me\"",
                                                          "Password=text \"\"",
                                                          "MPEHPFSSupport=number 0",
                                                          "MPEPosixShell=number 0",
                                                          "MPELocking=number 0",
                                                          "MPEUdcLogon=number 7",
                                                          "MPEUdcEnabled=number 0",
                                                          "AutoexecCommand=text \"\"",
                                                          "PortNo=number 2000",
                                                          "ProjectSize=number 2",
                                                          "EnvironmentVars=text \"\"",
                                                          "OutputMask0=text \"C\"",
                                                          "OutputMask1=text \"%f:%l\"",
                                                          "Folder=number 1",
                                                          "Name=text \"Untitled\"",
                                                          "Build=text \"make\"",
                                                          "BuildFlags=number 0",
                                                          "Compile=text \"\"",
                                                          "CompileFlags=number 0",
                                                          "CompileEcho=text \"\"",
                                                          "Location=text \"/dev\"",
                                                          "Items=number 1",
                                                          "Type=text \"(auto-detect)\"",
                                                          "TabStops=number 0",
                                                          "ReadOnly=number 0",
                                                          "CobolToken=text \"\"",
                                                          "CobolFormat=number 0",
                                                          "NLSCharSet=text \"(none)\"",
                                                          "CompileOutput=number 0",
                                                          "NLSTranslate=number 0"}));
  EXPECT_EQ(sections[2].values[1], "Name=text \"foo.c\"");
  EXPECT_EQ(sections[2].values[4], "Compile=text \"cc -c $(FileName)\"");
  EXPECT_EQ(sections[2].values[5], "CompileFlags=number 1");
  EXPECT_EQ(sections[2].values[9], "Type=text \"C\"");

  const auto show = Cli({"project", "show", file, "--json"});
  ASSERT_EQ(show.exitCode, 0) << show.out;
  EXPECT_NE(show.out.find("\"Connection\":\"host.example\""), std::string::npos) << show.out;
  EXPECT_NE(show.out.find("\"outputMasks\":[\"C\",\"%f:%l\"]"), std::string::npos);
  EXPECT_NE(show.out.find("{\"indexPath\":\"0 0 \",\"folderPath\":\"/dev/src/\","
                          "\"fullPath\":\"/dev/src/foo.c\""),
            std::string::npos);
  const auto text = Cli({"project", "show", file});
  ASSERT_EQ(text.exitCode, 0);
  EXPECT_NE(text.out.find("item [0 0 ]\n  Folder: 0\n  Name: \"foo.c\"\n"), std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("  FullPath: \"/dev/src/foo.c\"\n"), std::string::npos);

  const auto expanded = Cli(
      {"project", "expand", file, "--item", "0 0", "cc $(FileName) -o $(FileDir)/x $(FileExt)"});
  ASSERT_EQ(expanded.exitCode, 0) << expanded.out;
  EXPECT_EQ(expanded.out, "cc foo.c -o /dev/src/x c\n");
  EXPECT_EQ(Cli({"project", "expand", file, "--item", "", "$(ProjectName)"}).out, "demo\n");
}

TEST_F(ProjectCli, ConvertsAHandWrittenOlderProject) {
  const std::string legacy =
      "[0]\r\nFolder=1\r\nName=Old\r\nConnection=h\r\nLocation=/dev\r\nItems=1\r\n"
      "[0.0]\r\nFolder=0\r\nName=foo.c\r\nBuild=cc -c %p -o %F.o\r\n";
  const std::string file = Path("old.vdp");
  std::ofstream(file, std::ios::binary) << legacy;

  const auto converted = Cli({"project", "convert", file});
  ASSERT_EQ(converted.exitCode, 0) << converted.out;
  EXPECT_NE(converted.out.find("converted from format 10005 to 10220"), std::string::npos);
  const auto backup = ReadBytes(Path("old.000"));
  EXPECT_EQ(std::string(backup.begin(), backup.end()), legacy);

  const auto show = Cli({"project", "show", file, "--json"});
  ASSERT_EQ(show.exitCode, 0) << show.out;
  EXPECT_NE(show.out.find("\"Version\":\"10220\""), std::string::npos) << show.out;
  EXPECT_NE(show.out.find("\"Compile\":\"cc -c $(FilePath) -o $(FileName).o\",\"CompileFlags\":1"),
            std::string::npos)
      << show.out;
  EXPECT_EQ(Cli({"project", "convert", file}).out,
            file + ": already a project file of format 10220\n");

  // An older file whose ".000" exists already is left alone.
  const std::string other = Path("other.vdp");
  std::ofstream(other, std::ios::binary) << legacy;
  std::ofstream(Path("other.000")) << "earlier";
  EXPECT_NE(Cli({"project", "convert", other}).exitCode, 0);
  const auto untouched = ReadBytes(other);
  EXPECT_EQ(std::string(untouched.begin(), untouched.end()), legacy);
}

TEST_F(ProjectCli, BadInputChangesNothing) {
  const std::string file = Path("p.vdp");
  ASSERT_EQ(Cli({"project", "new", file, "--server", "h"}).exitCode, 0);
  ASSERT_EQ(Cli({"project", "add", file, "--folder", "", "--name", "a.c"}).exitCode, 0);
  const auto before = ReadBytes(file);

  EXPECT_NE(Cli({"project", "new", file, "--server", "h"}).exitCode, 0);
  EXPECT_NE(Cli({"project", "set", file, "NoSuchValue=1"}).exitCode, 0);
  EXPECT_NE(Cli({"project", "set", file, "PortNo=eleven"}).exitCode, 0);
  EXPECT_NE(Cli({"project", "set", file, "Items=4"}).exitCode, 0);
  EXPECT_NE(Cli({"project", "set", file, "Build=make", "Type=" + std::string(64, 't')}).exitCode,
            0);
  EXPECT_NE(Cli({"project", "set", file, "OutputMask3=x"}).exitCode, 0);
  EXPECT_NE(Cli({"project", "set", file, "--item", "0", "Connection=x"}).exitCode, 0);
  EXPECT_NE(Cli({"project", "set", file, "--item", "7", "Build=x"}).exitCode, 0);
  EXPECT_NE(Cli({"project", "add", file, "--folder", "0", "--name", "b.c"}).exitCode, 0);
  EXPECT_NE(Cli({"project", "add", file, "--folder", "", "--name", std::string(260, 'n')}).exitCode,
            0);
  EXPECT_EQ(ReadBytes(file), before);

  std::ofstream(Path("notes.txt")) << "just text\n";
  const auto show = Cli({"project", "show", Path("notes.txt")});
  EXPECT_NE(show.exitCode, 0);
  EXPECT_NE(show.out.find("not a project file"), std::string::npos) << show.out;
  EXPECT_NE(Cli({"project", "show", Path("missing.vdp")}).exitCode, 0);
  EXPECT_NE(Cli({"project", "convert", Path("notes.txt")}).exitCode, 0);
}

}  // namespace
}  // namespace vandrel
