#include "templates/template_matching.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "templates/file_types.h"

namespace vandrel {
namespace {

using testing::TempDir;

class HostMatchingTest : public ::testing::Test {
 protected:
  void Standard(const std::string& name, int fileCode, int recordLength, int cobol85 = 0) {
    auto item = std::make_unique<Template>();
    item->settings.Name = name;
    item->settings.MPEFileSupport = kMpeSupportStandard;
    item->settings.MPEFileCode = fileCode;
    item->settings.MPERecordLen = recordLength;
    item->settings.Cobol85 = cobol85;
    catalogue_.Append(std::move(item));
  }
  void Qedit(const std::string& name, int language, int fileCode = 0) {
    auto item = std::make_unique<Template>();
    item->settings.Name = name;
    item->settings.MPEFileSupport = kMpeSupportQedit;
    item->settings.QeditType = language;
    item->settings.MPEFileCode = fileCode;
    item->settings.MPERecordLen = 80;
    catalogue_.Append(std::move(item));
  }
  static DocumentFormat HostFile(int fileCode, int recordLength) {
    DocumentFormat format;
    format.formatFlags = kFormatRecordForm;
    format.mpe.fcode = fileCode;
    format.mpe.reclen = recordLength;
    return format;
  }
  static DocumentFormat QeditFile(int language) {
    DocumentFormat format = HostFile(111, 512);
    format.formatFlags |= kFormatQedit;
    format.qedit.lang = language;
    return format;
  }

  TemplateCatalogue catalogue_;
};

TEST_F(HostMatchingTest, ExactMatchFirstThenTheLastFallbackWithoutCobolTokens) {
  Standard("Plain 1052", 1052, 132);
  Standard("COBOL 80", 1052, 80, 1);
  Standard("Fortran 80", 1052, 80);
  Standard("Last plain 1052", 1052, 100);
  Standard("COBOL 120", 1052, 120, 1);  // later, but never a fallback
  Standard("Job", 1052 + 1, 72);

  // The first template with code and length wins, COBOL line tokens or not.
  EXPECT_EQ(MatchHostAttributes(catalogue_, HostFile(1052, 80)), "COBOL 80");
  // No template with length 72 for this code: the last one without tokens.
  EXPECT_EQ(MatchHostAttributes(catalogue_, HostFile(1052, 72)), "Last plain 1052");
  EXPECT_EQ(MatchHostAttributes(catalogue_, HostFile(1053, 72)), "Job");
  EXPECT_FALSE(MatchHostAttributes(catalogue_, HostFile(1054, 80)));
}

TEST_F(HostMatchingTest, ATemplateWithCobolTokensIsNeverAFallback) {
  Standard("COBOL 80", 1052, 80, 1);
  EXPECT_FALSE(MatchHostAttributes(catalogue_, HostFile(1052, 72)));
  EXPECT_EQ(MatchHostAttributes(catalogue_, HostFile(1052, 80)), "COBOL 80");
}

TEST_F(HostMatchingTest, QeditDocumentsMatchQeditTemplatesByLanguageOnly) {
  Qedit("Qedit SPL", 1, 1052);
  Qedit("Qedit COBOL", 3);
  Standard("Qedit as standard", 111, 512);

  EXPECT_EQ(MatchHostAttributes(catalogue_, QeditFile(3)), "Qedit COBOL");
  EXPECT_EQ(MatchHostAttributes(catalogue_, QeditFile(1)), "Qedit SPL");
  // A plain host file never matches a Qedit template, whatever its code.
  EXPECT_FALSE(MatchHostAttributes(catalogue_, HostFile(1052, 80)));
  // No Qedit template for the language: the standard rules still apply.
  EXPECT_EQ(MatchHostAttributes(catalogue_, QeditFile(6)), "Qedit as standard");
}

TEST_F(HostMatchingTest, FileCodeZeroAndLocalDocumentsNeverMatch) {
  Standard("Code 0", 0, 80);
  Qedit("Qedit Text", 0);
  EXPECT_FALSE(MatchHostAttributes(catalogue_, HostFile(0, 80)));
  DocumentFormat local;
  local.formatFlags = 0x4;
  EXPECT_FALSE(MatchHostAttributes(catalogue_, local));
  DocumentFormat qeditWithoutCode = QeditFile(0);
  qeditWithoutCode.mpe.fcode = 0;
  EXPECT_FALSE(MatchHostAttributes(catalogue_, qeditWithoutCode));
}

TEST_F(HostMatchingTest, ChoosingByFileNameThenByHostAttributes) {
  Standard("Fortran", 1052, 72);
  TempDir dir;
  SettingsStore store(dir / "settings.reg");
  ASSERT_TRUE(EnsureDefaultFileTypes(store));

  EXPECT_EQ(ChooseTemplate(catalogue_, store, "/src/PROG.C", HostFile(1052, 72)), "Ansi - C");
  EXPECT_EQ(ChooseTemplate(catalogue_, store, "PROG.SOURCE.DEV", HostFile(1052, 72)), "Fortran");
  // An unnamed document gets no template and is not matched by attributes.
  EXPECT_EQ(ChooseTemplate(catalogue_, store, "", HostFile(1052, 72)), kTemplateNone);
  EXPECT_EQ(ChooseTemplate(catalogue_, store, "notes.txt", DocumentFormat{}), "");
}

TEST(PseudoTemplateNames, AutoDetectIsStoredAsEmpty) {
  EXPECT_TRUE(IsPseudoTemplateName("(NONE)"));
  EXPECT_TRUE(IsPseudoTemplateName("(auto-detect)"));
  EXPECT_FALSE(IsPseudoTemplateName("none"));
  EXPECT_EQ(StoredTemplateName("(Auto-Detect)"), "");
  EXPECT_EQ(StoredTemplateName("(none)"), "(none)");
  EXPECT_EQ(StoredTemplateName("Ansi - C"), "Ansi - C");
}

}  // namespace
}  // namespace vandrel
