#include "core/settings_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "platform/atomic_file.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

using testing::TempDir;

std::string FileText(const std::filesystem::path& path) {
  std::string text;
  platform::ReadWholeFile(path, &text);
  return text;
}

void WriteText(const std::filesystem::path& path, std::string_view text) {
  testing::WriteBytes(path, {text.begin(), text.end()});
}

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

class SettingsStoreTest : public ::testing::Test {
 protected:
  TempDir dir_;
  std::filesystem::path file_ = dir_ / "settings.reg";
  SettingsStore store_{file_};
};

TEST(SettingsStorePaths, ApplyTheSubKeyRule) {
  SettingsStore store("unused");
  EXPECT_EQ(store.BaseKey(), "Software\\Zorvant Technology\\Vandrel");
  EXPECT_EQ(store.KeyPath(""), store.BaseKey());
  EXPECT_EQ(store.KeyPath(".\\Recent Files"),
            "Software\\Zorvant Technology\\Vandrel\\Recent Files");
  // Without ".\" a sub-key is absolute, not below the base key.
  EXPECT_EQ(store.KeyPath("Recent Files"), "Recent Files");
  EXPECT_EQ(store.KeyPath("Software\\Other"), "Software\\Other");

  EXPECT_EQ(SettingsStore("f", "Software\\Mine\\").BaseKey(), "Software\\Mine");
  SettingsStore longBase("f", std::string(300, 'k') + "\\");
  EXPECT_EQ(longBase.BaseKey(), std::string(259, 'k'));
  SettingsStore cutAtSlash("f", std::string(258, 'k') + "\\x");
  EXPECT_EQ(cutAtSlash.BaseKey(), std::string(258, 'k'));

  EXPECT_EQ(SettingsStore::DefaultFile("/some/dir"),
            std::filesystem::path("/some/dir/settings.reg"));
  EXPECT_EQ(SettingsStore::DefaultFile("").filename(), "settings.reg");
}

TEST_F(SettingsStoreTest, MissingStoreLeavesDefaultsAndCountsNothing) {
  std::uint32_t colour = 7;
  std::string font = "Courier";
  std::vector<SettingDescriptor> rows{BytesRow("Colour", &colour), TextRow("Font", &font, 128)};
  EXPECT_EQ(store_.ReadTable("", rows), 0);
  EXPECT_FALSE(store_.ReadValue("", rows[0]));
  EXPECT_EQ(colour, 7u);
  EXPECT_EQ(font, "Courier");
  EXPECT_FALSE(store_.KeyExists(""));
  EXPECT_FALSE(std::filesystem::exists(file_));  // reading creates nothing

  // An existing key without the rows also counts 0 and keeps the defaults.
  ASSERT_TRUE(store_.WriteValue("", "Other", kStorageNumber, Bytes("abcd")));
  EXPECT_EQ(store_.ReadTable("", rows), 0);
  EXPECT_EQ(colour, 7u);
}

TEST_F(SettingsStoreTest, ValuesRoundTripByTypeAndSize) {
  std::int32_t number = -5;
  std::uint32_t colour = 0x00112233;
  std::string text = "Courier New";
  std::uint8_t rect[16];
  for (int i = 0; i < 16; ++i) rect[i] = static_cast<std::uint8_t>(i * 17);
  ASSERT_TRUE(store_.WriteValue("", NumberRow("Number", &number)));
  ASSERT_TRUE(store_.WriteValue("", BytesRow("Colour", &colour)));
  ASSERT_TRUE(store_.WriteValue(".\\Sub", TextRow("Text", &text, 128)));
  ASSERT_TRUE(store_.WriteValue("", BytesRow("Rect", std::span<std::uint8_t>(rect))));

  std::int32_t number2 = 0;
  std::uint32_t colour2 = 0;
  std::string text2;
  std::uint8_t rect2[16] = {};
  EXPECT_TRUE(store_.ReadValue("", NumberRow("number", &number2)));
  EXPECT_TRUE(store_.ReadValue("", BytesRow("COLOUR", &colour2)));
  EXPECT_TRUE(store_.ReadValue(".\\sub", TextRow("Text", &text2, 128)));
  EXPECT_TRUE(store_.ReadValue("", BytesRow("Rect", std::span<std::uint8_t>(rect2))));
  EXPECT_EQ(number2, -5);
  EXPECT_EQ(colour2, 0x00112233u);
  EXPECT_EQ(text2, "Courier New");
  EXPECT_EQ(0, std::memcmp(rect, rect2, 16));

  // Texts are stored without a terminator; colours as their 4 bytes.
  EXPECT_EQ(store_.ReadRaw(".\\Sub", "text")->second, Bytes("Courier New"));
  EXPECT_EQ(store_.ReadRaw("", "Colour")->second,
            (std::vector<std::uint8_t>{0x33, 0x22, 0x11, 0x00}));
  EXPECT_EQ(store_.ReadRaw("", "Missing"), std::nullopt);
}

