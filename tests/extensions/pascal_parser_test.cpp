#include "extensions/pascal/pascal_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/recording_sink.h"

namespace vandrel::vdx {
namespace {

using testing::Numbered;
using testing::RecordingSink;

constexpr std::string_view kProgram = R"($standard_level 'hp_modcal'$ $tables off,
  code_offsets on$
$include 'DECLS.PASINC.LIB'$
(* Nested routines, forward and external declarations; PROCEDURE
   in a comment is no code, { nor in this one *)
Program Orders (input, output, logfile);
$search 'UTIL.OBJ.LIB, MORE.OBJ.LIB'$
label 99;
const
  max_items = 100;
  greeting  = 'It''s the END of begin { no comment';
type
  item_rec = record
               name : packed array [1..16] of char;
               case kind : integer of
                 0 : (count : integer);
                 1 : (sub : record a, b : shortint end);
             end;
var
  items    : array [1..max_items] of item_rec;
  n, total : integer;
  logfile  : text;

procedure Report (var f : text; msg : string; level : integer); forward;
function Compute (a, b : integer; var c : real) : integer; FORWARD;
procedure QUIT (code : integer); intrinsic;
procedure spl_move (anyvar buf : item_rec; len : shortint);
   external spl;
function c_strlen (s : globalanyptr) : integer; external c;

procedure Outer (x : integer; procedure cb (v : integer);
                 function g : boolean);
   var local_a : integer;
   type local_t = record q : integer; end;
   procedure Middle (y : integer);
      const mc = 5;
      function Inner (z : integer) : integer;
      begin
         Inner := z * mc;
         case z of
            1 : z := 2;
            otherwise z := 3;
         end;
      end;
   begin
      try
         y := Inner (y);
      recover
         writeln ('recovered; end');
      if y > 0 then begin y := 0 end;
   end;
   procedure Sibling;
   begin
   end;
begin
   Middle (x); Sibling;
end;

PROCEDURE Report;
   PROCEDURE Helper; FORWARD;
   PROCEDURE Helper; BEGIN END;
BEGIN
  writeln (f, msg, level:1, 'END;');
END;

function Compute;
begin
  Compute := a + b;
end;

function Defaults (a : integer; b : integer)
   option default_parms (b := 0) inline : integer;
begin
end;

begin
  $if 'false'$ n := 0; $endif$
  Report (logfile, greeting, 1);
99:
end.
)";

const std::vector<std::string> kProgramSymbols = {
    "2 3 0 DECLS.PASINC.LIB",
    "2 7 0 UTIL.OBJ.LIB [UTIL.OBJ.LIB (SEARCH)]",
    "2 7 0 MORE.OBJ.LIB [MORE.OBJ.LIB (SEARCH)]",
    "6 6 0 Orders (input | output | logfile)",
    "3 10 0 max_items",
    "3 11 0 greeting",
    "3 13 0 item_rec",
    "3 20 0 items",
    "3 21 0 n",
    "3 21 0 total",
    "3 22 0 logfile",
    "4 24 0 Report (var f : text | msg : string | level : integer)",
    "4 25 0 Compute (a : integer | b : integer | var c : real)",
    "5 26 0 QUIT (code : integer)",
    "5 27 0 spl_move (anyvar buf : item_rec | len : shortint)",
    "5 29 0 c_strlen (s : globalanyptr)",
    "1 31 0 Outer (x : integer | procedure cb (v : integer) | function g : boolean)",
    "1 35 1 Middle (y : integer)",
    "1 37 2 Inner (z : integer)",
    "1 52 1 Sibling",
    "1 59 0 Report (var f : text | msg : string | level : integer)",
    "4 60 0 Helper",
    "1 61 1 Helper",
    "1 66 0 Compute (a : integer | b : integer | var c : real)",
    "1 71 0 Defaults (a : integer | b : integer)",
};

TEST(PascalParserTest, ProgramTreeAsEditedAndAsKeptOnTheHost) {
  for (const std::string& text :
       {std::string(kProgram), Numbered(kProgram), Numbered(kProgram, true)}) {
    RecordingSink sink;
    ParsePascal(text, sink);
    EXPECT_EQ(sink.symbols, kProgramSymbols);
    EXPECT_EQ(sink.diagnostics, std::vector<std::string>{});
    EXPECT_GT(sink.progressCalls, 0);
    EXPECT_LE(sink.progressCalls, 102);
  }
}

TEST(PascalParserTest, ModulesAndUnits) {
  // An unnumbered line keeps what it has past column 72.
  const std::string text = R"(module typeconv;
import stdlib;
export
  type digits = set of '0'..'9';
  function str_to_int (var s : string) : integer;
  procedure pad (var s : string; width : integer);
implement
  var cache : integer;
function str_to_int (var s : string) : integer;
var i : integer;
begin
  str_to_int := 0;
end;
procedure pad;                                              { comment past 72 }
begin end;
end.
)";
  RecordingSink sink;
  ParsePascal(text, sink);
  const std::vector<std::string> expected = {
      "6 1 0 typeconv",
      "2 2 0 stdlib [stdlib (IMPORT)]",
      "6 3 1 EXPORT",
      "3 4 0 digits",
      "4 5 0 str_to_int (var s : string)",
      "4 6 0 pad (var s : string | width : integer)",
      "6 7 1 IMPLEMENT",
      "3 8 0 cache",
      "1 9 0 str_to_int (var s : string)",
      "1 14 0 pad (var s : string | width : integer)",
  };
  EXPECT_EQ(sink.symbols, expected);
  EXPECT_EQ(sink.diagnostics, std::vector<std::string>{});

