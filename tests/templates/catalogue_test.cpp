#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/progress.h"
#include "support/temp_dir.h"
#include "templates/template_catalogue.h"
#include "templates/template_lists.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

class RecordingProgress : public ProgressReporter {
 public:
  void ShowStatus(std::string_view text) override {
    events.push_back("status " + std::string(text));
  }
  void SetProgress(int percent) override { events.push_back(std::to_string(percent)); }
  void ClearProgress() override { events.push_back("clear"); }
  std::vector<std::string> events;
};

void WriteTemplate(const fs::path& path, const std::string& name, std::string mask = {}) {
  Template item(path);
  item.settings.Name = name;
  item.settings.CompilerOutputMask = std::move(mask);
  ASSERT_TRUE(item.Save()) << path;
}

std::vector<std::string> Names(const TemplateCatalogue& catalogue) {
  std::vector<std::string> names;
  for (const auto& item : catalogue.Templates()) names.push_back(item->settings.Name);
  return names;
}

class CatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(defaults_);
    fs::create_directories(user_);
    fs::create_directories(vdx_);
    folders_ = {defaults_.string(), user_.string() + "/", vdx_.string()};
  }

  TempDir dir_;
  fs::path defaults_ = dir_ / "templates";
  fs::path user_ = dir_ / "user";
  fs::path vdx_ = dir_ / "vdx";
  CatalogueFolders folders_;
  TemplateCatalogue catalogue_;
};

TEST_F(CatalogueTest, LoadsDefaultsThenUserTemplatesInFileNameOrder) {
  WriteTemplate(defaults_ / "b.vdt", "Ansi - C", "$(File):$(Line)");
  WriteTemplate(defaults_ / "a.vdt", "Ansi - COBOL");
  WriteTemplate(defaults_ / "C.VDT", "Upper Case");  // the extension in any case
  WriteTemplate(defaults_ / "ignored.txt", "Not A Template");
  testing::WriteBytes(defaults_ / "broken.vdt", {'n', 'o', 'p', 'e'});
  fs::create_directory(defaults_ / "folder.vdt");
  WriteTemplate(user_ / "mine.vdt", "ANSI - C");  // same name as a default
  WriteTemplate(user_ / "payroll.vdt", "Payroll");

  RecordingProgress progress;
  ASSERT_TRUE(catalogue_.LoadCatalogue(folders_, &progress));
  EXPECT_EQ(Names(catalogue_), (std::vector<std::string>{"Upper Case", "Ansi - COBOL", "Ansi - C",
                                                         "ANSI - C", "Payroll"}));
  std::vector<int> flags;
  for (const auto& item : catalogue_.Templates()) flags.push_back(item->userFlag);
  EXPECT_EQ(flags, (std::vector<int>{0, 0, 0, 1, 1}));
  EXPECT_EQ(catalogue_.Templates()[3]->path, user_ / "mine.vdt");

  // The default template comes first and wins the look-up.
  ASSERT_NE(catalogue_.FindTemplate("ansi - c"), nullptr);
  EXPECT_EQ(catalogue_.FindTemplate("ansi - c")->userFlag, 0);
  EXPECT_TRUE(catalogue_.HasTemplate("PAYROLL"));
  EXPECT_FALSE(catalogue_.HasTemplate("Payroll "));
  EXPECT_EQ(catalogue_.TemplateOutputMask("Ansi - C"), "$(File):$(Line)");
  EXPECT_EQ(catalogue_.TemplateOutputMask("Payroll"), "");
  EXPECT_FALSE(catalogue_.TemplateOutputMask("Unknown"));

  EXPECT_EQ(progress.events.front(), "status Loading Vandrel Extensions...");
  EXPECT_NE(std::find(progress.events.begin(), progress.events.end(),
                      "status Loading Vandrel Templates..."),
            progress.events.end());
  EXPECT_EQ(progress.events[progress.events.size() - 2], "100");
  EXPECT_EQ(progress.events.back(), "clear");
}

TEST_F(CatalogueTest, ListsExtensionsWithoutLoadingThem) {
  testing::WriteBytes(vdx_ / "pascal.vdx", {'x'});
  testing::WriteBytes(vdx_ / "Cobol.VDX", {'x'});
  testing::WriteBytes(vdx_ / "readme.txt", {'x'});
  ASSERT_TRUE(catalogue_.LoadCatalogue(folders_, nullptr));
  ASSERT_EQ(catalogue_.Extensions().size(), 2u);
  EXPECT_EQ(catalogue_.Extensions()[0].fileName, "Cobol.VDX");
  EXPECT_EQ(catalogue_.Extensions()[0].fullPath, (vdx_ / "Cobol.VDX").string());
  EXPECT_EQ(catalogue_.Extensions()[1].fileName, "pascal.vdx");
  EXPECT_FALSE(catalogue_.Extensions()[1].labelsFetched);
  EXPECT_EQ(catalogue_.FindExtension("COBOL.vdx"), &catalogue_.Extensions()[0]);
  EXPECT_EQ(catalogue_.FindExtension("cobol"), nullptr);
}

