#include "templates/navigator/parser_runner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <random>
#include <string>
#include <vector>

#include "core/progress.h"
#include "support/temp_dir.h"
#include "templates/navigator/symbol_stream.h"
#include "templates/template_catalogue.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using namespace std::string_literals;
using testing::TempDir;
using testing::WriteTextFile;

const fs::path kExtensions = VANDREL_TEST_EXTENSIONS_DIR;

class RecordingProgress : public ProgressReporter {
 public:
  void ShowStatus(std::string_view text) override {
    events.push_back("status " + std::string(text));
  }
  void SetProgress(int percent) override { events.push_back(std::to_string(percent)); }
  void ClearProgress() override { events.push_back("clear"); }
  std::vector<std::string> events;
};

// The tree as lines: two blanks per level, category, name, line and the
// parameters.
void Flatten(const NavigatorItem& parent, int depth, std::vector<std::string>& out) {
  for (const auto& child : parent.children) {
    std::string line(static_cast<std::size_t>(depth) * 2, ' ');
    line +=
        std::to_string(child->category) + " " + child->name + " @" + std::to_string(child->line);
    for (const std::string& parameter : child->parameters) line += " " + parameter;
    out.push_back(line);
    Flatten(*child, depth + 1, out);
  }
}

std::vector<std::string> Flatten(const NavigatorItem& root) {
  std::vector<std::string> out;
  Flatten(root, 0, out);
  return out;
}

std::vector<std::string> TreeLines(const std::vector<NavigatorTreeNode>& nodes, int depth = 0) {
  std::vector<std::string> out;
  for (const NavigatorTreeNode& node : nodes) {
    out.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + node.text + " " +
                  std::to_string(node.line));
    for (std::string& line : TreeLines(node.children, depth + 1)) out.push_back(std::move(line));
  }
  return out;
}

const char kFakeSource[] =
    "S 0 MAIN\n"
    "F 0 10 a b\n"
    "F 1 INNER\n"
    "F 0 9\n"
    "F 0 A\n"
    "X 0 10 x\n"
    "! cannot read this\n"
    "D 0 WS-B\n"
    "D 1 WS-B-1\n"
    "D 2 WS-B-1-1\n"
    "I 0 COPYLIB\n"
    "W 0 9 p\n"
    "X 0 9\n";

class ParseDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Template fake(dir_ / "templates" / "fake.vdt");
    fake.settings.Name = "Fake";
    fake.settings.SyntaxParser = "FAKE.VDX";  // file names compare ignoring case
    fs::create_directories(dir_ / "templates");
    ASSERT_TRUE(fake.Save());
    Template plain(dir_ / "templates" / "plain.vdt");
    plain.settings.Name = "Plain";
    ASSERT_TRUE(plain.Save());
    Template missing(dir_ / "templates" / "missing.vdt");
    missing.settings.Name = "Missing";
    missing.settings.SyntaxParser = "absent.vdx";
    ASSERT_TRUE(missing.Save());
    ASSERT_TRUE(catalogue_.LoadCatalogue({(dir_ / "templates").string(), "", kExtensions.string()},
                                         nullptr));
    WriteTextFile(source_, kFakeSource);
  }

  TempDir dir_;
  fs::path source_ = dir_ / "source.txt";
  TemplateCatalogue catalogue_;
};

