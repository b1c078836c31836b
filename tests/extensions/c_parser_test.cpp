#include "extensions/c/c_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vandrel::vdx {
namespace {

// Each symbol as "category line name(parameters)" (all are at level 0), each
// diagnostic as "! line text".
class RecordingSink : public SymbolSink {
 public:
  void Report(const Symbol& symbol) override {
    EXPECT_EQ(symbol.level, 0);
    std::string text = std::to_string(symbol.category) + " " + std::to_string(symbol.line) + " " +
                       symbol.name + "(";
    for (std::size_t i = 0; i < symbol.parameters.size(); ++i) {
      text += (i > 0 ? "|" : "") + symbol.parameters[i];
    }
    symbols.push_back(text + ")");
  }
  void Diagnostic(int line, std::string_view text) override {
    diagnostics.push_back("! " + std::to_string(line) + " " + std::string(text));
  }

  std::vector<std::string> symbols;
  std::vector<std::string> diagnostics;
};

RecordingSink Parse(std::string_view text) {
  RecordingSink sink;
  ParseC(text, sink);
  return sink;
}

// Every line padded to 72 columns and numbered in 73-80, CR LF at the ends.
std::string NumberedWithCrLf(std::string_view text) {
  std::string numbered;
  int number = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(start, end - start));
    line.resize(72, ' ');
    const std::string sequence = std::to_string(++number * 100);
    numbered += line + std::string(8 - sequence.size(), '0') + sequence + "\r\n";
    start = end + 1;
  }
  return numbered;
}

constexpr std::string_view kMessySource =
    "/* messy.c -- an MPE/iX utility\n"
    " * { braces in a comment }\n"
    " */\n"
    "#include <stdio.h>\n"
    "#include \"local.h\"\n"
    "#  include   <sys/types.h>   /* spaced */\n"
    "#pragma intrinsic FOPEN, FCLOSE\n"
    "#define MAX(a, b) \\\n"
    "    ((a) > (b) ? (a) : (b))\n"
    "#define OPEN_BRACE {\n"
    "\n"
    "#if 0\n"
    "int dead_function(void) { return 0; }\n"
    "don't parse this ' either\n"
    "#endif\n"
    "\n"
    "#ifdef __STDC__\n"
    "extern int helper(const char *s, int n);\n"
    "#else\n"
    "extern int helper();\n"
    "#endif\n"
    "\n"
    "extern \"C\" {\n"
    "extern char *strdup(const char *);\n"
    "}\n"
    "extern int errno, verbose;\n"
    "static int counter = 0;\n"
    "char *names[] = { \"a{\", \"}b\", '{' == '}' ? \"x\" : \"y\" };\n"
    "struct node { int value; struct node *next; };\n"
    "typedef struct { int x, y; } point_t, *point_p;\n"
    "typedef int (*handler_t)(int sig);\n"
    "enum color { RED, GREEN = '}', BLUE };\n"
    "void (*on_exit_fn)(int);\n"
    "int (*signal(int sig, void (*func)(int)))(int);\n"
    "static void log_message(const char *fmt, ...);\n"
    "unsigned long int checksum(unsigned char *buf, size_t len), twice(int);\n"
    "\n"
    "/* K&R definition */\n"
    "int\n"
    "old_style(a, b, c)\n"
    "    int a;\n"
    "    char *b, c;\n"
    "{\n"
    "    if (a) { return '}'; }\n"
    "    return \"}\" [0];\n"
    "}\n"
    "\n"
    "main(argc, argv)\n"
    "int argc; char **argv;\n"
    "{\n"
    "    printf(\"{ unbalanced in a string %d\\n\", MAX(1, 2));\n"
    "    return 0;\n"
    "}\n"
    "\n"
    "static void log_message(const char *fmt, ...)\n"
    "{\n"
    "#ifdef DEBUG\n"
    "    if (verbose) {\n"
    "#else\n"
    "    if (1) {\n"
    "#endif\n"
    "        fprintf(stderr, fmt);\n"
    "    }\n"
    "}\n"
    "\n"
    "struct node *\n"
    "make_node(int value) // line comment {\n"
    "{\n"
    "    struct node *n = malloc(sizeof *n);\n"
    "    char c = '\\'';\n"
    "    char *s = \"\\\"}\";\n"
    "    return n;\n"
    "}\n"
    "DECLARE_MODULE(messy)\n"
    "int after_macro;\n"
    "const char* const version = \"1.0\";\n";

