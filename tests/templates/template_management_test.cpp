#include "templates/template_management.h"

#include <gtest/gtest.h>

#include <string>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "support/scripted_user_interface.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using testing::ScriptedUserInterface;
using testing::TempDir;

Template Loaded(const fs::path& path) {
  Template item(path);
  EXPECT_TRUE(item.Load()) << path;
  return item;
}

TEST(NewTemplateForm, TheFileNameFollowsTheNameUntilEdited) {
  NewTemplateForm form(false, "/home/u/templates");
  EXPECT_EQ(form.Title(), "New Template");
  EXPECT_EQ(NewTemplateForm(true, "").Title(), "Copy Template");
  EXPECT_FALSE(form.OkEnabled());

  form.SetName("Pay");
  form.SetName("Payroll");
  EXPECT_EQ(form.FileName(), "Payroll");
  EXPECT_TRUE(form.OkEnabled());

  form.SetFileName("pay");
  form.SetName("Payroll 2");
  EXPECT_EQ(form.FileName(), "pay");
  form.SetFileName("");
  EXPECT_FALSE(form.OkEnabled());
  // Typed back to the last copied text, it follows again.
  form.SetFileName("Payroll");
  form.SetName("Payroll 3");
  EXPECT_EQ(form.FileName(), "Payroll 3");
}

TEST(TemplateFileNames, ExtensionAndBackupNames) {
  EXPECT_EQ(TemplateFileName("Payroll"), "Payroll.vdt");
  EXPECT_EQ(TemplateFileName("PAYROLL.VDT"), "PAYROLL.VDT");
  EXPECT_EQ(TemplateFileName("vdt"), "vdt.vdt");
  EXPECT_EQ(TemplateFileName("x.vdt.txt"), "x.vdt.txt.vdt");

  EXPECT_EQ(TemplateBackupPath("/t/Payroll.vdt"), fs::path("/t/Payroll.bak"));
  EXPECT_EQ(TemplateBackupPath("/t/a.b.vdt"), fs::path("/t/a.b.bak"));
  // A '.' in a folder name is not the file's extension.
  EXPECT_EQ(TemplateBackupPath("/home/u/.config/Payroll"), fs::path("/home/u/.config/Payroll.bak"));
}

TEST(SelectionAfterDelete, AboveElseBelowElseFirst) {
  EXPECT_EQ(SelectionAfterDelete(3, 2), 1u);
  EXPECT_EQ(SelectionAfterDelete(3, 1), 0u);
  EXPECT_EQ(SelectionAfterDelete(3, 0), 0u);  // the item below moves up
  EXPECT_EQ(SelectionAfterDelete(1, 0), std::nullopt);
  EXPECT_EQ(SelectionAfterDelete(3, 7), 0u);
  EXPECT_EQ(SelectionAfterDelete(0, 0), std::nullopt);
}

class ManagementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(defaults_);
    fs::create_directories(user_);
    Template item(defaults_ / "cobol.vdt");
    item.settings.Name = "Ansi - COBOL";
    item.settings.TabStops = 8;
    ASSERT_TRUE(item.Save());
    ASSERT_TRUE(catalogue_.LoadCatalogue({defaults_.string(), user_.string(), ""}, nullptr));
  }
  Template* Create(std::string_view name, std::string_view fileName,
                   const Template* source = nullptr) {
    return CreateTemplate(catalogue_, ui_, user_.string(), name, fileName, source);
  }
  std::string LastMessage() const { return ui_.shown().empty() ? "" : ui_.shown().back().text; }

  TempDir dir_;
  fs::path defaults_ = dir_ / "templates";
  fs::path user_ = dir_ / "user";
  TemplateCatalogue catalogue_;
  ScriptedUserInterface ui_;
};