TEST_F(ParseDocumentTest, BuildsTheWholeNavigatorThroughTheHost) {
  RecordingProgress progress;
  std::vector<std::string> diagnostics;
  ParseObserver observer;
  observer.progress = &progress;
  observer.diagnostic = [&](std::string_view line) { diagnostics.emplace_back(line); };
  const std::unique_ptr<Navigator> navigator =
      ParseDocument(catalogue_, "fake", source_.string(), observer);
  ASSERT_NE(navigator, nullptr);

  // Labels of the extension where it has them, the defaults elsewhere;
  // nesting by level within each category; 9, 10, A by value.
  EXPECT_THAT(TreeLines(navigator->Tree(false)),
              ElementsAre("Sections 0", "  MAIN 1",                                   //
                          "Working Storage 0", "  WS-B 8", "    WS-B-1 9",            //
                          "      WS-B-1-1 10",                                        //
                          "Forward 0", "  9 12",                                      //
                          "Paragraphs 0", "  9 4", "  10 2", "    INNER 3", "  A 5",  //
                          "External 0", "  9 13", "  10 6",                           //
                          "Include 0", "  COPYLIB 11"));
  const auto withParameters = TreeLines(navigator->Tree(true));
  EXPECT_EQ(withParameters[7], "  9(p) 12");
  EXPECT_EQ(withParameters[10], "  10(a, b) 2");
  EXPECT_EQ(withParameters[15], "  10(x) 6");

  std::vector<std::string> list;
  for (const FunctionListEntry& entry : navigator->FunctionList()) {
    list.push_back(std::to_string(entry.image) + " " + std::to_string(entry.depth) + " " +
                   entry.text + " " + std::to_string(entry.line));
  }
  EXPECT_THAT(list,
              ElementsAre("16 0 MAIN 1", "15 0 9 4", "15 0 10 2", "15 1 INNER 3", "15 0 A 5"));

  EXPECT_EQ(navigator->FindDefinition("10").line, 2);  // the function, not the external
  EXPECT_EQ(navigator->FindDefinition("10").category, kVdxFunction);
  EXPECT_EQ(navigator->FindDefinition("ws-b-1-1").line, 10);
  EXPECT_EQ(navigator->FindDefinition("nothing").line, -1);
  ASSERT_NE(navigator->ParameterInfo("10"), nullptr);
  EXPECT_EQ(navigator->ParameterInfo("10")->ParameterText(), "10(x)");  // the external
  ASSERT_NE(navigator->ParameterInfo("9"), nullptr);
  EXPECT_EQ(navigator->ParameterInfo("9")->line, 12);  // the forward: the external has none

  EXPECT_THAT(diagnostics, ElementsAre("(00000007) cannot read this"));
  ASSERT_GE(progress.events.size(), 4u);
  EXPECT_EQ(progress.events[0], "status Parsing file...");
  EXPECT_EQ(progress.events[1], "0");
  EXPECT_EQ(progress.events[progress.events.size() - 2], "100");
  EXPECT_EQ(progress.events.back(), "clear");
}

TEST_F(ParseDocumentTest, LabelsAreAskedForOnceAndDiagnosticsNeedAnObserver) {
  std::vector<std::string> diagnostics;
  ParseObserver silent;  // Debugging off: no diagnostic function
  ASSERT_NE(ParseDocument(catalogue_, "Fake", source_.string(), silent), nullptr);
  const ParserExtension* extension = catalogue_.FindExtension("fake.vdx");
  ASSERT_NE(extension, nullptr);
  EXPECT_TRUE(extension->labelsFetched);
  EXPECT_THAT(extension->labels, ElementsAre("", "Working Storage", "", "Paragraphs", "", ""));

  // The next run keeps what the record holds rather than asking again.
  extension->labels[0] = "Chapters";
  const auto again = ParseDocument(catalogue_, "Fake", source_.string(), silent);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->Tree(false)[0].text, "Chapters");

  catalogue_.UnloadCatalogue();
  EXPECT_TRUE(catalogue_.Extensions().empty());
}

TEST_F(ParseDocumentTest, NothingWithoutAnExtensionToRun) {
  const ParseObserver observer;
  EXPECT_EQ(ParseDocument(catalogue_, "Unknown", source_.string(), observer), nullptr);
  EXPECT_EQ(ParseDocument(catalogue_, "Plain", source_.string(), observer), nullptr);
  EXPECT_EQ(ParseDocument(catalogue_, "Missing", source_.string(), observer), nullptr);
  EXPECT_EQ(ParseDocument(catalogue_, "Fake", (dir_ / "none.txt").string(), observer), nullptr);
  WriteTextFile(dir_ / "empty.txt", "");
  EXPECT_EQ(ParseDocument(catalogue_, "Fake", (dir_ / "empty.txt").string(), observer), nullptr);
  EXPECT_FALSE(catalogue_.FindExtension("fake.vdx")->labelsFetched);
}

// ---- Extensions that misbehave ------------------------------------------------

ParserExtension ExtensionAt(const fs::path& path) {
  ParserExtension extension;
  extension.fileName = path.filename().string();
  extension.fullPath = path.string();
  return extension;
}

class HostileExtensionTest : public ::testing::Test {
 protected:
  // Runs hostile.vdx over a file holding `content`.
  bool Run(const std::string& content, NavigatorItem& root) {
    WriteTextFile(file_, content);
    return RunParser(hostile_, file_.string(), root, observer_, options_);
  }

  TempDir dir_;
  fs::path file_ = dir_ / "input.txt";
  ParserExtension hostile_ = ExtensionAt(kExtensions / "hostile.vdx");
  std::vector<std::string> diagnostics_;
  RecordingProgress progress_;
  ParseObserver observer_{&progress_,
                          [this](std::string_view line) { diagnostics_.emplace_back(line); }};
  ParserRunOptions options_{std::chrono::seconds(3), 1000, kParserTextLimit, {}};
};