TEST_F(SettingsStoreTest, ReadsOnlyMatchingTypesThatFit) {
  std::string text = "abc";
  ASSERT_TRUE(store_.WriteValue("", TextRow("Text", &text, 128)));
  std::uint32_t four = 1;
  ASSERT_TRUE(store_.WriteValue("", NumberRow("Number", &four)));

  std::uint32_t asBytes = 99;
  EXPECT_FALSE(store_.ReadValue("", BytesRow("Number", &asBytes)));  // type 4 vs 3
  EXPECT_FALSE(store_.ReadValue("", BytesRow("Text", &asBytes)));
  EXPECT_EQ(asBytes, 99u);

  // A text needs room for its terminator.
  std::string dest = "keep";
  EXPECT_FALSE(store_.ReadValue("", TextRow("Text", &dest, 3)));
  EXPECT_EQ(dest, "keep");
  EXPECT_TRUE(store_.ReadValue("", TextRow("Text", &dest, 4)));
  EXPECT_EQ(dest, "abc");

  // Raw bytes larger than the destination are refused.
  std::uint8_t big[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_TRUE(store_.WriteValue("", BytesRow("Big", std::span<std::uint8_t>(big))));
  std::uint32_t small = 5;
  EXPECT_FALSE(store_.ReadValue("", BytesRow("Big", &small)));
  EXPECT_EQ(small, 5u);
}

TEST_F(SettingsStoreTest, NarrowNumberDestinationsUseTheLowBytes) {
  std::uint32_t value = 0x12345678;
  ASSERT_TRUE(store_.WriteValue("", NumberRow("N", &value)));
  std::uint16_t half = 0;
  std::uint8_t byte = 0;
  EXPECT_TRUE(store_.ReadValue("", {"N", kStorageNumber, 2, &half}));
  EXPECT_TRUE(store_.ReadValue("", {"N", kStorageNumber, 1, &byte}));
  EXPECT_EQ(half, 0x5678);
  EXPECT_EQ(byte, 0x78);

  // Written from a narrow destination, a number is still a full 32-bit value.
  std::uint16_t small = 0xBEEF;
  ASSERT_TRUE(store_.WriteValue("", {"Small", kStorageNumber, 2, &small}));
  auto raw = store_.ReadRaw("", "Small");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->first, kStorageNumber);
  EXPECT_EQ(raw->second, (std::vector<std::uint8_t>{0xEF, 0xBE, 0, 0}));
}

TEST_F(SettingsStoreTest, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  ASSERT_TRUE(store_.WriteValue(".\\Recent Files", "File1", kStorageText, Bytes("a")));
  ASSERT_TRUE(store_.WriteValue(".\\RECENT FILES", "FILE1", kStorageText, Bytes("b")));
  auto values = store_.Values(".\\recent files");
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].name, "File1");
  EXPECT_EQ(values[0].data, Bytes("b"));
  EXPECT_NE(FileText(file_).find("[Software\\Zorvant Technology\\Vandrel\\Recent Files]"),
            std::string::npos);
}

