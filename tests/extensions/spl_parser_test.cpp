#include "extensions/spl/spl_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/recording_sink.h"

namespace vandrel::vdx {
namespace {

using testing::Numbered;
using testing::RecordingSink;

constexpr std::string_view kProgram = R"($CONTROL USLINIT, MAIN = ORDERS ! the main program
$INCLUDE DEFS.SPLINC.LIB
$IF X1 = ON
$INCLUDE NEVER.SPLINC    ! directives count even when switched off
$IF
BEGIN
<< The outer block: globals, then procedures; PROCEDURE in here is
   no code, and neither is $INCLUDE NOT'HERE >>
COMMENT an old style comment, with BEGIN and END inside;
DEFINE plabel = INTEGER #,
       say = outlen := outlen + move outbuf'(outlen) := #;
EQUATE max'len = 80, min'len = 2;
DOUBLE d'total := 0D;
INTEGER ARRAY table(0:3) := 1, 2, 3, 4, aux(0:1);
BYTE POINTER bp;
plabel old'plabel;
INTRINSIC (SYSINTR.PUB.SYS) READ, PRINT;
INTEGER PROCEDURE ext'proc (buf, len);
   VALUE len; BYTE ARRAY buf; INTEGER len;
   OPTION EXTERNAL;
PROCEDURE fwd'proc (x); INTEGER x; OPTION PRIVILEGED, FORWARD;
LOGICAL PROCEDURE worker (buf, len, callback, lbl, spare);
   value len;
   byte array buf;
   integer len;
   procedure callback;
   label lbl;
$IF X9 = ON
   option native, nocc;
$IF
BEGIN
   INTEGER i;
   DEFINE inc = i := i + 1 #;
   INTRINSIC QUIT;
   SUBROUTINE helper (n);
      VALUE n; INTEGER n;
   BEGIN
      i := n; << END; in a comment >>
   END;
   INTEGER SUBROUTINE twice (n);
      VALUE n; INTEGER n;
      twice := n * 2;
   IF len > 0 THEN
      BEGIN
      helper (len); ! a trailing END
      MOVE buf := "quote "" END";
      END;
   worker := TRUE;
END;
PROCEDURE fwd'proc;
BEGIN
   x := 1;
END;
SUBROUTINE outer'sub;
   say "done";
worker (table, 2, fwd'proc, done, 0);
done:
END.
)";

const std::vector<std::string> kProgramSymbols = {
    "2 2 0 DEFS.SPLINC.LIB",
    "2 4 0 NEVER.SPLINC",
    "6 6 0 ORDERS",
    "3 10 0 plabel",
    "3 11 0 say",
    "3 12 0 max'len",
    "3 12 0 min'len",
    "3 13 0 d'total",
    "3 14 0 table",
    "3 14 0 aux",
    "3 15 0 bp",
    "3 16 0 old'plabel",
    "5 17 0 READ",
    "5 17 0 PRINT",
    "5 18 0 ext'proc (BYTE ARRAY buf | VALUE INTEGER len)",
    "4 21 0 fwd'proc (INTEGER x)",
    "1 22 0 worker (byte array buf | value integer len | procedure callback | label lbl | spare)",
    "5 34 0 QUIT",
    "1 35 1 helper (VALUE INTEGER n)",
    "1 40 1 twice (VALUE INTEGER n)",
    "1 50 0 fwd'proc (INTEGER x)",
    "1 54 0 outer'sub",
};

TEST(SplParserTest, ProgramTreeAsEditedAndAsKeptOnTheHost) {
  for (const std::string& text :
       {std::string(kProgram), Numbered(kProgram), Numbered(kProgram, true)}) {
    RecordingSink sink;
    ParseSpl(text, sink);
    EXPECT_EQ(sink.symbols, kProgramSymbols);
    EXPECT_EQ(sink.diagnostics, std::vector<std::string>{});
    EXPECT_GT(sink.progressCalls, 0);
    EXPECT_LE(sink.progressCalls, 102);
  }
}

TEST(SplParserTest, BrokenSourcesAreReportedAndTheRestStillFound) {
  // A procedure file without an outer block, as $INCLUDE takes it.
  const std::string text = R"(PROCEDURE broken (a);
INTEGER a;
BEGIN
   IF a THEN BEGIN a := 0;
END;
PROCEDURE next'one;
BEGIN
   SUBROUTINE s1;
   BEGIN
   SUBROUTINE s2;
   BEGIN END;
END;
DEFINE half = never closed;
<< not closed either
)";
  RecordingSink sink;
  ParseSpl(text, sink);
  const std::vector<std::string> expected = {
      "1 1 0 broken (INTEGER a)", "1 6 0 next'one", "1 8 1 s1", "1 10 1 s2", "3 13 0 half",
  };
  EXPECT_EQ(sink.symbols, expected);
  const std::vector<std::string> diagnostics = {
      "! 14 comment << not closed before the end of the file",
      "! 6 END missing before PROCEDURE in this line",
      "! 10 END missing before SUBROUTINE in this line",
      "! 13 DEFINE half not closed with #",
  };
  EXPECT_EQ(sink.diagnostics, diagnostics);
}

TEST(SplParserTest, JunkGivesNoSymbolsAndNoCrash) {
  std::string binary = "BEGIN INTEGER fake;\0\x19KA\x01\x02 END.";
  binary += std::string("\0\x80\xff\x1b", 4);
  RecordingSink binarySink;
  ParseSpl(binary, binarySink);
  EXPECT_EQ(binarySink.symbols, std::vector<std::string>{});
  EXPECT_EQ(binarySink.diagnostics, std::vector<std::string>{"! 1 not a text file"});

  RecordingSink emptySink;
  ParseSpl("", emptySink);
  EXPECT_TRUE(emptySink.symbols.empty() && emptySink.diagnostics.empty());

  // Printable junk, a huge line, high bytes, nesting, no final line end.
  std::string junk(200000, 'x');
  junk += "\n\xe9\xff procedure \xfc(;;; subroutine ( value ; ) begin end end end \" $ <";
  for (int i = 0; i < 5000; ++i) junk += " begin procedure p; begin subroutine s; begin define";
  junk += "\tprocedure";
  RecordingSink junkSink;
  ParseSpl(junk, junkSink);
  EXPECT_FALSE(junkSink.diagnostics.empty());
  for (const std::string& symbol : junkSink.symbols) EXPECT_EQ(symbol.substr(0, 2), "1 ");
}

}  // namespace
}  // namespace vandrel::vdx