TEST_F(ManagementTest, CreatingSavesANamedUserTemplate) {
  Template* created = Create("Payroll", "Payroll");
  ASSERT_NE(created, nullptr);
  EXPECT_TRUE(ui_.shown().empty());
  EXPECT_EQ(created->path, user_ / "Payroll.vdt");
  EXPECT_EQ(created->userFlag, 1);
  EXPECT_EQ(catalogue_.Templates().back().get(), created);
  EXPECT_EQ(Loaded(user_ / "Payroll.vdt").settings.Name, "Payroll");

  ASSERT_NE(Create("Upper", "UPPER.VDT"), nullptr);
  EXPECT_TRUE(fs::exists(user_ / "UPPER.VDT"));
  EXPECT_FALSE(fs::exists(user_ / "UPPER.VDT.vdt"));
}

TEST_F(ManagementTest, CopyingTakesTheSourceWithItsUnsavedEdits) {
  Template working;
  working.CopyFrom(*catalogue_.FindTemplate("Ansi - COBOL"));
  working.settings.TabStops = 3;  // edited, not saved
  Template* copy = Create("My COBOL", "mycobol.vdt", &working);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->settings.TabStops, 3);
  EXPECT_EQ(copy->userFlag, 1);
  EXPECT_EQ(copy->path, user_ / "mycobol.vdt");
  EXPECT_EQ(Loaded(user_ / "mycobol.vdt").settings.TabStops, 3);
  EXPECT_EQ(Loaded(defaults_ / "cobol.vdt").settings.TabStops, 8);
}

TEST_F(ManagementTest, CreatingRefusesTakenNamesFilesAndOverlongInput) {
  const std::size_t before = catalogue_.Templates().size();

  EXPECT_EQ(Create("ANSI - cobol", "other"), nullptr);
  EXPECT_EQ(LastMessage(),
            "The type 'ANSI - cobol' already exists. Please use a unique name for this type "
            "definition.");
  EXPECT_EQ(ui_.shown().back().style, kMbOk | kMbIconWarning);
  EXPECT_EQ(ui_.shown().back().caption, MessageCaption());
  EXPECT_EQ(Create("(none)", "none"), nullptr);

  testing::WriteBytes(user_ / "taken.vdt", {'x'});
  EXPECT_EQ(Create("Taken", "taken"), nullptr);
  EXPECT_EQ(LastMessage(),
            "The template file 'taken.vdt' already exists. Please enter an alternative file name "
            "and try again.");
  EXPECT_EQ(testing::ReadBytes(user_ / "taken.vdt"), std::vector<std::uint8_t>{'x'});

  EXPECT_EQ(Create(std::string(63, 'n'), "long"), nullptr);
  EXPECT_NE(LastMessage().find("at most 62 characters"), std::string::npos);
  EXPECT_EQ(Create("Sneaky", "../escape"), nullptr);
  EXPECT_EQ(Create("Long path", std::string(260, 'f')), nullptr);
  EXPECT_NE(LastMessage().find("at most 259 characters"), std::string::npos);
  EXPECT_EQ(CreateTemplate(catalogue_, ui_, "", "No folder", "nofolder", nullptr), nullptr);
  const std::size_t messages = ui_.shown().size();
  EXPECT_EQ(Create("", "x"), nullptr);
  EXPECT_EQ(ui_.shown().size(), messages);

  EXPECT_EQ(catalogue_.Templates().size(), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(user_), fs::directory_iterator()), 1);
  EXPECT_FALSE(fs::exists(dir_ / "escape.vdt"));

  // The longest name that can be stored is accepted.
  Template* longest = Create(std::string(62, 'n'), "longest");
  ASSERT_NE(longest, nullptr);
  EXPECT_EQ(Loaded(user_ / "longest.vdt").settings.Name, std::string(62, 'n'));
}