  // The same shape as a unit.
  const std::string unit = R"(unit Shapes;
interface
uses SysUtils;
function Area(w, h : integer) : integer;
implementation
function Area(w, h : integer) : integer;
begin
  try Area := w * h; finally end;
end;
initialization
  Area(1, 1);
end.
)";
  RecordingSink unitSink;
  ParsePascal(unit, unitSink);
  const std::vector<std::string> unitSymbols = {
      "6 1 0 Shapes",
      "6 2 1 INTERFACE",
      "2 3 0 SysUtils [SysUtils (USES)]",
      "4 4 0 Area (w : integer | h : integer)",
      "6 5 1 IMPLEMENTATION",
      "1 6 0 Area (w : integer | h : integer)",
  };
  EXPECT_EQ(unitSink.symbols, unitSymbols);
  EXPECT_EQ(unitSink.diagnostics, std::vector<std::string>{});
}

TEST(PascalParserTest, BrokenSourcesAreReportedAndTheRestStillFound) {
  const std::string text = R"(program broken;
procedure Unclosed (a : integer);
begin
  if a > 0 then begin
    a := 0;
end;
procedure Next;
begin
end;
$include 'half.inc'
begin
  (* never closed
end.
)";
  RecordingSink sink;
  ParsePascal(text, sink);
  const std::vector<std::string> expected = {
      "2 10 0 half.inc",
      "6 1 0 broken",
      "1 2 0 Unclosed (a : integer)",
      "1 7 0 Next",
  };
  EXPECT_EQ(sink.symbols, expected);
  const std::vector<std::string> diagnostics = {
      "! 10 compiler option not closed with $",
      "! 12 comment not closed before the end of the file",
      "! 3 BEGIN not closed before procedure in line 7",
      "! 11 BEGIN not closed before the end of the file",
  };
  EXPECT_EQ(sink.diagnostics, diagnostics);
}

TEST(PascalParserTest, JunkGivesNoSymbolsAndNoCrash) {
  std::string binary = "procedure Fake;\0\x19KA\x01\x02 begin end;";
  binary += std::string("\0\x80\xff\x1b", 4);
  RecordingSink binarySink;
  ParsePascal(binary, binarySink);
  EXPECT_EQ(binarySink.symbols, std::vector<std::string>{});
  EXPECT_EQ(binarySink.diagnostics, std::vector<std::string>{"! 1 not a text file"});

  RecordingSink emptySink;
  ParsePascal("", emptySink);
  EXPECT_TRUE(emptySink.symbols.empty() && emptySink.diagnostics.empty());

  // Printable junk, a huge line, high bytes, deep nesting, no final line end.
  std::string junk(200000, 'x');
  junk += "\n\xe9\xff procedure \xfc(;;; function ( var : ; ) begin case end end end ''' $ { (*";
  for (int i = 0; i < 5000; ++i) junk += " procedure p; var x : record";
  junk += "\tprocedure";
  RecordingSink junkSink;
  ParsePascal(junk, junkSink);
  EXPECT_FALSE(junkSink.diagnostics.empty());
  for (const std::string& symbol : junkSink.symbols) EXPECT_EQ(symbol.substr(0, 2), "1 ");
}

}  // namespace
}  // namespace vandrel::vdx
