#include "project/project_ini_format.h"

#include <gtest/gtest.h>

#include <fstream>

#include "project/project_file.h"
#include "support/temp_dir.h"

namespace vandrel::project {
namespace {

using vandrel::testing::TempDir;

void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A project as the earliest releases wrote it: no Version, one Build command
// per item, "%"-placeholders.
const char kLegacy[] =
    "[0]\r\n"
    "Folder=1\r\n"
    "Name=Legacy\r\n"
    "Connection=host.example\r\n"
    "PortNo=12000\r\n"
    "User=me\r\n"
    "MPELocking=1\r\n"
    "MPEUdcLogon=3\r\n"
    "Location=/dev\r\n"
    "Build=make %P\r\n"
    "Items=2\r\n"
    "OutputMask0=C\r\n"
    "OutputMask1=\r\n"
    "OutputMask3=never read\r\n"
    "\r\n"
    "[0.0]\r\n"
    "Folder=1\r\n"
    "Name=Src\r\n"
    "Location=src\r\n"
    "Build=cc -o %F.o %f\r\n"
    "Items=1\r\n"
    "\r\n"
    "[0.0.0]\r\n"
    "Folder=0\r\n"
    "Name=foo.c\r\n"
    "Build=cc -c %p %d/%t %MP %md\r\n"
    "Compile=\r\n"
    "CompileEcho=echo\r\n"
    "\r\n"
    "[0.1]\r\n"
    "Folder=0\r\n"
    "Name=bar.c\r\n"
    "Compile=cc %p\r\n";

TEST(ProjectIniFormat, AnUnversionedProjectIsConverted) {
  TempDir dir;
  WriteText(dir / "old.vdp", kLegacy);
  EXPECT_EQ(ReadFileVersion(dir / "old.vdp"), 10005u);

  Project project;
  ASSERT_TRUE(LoadProjectFile(project, dir / "old.vdp", false));
  EXPECT_EQ(project.Version(), 10005u);
  EXPECT_EQ(project.ServerAddress(), "host.example");
  EXPECT_EQ(project.Port(), 12000);
  EXPECT_EQ(project.User(), "me");
  EXPECT_EQ(project.projectSettings().udcLogon, 3);
  EXPECT_EQ(project.projectSettings().fileLocking, 0);
  EXPECT_EQ(project.projectSettings().outputMasks, (std::vector<std::string>{"C", ""}));
  EXPECT_EQ(project.Name(), "Legacy");
  EXPECT_EQ(project.settings().build, "make $(FilePath)");
  EXPECT_EQ(project.settings().buildFlags, kBuildOverride);

  ASSERT_EQ(project.ChildCount(), 2u);
  const ProjectItem& src = *project.Child(0);
  EXPECT_TRUE(src.IsFolder());
  EXPECT_EQ(src.settings().build, "cc -o $(FileName).o $(FileName)");
  EXPECT_EQ(src.settings().buildFlags, kBuildOverride);

  // A file's Build becomes its own Compile command.
  const ProjectItem& foo = *src.Child(0);
  EXPECT_FALSE(foo.IsFolder());
  EXPECT_EQ(foo.FullPath(), "/dev/src/foo.c");
  const std::string converted =
      "cc -c $(FilePath) $(FileDir)/$(Template) $(MpeFilePath) $(MpeFileDir)";
  EXPECT_EQ(foo.settings().compile, converted);
  EXPECT_EQ(foo.settings().build, converted);
  EXPECT_EQ(foo.settings().compileFlags, kCompileOverride);
  EXPECT_EQ(foo.settings().compileOutput, 0);  // only store files gain the override

  const ProjectItem& bar = *project.Child(1);
  EXPECT_EQ(bar.settings().compile, "cc $(FilePath)");
  EXPECT_EQ(bar.settings().compileFlags, 0u);
  EXPECT_EQ(bar.settings().type, "(auto-detect)");  // missing values keep their defaults

  // Saving writes the store format.
  ASSERT_TRUE(SaveProjectFile(project, dir / "old.vdp"));
  EXPECT_EQ(ReadFileVersion(dir / "old.vdp"), 10220u);
  Project again;
  ASSERT_TRUE(LoadProjectFile(again, dir / "old.vdp", false));
  EXPECT_EQ(again.Child(0)->Child(0)->settings().compile, converted);
}

TEST(ProjectIniFormat, ConversionsFollowTheVersion) {
  TempDir dir;
  auto load = [&](const std::string& version, Project& project) {
    WriteText(dir / "p.vdp", "[0]\nFolder=1\nVersion=" + version +
                                 "\nItems=1\n[0.0]\nName=a.c\nBuild=cc %p\nCompile=\n");
    return LoadProjectFile(project, dir / "p.vdp", false);
  };
  Project p10100;
  ASSERT_TRUE(load("10100", p10100));
  EXPECT_EQ(p10100.Version(), 10100u);
  EXPECT_EQ(p10100.Child(0)->settings().build, "cc $(FilePath)");
  EXPECT_EQ(p10100.Child(0)->settings().compile, "");

  Project p10101;
  ASSERT_TRUE(load("10101", p10101));
  EXPECT_EQ(p10101.Child(0)->settings().build, "cc %p");
  EXPECT_EQ(ReadFileVersion(dir / "p.vdp"), 10101u);

  Project p0;
  ASSERT_TRUE(load("0", p0));
  EXPECT_EQ(p0.Version(), 10005u);
}

TEST(ProjectIniFormat, OnlyFolderOneMakesAProject) {
  TempDir dir;
  WriteText(dir / "a.vdp", "[0]\nFolder=0\nName=x\n");
  WriteText(dir / "b.vdp", "[0]\nName=x\n");
  WriteText(dir / "c.vdp", "[1]\nFolder=1\n");
  for (const char* name : {"a.vdp", "b.vdp", "c.vdp"}) {
    EXPECT_EQ(ReadFileVersion(dir / name), 0u) << name;
    Project project;
    EXPECT_FALSE(LoadProjectFile(project, dir / name, false)) << name;
  }
  WriteText(dir / "d.vdp", "[0]\nFolder = 1 \nVersion=10120\n");
  EXPECT_EQ(ReadFileVersion(dir / "d.vdp"), 10120u);
}

TEST(ProjectIniFormat, AMissingItemSectionFailsTheLoad) {
  TempDir dir;
  WriteText(dir / "p.vdp", "[0]\nFolder=1\nItems=1000000000\n[0.0]\nName=a\n");
  Project project;
  EXPECT_FALSE(LoadProjectFile(project, dir / "p.vdp", false));
}

TEST(ProjectIniFormat, ACommandTooLongToConvertKeepsItsOldForm) {
  const std::string longCommand = "cc " + std::string(240, 'x') + " %p %f";
  ProjectItem item(false);
  item.settings().compile = longCommand;
  item.settings().build = "short %p";
  ConvertOlderItem(item, 10100, false);
  EXPECT_EQ(item.settings().compile, longCommand);
  EXPECT_EQ(item.settings().build, "short $(FilePath)");
  EXPECT_EQ(ConvertPlaceholders("%P%F%D%T%Mp%mD%%x"),
            "$(FilePath)$(FileName)$(FileDir)$(Template)$(MpeFilePath)$(MpeFileDir)%%x");
}

}  // namespace
}  // namespace vandrel::project