TEST_F(ManagementTest, ACreatedTemplateThatCannotBeSavedIsReportedAndDropped) {
  const fs::path blocked = dir_ / "blocked";
  testing::WriteBytes(blocked, {'x'});  // a file where the folder should be
  EXPECT_EQ(CreateTemplate(catalogue_, ui_, blocked.string(), "Payroll", "Payroll", nullptr),
            nullptr);
  EXPECT_EQ(LastMessage(), FormatText(LoadText(kStrTemplateSaveFailed), "Payroll",
                                      (blocked / "Payroll.vdt").string()));
  EXPECT_FALSE(catalogue_.HasTemplate("Payroll"));
}

TEST_F(ManagementTest, CommittingAUserTemplateSavesWithoutAQuestion) {
  Template* mine = Create("Payroll", "Payroll");
  ASSERT_NE(mine, nullptr);
  Template working;
  LoadWorkingCopy(catalogue_, "payroll", working);
  EXPECT_EQ(CommitTemplateEdits(catalogue_, ui_, working, nullptr).outcome,
            CommitOutcome::kUnchanged);

  working.settings.Ruler = 1;
  const CommitResult result = CommitTemplateEdits(catalogue_, ui_, working, nullptr);
  EXPECT_EQ(result.outcome, CommitOutcome::kCommitted);
  EXPECT_TRUE(result.SelectionMayMove());
  EXPECT_TRUE(ui_.shown().empty());
  EXPECT_EQ(mine->settings.Ruler, 1);
  EXPECT_EQ(Loaded(user_ / "Payroll.vdt").settings.Ruler, 1);
}

TEST_F(ManagementTest, EditingADefaultTemplateAsksFirst) {
  Template working;
  LoadWorkingCopy(catalogue_, "Ansi - COBOL", working);
  working.settings.TabStops = 4;
  Template* original = catalogue_.FindTemplate("Ansi - COBOL");

  // Cancel: nothing changes and the selection stays.
  ui_.Answer(kIdCancel);
  CommitResult result = CommitTemplateEdits(catalogue_, ui_, working, nullptr);
  EXPECT_EQ(result.outcome, CommitOutcome::kCancelled);
  EXPECT_FALSE(result.SelectionMayMove());
  EXPECT_EQ(ui_.shown().back().text,
            FormatText(LoadText(kStrSaveDefaultTemplateAsNew), "Ansi - COBOL"));
  EXPECT_EQ(ui_.shown().back().style, kMbYesNoCancel | kMbIconQuestion);
  EXPECT_EQ(original->settings.TabStops, 8);

  // Yes: the edits go into a copy made through the Copy Template dialog.
  const Template* offered = nullptr;
  auto copyDialog = [&](const Template& source) {
    offered = &source;
    return CreateTemplate(catalogue_, ui_, user_.string(), "My COBOL", "mycobol", &source);
  };
  ui_.Answer(kIdYes);
  result = CommitTemplateEdits(catalogue_, ui_, working, copyDialog);
  EXPECT_EQ(result.outcome, CommitOutcome::kSavedAsNew);
  EXPECT_EQ(offered, &working);
  ASSERT_NE(result.created, nullptr);
  EXPECT_EQ(result.created->settings.TabStops, 4);
  EXPECT_EQ(original->settings.TabStops, 8);
  EXPECT_EQ(Loaded(defaults_ / "cobol.vdt").settings.TabStops, 8);

  // Yes, then the copy dialog is cancelled: as Cancel, the edits stay.
  ui_.Answer(kIdYes);
  result = CommitTemplateEdits(catalogue_, ui_, working, [](const Template&) { return nullptr; });
  EXPECT_EQ(result.outcome, CommitOutcome::kCancelled);

  // No: the default template itself changes, in its own file.
  ui_.Answer(kIdNo);
  result = CommitTemplateEdits(catalogue_, ui_, working, copyDialog);
  EXPECT_EQ(result.outcome, CommitOutcome::kCommitted);
  EXPECT_EQ(original->settings.TabStops, 4);
  EXPECT_EQ(original->userFlag, 0);
  EXPECT_EQ(Loaded(defaults_ / "cobol.vdt").settings.TabStops, 4);
  EXPECT_FALSE(fs::exists(user_ / "Ansi - COBOL.vdt"));
}

