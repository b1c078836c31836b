#include <Qsci/qsciscintilla.h>
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/app_settings.h"
#include "documents/document_format.h"
#include "documents/document_loader.h"
#include "editor/ui/qsci_edit_control.h"
#include "editor/ui/syntax_lexer.h"
#include "support/cobol_fixture.h"
#include "templates/apply_template.h"
#include "templates/template.h"
#include "templates/template_catalogue.h"

namespace vandrel::ui {
namespace {

using Sci = QsciScintillaBase;
using testing::CobolTemplate;
const std::string& kSource = testing::kCobolSource;

class RecordingSink : public EditNotificationSink {
 public:
  void Notify(const EditNotification& n) override { notifications.push_back(n); }
  int Count(int code) const {
    int count = 0;
    for (const EditNotification& n : notifications) count += n.code == code;
    return count;
  }
  std::vector<EditNotification> notifications;
};

class EditControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    catalogue.Append(CobolTemplate());
    control.SetNotificationSink(&sink);
  }

  // Applies the template and loads `data` as the editor window does.
  void Load(const std::string& data) {
    ASSERT_EQ(ApplyTemplate(catalogue, settings, "COBOL", &control, format,
                            kApplyHostFormat | kApplyEditing | kApplyPush),
              kApplyDone);
    MemorySource source(std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()));
    const LoadRequest request = BuildLoadRequest(format, &source, 0);
    const LoadOutcome outcome = control.Load(request);
    ASSERT_EQ(outcome.code, kLoadResultOk);
    ApplyLoadRequestNumbering(format, request);
  }

  std::string SaveToString() {
    std::string out;
    StringSink sink(out);
    const SaveOutcome outcome = control.Save(BuildSaveRequest(format, -1, 0), sink);
    EXPECT_TRUE(outcome) << static_cast<int>(outcome.result) << " at line " << outcome.line;
    return out;
  }

  long Send(unsigned int message, unsigned long w = 0, long l = 0) {
    return control.scintilla()->SendScintilla(message, w, l);
  }
  long LineStart(long line) { return Send(Sci::SCI_POSITIONFROMLINE, line); }
  long PositionOf(std::string_view word) {
    const std::string_view text = control.Text();
    const auto at = text.find(word);
    EXPECT_NE(at, std::string_view::npos) << word;
    return static_cast<long>(at);
  }
  int StyleAt(long position) { return static_cast<int>(Send(Sci::SCI_GETSTYLEAT, position)); }
  void StyleEverything() { Send(Sci::SCI_COLOURISE, 0, -1); }
  void ShowOnScreen() {
    control.resize(600, 400);
    control.show();
    QApplication::processEvents();
  }
  std::string ShownMarginText(long line) {
    const long length = Send(Sci::SCI_MARGINGETTEXT, line, 0);
    std::string text(static_cast<std::size_t>(length), '\0');
    control.scintilla()->SendScintilla(Sci::SCI_MARGINGETTEXT, static_cast<unsigned long>(line),
                                       static_cast<void*>(text.data()));
    return text;
  }

  TemplateCatalogue catalogue;
  AppSettings settings;
  DocumentFormat format;
  RecordingSink sink;
  QsciEditControl control;
};

TEST_F(EditControlTest, KeptNumbersLeaveTheTextAndShowInTheFileNumberMargin) {
  Load(kSource);
  EXPECT_EQ(control.Text(),
            " IDENTIFICATION DIVISION.\n PROGRAM-ID. HELLO.\n*THIS LINE IS A COMMENT: MOVE\n"
            " PROCEDURE DIVISION.\n     MOVE 1 TO X.\n     DISPLAY \"MOVE\".");
  EXPECT_EQ(control.LineCount(), 6);
  EXPECT_EQ(Send(Sci::SCI_GETLINECOUNT), 6);
  EXPECT_EQ(control.NumberOfLine(4), 450);
  EXPECT_EQ(control.LineWithNumber(500), 5);
  EXPECT_FALSE(control.IsModified());

  // The template asks for the file numbers; the margin shows them.
  EXPECT_EQ(control.lineNumberView(), LineNumberView::kFile);
  EXPECT_EQ(control.MarginText(4), "000450 ");
  ShowOnScreen();
  EXPECT_EQ(ShownMarginText(0), "000100 ");
  EXPECT_EQ(ShownMarginText(3), "000400 ");
  EXPECT_GT(Send(Sci::SCI_GETMARGINWIDTHN, 2), 0);

  // Virtual numbers use the view's own number margin instead.
  control.SetLineNumberView(LineNumberView::kVirtual);
  EXPECT_EQ(Send(Sci::SCI_GETMARGINWIDTHN, 2), 0);
  EXPECT_GT(Send(Sci::SCI_GETMARGINWIDTHN, 1), 0);
  EXPECT_EQ(Send(Sci::SCI_STYLEGETBACK, Sci::STYLE_LINENUMBER),
            static_cast<long>(settings.VirtualNoColor));
  control.SetLineNumberView(LineNumberView::kNone);
  EXPECT_EQ(Send(Sci::SCI_GETMARGINWIDTHN, 1), 0);
  EXPECT_EQ(Send(Sci::SCI_GETMARGINWIDTHN, 2), 0);

  // The line limit counts the record: the text may use 80 - 6 columns.
  EXPECT_EQ(control.LimitColumn(), 74);
  EXPECT_EQ(Send(Sci::SCI_GETEDGECOLUMN), 74);
}

