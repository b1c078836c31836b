#include "extensions/fortran/fortran_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vandrel::vdx {
namespace {

// Each symbol as "category line level name(parameters)", each diagnostic as
// "! line text".
class RecordingSink : public SymbolSink {
 public:
  void Report(const Symbol& symbol) override {
    std::string text = std::to_string(symbol.category) + " " + std::to_string(symbol.line) + " " +
                       std::to_string(symbol.level) + " " + symbol.name + "(";
    for (std::size_t i = 0; i < symbol.parameters.size(); ++i) {
      text += (i > 0 ? "|" : "") + symbol.parameters[i];
    }
    symbols.push_back(text + ")");
  }
  void Diagnostic(int line, std::string_view text) override {
    diagnostics.push_back("! " + std::to_string(line) + " " + std::string(text));
  }
  void Progress(int percent) override {
    EXPECT_GE(percent, 0);
    EXPECT_LE(percent, 100);
    ++progressCalls;
  }

  std::vector<std::string> symbols;
  std::vector<std::string> diagnostics;
  int progressCalls = 0;
};

RecordingSink Parse(std::string_view text) {
  RecordingSink sink;
  ParseFortran(text, sink);
  return sink;
}

// The file as stored on the host: padded to 72 columns, numbered in 73-80.
std::string Numbered(std::string_view text) {
  std::string numbered;
  int number = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(start, end - start));
    line.resize(72, ' ');
    const std::string sequence = std::to_string(++number * 1000);
    numbered += line + std::string(8 - sequence.size(), '0') + sequence + "\n";
    start = end + 1;
  }
  return numbered;
}

constexpr std::string_view kFixedForm =
    "$CONTROL USLINIT, INIT\n"
    "$INCLUDE 'GLOBALS.INC'\n"
    "C     PAYROLL MAIN PROGRAM\n"
    "      PROGRAM PAY\n"
    "      COMMON /ACCT/ BAL(10), RATE, /SYS/ IFLAG\n"
    "      COMMON N, M\n"
    "      EXTERNAL FOO, BAR\n"
    "      SYSTEM INTRINSIC FOPEN\n"
    "      INCLUDE 'COMMON.INC'\n"
    "      DO 10 I = 1, 10\n"
    "   10 CONTINUE\n"
    "      END\n"
    "*     arguments continued, an array named like a function\n"
    "      SUBROUTINE POST (A, B,\n"
    "     1                 C, *)\n"
    "      REAL FUNCTIONS(10)\n"
    "      ENTRY POSTE(X, Y)\n"
    "      END DO\n"
    "      ENDIF\n"
    "      END\n"
    "      INTEGER*4 FUNCTION IFN(K)\n"
    "      IFN = K ! 'quote in a comment\n"
    "      END\n"
    "      CHARACTER*(*) FUNCTION CFN(S)\n"
    "      END\n"
    "      DOUBLE PRECISION FUNCTION DFN()\n"
    "      END\n"
    "      BLOCK DATA\n"
    "      COMMON /ACCT/ BAL(10), RATE\n"
    "      END\n"
    "      SUB ROUTINE SPACED( P , Q )\n"
    "      E N D\n"
    "      SUBROUTINE NOEND(Z)\n"
    "      SUBROUTINE LAST\n"
    "      ENTRY\n"
    "     X  MORE\n";

TEST(FortranParser, FixedFormTreeIsTheSameAsEditedAndAsStoredWithSequenceNumbers) {
  const std::vector<std::string> expected = {
      "2 2 0 GLOBALS.INC()",
      "6 4 0 PAY()",
      "3 5 0 ACCT(BAL(10)|RATE)",
      "3 5 0 SYS(IFLAG)",
      "3 6 0 //(N|M)",
      "5 7 0 FOO()",
      "5 7 0 BAR()",
      "5 8 0 FOPEN()",
      "2 9 0 COMMON.INC()",
      "1 14 0 POST(A|B|C|*)",
      "1 17 1 POSTE(X|Y)",
      "1 21 0 IFN(K)",
      "1 24 0 CFN(S)",
      "1 26 0 DFN()",
      "6 28 0 BLOCK DATA()",
      "3 29 0 ACCT(BAL(10)|RATE)",
      "1 31 0 SPACED(P|Q)",
      "1 33 0 NOEND(Z)",
      "1 34 0 LAST()",
      "1 35 1 MORE()",
  };
  const std::vector<std::string> diagnostics = {
      "! 33 no END for routine NOEND before line 34",
      "! 34 no END for routine LAST",
  };
  for (const std::string& text : {std::string(kFixedForm), Numbered(kFixedForm)}) {
    const RecordingSink sink = Parse(text);
    EXPECT_EQ(sink.symbols, expected);
    EXPECT_EQ(sink.diagnostics, diagnostics);
    EXPECT_GT(sink.progressCalls, 0);
  }
}