TEST_F(CatalogueTest, MissingOrUnsetFoldersGiveNothingAndReloadingStartsAfresh) {
  WriteTemplate(defaults_ / "a.vdt", "A");
  ASSERT_TRUE(catalogue_.LoadCatalogue(folders_, nullptr));
  ASSERT_EQ(catalogue_.Templates().size(), 1u);

  const CatalogueFolders missing{(dir_ / "none").string(), "", ""};
  RecordingProgress progress;
  ASSERT_TRUE(catalogue_.LoadCatalogue(missing, &progress));
  EXPECT_TRUE(catalogue_.Templates().empty());
  EXPECT_TRUE(catalogue_.Extensions().empty());
  EXPECT_EQ(progress.events.back(), "clear");
}

TEST_F(CatalogueTest, AppendAndRemoveOwnTheirTemplates) {
  auto item = std::make_unique<Template>();
  item->settings.Name = "Scratch";
  Template* added = catalogue_.Append(std::move(item));
  EXPECT_EQ(catalogue_.FindTemplate("scratch"), added);
  Template stranger;
  EXPECT_FALSE(catalogue_.Remove(&stranger));
  EXPECT_TRUE(catalogue_.Remove(added));
  EXPECT_FALSE(catalogue_.HasTemplate("Scratch"));
}

// The lists the windows show.
class TemplateListsTest : public ::testing::Test {
 protected:
  Template* Add(const std::string& name, int support, int userFlag, std::string mask = {}) {
    auto item = std::make_unique<Template>();
    item->settings.Name = name;
    item->settings.MPEFileSupport = support;
    item->settings.CompilerOutputMask = std::move(mask);
    item->userFlag = userFlag;
    return catalogue_.Append(std::move(item));
  }
  TemplateCatalogue catalogue_;
};

TEST_F(TemplateListsTest, ChooserTreeAndGalleryEntries) {
  Add("Pascal", kMpeSupportStandard, 0, "mask");
  Add("c", kMpeSupportNone, 0);
  Add("Qedit COBOL", kMpeSupportQedit, 1);
  Add("PASCAL", kMpeSupportNone, 1);  // hidden behind the default "Pascal"
  Add("B", kMpeSupportNone, 1, "mask");

  EXPECT_EQ(TemplateChooserEntries(catalogue_, 0),
            (std::vector<std::string>{"Pascal", "c", "Qedit COBOL", "B"}));
  const auto chooser = TemplateChooserEntries(catalogue_, kListNone | kListAutoDetect, true);
  EXPECT_EQ(chooser, (std::vector<std::string>{"(none)", "(auto-detect)", "B", "c", "Pascal",
                                               "Qedit COBOL"}));
  EXPECT_EQ(ChooserSelection(chooser, "pascal"), 4u);
  EXPECT_EQ(ChooserSelection(chooser, "Gone"), 0u);

  EXPECT_EQ(TemplateTreeItems(catalogue_),
            (std::vector<TemplateTreeItem>{{"B", kImageUserTemplate},
                                           {"c", kImageDefaultTemplate},
                                           {"Pascal", kImageDefaultTemplate},
                                           {"Qedit COBOL", kImageUserTemplate}}));

  // The New File dialog's "General" tab (options 193) and the other two.
  EXPECT_EQ(TemplateGalleryItems(catalogue_, 193),
            (std::vector<TemplateGalleryItem>{{"Normal", "(none)", kImagePlainTemplate},
                                              {"c", "c", kImagePlainTemplate},
                                              {"B", "B", kImagePlainTemplate}}));
  EXPECT_EQ(TemplateGalleryItems(catalogue_, kListStandardTemplates),
            (std::vector<TemplateGalleryItem>{{"Pascal", "Pascal", kImageStandardTemplate}}));
  EXPECT_EQ(
      TemplateGalleryItems(catalogue_, kListQeditTemplates | kListNone),
      (std::vector<TemplateGalleryItem>{{"(none)", "(none)", kImagePlainTemplate},
                                        {"Qedit COBOL", "Qedit COBOL", kImageQeditTemplate}}));
  EXPECT_EQ(TemplateGalleryItems(catalogue_, kListWithOutputMask | kListPlainTemplates),
            (std::vector<TemplateGalleryItem>{{"Pascal", "Pascal", kImageStandardTemplate},
                                              {"B", "B", kImagePlainTemplate}}));
}

}  // namespace
}  // namespace vandrel