TEST_F(SettingsStoreTest, AbsoluteSubKeysAndKeyDeletion) {
  ASSERT_TRUE(store_.WriteValue("Recent Files", "File1", kStorageText, Bytes("absolute")));
  EXPECT_FALSE(store_.ReadRaw(".\\Recent Files", "File1"));
  EXPECT_TRUE(store_.ReadRaw("Recent Files", "File1"));

  ASSERT_TRUE(store_.WriteValue(".\\Tools\\Tool1", "Name", kStorageText, Bytes("one")));
  ASSERT_TRUE(store_.WriteValue(".\\Tools\\Tool2", "Name", kStorageText, Bytes("two")));
  ASSERT_TRUE(store_.WriteValue(".\\Toolbars", "Name", kStorageText, Bytes("other")));
  EXPECT_TRUE(store_.KeyExists(".\\Tools"));  // exists through its sub-keys
  EXPECT_EQ(store_.SubKeys(".\\tools"), (std::vector<std::string>{"Tool1", "Tool2"}));
  EXPECT_TRUE(store_.DeleteKey(".\\TOOLS"));
  EXPECT_FALSE(store_.KeyExists(".\\Tools\\Tool1"));
  EXPECT_TRUE(store_.KeyExists(".\\Toolbars"));
  EXPECT_FALSE(store_.DeleteKey(".\\Tools"));
  EXPECT_TRUE(store_.ReadRaw("Recent Files", "File1"));
}

TEST_F(SettingsStoreTest, WritesAReadableFile) {
  std::uint32_t number = 10;
  std::uint8_t bytes[3] = {0xFF, 0x00, 0x10};
  std::string text = "C:\\dir \"q\"";
  std::vector<SettingDescriptor> rows{NumberRow("Count", &number),
                                      BytesRow("Raw", std::span<std::uint8_t>(bytes)),
                                      TextRow("Path", &text, 260), TextRow("", &text, 260)};
  ASSERT_EQ(store_.WriteTable("", rows), 1);
  ASSERT_TRUE(store_.WriteValue(".\\Odd", "Type7", 7, Bytes("\x01\x02")));
  std::string written = FileText(file_);
  std::string body = written.substr(written.find("\n["));
  EXPECT_EQ(body,
            "\n[Software\\Zorvant Technology\\Vandrel]\n"
            "\"Count\"=dword:0000000a\n"
            "\"Raw\"=hex:ff,00,10\n"
            "\"Path\"=\"C:\\\\dir \\\"q\\\"\"\n"
            "\n[Software\\Zorvant Technology\\Vandrel\\Odd]\n"
            "\"Type7\"=hex(7):01,02\n");
}

TEST_F(SettingsStoreTest, EveryByteSurvivesInNamesAndTexts) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  all += "\xc3\xa9\xe2\x82\xac";  // valid UTF-8 stays readable
  ASSERT_TRUE(store_.WriteValue("", all, kStorageText, Bytes(all)));
  auto raw = store_.ReadRaw("", all);
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->second, Bytes(all));
  std::string written = FileText(file_);
  EXPECT_NE(written.find("\xc3\xa9\xe2\x82\xac"), std::string::npos);
  EXPECT_NE(written.find("\\x00\\x01"), std::string::npos);
  int bad = -1;
  SettingsTree::Parse(written, &bad);
  EXPECT_EQ(bad, 0);
  // Key names may not hold control characters.
  EXPECT_FALSE(store_.WriteValue(".\\bad\nkey", "x", kStorageText, Bytes("x")));
  EXPECT_FALSE(store_.WriteValue(".\\" + std::string(256, 'k'), "x", kStorageText, Bytes("x")));
}