TEST(FortranParser, FreeFormModuleWithInterfacesAndContainedRoutines) {
  constexpr std::string_view kModule =
      "! geometry helpers\r\n"
      "module geometry\r\n"
      "  implicit none\r\n"
      "  type :: point\r\n"
      "    real :: x, y\r\n"
      "  contains\r\n"
      "    procedure :: norm\r\n"
      "  end type point\r\n"
      "  interface swap\r\n"
      "    subroutine swap_int(a, b)\r\n"
      "      integer, intent(inout) :: a, b\r\n"
      "    end subroutine swap_int\r\n"
      "    module procedure swap_real\r\n"
      "  end interface swap\r\n"
      "  abstract interface\r\n"
      "    pure function area(r) result(a)\r\n"
      "    end function\r\n"
      "  end interface\r\n"
      "  real, external :: ext_fn\r\n"
      "contains\r\n"
      "  pure real function norm(p)\r\n"
      "    norm = sqrt(p%x**2 + p%y**2)\r\n"
      "  end function norm\r\n"
      "  recursive subroutine walk(n, & ! a comment & more\r\n"
      "\r\n"
      "                   &  depth)\r\n"
      "    if (n > 0) call walk(n - 1, depth + 1); endif\r\n"
      "  contains\r\n"
      "    elemental function inner(v)\r\n"
      "      inner = v\r\n"
      "    end function inner\r\n"
      "  end subroutine walk\r\n"
      "  character(len=*) function greet(name) bind(c, name=\"greet\")\r\n"
      "    greet = 'hello; subroutine x & ! no comment'\r\n"
      "  end function\r\n"
      "  subroutine swap_real(a, b)\r\n"
      "    entry swap_alt(a)\r\n"
      "  end subroutine\r\n"
      "end module geometry\r\n"
      "program demo\r\n"
      "  include 'mpif.h'\r\n"
      "  do i = 1, 3\r\n"
      "  enddo\r\n"
      "contains\r\n"
      "  subroutine helper()\r\n"
      "  end subroutine helper\r\n"
      "end program demo";
  const RecordingSink sink = Parse(kModule);
  const std::vector<std::string> expected = {
      "6 2 0 geometry()",   "4 9 0 swap()",          "4 10 1 swap_int(a|b)", "4 16 0 area(r)",
      "5 19 0 ext_fn()",    "1 21 0 norm(p)",        "1 24 0 walk(n|depth)", "1 29 1 inner(v)",
      "1 33 0 greet(name)", "1 36 0 swap_real(a|b)", "1 37 1 swap_alt(a)",   "6 40 0 demo()",
      "2 41 0 mpif.h()",    "1 45 0 helper()",
  };
  EXPECT_EQ(sink.symbols, expected);
  EXPECT_TRUE(sink.diagnostics.empty());
}

TEST(FortranParser, FormIsDecidedFromTheText) {
  // Free form although lines start with "c" and "call" in column 1 and the
  // statements start in column 7: a fixed-form reading would take the
  // column-1 lines for comments and lose the continued argument list.
  const RecordingSink free = Parse(
      "subroutine scale(v, &\n"
      "      n)\n"
      "c = 2.0\n"
      "call apply(v, c)\n"
      "end subroutine scale\n");
  EXPECT_EQ(free.symbols, std::vector<std::string>{"1 1 0 scale(v|n)"});

  // Fixed form in tab format: a tab ends the label field, a digit after it
  // continues the statement.
  const RecordingSink tabs = Parse(
      "C\tcomment\n"
      "\tSUBROUTINE TABBED(A,\n"
      "\t1  B)\n"
      "10\tCONTINUE\n"
      "\tEND\n");
  EXPECT_EQ(tabs.symbols, std::vector<std::string>{"1 2 0 TABBED(A|B)"});
  EXPECT_TRUE(tabs.diagnostics.empty());
}

TEST(FortranParser, JunkEmptyAndUnbalancedTextGiveNoSymbols) {
  EXPECT_TRUE(Parse("").symbols.empty());
  EXPECT_TRUE(Parse("\n\n   \n").symbols.empty());

  std::string junk;
  for (int i = 0; i < 5000; ++i) junk += static_cast<char>((i * 7919 + 13) % 256);
  const RecordingSink binary = Parse(junk);
  EXPECT_TRUE(binary.symbols.empty());
  EXPECT_LE(binary.diagnostics.size(), 101u);

  // A never-closed argument list, a lone continuation and a very long line.
  const RecordingSink broken =
      Parse("     1  (A, B)\n      SUBROUTINE OPEN(A, B\n      " + std::string(100000, '(') + "\n");
  EXPECT_TRUE(broken.symbols.empty());
  EXPECT_EQ(broken.diagnostics[0], "! 1 continuation line without a statement to continue");
  EXPECT_EQ(broken.diagnostics[1], "! 2 dummy argument list of OPEN is not closed");
}

}  // namespace
}  // namespace vandrel::vdx