TEST_F(EditControlTest, EditedLineIsTheOnlyDifferenceOnSave) {
  Load(kSource);
  EXPECT_EQ(SaveToString(), kSource);

  // "MOVE 1" becomes "MOVE 2" on line 4.
  const long at = LineStart(4) + 10;
  Send(Sci::SCI_SETTARGETRANGE, at, at + 1);
  control.scintilla()->SendScintilla(Sci::SCI_REPLACETARGET, static_cast<uintptr_t>(1), "2");
  EXPECT_TRUE(control.IsModified());
  EXPECT_GE(sink.Count(kEditNotifyTextChanged), 1);

  std::string expected = kSource;
  expected.replace(expected.find("MOVE 1"), 6, "MOVE 2");
  EXPECT_EQ(SaveToString(), expected);
  control.TextSaved();
  EXPECT_FALSE(control.IsModified());
}

TEST_F(EditControlTest, InsertedAndDeletedLinesCarryTheirNumbers) {
  Load(kSource);
  // A new line after line 4 is numbered between 450 and 500; line 4 keeps its
  // number and text.
  Send(Sci::SCI_GOTOPOS, Send(Sci::SCI_GETLINEENDPOSITION, 4));
  control.scintilla()->SendScintilla(Sci::SCI_ADDTEXT, static_cast<uintptr_t>(17),
                                     "\n     ADD 1 TO X.");
  ASSERT_EQ(control.LineCount(), 7);
  const std::int64_t added = control.NumberOfLine(5);
  EXPECT_GT(added, 450);
  EXPECT_LT(added, 500);
  EXPECT_EQ(control.NumberOfLine(4), 450);
  EXPECT_EQ(control.NumberOfLine(6), 500);

  // Deleting the whole of line 1 takes its number with it.
  control.scintilla()->SendScintilla(Sci::SCI_DELETERANGE, static_cast<unsigned long>(LineStart(1)),
                                     LineStart(2) - LineStart(1));
  ASSERT_EQ(control.LineCount(), 6);
  EXPECT_EQ(control.NumberOfLine(1), 300);

  std::string expected = kSource;
  expected.erase(expected.find("000200"), std::strlen("000200 PROGRAM-ID. HELLO.\n"));
  expected.insert(expected.find("000500"), fmt::format("{:06}     ADD 1 TO X.\n", added));
  EXPECT_EQ(SaveToString(), expected);

  // Undo brings both back as they were shown.
  control.scintilla()->undo();
  control.scintilla()->undo();
  EXPECT_EQ(control.LineCount(), 6);
  EXPECT_EQ(control.NumberOfLine(1), 200);
  EXPECT_EQ(SaveToString(), kSource);
}

TEST_F(EditControlTest, NoFreeNumberRefusesTheNewLine) {
  Load("000100 A\n000101 B\n000300 C\n");
  Send(Sci::SCI_GOTOPOS, Send(Sci::SCI_GETLINEENDPOSITION, 0));
  // Enter between 100 and 101 is refused before the view acts on it.
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
  QApplication::sendEvent(control.scintilla(), &enter);
  EXPECT_EQ(control.Text(), " A\n B\n C");
  EXPECT_EQ(sink.Count(kEditNotifyNoFreeLineNumber), 1);

  // Inserted text with a line end is taken back once the view is done.
  control.scintilla()->SendScintilla(Sci::SCI_ADDTEXT, static_cast<uintptr_t>(3), "\nXY");
  QApplication::processEvents();
  EXPECT_EQ(control.Text(), " A\n B\n C");
  EXPECT_EQ(control.LineCount(), 3);
  EXPECT_EQ(sink.Count(kEditNotifyNoFreeLineNumber), 2);

  // Text without a line end still goes in; where numbers are free, so do lines.
  control.scintilla()->SendScintilla(Sci::SCI_ADDTEXT, static_cast<uintptr_t>(1), "Z");
  Send(Sci::SCI_GOTOPOS, Send(Sci::SCI_GETLINEENDPOSITION, 1));
  QApplication::sendEvent(control.scintilla(), &enter);
  EXPECT_EQ(control.Text(), " AZ\n B\n \n C");  // smart indenting copied the blank
  EXPECT_EQ(control.NumberOfLine(2), 151);
  EXPECT_EQ(SaveToString(), "000100 AZ\n000101 B\n000151 \n000300 C\n");
}