TEST_F(SettingsStoreTest, DamagedFileKeepsWhatCanBeReadAndACopy) {
  const std::string damaged =
      "junk before any key\n"
      "[Software\\Zorvant Technology\\Vandrel]\r\n"
      "\"Good\"=dword:00000003\r\n"
      "\"Cut\"=hex:01,0\n"
      "\"Trunc\"=\"no end\n"
      "\"BadEscape\"=\"\\q\"\n"
      "\"Word\"=dword:123456789\n"
      "\"Text\"=\"fine\"\n"
      "[Broken\n"
      "\"Lost\"=\"under a broken header\"\n"
      "[Software\\Zorvant Technology\\Vandrel\\Recent Files]\n"
      "\"File1\"=\"kept\"\n"
      "\xff\xfe\x00binary";
  WriteText(file_, damaged);
  auto good = store_.ReadRaw("", "good");
  ASSERT_TRUE(good);
  EXPECT_EQ(good->second, (std::vector<std::uint8_t>{3, 0, 0, 0}));
  EXPECT_EQ(store_.ReadRaw("", "Text")->second, Bytes("fine"));
  EXPECT_EQ(store_.ReadRaw("", "Cut")->second, (std::vector<std::uint8_t>{1, 0}));
  EXPECT_FALSE(store_.ReadRaw("", "Trunc"));
  EXPECT_FALSE(store_.ReadRaw("", "Word"));
  EXPECT_EQ(store_.ReadRaw(".\\Recent Files", "File1")->second, Bytes("kept"));

  ASSERT_TRUE(store_.WriteValue("", "New", kStorageText, Bytes("x")));
  auto copy = dir_ / "settings.reg.bad";
  EXPECT_EQ(FileText(copy), damaged);
  int bad = -1;
  SettingsTree::Parse(FileText(file_), &bad);
  EXPECT_EQ(bad, 0);
  EXPECT_EQ(store_.ReadRaw("", "Good")->second, (std::vector<std::uint8_t>{3, 0, 0, 0}));

  // A clean file makes no further copies; a later damaged one gets a new name.
  ASSERT_TRUE(store_.WriteValue("", "More", kStorageText, Bytes("y")));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "settings.reg.bad1"));
  WriteText(file_, "garbage\n");
  ASSERT_TRUE(store_.WriteValue("", "After", kStorageText, Bytes("z")));
  EXPECT_EQ(FileText(dir_ / "settings.reg.bad1"), "garbage\n");
  EXPECT_EQ(FileText(copy), damaged);
}

TEST_F(SettingsStoreTest, UnreadableStoreIsNeverReplaced) {
  std::filesystem::create_directory(file_);  // exists, cannot be read as a file
  EXPECT_FALSE(store_.Load());
  EXPECT_FALSE(store_.WriteValue("", "X", kStorageText, Bytes("x")));
  EXPECT_FALSE(store_.LastError().empty());
  EXPECT_TRUE(std::filesystem::is_directory(file_));

  SettingsStore nested(dir_ / "new" / "folder" / "settings.reg");
  EXPECT_TRUE(nested.WriteValue("", "X", kStorageText, Bytes("x")));
}

TEST_F(SettingsStoreTest, WriteTableWritesTheOtherRowsWhenOneFails) {
  std::int32_t a = 1, b = 2;
  std::vector<SettingDescriptor> rows{NumberRow("A", &a),
                                      NumberRow(std::string(kMaxValueNameLength + 1, 'n'), &a),
                                      NumberRow("B", &b)};
  EXPECT_EQ(store_.WriteTable(".\\T", rows), 0);
  std::int32_t a2 = 0, b2 = 0;
  std::vector<SettingDescriptor> back{NumberRow("A", &a2), NumberRow("B", &b2)};
  EXPECT_EQ(store_.ReadTable(".\\T", back), 2);
  EXPECT_EQ(a2, 1);
  EXPECT_EQ(b2, 2);
}

// ---- processes sharing the store --------------------------------------------------

constexpr int kRows = 40;

// Writes the table with every row holding `generation`, in a loop.
[[noreturn]] void WriteGenerationsForever(const std::filesystem::path& file) {
  SettingsStore store(file);
  for (std::int32_t generation = 1;; ++generation) {
    std::vector<std::int32_t> values(kRows, generation);
    std::vector<std::string> texts(kRows,
                                   std::string(50, static_cast<char>('a' + generation % 26)));
    std::vector<SettingDescriptor> rows;
    for (int i = 0; i < kRows; ++i) {
      rows.push_back(NumberRow("N" + std::to_string(i), &values[static_cast<std::size_t>(i)]));
      rows.push_back(TextRow("T" + std::to_string(i), &texts[static_cast<std::size_t>(i)], 128));
    }
    store.WriteTable("", rows);
  }
}