TEST_F(HostileExtensionTest, BadRecordsAreReadWithinTheirBoundsOrPassedOver) {
  NavigatorItem root;
  ASSERT_TRUE(Run("unterminated", root));
  const std::string n(kSymbolTextLimit, 'N');
  // The first record's texts are cut at 255 bytes; its parameter area has no
  // terminator at all, so it has no parameters. The second keeps the two
  // whole parameters and drops the third, which runs off the area.
  EXPECT_THAT(Flatten(root),
              ElementsAre("1 " + n + " @1", "  1 " + n + " @1", "  1 TWO @2 a b", "  1 GOOD @9"));
  EXPECT_EQ(root.children[0]->alternativeName, std::string(kSymbolTextLimit, 'A'));
  EXPECT_EQ(root.children[0]->displayText, std::string(kSymbolTextLimit, 'T'));
  EXPECT_THAT(diagnostics_, ElementsAre("(00000003) " + std::string(kVdxParameterBytes - 1, 'M')));
  // Labels are read within their buffer; a "yes" with nothing in it is no label.
  EXPECT_THAT(hostile_.labels, ElementsAre(std::string(kLabelTextLimit, 'L'), "", "", "", "", ""));

  root.children.clear();
  ASSERT_TRUE(Run("levels", root));
  EXPECT_THAT(Flatten(root), ElementsAre("1 TOP @1", "  1 TOP @1", "    1 DEEP @2",
                                         "  1 NEGATIVE @3", "  1 GOOD @9"));

  root.children.clear();
  ASSERT_TRUE(Run("lines", root));
  EXPECT_THAT(Flatten(root),
              ElementsAre("1 MINUS @0", "  1 MINUS @0", "  1 LOWEST @0", "  1 GOOD @9"));

  // Records with another user value, unknown categories and a null record
  // are not taken; the run goes on.
  for (const char* content : {"user", "category", "null", "stdout"}) {
    root.children.clear();
    ASSERT_TRUE(Run(content, root)) << content;
    EXPECT_THAT(Flatten(root), ElementsAre("1 GOOD @9", "  1 GOOD @9")) << content;
  }

  progress_.events.clear();
  ASSERT_TRUE(Run("progress", root));
  EXPECT_THAT(progress_.events, ElementsAre("status Parsing file...", "0", "100", "0", "clear"));
}

TEST_F(HostileExtensionTest, AFloodStopsAtTheSymbolLimit) {
  NavigatorItem root;
  ASSERT_TRUE(Run("flood", root));
  ASSERT_EQ(root.children.size(), 1u);  // the good function came too late
  EXPECT_EQ(root.children[0]->category, kVdxData);
  EXPECT_EQ(root.children[0]->children.size(), 1000u);
  EXPECT_THAT(diagnostics_, ElementsAre("symbols after the first 1000 were left out"));

  // The same by the bytes of their texts: "ITEM" is four.
  options_.textLimit = 4 * 10 + 3;
  diagnostics_.clear();
  ASSERT_TRUE(Run("flood", root));
  EXPECT_EQ(root.children[0]->children.size(), 10u);
  EXPECT_THAT(diagnostics_, ElementsAre("symbols after the first 10 were left out"));
}

TEST_F(HostileExtensionTest, CrashesLoopsAndBrokenLibrariesFailAndLeaveTheTreeAlone) {
  NavigatorItem root;
  ASSERT_TRUE(Run("null", root));
  const std::vector<std::string> before = Flatten(root);

  for (const char* content : {"crash", "exit"}) {
    EXPECT_FALSE(Run(content, root)) << content;
    EXPECT_EQ(Flatten(root), before) << content;
  }
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(Run("loop", root));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(6));
  EXPECT_EQ(Flatten(root), before);
  EXPECT_EQ(progress_.events.back(), "clear");

  WriteTextFile(file_, "null");
  ParserExtension noParse = ExtensionAt(kExtensions / "noparse.vdx");
  EXPECT_FALSE(RunParser(noParse, file_.string(), root, observer_, options_));
  WriteTextFile(dir_ / "junk.vdx", "not a library");
  ParserExtension junk = ExtensionAt(dir_ / "junk.vdx");
  EXPECT_FALSE(RunParser(junk, file_.string(), root, observer_, options_));
  ParserRunOptions noHost = options_;
  noHost.host = dir_ / "no-such-host";
  EXPECT_FALSE(RunParser(hostile_, file_.string(), root, observer_, noHost));
  EXPECT_EQ(Flatten(root), before);
  EXPECT_FALSE(noParse.labelsFetched);

  // Nothing sticks: the next run of the same extension works.
  EXPECT_TRUE(Run("user", root));
}

// ---- The stream between host and editor ---------------------------------------