TEST_F(ManagementTest, AFailedSaveIsReportedAndKeepsTheCatalogueTemplate) {
  Template* mine = Create("Payroll", "Payroll");
  ASSERT_NE(mine, nullptr);
  Template working;
  LoadWorkingCopy(catalogue_, "Payroll", working);
  working.settings.Trim = 1;
  working.path = dir_ / "gone" / "Payroll.vdt";

  const CommitResult result = CommitTemplateEdits(catalogue_, ui_, working, nullptr);
  EXPECT_EQ(result.outcome, CommitOutcome::kSaveFailed);
  EXPECT_FALSE(result.SelectionMayMove());
  EXPECT_EQ(LastMessage(),
            FormatText(LoadText(kStrTemplateSaveFailed), "Payroll", working.path.string()));
  EXPECT_EQ(mine->settings.Trim, 0);
}

TEST_F(ManagementTest, ArrivingAtAnUnknownNameClearsTheWorkingCopy) {
  Template working;
  LoadWorkingCopy(catalogue_, "Ansi - COBOL", working);
  EXPECT_EQ(working.path, defaults_ / "cobol.vdt");
  LoadWorkingCopy(catalogue_, "Gone", working);
  EXPECT_EQ(working.settings, TemplateSettings{});
  EXPECT_TRUE(working.path.empty());
}

TEST_F(ManagementTest, DeletingLeavesABackupBesideTheTemplateFile) {
  ASSERT_NE(Create("Payroll", "Payroll"), nullptr);
  testing::WriteBytes(user_ / "Payroll.bak", {'o', 'l', 'd'});

  ui_.Answer(kIdNo);
  EXPECT_FALSE(DeleteTemplate(catalogue_, ui_, "Payroll"));
  EXPECT_EQ(LastMessage(), "Are you sure you want to delete the 'Payroll' template ?");
  EXPECT_EQ(ui_.shown().back().style, kMbYesNo | kMbIconQuestion);
  EXPECT_TRUE(catalogue_.HasTemplate("Payroll"));

  const std::vector<std::uint8_t> content = testing::ReadBytes(user_ / "Payroll.vdt");
  ui_.Answer(kIdYes);
  EXPECT_TRUE(DeleteTemplate(catalogue_, ui_, "Payroll"));
  EXPECT_FALSE(catalogue_.HasTemplate("Payroll"));
  EXPECT_FALSE(fs::exists(user_ / "Payroll.vdt"));
  EXPECT_EQ(testing::ReadBytes(user_ / "Payroll.bak"), content);

  // Default templates can be deleted too.
  ui_.Answer(kIdYes);
  EXPECT_TRUE(DeleteTemplate(catalogue_, ui_, "ansi - cobol"));
  EXPECT_TRUE(fs::exists(defaults_ / "cobol.bak"));
  EXPECT_TRUE(catalogue_.Templates().empty());
}

TEST_F(ManagementTest, ATemplateFileThatCannotBeMovedStaysInTheCatalogue) {
  ASSERT_NE(Create("Payroll", "Payroll"), nullptr);
  // A non-empty folder where the backup should go cannot be replaced.
  fs::create_directories(user_ / "Payroll.bak" / "inside");
  ui_.Answer(kIdYes);
  EXPECT_FALSE(DeleteTemplate(catalogue_, ui_, "Payroll"));
  EXPECT_NE(LastMessage().find("Unable to delete the 'Payroll' template"), std::string::npos);
  EXPECT_TRUE(catalogue_.HasTemplate("Payroll"));
  EXPECT_TRUE(fs::exists(user_ / "Payroll.vdt"));
}

}  // namespace
}  // namespace vandrel