TEST_F(SettingsStoreTest, KilledWriterLeavesAWholeTable) {
  int checked = 0;
  for (int round = 0; round < 8; ++round) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) WriteGenerationsForever(file_);
    std::this_thread::sleep_for(std::chrono::milliseconds(5 + 9 * round));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);

    int bad = -1;
    SettingsTree tree = SettingsTree::Parse(FileText(file_), &bad);
    EXPECT_EQ(bad, 0);
    if (!tree.HasKey(store_.BaseKey())) continue;  // killed before the first write
    ++checked;
    std::int32_t first = -1;
    std::string firstText;
    ASSERT_TRUE(ReadRow(tree, store_.BaseKey(), NumberRow("N0", &first)));
    ASSERT_TRUE(ReadRow(tree, store_.BaseKey(), TextRow("T0", &firstText, 128)));
    for (int i = 0; i < kRows; ++i) {
      std::int32_t value = -1;
      std::string text;
      ASSERT_TRUE(ReadRow(tree, store_.BaseKey(), NumberRow("N" + std::to_string(i), &value)));
      ASSERT_TRUE(ReadRow(tree, store_.BaseKey(), TextRow("T" + std::to_string(i), &text, 128)));
      EXPECT_EQ(value, first) << "round " << round << " row " << i;
      EXPECT_EQ(text, firstText);
    }
  }
  EXPECT_GT(checked, 0);
  // Temporary files of killed writers go with the next write.
  ASSERT_TRUE(store_.WriteValue("", "After", kStorageText, Bytes("x")));
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos);
  }
}

TEST_F(SettingsStoreTest, ConcurrentWritersLoseNothing) {
  constexpr int kEach = 40;
  std::vector<pid_t> children;
  for (char who : {'A', 'B', 'C'}) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      SettingsStore store(file_);
      bool ok = true;
      for (std::int32_t i = 0; i < kEach; ++i) {
        ok = store.WriteValue(".\\Race", std::string(1, who) + std::to_string(i), kStorageText,
                              Bytes(std::to_string(i))) &&
             ok;
      }
      ::_exit(ok ? 0 : 1);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  auto values = store_.Values(".\\Race");
  EXPECT_EQ(values.size(), 3u * kEach);
  for (char who : {'A', 'B', 'C'}) {
    for (int i = 0; i < kEach; ++i) {
      auto raw = store_.ReadRaw(".\\Race", std::string(1, who) + std::to_string(i));
      ASSERT_TRUE(raw) << who << i;
      EXPECT_EQ(raw->second, Bytes(std::to_string(i)));
    }
  }
}

// ---- initialisation files -----------------------------------------------------------

TEST(ReadTableFromIni, ReadsNumbersAndCutsTexts) {
  TempDir dir;
  auto ini = dir / "map.nls";
  WriteText(ini,
            "[Map]\n"
            "Count=42\n"
            "Negative=-7\n"
            "Junk=12abc\n"
            "Narrow=65537\n"
            "Huge=4294967296\n"
            "Name=abcdefghij\n"
            "Long=" +
                std::string(3000, 'x') + "\n");
  std::int32_t count = 0, negative = 0, junk = 99, huge = 5;
  std::uint16_t narrow = 0;
  std::string name, longText, missing = "default";
  std::vector<SettingDescriptor> rows{
      NumberRow("count", &count),       NumberRow("Negative", &negative),
      NumberRow("Junk", &junk),         {"Narrow", kStorageNumber, 2, &narrow},
      NumberRow("Huge", &huge),         TextRow("Name", &name, 5),
      TextRow("Long", &longText, 4096), TextRow("Missing", &missing, 10),
      TextRow("", &missing, 10)};
  EXPECT_EQ(ReadTableFromIni(ini, "MAP", rows), 5);
  EXPECT_EQ(count, 42);
  EXPECT_EQ(negative, -7);
  EXPECT_EQ(junk, 99);
  EXPECT_EQ(narrow, 1);
  EXPECT_EQ(huge, 5);
  EXPECT_EQ(name, "abcd");
  EXPECT_EQ(longText, std::string(2047, 'x'));
  EXPECT_EQ(missing, "default");
  EXPECT_EQ(ReadTableFromIni(ini, "Other", rows), 0);
  EXPECT_EQ(ReadTableFromIni(dir / "none.nls", "Map", rows), 0);
}

}  // namespace
}  // namespace vandrel
