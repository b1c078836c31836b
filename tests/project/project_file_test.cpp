#include "project/project_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "core/progress.h"
#include "core/store_file.h"
#include "core/store_listing.h"
#include "project_fakes.h"
#include "support/scripted_user_interface.h"
#include "support/temp_dir.h"

namespace vandrel::project {
namespace {

using testing::AddFile;
using testing::AddFolder;
using vandrel::testing::ReadBytes;
using vandrel::testing::ScriptedUserInterface;
using vandrel::testing::TempDir;
using vandrel::testing::WriteBytes;

const std::vector<std::string> kProjectValues = {
    "Version",       "Connection",  "User",           "Password",      "MPEHPFSSupport",
    "MPEPosixShell", "MPELocking",  "MPEUdcLogon",    "MPEUdcEnabled", "AutoexecCommand",
    "PortNo",        "ProjectSize", "EnvironmentVars"};
const std::vector<std::string> kItemValues = {
    "Folder",      "Name",        "Build",      "BuildFlags",    "Compile",     "CompileFlags",
    "CompileEcho", "Location",    "Items",      "Type",          "TabStops",    "ReadOnly",
    "CobolToken",  "CobolFormat", "NLSCharSet", "CompileOutput", "NLSTranslate"};

// A project with every setting away from its default.
void FillSample(Project& project) {
  ProjectSettings& p = project.projectSettings();
  p.server = "host.example";
  p.port = 12345;
  p.user = "me";
  p.password = "secret";
  p.hpfsSupport = 1;
  p.posixShell = 1;
  p.udcLogon = kUdcAccount;
  p.udcEnabled = 1;
  p.autoexecCommand = "setup";
  p.environment = "A=1\r\nB=2";
  p.outputMasks = {"C", "%f(%l) : error %m"};
  project.SetLocation("/dev");
  project.settings().build = "make";
  project.settings().compileEcho = "echo all";

  ProjectItem* src = AddFolder(project, "Src", "src");
  src->settings().buildFlags = kBuildOverride | kBuildCompileContents;
  src->settings().compileFlags = kCompileOverride;
  src->settings().compile = "cc -c $(FileName)";
  src->settings().type = "C";
  ProjectItem* file = AddFile(*src, "a.c");
  file->settings().tabStops = 8;
  file->settings().readOnly = 1;
  file->settings().cobolFormat = 1;
  file->settings().cobolToken = "%yy%mm";
  file->settings().nlsTranslate = 1;
  file->settings().nlsCharSet = "German";
  file->settings().compileEcho = "echo a";  // read back as written: no override added
  ProjectItem* sub = AddFolder(*src, "Sub", "/abs");
  AddFile(*sub, "b.c")->settings().compileOutput = 1;
  AddFile(project, "top.c");
}

void ExpectSameTree(const ProjectItem& a, const ProjectItem& b) {
  EXPECT_EQ(a.settings(), b.settings()) << a.IndexPath();
  ASSERT_EQ(a.ChildCount(), b.ChildCount()) << a.IndexPath();
  for (std::size_t i = 0; i < a.ChildCount(); ++i) ExpectSameTree(*a.Child(i), *b.Child(i));
}

std::vector<std::string> Names(const StoreListedSection& section) {
  std::vector<std::string> names;
  for (const auto& v : section.values) names.push_back(v.name);
  return names;
}

TEST(ProjectFile, SectionsAndValuesInTheirOrder) {
  TempDir dir;
  Project project;
  FillSample(project);
  ASSERT_TRUE(SaveProjectFile(project, dir / "p.vdp"));

  const StoreListing listing = ListStoreImage(ReadBytes(dir / "p.vdp"));
  ASSERT_TRUE(listing.valid) << listing.error;
  EXPECT_EQ(listing.flags, 1u);
  std::vector<std::string> sections;
  for (const auto& s : listing.sections) sections.push_back(s.name);
  EXPECT_EQ(sections, (std::vector<std::string>{"0", "0.0", "0.0.0", "0.0.1", "0.0.1.0", "0.1"}));

  std::vector<std::string> first = kProjectValues;
  first.push_back("OutputMask0");
  first.push_back("OutputMask1");
  first.insert(first.end(), kItemValues.begin(), kItemValues.end());
  EXPECT_EQ(Names(listing.sections[0]), first);
  for (std::size_t i = 1; i < listing.sections.size(); ++i)
    EXPECT_EQ(Names(listing.sections[i]), kItemValues);
  for (const auto& s : listing.sections)
    for (const auto& v : s.values) EXPECT_TRUE(v.live);

  const auto& version = listing.sections[0].values[0];
  EXPECT_EQ(std::string(version.data.begin(), version.data.end()), "10220");
  EXPECT_EQ(project.Version(), 10220u);
  EXPECT_EQ(project.ProjectSize(), 5);
}

TEST(ProjectFile, ImageIsWhatTheStoreWritesCallByCall) {
  TempDir dir;
  Project project;
  FillSample(project);
  const std::vector<std::uint8_t> image = BuildProjectImage(project);

  // The same file written through the store, one Write values call at a time.
  StoreFile file = StoreFile::Open(dir / "ref.vdp", false, StoreCreation::kCreateAlways);
  ASSERT_TRUE(file.IsValid());
  ProjectSettings p = project.projectSettings();
  std::string version = "10220";
  std::int32_t size = 5;
  ASSERT_TRUE(WriteValues(file, "0", ProjectValueRows(p, &version, &size)));
  for (std::size_t i = 0; i < p.outputMasks.size(); ++i) {
    const auto row = TextRow(OutputMaskName(i), &p.outputMasks[i], 260);
    ASSERT_TRUE(WriteValues(file, "0", {&row, 1}));
  }
  std::function<void(const ProjectItem&, const std::string&)> write = [&](const ProjectItem& item,
                                                                          const std::string& s) {
    ItemSettings settings = item.settings();
    std::int32_t items = static_cast<std::int32_t>(item.ChildCount());
    ASSERT_TRUE(WriteValues(file, s, ItemValueRows(settings, &items)));
    for (std::size_t i = 0; i < item.ChildCount(); ++i)
      write(*item.Child(i), ChildSectionName(s, i));
  };
  write(project, "0");
  file.Close();
  EXPECT_EQ(image, ReadBytes(dir / "ref.vdp"));
}

TEST(ProjectFile, SavedProjectsReadBackIdentical) {
  TempDir dir;
  Project project;
  FillSample(project);
  project.projectSettings().fileLocking = 1;
  ASSERT_TRUE(SaveProjectFile(project, dir / "p.vdp"));

  Project loaded;
  ASSERT_TRUE(LoadProjectFile(loaded, dir / "p.vdp", false, {1, nullptr}));
  EXPECT_EQ(loaded.projectSettings(), project.projectSettings());
  EXPECT_EQ(loaded.Version(), 10220u);
  EXPECT_EQ(loaded.ProjectSize(), 5);
  ExpectSameTree(loaded, project);

  // Without SpecialOptions bit 0 the file-locking flag is always cleared.
  ASSERT_TRUE(LoadProjectFile(loaded, dir / "p.vdp", false));
  EXPECT_EQ(loaded.projectSettings().fileLocking, 0);
  EXPECT_EQ(ReadFileVersion(dir / "p.vdp"), 10220u);
}

TEST(ProjectFile, OutputMasks) {
  TempDir dir;
  Project project;
  ASSERT_TRUE(SaveProjectFile(project, dir / "none.vdp"));
  const StoreListing none = ListStoreImage(ReadBytes(dir / "none.vdp"));
  for (const auto& v : none.sections[0].values)
    EXPECT_NE(v.name.rfind("OutputMask", 0), 0u) << v.name;

  // An empty mask would end the list on reading: it is not written.
  project.projectSettings().outputMasks = {"one", "", "three"};
  ASSERT_TRUE(SaveProjectFile(project, dir / "gap.vdp"));
  Project loaded;
  ASSERT_TRUE(LoadProjectFile(loaded, dir / "gap.vdp", false));
  EXPECT_EQ(loaded.projectSettings().outputMasks, (std::vector<std::string>{"one", "three"}));

  // Reading stops at the first mask that is missing.
  StoreFile file = StoreFile::Open(dir / "gap.vdp", false, StoreCreation::kOpenExisting);
  std::string late = "late";
  const auto row = TextRow("OutputMask5", &late, 260);
  ASSERT_TRUE(WriteValues(file, "0", {&row, 1}));
  file.Close();
  ASSERT_TRUE(LoadProjectFile(loaded, dir / "gap.vdp", false));
  EXPECT_EQ(loaded.projectSettings().outputMasks.size(), 2u);
}

TEST(ProjectFile, StoreFilesBefore10220GainThePrecompileOverride) {
  TempDir dir;
  Project project;
  AddFile(project, "a.c")->settings().compileEcho = "echo";
  AddFile(project, "b.c");
  ASSERT_TRUE(SaveProjectFile(project, dir / "p.vdp"));
  StoreFile file = StoreFile::Open(dir / "p.vdp", false, StoreCreation::kOpenExisting);
  std::string version = "10200";
  const auto row = TextRow("Version", &version, 32);
  ASSERT_TRUE(WriteValues(file, "0", {&row, 1}));
  file.Close();

  EXPECT_EQ(ReadFileVersion(dir / "p.vdp"), 10200u);
  Project loaded;
  ASSERT_TRUE(LoadProjectFile(loaded, dir / "p.vdp", false));
  EXPECT_EQ(loaded.Version(), 10200u);
  EXPECT_EQ(loaded.Child(0)->settings().compileOutput, 1);
  EXPECT_EQ(loaded.Child(1)->settings().compileOutput, 0);
}

TEST(ProjectFile, ReadFileVersionOfWhatIsNotAProject) {
  TempDir dir;
  EXPECT_EQ(ReadFileVersion(dir / "missing.vdp"), 0u);
  WriteBytes(dir / "text.vdp", {'h', 'e', 'l', 'l', 'o'});
  EXPECT_EQ(ReadFileVersion(dir / "text.vdp"), 0u);
  Project project;
  EXPECT_FALSE(LoadProjectFile(project, dir / "text.vdp", false));
  EXPECT_FALSE(LoadProjectFile(project, dir / "missing.vdp", false));

  // A store file without a project section.
  StoreFile file = StoreFile::Open(dir / "other.vdt", false, StoreCreation::kCreateAlways);
  std::string text = "x";
  const auto row = TextRow("Name", &text, 260);
  ASSERT_TRUE(WriteValues(file, "Template", {&row, 1}));
  file.Close();
  EXPECT_EQ(ReadFileVersion(dir / "other.vdt"), 0u);
}

TEST(ProjectFile, DamagedFilesAreRefused) {
  TempDir dir;
  Project project;
  AddFolder(project, "F");
  ASSERT_TRUE(SaveProjectFile(project, dir / "p.vdp"));
  // Claim a second child that has no section.
  StoreFile file = StoreFile::Open(dir / "p.vdp", false, StoreCreation::kOpenExisting);
  std::int32_t items = 2;
  const auto row = NumberRow("Items", &items);
  ASSERT_TRUE(WriteValues(file, "0", {&row, 1}));
  file.Close();
  Project loaded;
  EXPECT_FALSE(LoadProjectFile(loaded, dir / "p.vdp", false));

  // A cut-off file: the sections it still has are read by the store's rules.
  ASSERT_TRUE(SaveProjectFile(project, dir / "q.vdp"));
  auto bytes = ReadBytes(dir / "q.vdp");
  bytes.resize(bytes.size() - 10);
  WriteBytes(dir / "q.vdp", bytes);
  EXPECT_FALSE(LoadProjectFile(loaded, dir / "q.vdp", false));
}

TEST(ProjectFile, BackupKeepsThePreviousFile) {
  TempDir dir;
  Project project;
  project.projectSettings().server = "first";
  ASSERT_TRUE(SaveProjectFile(project, dir / "p.vdp"));
  EXPECT_FALSE(std::filesystem::exists(dir / "p.bak"));
  const auto first = ReadBytes(dir / "p.vdp");
  project.projectSettings().server = "second";
  ASSERT_TRUE(SaveProjectFile(project, dir / "p.vdp"));
  EXPECT_EQ(ReadBytes(dir / "p.bak"), first);
  EXPECT_NE(ReadBytes(dir / "p.vdp"), first);

  SaveOptions noBackup;
  noBackup.backup = false;
  ASSERT_TRUE(SaveProjectFile(project, dir / "q.vdp", noBackup));
  ASSERT_TRUE(SaveProjectFile(project, dir / "q.vdp", noBackup));
  EXPECT_FALSE(std::filesystem::exists(dir / "q.bak"));

  EXPECT_EQ(BackupName("/a.d/proj"), "/a.d/proj.bak");
  EXPECT_EQ(BackupName("/a/proj.vdp"), "/a/proj.bak");
  EXPECT_EQ(ConversionBackupName("/a.d/proj"), "/a.d/proj.000");
  EXPECT_EQ(ConversionBackupName("/a/proj.old.vdp"), "/a/proj.old.000");

  // A path without an extension gets ".bak" appended.
  ASSERT_TRUE(SaveProjectFile(project, dir / "bare"));
  ASSERT_TRUE(SaveProjectFile(project, dir / "bare"));
  EXPECT_TRUE(std::filesystem::exists(dir / "bare.bak"));

  // A project named like its own backup is saved without one.
  ASSERT_TRUE(SaveProjectFile(project, dir / "x.bak"));
  ASSERT_TRUE(SaveProjectFile(project, dir / "x.bak"));
  Project loaded;
  EXPECT_TRUE(LoadProjectFile(loaded, dir / "x.bak", false));
}

TEST(ProjectFile, ASaveKeepsTheFilesModeAndLinks) {
  TempDir dir;
  namespace fs = std::filesystem;
  fs::create_directories(dir / "real");
  Project project;
  ASSERT_TRUE(SaveProjectFile(project, dir / "real" / "p.vdp"));
  fs::permissions(dir / "real" / "p.vdp", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(dir / "real" / "p.vdp", dir / "link.vdp");

  project.projectSettings().server = "through the link";
  ASSERT_TRUE(SaveProjectFile(project, dir / "link.vdp"));
  EXPECT_TRUE(fs::is_symlink(dir / "link.vdp"));
  EXPECT_TRUE(fs::exists(dir / "real" / "p.bak"));
  EXPECT_EQ(fs::status(dir / "real" / "p.vdp").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  Project loaded;
  ASSERT_TRUE(LoadProjectFile(loaded, dir / "real" / "p.vdp", false));
  EXPECT_EQ(loaded.ServerAddress(), "through the link");
}

TEST(ProjectFile, AFailedBackupWarnsAndStillSaves) {
  TempDir dir;
  Project project;
  ASSERT_TRUE(SaveProjectFile(project, dir / "p.vdp"));
  std::filesystem::create_directories(dir / "p.bak" / "in-the-way");
  ScriptedUserInterface ui;
  SaveOptions options;
  options.ui = &ui;
  project.projectSettings().server = "new";
  ASSERT_TRUE(SaveProjectFile(project, dir / "p.vdp", options));
  ASSERT_EQ(ui.shown().size(), 1u);
  EXPECT_EQ(ui.shown()[0].text,
            "A backup copy of the existing project file could not be created.\n'" +
                (dir / "p.bak").string() +
                "'\n\nPlease check to see if this file exists and is not read-only.");
  Project loaded;
  ASSERT_TRUE(LoadProjectFile(loaded, dir / "p.vdp", false));
  EXPECT_EQ(loaded.ServerAddress(), "new");
}

TEST(ProjectFile, ExclusiveModeHoldsTheFileAcrossSaves) {
  TempDir dir;
  const auto path = dir / "p.vdp";
  Project project;
  ASSERT_TRUE(SaveProjectFile(project, path));
  EXPECT_TRUE(StoreFile::Open(path, true, StoreCreation::kOpenExisting).IsValid());

  ASSERT_TRUE(LoadProjectFile(project, path, true));
  EXPECT_TRUE(project.Exclusive());
  EXPECT_FALSE(StoreFile::Open(path, true, StoreCreation::kOpenExisting).IsValid());
  EXPECT_EQ(ReadFileVersion(path), 0u);
  Project other;
  EXPECT_FALSE(LoadProjectFile(other, path, false));

  // The new file is held from the moment it exists.
  ASSERT_TRUE(SaveProjectFile(project, path));
  EXPECT_FALSE(StoreFile::Open(path, true, StoreCreation::kOpenExisting).IsValid());
  project.Close();
  EXPECT_TRUE(StoreFile::Open(path, true, StoreCreation::kOpenExisting).IsValid());

  ASSERT_TRUE(LoadProjectFile(project, path, false));
  EXPECT_TRUE(StoreFile::Open(path, true, StoreCreation::kOpenExisting).IsValid());
}

void FillBig(Project& project, int folders, int files) {
  project.projectSettings().server = "big";
  for (int f = 0; f < folders; ++f) {
    ProjectItem* folder = AddFolder(project, "folder" + std::to_string(f), "f" + std::to_string(f));
    for (int i = 0; i < files; ++i) {
      ProjectItem* file = AddFile(*folder, "file" + std::to_string(i) + ".c");
      file->settings().compile = "cc -c $(FilePath) -o $(FileDir)/obj/" + std::to_string(i);
    }
  }
}

std::vector<std::filesystem::path> Leftovers(const TempDir& dir) {
  std::vector<std::filesystem::path> found;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    if (entry.path().filename().string().find(".save-") != std::string::npos)
      found.push_back(entry.path());
  return found;
}

TEST(ProjectFile, AFailedSaveLeavesThePreviousFileWhole) {
  TempDir dir;
  const auto path = dir / "p.vdp";
  Project small;
  ASSERT_TRUE(SaveProjectFile(small, path));
  const auto before = ReadBytes(path);

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Writes beyond 4 KB fail as on a full disk.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    Project big;
    FillBig(big, 10, 10);
    ::_exit(SaveProjectFile(big, path) ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the save should have failed";
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_FALSE(std::filesystem::exists(dir / "p.bak"));
  EXPECT_TRUE(Leftovers(dir).empty());
}

// Tells the parent through a pipe each time a save has built its image and
// starts on the file, so the kills land where the file is being replaced.
class FilePhaseSignal : public ProgressReporter {
 public:
  explicit FilePhaseSignal(int fd) : fd_(fd) {}
  void ShowStatus(std::string_view) override {}
  void SetProgress(int percent) override {
    if (percent == 100 && ::write(fd_, "x", 1) < 0) ::_exit(3);
  }
  void ClearProgress() override {}

 private:
  int fd_;
};

TEST(ProjectFile, KilledInTheMiddleOfASaveTheFileStillOpens) {
  TempDir dir;
  const auto path = dir / "big.vdp";
  Project big;
  FillBig(big, 10, 40);
  ASSERT_TRUE(SaveProjectFile(big, path));
  const int total = big.TotalItems();

  std::mt19937 random(12345);
  std::uniform_int_distribution<int> pause(0, 8000);
  for (int round = 0; round < 20; ++round) {
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(pipeFds[0]);
      FilePhaseSignal signal(pipeFds[1]);
      SaveOptions options;
      options.progress = &signal;
      for (int n = 0;; ++n) {
        big.projectSettings().autoexecCommand = "round " + std::to_string(n);
        SaveProjectFile(big, path, options);
      }
    }
    ::close(pipeFds[1]);
    // Every other round the kill may also fall while the image is built.
    char byte = 0;
    if (round % 2 == 0) {
      ASSERT_EQ(::read(pipeFds[0], &byte, 1), 1);
    }
    ::usleep(static_cast<useconds_t>(pause(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(pipeFds[0]);

    Project loaded;
    ASSERT_TRUE(LoadProjectFile(loaded, path, false)) << "round " << round;
    EXPECT_EQ(loaded.TotalItems(), total);
    EXPECT_EQ(loaded.ServerAddress(), "big");
    if (std::filesystem::exists(dir / "big.bak")) {
      Project backup;
      EXPECT_TRUE(LoadProjectFile(backup, dir / "big.bak", false)) << "round " << round;
    }
  }
  // What the killed saves left behind goes with the next save.
  ASSERT_TRUE(SaveProjectFile(big, path));
  EXPECT_TRUE(Leftovers(dir).empty());
}

TEST(ProjectFile, ProgressCountsTheItems) {
  struct Recorder : ProgressReporter {
    void ShowStatus(std::string_view) override {}
    void SetProgress(int percent) override { steps.push_back(percent); }
    void ClearProgress() override {}
    std::vector<int> steps;
  } recorder;
  TempDir dir;
  Project project;
  AddFile(*AddFolder(project, "F"), "a");
  AddFile(project, "b");
  SaveOptions options;
  options.progress = &recorder;
  ASSERT_TRUE(SaveProjectFile(project, dir / "p.vdp", options));
  EXPECT_EQ(recorder.steps, (std::vector<int>{25, 50, 75, 100}));
  recorder.steps.clear();
  Project loaded;
  ASSERT_TRUE(LoadProjectFile(loaded, dir / "p.vdp", false, {0, &recorder}));
  EXPECT_EQ(recorder.steps.back(), 100);
}

}  // namespace
}  // namespace vandrel::project
