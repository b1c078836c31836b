#include "extensions/cobol/cobol_parser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace vandrel::vdx {
namespace {

// Each symbol as one line: category/level, line, name, the other texts and
// the parameters; diagnostics as "! line".
class RecordingSink final : public SymbolSink {
 public:
  void Report(const Symbol& symbol) override {
    std::string text = std::to_string(symbol.category) + "/" + std::to_string(symbol.level) + " " +
                       std::to_string(symbol.line) + " " + symbol.name;
    if (!symbol.alternativeName.empty()) text += " alt=" + symbol.alternativeName;
    if (!symbol.displayText.empty()) text += " [" + symbol.displayText + "]";
    for (std::size_t i = 0; i < symbol.parameters.size(); ++i) {
      text += (i == 0 ? " (" : ", ") + symbol.parameters[i];
    }
    if (!symbol.parameters.empty()) text += ")";
    symbols.push_back(text);
  }
  void Diagnostic(int line, std::string_view text) override {
    diagnostics.push_back(std::to_string(line) + " " + std::string(text));
  }
  void Progress(int percent) override {
    EXPECT_GE(percent, lastPercent);
    lastPercent = percent;
  }

  std::vector<std::string> symbols;
  std::vector<std::string> diagnostics;
  int lastPercent = 0;
};

RecordingSink Parse(std::string_view text) {
  RecordingSink sink;
  ParseCobol(text, sink);
  return sink;
}

// Lines as the editor shows them (indicator in column 1), and the same lines
// as stored: a sequence number in front, a change tag in columns 73-80.
std::string Edited(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::string Numbered(const std::vector<std::string>& lines) {
  std::string text;
  int number = 1000;
  for (const std::string& line : lines) {
    char sequence[16];
    std::snprintf(sequence, sizeof sequence, "%06d", number);
    number += 100;
    std::string record = sequence + line;
    record.resize(72, ' ');
    text += record + (number % 300 == 0 ? "MA100202" : "080813ma") + "\r\n";
  }
  return text;
}

const std::vector<std::string> kProgram = {
    "$CONTROL USLINIT, BOUNDS",
    " IDENTIFICATION DIVISION.",
    " PROGRAM-ID.  Orders.",
    " AUTHOR. O'BRIEN AND CALL ME MAYBE.",
    "* a comment that says CALL \"NOTME\" and COPY NOTME.",
    " ENVIRONMENT DIVISION.",
    " CONFIGURATION SECTION.",
    " SPECIAL-NAMES.",
    "     CONDITION-CODE IS CC.",
    " DATA DIVISION.",
    " FILE SECTION.",
    " FD  ORDER-FILE",
    "     RECORD CONTAINS 80 CHARACTERS.",
    " 01  ORDER-REC.",
    "     05  ORD-KEY.",
    "         10  ORD-NO        PIC 9(6).",
    "         10  FILLER        PIC X.",
    "     05  FILLER.",
    "         10  ORD-FLAG      PIC X.",
    "             88  ORD-OPEN  VALUE \"O\".",
    "     05  ORD-TEXT          PIC X(20) VALUE \"Gr\xfc\xdf\x65 \x1b&dB\".",
    " 66  ORD-ALL RENAMES ORD-KEY THRU ORD-TEXT.",
    " WORKING-STORAGE SECTION.",
    " 77  I                     PIC S9(4) COMP.",
    "     COPY SWITCHES OF J3KLIB.",
    "     05  SW-MORE           PIC X.",
    "         88  MORE          VALUE \"Y\".",
    " 01  MSG                   PIC X(60) VALUE \"A LONG TEXT THAT GOES ON",
    "-    \" AND ON\".",
    " LINKAGE SECTION.",
    " 01  LK-AREA               PIC X(8).",
    "/",
    " PROCEDURE DIVISION USING LK-AREA",
    "                          I.",
    " 0000-MAIN.",
    "     CALL \"DBOPEN\" USING BASE-NAME(1) BY CONTENT PASS-WORD",
    "          MODE-3 STATUS-AREA",
    "     MOVE 1 TO I.",
    "     CALL INTRINSIC \"FWRITE\" USING FNUM, BUFF(K:1), \\-80\\, \\0\\",
    "     CALL 'DBOPEN' USING X.",
    "     CALL WS-PROG USING ADDRESS OF LK-AREA GIVING I.",
    "     PERFORM 1000-WORK THRU 1000-EXIT.",
    "     STOP RUN.",
    " 1000-WORK SECTION.",
    " 1000-START. MOVE 0 TO I.",
    "     COPY AMSCALL OF J3KLIB",
    "     REPLACING ==VALUE OF PROC.== BY ==\"X\".==.",
    "     CALL \"NEXT\".",
    " 1000-EXIT.",
    "     EXIT.",
    " 2000-OTHER SECTION 50.",
    "D    DISPLAY \"TRACE\".",
    " 2000-GO.",
    "     GOBACK.",
};

const std::vector<std::string> kProgramSymbols = {
    "3/0 12 ORDER-FILE [FD ORDER-FILE]",
    "3/0 14 ORDER-REC",
    "3/1 15 ORD-KEY",
    "3/2 16 ORD-NO",
    "3/1 19 ORD-FLAG",  // in place of its FILLER group
    "3/2 20 ORD-OPEN",
    "3/1 21 ORD-TEXT",
    "3/1 22 ORD-ALL",
    "3/0 24 I",
    "2/0 25 SWITCHES alt=J3KLIB [SWITCHES OF J3KLIB]",
    "3/0 26 SW-MORE",  // its record is in the copied text
    "3/1 27 MORE",
    "3/0 28 MSG",
    "3/0 31 LK-AREA",
    "1/0 35 0000-MAIN",
    "5/0 36 DBOPEN (BASE-NAME(1), PASS-WORD, MODE-3, STATUS-AREA)",
    "5/0 39 FWRITE (FNUM, BUFF(K:1), \\-80\\, \\0\\)",
    "5/0 41 WS-PROG (ADDRESS OF LK-AREA)",
    "1/0 44 1000-WORK",
    "1/1 45 1000-START",
    "2/0 46 AMSCALL alt=J3KLIB [AMSCALL OF J3KLIB]",
    "5/0 48 NEXT",
    "1/1 49 1000-EXIT",
    "1/0 51 2000-OTHER",
    "1/1 53 2000-GO",
    "6/0 2 IDENTIFICATION DIVISION alt=Orders [IDENTIFICATION DIVISION (Orders)]",
    "6/0 6 ENVIRONMENT DIVISION",
    "6/1 7 CONFIGURATION SECTION",
    "6/0 10 DATA DIVISION",
    "6/1 11 FILE SECTION",
    "6/1 23 WORKING-STORAGE SECTION",
    "6/1 30 LINKAGE SECTION",
    "6/0 33 PROCEDURE DIVISION (LK-AREA, I)",
    "6/1 44 1000-WORK SECTION",
    "6/1 51 2000-OTHER SECTION",
};

TEST(CobolParserTest, NumberedAndEditedShapesGiveTheSameTree) {
  const RecordingSink edited = Parse(Edited(kProgram));
  EXPECT_EQ(edited.symbols, kProgramSymbols);
  EXPECT_TRUE(edited.diagnostics.empty());
  EXPECT_EQ(edited.lastPercent, 100);

  const RecordingSink numbered = Parse(Numbered(kProgram));
  EXPECT_EQ(numbered.symbols, kProgramSymbols);
  EXPECT_TRUE(numbered.diagnostics.empty());
}

TEST(CobolParserTest, MixedNumberingFreeFormAndRaggedLines) {
  // Numbered lines, lines whose number is blank, one whose number slipped a
  // column, lines longer than 80 with notes past column 72, short lines.
  const std::string mixed =
      "001000 IDENTIFICATION DIVISION.\n"
      "       PROGRAM-ID. MIXED.\n"
      "001200 DATA DIVISION.\n"
      "       WORKING-STORAGE SECTION.\n"
      " 001400 01 REC.\n"
      "          05 A PIC X.                                                    fine  CALL X\n"
      "\n"
      "001600*\n"
      "001700 PROCEDURE DIVISION.\n"
      "       P1.\n"
      "001900     CALL \"SUB\" USING A\n"
      "      * inside\n"
      "              REC.\n"
      "002100 P2.\n"
      "       EXIT.\n";
  const RecordingSink sink = Parse(mixed);
  EXPECT_EQ(sink.symbols, (std::vector<std::string>{
                              "3/0 5 REC",
                              "3/1 6 A",
                              "1/0 10 P1",
                              "5/0 11 SUB (A, REC)",
                              "1/0 14 P2",
                              "6/0 1 IDENTIFICATION DIVISION alt=MIXED "
                              "[IDENTIFICATION DIVISION (MIXED)]",
                              "6/0 3 DATA DIVISION",
                              "6/1 4 WORKING-STORAGE SECTION",
                              "6/0 9 PROCEDURE DIVISION",
                          }));

  // Free form: code from column 1, "*>" comments, long lines, tabs.
  const std::string free =
      "*> a free-form program\n"
      "identification division.\n"
      "program-id. freeprog.\n"
      "procedure division.\n"
      "main-para. *> the start\n"
      "\tcall \"SUBPROGRAM\" using by reference first-operand second-operand third-operand "
      "fourth-operand.\n"
      "\tstop run.\n"
      "next-para.\n"
      "\texit.\n";
  const RecordingSink freeSink = Parse(free);
  EXPECT_EQ(freeSink.symbols,
            (std::vector<std::string>{
                "1/0 5 main-para",
                "5/0 6 SUBPROGRAM (first-operand, second-operand, third-operand, fourth-operand)",
                "1/0 8 next-para",
                "6/0 2 identification division alt=freeprog "
                "[identification division (freeprog)]",
                "6/0 4 procedure division",
            }));
}

TEST(CobolParserTest, SeveralAndNestedProgramsBecomeSections) {
  const std::vector<std::string> lines = {
      " IDENTIFICATION DIVISION.",
      " PROGRAM-ID. OUTER.",
      " PROCEDURE DIVISION.",
      " 0-BEGIN.",
      "     CALL \"INNER\".",
      " IDENTIFICATION DIVISION.",
      " PROGRAM-ID. INNER.",
      " DATA DIVISION.",
      " WORKING-STORAGE SECTION.",
      " 01 X PIC X.",
      " PROCEDURE DIVISION.",
      " 0-BEGIN.",
      "     GOBACK.",
      " END PROGRAM INNER.",
      " END PROGRAM OUTER.",
      " ID DIVISION.",
      " PROGRAM-ID. NEXT-ONE.",
      " PROCEDURE DIVISION.",
      " END PROGRAM WRONG.",
  };
  const RecordingSink sink = Parse(Numbered(lines));
  EXPECT_EQ(sink.symbols, (std::vector<std::string>{
                              "1/0 4 0-BEGIN",
                              "5/0 5 INNER",
                              "3/0 10 X",
                              "1/0 12 0-BEGIN",
                              "6/0 1 OUTER",
                              "6/1 1 IDENTIFICATION DIVISION alt=OUTER "
                              "[IDENTIFICATION DIVISION (OUTER)]",
                              "6/1 3 PROCEDURE DIVISION",
                              "6/1 6 INNER",
                              "6/2 6 IDENTIFICATION DIVISION alt=INNER "
                              "[IDENTIFICATION DIVISION (INNER)]",
                              "6/2 8 DATA DIVISION",
                              "6/3 9 WORKING-STORAGE SECTION",
                              "6/2 11 PROCEDURE DIVISION",
                              "6/0 16 NEXT-ONE",
                              "6/1 16 ID DIVISION alt=NEXT-ONE [ID DIVISION (NEXT-ONE)]",
                              "6/1 18 PROCEDURE DIVISION",
                          }));
  EXPECT_EQ(sink.diagnostics,
            (std::vector<std::string>{"19 END PROGRAM WRONG closes no open program"}));
}

TEST(CobolParserTest, CopyBooksAndDirectivesWithoutDivisions) {
  // A copy library member: data and procedure text without headers.
  const std::string text =
      "       01  REC-A.\n"
      "           05  A1   PIC X.\n"
      "           COPY \"SUBREC\" IN \"LIB\".\n"
      "           05  A2   PIC X.\n"
      "      $INCLUDE 'DEFS.SRC.LIB'\n"
      "       7000-READ.\n"
      "           EXEC SQL INCLUDE SQLCA END-EXEC.\n"
      "           COPY.\n"
      "       01  BAD PIC X.\n"
      "       55  WRONG PIC X.\n";
  const RecordingSink sink = Parse(text);
  EXPECT_EQ(sink.symbols, (std::vector<std::string>{
                              "3/0 1 REC-A",
                              "3/1 2 A1",
                              "2/0 3 SUBREC alt=LIB [\"SUBREC\" IN \"LIB\"]",
                              "3/0 4 A2",
                              "2/0 5 DEFS.SRC.LIB",
                              "1/0 6 7000-READ",
                              "2/0 7 SQLCA",
                              "3/0 9 BAD",
                          }));
  EXPECT_EQ(sink.diagnostics, (std::vector<std::string>{"8 COPY without a text name",
                                                        "10 level number 55 not understood"}));
}

TEST(CobolParserTest, GarbageGivesNoSymbols) {
  EXPECT_TRUE(Parse("").symbols.empty());

  std::string binary = "\x00\x19KA";
  binary.append(3000, '\x01');
  binary += "\n 0000-MAIN.\n CALL \"X\".\n";
  const RecordingSink forms = Parse(binary);
  EXPECT_TRUE(forms.symbols.empty());
  EXPECT_EQ(forms.diagnostics.size(), 1u);

  // Printable junk, a huge line, unbalanced quotes and pseudo-text, no final
  // line end: whatever comes out, nothing crashes and nothing is invented
  // from the bytes >= 0x80.
  std::string junk;
  for (int i = 0; i < 20000; ++i) junk += static_cast<char>(0x80 + (i * 37) % 0x7f);
  junk += "\n\"unclosed\n-  '\n== COPY\n" + std::string(100000, 'A') + ".\n CALL";
  const RecordingSink sink = Parse(junk);
  for (const std::string& symbol : sink.symbols) {
    for (const char c : symbol) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << symbol;
  }
}

}  // namespace
}  // namespace vandrel::vdx