TEST(CParser, MessySourceGivesTheSameSymbolsAsEditedAndAsStoredWithSequenceNumbers) {
  const std::vector<std::string> expected = {
      "2 4 stdio.h()",
      "2 5 local.h()",
      "2 6 sys/types.h()",
      "5 7 FOPEN()",
      "5 7 FCLOSE()",
      "5 18 helper(const char *s|int n)",
      "5 24 strdup(const char *)",
      "5 26 errno()",
      "5 26 verbose()",
      "3 27 counter()",
      "3 28 names()",
      "3 29 struct node()",
      "3 30 point_t()",
      "3 30 point_p()",
      "3 31 handler_t()",
      "3 32 enum color()",
      "3 33 on_exit_fn()",
      "4 34 signal(int sig|void (*func)(int))",
      "4 35 log_message(const char *fmt|...)",
      "4 36 checksum(unsigned char *buf|size_t len)",
      "4 36 twice(int)",
      "1 40 old_style(int a|char *b|char c)",
      "1 48 main(int argc|char **argv)",
      "1 55 log_message(const char *fmt|...)",
      "1 67 make_node(int value)",
      "3 75 after_macro()",
      "3 76 version()",
  };
  const std::vector<std::string> diagnostics = {
      "! 74 text before the declaration taken for a macro"};
  for (const std::string& text : {std::string(kMessySource), NumberedWithCrLf(kMessySource)}) {
    const RecordingSink sink = Parse(text);
    EXPECT_EQ(sink.symbols, expected);
    EXPECT_EQ(sink.diagnostics, diagnostics);
  }
}

TEST(CParser, UnfinishedTextIsDiagnosedAndJunkGivesNoSymbols) {
  EXPECT_TRUE(Parse("").symbols.empty());
  EXPECT_TRUE(Parse("").diagnostics.empty());

  const RecordingSink unfinished = Parse(
      "#if 1\n"
      "int open_body(void) {\n"
      "  char *s = \"no end;\n"
      "  /* never closed");
  EXPECT_EQ(unfinished.symbols, std::vector<std::string>{"1 2 open_body()"});
  EXPECT_EQ(unfinished.diagnostics,
            (std::vector<std::string>{"! 3 literal not closed at the end of the line",
                                      "! 4 comment not closed at the end of the file",
                                      "! 2 body of open_body not closed at the end of the file",
                                      "! 4 #if without #endif at the end of the file"}));

  const RecordingSink stray = Parse("}\nint x\n{ y }\n#endif\nlong tail");
  EXPECT_TRUE(stray.symbols.empty());
  EXPECT_EQ(
      stray.diagnostics,
      (std::vector<std::string>{"! 1 '}' without its '{'", "! 3 block at file scope not understood",
                                "! 4 #endif without #if",
                                "! 5 declaration not ended by ';' at the end of the file"}));

  std::string junk;
  for (int i = 0; i < 20000; ++i) junk += static_cast<char>((i * 7919 + 13) % 256);
  junk += "\nint f(int a) { return a; }\n";
  const RecordingSink binary = Parse(junk);
  EXPECT_TRUE(binary.symbols.empty());
  EXPECT_EQ(binary.diagnostics, std::vector<std::string>{"! 1 binary data, not C source"});

  // Deep nesting and a long line pass in linear time without symbols.
  const RecordingSink deep = Parse(std::string(200000, '(') + std::string(200000, '{'));
  EXPECT_TRUE(deep.symbols.empty());
}

}  // namespace
}  // namespace vandrel::vdx