// Taking refused lines back empties the undo history, which moves the view's
// save point; the text stays modified when it was before they came.
TEST_F(EditControlTest, RefusedLinesLeaveTheModifiedStateAsItWas) {
  Load("000100 A\n000101 B\n000300 C\n");
  control.scintilla()->SendScintilla(Sci::SCI_ADDTEXT, static_cast<uintptr_t>(3), "\nXY");
  QApplication::processEvents();
  EXPECT_EQ(control.Text(), " A\n B\n C");
  EXPECT_FALSE(control.IsModified());

  control.scintilla()->SendScintilla(Sci::SCI_ADDTEXT, static_cast<uintptr_t>(1), "Z");
  ASSERT_TRUE(control.IsModified());
  control.scintilla()->SendScintilla(Sci::SCI_ADDTEXT, static_cast<uintptr_t>(3), "\nXY");
  QApplication::processEvents();
  EXPECT_EQ(control.Text(), "Z A\n B\n C");
  EXPECT_TRUE(control.IsModified());
  control.TextSaved();
  EXPECT_FALSE(control.IsModified());
}

TEST_F(EditControlTest, KeywordsCommentsAndStringsAreColoured) {
  Load(kSource);
  StyleEverything();
  const long procedure = PositionOf("PROCEDURE");
  EXPECT_EQ(StyleAt(procedure), kStyleFirstKeyword);
  EXPECT_EQ(Send(Sci::SCI_STYLEGETFORE, StyleAt(procedure)),
            static_cast<long>(settings.Keyword1Color));
  EXPECT_EQ(StyleAt(PositionOf("TO X")), kStyleFirstKeyword + 1);
  EXPECT_EQ(Send(Sci::SCI_STYLEGETFORE, kStyleFirstKeyword + 1),
            static_cast<long>(settings.Keyword2Color));
  // Column 7 of the record is column 1 of the text: the whole line is a comment.
  EXPECT_EQ(StyleAt(LineStart(2)), kStyleComment);
  EXPECT_EQ(StyleAt(PositionOf("MOVE\n")), kStyleComment);
  EXPECT_EQ(Send(Sci::SCI_STYLEGETFORE, kStyleComment), static_cast<long>(settings.CommentColor));
  // Inside quotes a keyword is plain text; PROGRAM-ID is one word.
  EXPECT_EQ(StyleAt(PositionOf("MOVE\".")), kStyleText);
  EXPECT_EQ(StyleAt(PositionOf("ID.")), kStyleText);
  EXPECT_EQ(Send(Sci::SCI_STYLEGETBACK, kStyleText), static_cast<long>(settings.BackgroundColor));
  EXPECT_EQ(Send(Sci::SCI_STYLEGETFORE, kStyleText), static_cast<long>(settings.TextColor));
}

TEST(SyntaxRules, BlockCommentsPartialMatchingAndCase) {
  SyntaxDescription syntax;
  syntax.flags = kSyntaxBlockComment | kSyntaxLineComment | kSyntaxSingleQuotes;
  std::strcpy(syntax.blockCommentStart.data(), "/*");
  std::strcpy(syntax.blockCommentEnd.data(), "*/");
  std::strcpy(syntax.lineComment.data(), "--");
  SyntaxRules rules;
  rules.SetSyntax(syntax);
  const char words[] = "DISPLAY\0MOVE";
  rules.AddKeywordList({words, 2, 0xFF, kKeywordsPartialMatch, 4});

  auto style = [&](std::string_view line, bool inBlock, bool* endsInBlock = nullptr) {
    std::string styles(line.size(), '?');
    const bool open = rules.StyleLine(line, inBlock, styles.data());
    if (endsInBlock != nullptr) *endsInBlock = open;
    for (char& c : styles) c = static_cast<char>('0' + c);
    return styles;
  };
  bool open = false;
  EXPECT_EQ(style("move /* x", false, &open), "222201111");
  EXPECT_TRUE(open);
  EXPECT_EQ(style("x */ disp dis", true, &open), "1111022220000");
  EXPECT_FALSE(open);
  EXPECT_EQ(style("'MOVE' -- MOVE", false), "00000001111111");
  EXPECT_EQ(rules.WordStyle("DISPL"), kStyleFirstKeyword);
  EXPECT_EQ(rules.WordStyle("DISPLAYS"), kStyleText);

  syntax.flags |= kSyntaxCaseSensitive;
  rules.SetSyntax(syntax);
  rules.ClearKeywordLists();
  rules.AddKeywordList({words, 2, 0xFF, 0, 0});
  EXPECT_EQ(rules.WordStyle("MOVE"), kStyleFirstKeyword);
  EXPECT_EQ(rules.WordStyle("move"), kStyleText);
  EXPECT_EQ(rules.WordStyle("DISP"), kStyleText);
}