std::string SampleStream() {
  std::string stream;
  AppendStreamStart(stream);
  AppendLabel(stream, 3, "Paragraphs");
  NavigatorItem symbol;
  symbol.category = kVdxFunction;
  symbol.name = "MAIN";
  symbol.displayText = std::string(300, 'd');  // cut to the field
  symbol.line = -2;
  symbol.level = 7;
  symbol.further = 42;
  symbol.parameters = {"a", "bb", "", "lost"};  // the empty text ends the list
  AppendSymbol(stream, symbol);
  AppendProgress(stream, 55);
  AppendEnd(stream);
  return stream;
}

std::vector<std::string> DecodeAll(SymbolStreamDecoder& decoder, StreamStatus& last) {
  std::vector<std::string> out;
  StreamMessage message;
  while ((last = decoder.Next(message)) == StreamStatus::kMessage) {
    switch (message.kind) {
      case StreamMessage::Kind::kLabel:
        out.push_back("label " + std::to_string(message.slot) + " " + message.label);
        break;
      case StreamMessage::Kind::kSymbol: {
        const NavigatorItem& s = message.symbol;
        std::string text = "symbol " + std::to_string(s.category) + " " + s.name + " " +
                           std::to_string(s.displayText.size()) + " " + std::to_string(s.line) +
                           " " + std::to_string(s.level) + " " + std::to_string(s.further);
        for (const std::string& p : s.parameters) text += " " + p;
        out.push_back(text);
        break;
      }
      case StreamMessage::Kind::kProgress:
        out.push_back("progress " + std::to_string(message.percent));
        break;
      case StreamMessage::Kind::kEnd:
        out.push_back("end");
        break;
    }
  }
  return out;
}

TEST(SymbolStreamTest, DecodesInAnyPiecesAndStopsAtTruncationOrGarbage) {
  const std::string stream = SampleStream();
  const std::vector<std::string> expected{"label 3 Paragraphs", "symbol 1 MAIN 255 -2 7 42 a bb",
                                          "progress 55", "end"};
  // Byte by byte gives the same as all at once; every prefix is merely
  // incomplete, never malformed.
  SymbolStreamDecoder whole;
  whole.Feed(stream);
  StreamStatus last;
  EXPECT_EQ(DecodeAll(whole, last), expected);
  EXPECT_EQ(last, StreamStatus::kIncomplete);
  SymbolStreamDecoder pieces;
  std::vector<std::string> got;
  for (const char byte : stream) {
    pieces.Feed(std::string_view(&byte, 1));
    for (std::string& message : DecodeAll(pieces, last)) got.push_back(std::move(message));
    ASSERT_EQ(last, StreamStatus::kIncomplete);
  }
  EXPECT_EQ(got, expected);

  // Layouts no host writes: each is malformed, and stays so.
  const auto malformed = [](std::string bytes) {
    SymbolStreamDecoder decoder;
    decoder.Feed(bytes);
    StreamStatus status;
    DecodeAll(decoder, status);
    decoder.Feed(SampleStream());
    StreamStatus after;
    DecodeAll(decoder, after);
    return status == StreamStatus::kMalformed && after == StreamStatus::kMalformed;
  };
  const std::string start(kSymbolStreamStart);
  const std::string symbolHead = start + "S" + std::string(16, '\0');
  EXPECT_TRUE(malformed("VDX2"));
  EXPECT_TRUE(malformed(start + "Z"));
  const std::string noTexts(6, '\0');
  EXPECT_TRUE(malformed(start + "L\x06\x01\x00x"s));                   // slot 6
  EXPECT_TRUE(malformed(start + "L\x00\x04\x01"s));                    // a label of 260 bytes
  EXPECT_TRUE(malformed(symbolHead + "\x00\x01"s));                    // a name of 256 bytes
  EXPECT_TRUE(malformed(symbolHead + noTexts + "\x01\x04"s));          // 1025 parameters
  EXPECT_TRUE(malformed(symbolHead + noTexts + "\x01\x00\x00\x00"s));  // an empty parameter
  std::string overfull = symbolHead + noTexts + "\x02\x00"s;
  overfull += "\x00\x04"s + std::string(1024, 'p');  // 1,025 bytes with its terminator
  overfull += "\x00\x04"s + std::string(1024, 'q');  // no room left for this one
  EXPECT_TRUE(malformed(overfull));

  // Random bytes after a good start end in one of the three answers, within
  // what was fed.
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes = start;
    const int length = static_cast<int>(random() % 64);
    for (int i = 0; i < length; ++i) bytes += "LSPE\x00\xff"[random() % 6];
    SymbolStreamDecoder decoder;
    decoder.Feed(bytes);
    StreamStatus status;
    const auto messages = DecodeAll(decoder, status);
    EXPECT_LE(messages.size(), bytes.size());
    EXPECT_LE(decoder.Pending(), bytes.size());
  }
}

}  // namespace
}  // namespace vandrel