TEST_F(EditControlTest, MarksShowAsMarkersAndMoveWithTheirLines) {
  Load(kSource);
  ASSERT_TRUE(control.SetMarks(3, kLineMarkBookmark | kLineMarkError));
  EXPECT_EQ(Send(Sci::SCI_MARKERGET, 3), 0b101101);
  EXPECT_EQ(Send(Sci::SCI_MARKERGET, 2), 0);

  // Removing line 0 moves the marks up with their line in both places.
  control.scintilla()->SendScintilla(Sci::SCI_DELETERANGE, 0UL, LineStart(1));
  EXPECT_EQ(control.Marks(2), kLineMarkBookmark | kLineMarkError);
  EXPECT_EQ(Send(Sci::SCI_MARKERGET, 2), 0b101101);
  EXPECT_EQ(control.NextMarkedLine(0, kLineMarkBookmark, true), 2);

  control.ClearMarks(kLineMarkError);
  EXPECT_EQ(control.Marks(2), kLineMarkBookmark);
  EXPECT_EQ(Send(Sci::SCI_MARKERGET, 2), 0b001001);
  ASSERT_TRUE(control.SetMarks(2, 0));
  EXPECT_EQ(Send(Sci::SCI_MARKERGET, 2), 0);

  // Renumbering with marks gives the error mark to the renumbered lines.
  ASSERT_TRUE(control.Renumber(0, 1, 10, 10, true));
  EXPECT_EQ(control.NumberOfLine(1), 20);
  EXPECT_EQ(Send(Sci::SCI_MARKERGET, 1) & 0b100100, 0b100100);
}

TEST_F(EditControlTest, ReadOnlyAppearanceAndNotifications) {
  control.SetReadOnly(true);
  Load(kSource);  // a load still fills a read-only control
  EXPECT_EQ(control.LineCount(), 6);
  control.scintilla()->SendScintilla(Sci::SCI_INSERTTEXT, 0UL, "X");
  EXPECT_EQ(control.Text().substr(0, 2), " I");
  EXPECT_TRUE(control.IsReadOnly());
  control.SetReadOnly(false);

  // Progress around the load.
  ASSERT_EQ(sink.Count(kEditNotifyProgress), 2);
  for (const EditNotification& n : sink.notifications) {
    if (n.code == kEditNotifyProgress) {
      EXPECT_EQ(n.done == 0 ? n.total : n.done, n.total);
    }
  }

  // A typed character: character typed, text changed, caret moved.
  ShowOnScreen();
  control.scintilla()->setFocus();
  QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "A");
  QApplication::sendEvent(control.scintilla(), &press);
  QApplication::processEvents();
  EXPECT_EQ(control.Text().substr(0, 2), "A ");
  EXPECT_EQ(control.MarginText(0), "000100 ");  // the line kept its number
  ASSERT_EQ(sink.Count(kEditNotifyCharacterTyped), 1);
  EXPECT_GE(sink.Count(kEditNotifyTextChanged), 1);

  // The settings' colours and font, including the system colour.
  AppSettings changed;
  changed.BackgroundColor = Rgb(0, 0, 64);
  changed.LimitArea = Rgb(1, 2, 3);
  changed.SelectionColor = kSystemColour;
  control.SetAppearance(ControlAppearance::FromSettings(changed));
  EXPECT_EQ(Send(Sci::SCI_STYLEGETBACK, kStyleText), static_cast<long>(Rgb(0, 0, 64)));
  EXPECT_EQ(Send(Sci::SCI_GETEDGECOLOUR), static_cast<long>(Rgb(1, 2, 3)));
}

TEST_F(EditControlTest, TabsAsSpacesFollowTheTabStops) {
  Load("000100 A\n");
  const std::int32_t positions[] = {7, 11, 0};
  control.SetTabPositions(2, positions);
  control.SetOptionBits(kEditOptionTabsAsSpaces, kEditOptionTabsAsSpaces);
  control.SetOptionBits(kEditOptionRuler, kEditOptionRuler);
  EXPECT_TRUE(control.RulerShown());
  Send(Sci::SCI_GOTOPOS, 2);
  QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, "\t");
  QApplication::sendEvent(control.scintilla(), &tab);
  EXPECT_EQ(control.Text(), " A     ");
  QApplication::sendEvent(control.scintilla(), &tab);
  EXPECT_EQ(control.Text(), " A         ");
}

}  // namespace
}  // namespace vandrel::ui
