#include "core/store_file.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/store_listing.h"
#include "core/store_records.h"
#include "core/store_scramble.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
void PutU32At(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool Write(const std::filesystem::path& path, std::string_view section,
           std::vector<SettingDescriptor> rows, StoreCreation mode = StoreCreation::kOpenAlways) {
  StoreFile file = StoreFile::Open(path, false, mode);
  return file.IsValid() && WriteValues(file, section, rows);
}

bool Read(const std::filesystem::path& path, std::string_view section,
          std::vector<SettingDescriptor> rows) {
  StoreFile file = StoreFile::Open(path, true, StoreCreation::kOpenExisting);
  return file.IsValid() && ReadValues(file, section, rows);
}

TEST(StoreScramble, RotatesByRemainingCount) {
  std::vector<std::uint8_t> abc{0x61, 0x62, 0x63};
  Scramble(ScrambleDirection::kStore, abc);
  EXPECT_EQ(abc, (std::vector<std::uint8_t>{0x0B, 0x89, 0xC6}));
  Scramble(ScrambleDirection::kLoad, abc);
  EXPECT_EQ(abc, (std::vector<std::uint8_t>{0x61, 0x62, 0x63}));

  // Of 8 bytes, the first has 8 remaining and stays; the last moves by one.
  std::vector<std::uint8_t> eight{0x81, 2, 3, 4, 5, 6, 7, 0x81};
  Scramble(ScrambleDirection::kStore, eight);
  EXPECT_EQ(eight[0], 0x81);
  EXPECT_EQ(eight[7], 0x03);
}

TEST(StoreFileWrite, EmptyFileGetsHeaderAndFirstSection) {
  TempDir dir;
  const auto path = dir / "new.vdp";
  std::string name = "abc";
  ASSERT_TRUE(Write(path, "Project", {TextRow("Name", &name, 64)}, StoreCreation::kCreateAlways));

  const auto bytes = ReadBytes(path);
  ASSERT_GE(bytes.size(), 272u + 11u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 42), std::string(kStoreSignature));
  for (std::size_t i = 42; i < 260; ++i) ASSERT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(U32At(bytes, 260), 10000u);
  EXPECT_EQ(U32At(bytes, 264), 1u);
  EXPECT_EQ(U32At(bytes, 268), 272u);

  // Section record at 272: no next, first value right after its name, live.
  EXPECT_EQ(U32At(bytes, 272), 0u);
  EXPECT_EQ(U32At(bytes, 276), 272u + 11 + 7);
  EXPECT_EQ(bytes[280], 1);
  EXPECT_EQ(bytes[281] | bytes[282] << 8, 7);
  EXPECT_EQ(std::string(bytes.begin() + 283, bytes.begin() + 290), "Project");

  // Value record: type 1, live, name "Name", data "abc" scrambled.
  const std::size_t v = 290;
  EXPECT_EQ(U32At(bytes, v), 0u);
  EXPECT_EQ(U32At(bytes, v + 4), 1u);
  EXPECT_EQ(bytes[v + 8], 1);
  EXPECT_EQ(bytes[v + 9], 4);
  EXPECT_EQ(U32At(bytes, v + 11), 3u);
  EXPECT_EQ(std::string(bytes.begin() + v + 15, bytes.begin() + v + 19), "Name");
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + v + 19, bytes.end()),
            (std::vector<std::uint8_t>{0x0B, 0x89, 0xC6}));
  EXPECT_EQ(bytes.size(), v + 19 + 3);
}

TEST(StoreFileWrite, SectionsMatchIgnoringCaseAndValuesRoundTrip) {
  TempDir dir;
  const auto path = dir / "p.vdp";
  std::string text = "hello";
  std::int32_t number = -42;
  std::uint32_t colour = 0x00FF8040;
  ASSERT_TRUE(Write(path, "Project", {TextRow("Name", &text, 260), NumberRow("Port", &number)}));
  ASSERT_TRUE(Write(path, "PROJECT", {BytesRow("Colour", &colour)}));
  ASSERT_TRUE(Write(path, "Item1", {TextRow("Name", &text, 260)}));

  const auto listing = ListStoreImage(ReadBytes(path));
  ASSERT_TRUE(listing.valid) << listing.error;
  ASSERT_EQ(listing.sections.size(), 2u);
  EXPECT_EQ(listing.sections[0].values.size(), 3u);

  std::string t = "unset";
  std::int32_t n = 0;
  std::uint32_t c = 0;
  ASSERT_TRUE(Read(path, "project",
                   {TextRow("name", &t, 260), NumberRow("PORT", &n), BytesRow("Colour", &c)}));
  EXPECT_EQ(t, "hello");
  EXPECT_EQ(n, -42);
  EXPECT_EQ(c, 0x00FF8040u);
}

TEST(StoreFileWrite, RewritesInPlaceOrRetires) {
  TempDir dir;
  const auto path = dir / "p.vdp";
  std::string a = "medium", b = "other";
  ASSERT_TRUE(Write(path, "S", {TextRow("A", &a, 260), TextRow("B", &b, 260)}));
  const auto sizeBefore = ReadBytes(path).size();

  a = "short";  // shorter: same place, file does not grow
  ASSERT_TRUE(Write(path, "S", {TextRow("A", &a, 260)}));
  EXPECT_EQ(ReadBytes(path).size(), sizeBefore);

  a = "a good deal longer than before";
  ASSERT_TRUE(Write(path, "S", {TextRow("A", &a, 260)}));
  const auto listing = ListStoreImage(ReadBytes(path));
  ASSERT_TRUE(listing.valid);
  const auto& values = listing.sections.at(0).values;
  ASSERT_EQ(values.size(), 3u);
  EXPECT_FALSE(values[0].live);
  EXPECT_EQ(values[0].name, "A");
  EXPECT_EQ(std::string(values[0].data.begin(), values[0].data.end()), "short");
  EXPECT_TRUE(values[2].live);

  std::string ra, rb;
  ASSERT_TRUE(Read(path, "S", {TextRow("A", &ra, 260), TextRow("B", &rb, 260)}));
  EXPECT_EQ(ra, "a good deal longer than before");
  EXPECT_EQ(rb, "other");
}

TEST(StoreFileWrite, InPlaceRewriteTakesTheNewType) {
  TempDir dir;
  const auto path = dir / "p.vdp";
  std::string text = "twelve bytes";
  ASSERT_TRUE(Write(path, "S", {TextRow("V", &text, 260)}));
  std::int32_t number = 5;
  ASSERT_TRUE(Write(path, "S", {NumberRow("V", &number)}));
  std::int32_t back = 0;
  std::string stale = "keep";
  ASSERT_TRUE(Read(path, "S", {NumberRow("V", &back), TextRow("V", &stale, 260)}));
  EXPECT_EQ(back, 5);
  EXPECT_EQ(stale, "keep");
}

TEST(StoreFileRead, DestinationsKeptWhenValueUnusable) {
  TempDir dir;
  const auto path = dir / "p.vdp";
  std::string text = "12345";
  std::int32_t number = 7;
  std::string retired = "x";
  ASSERT_TRUE(Write(
      path, "S",
      {TextRow("Text", &text, 260), NumberRow("Num", &number), TextRow("Gone", &retired, 260)}));
  retired = "much longer than one byte";
  ASSERT_TRUE(Write(path, "S", {TextRow("Gone", &retired, 260)}));

  std::string exact = "keep";  // size 5: "12345" leaves no room for the zero
  std::string fits = "keep";   // size 6: read and terminated
  std::string wrongType = "keep";
  std::int32_t absent = 99;
  std::uint8_t narrow[2] = {1, 2};
  ASSERT_TRUE(
      Read(path, "S",
           {TextRow("Text", &exact, 5), TextRow("Num", &wrongType, 260),
            NumberRow("Missing", &absent), BytesRow("Num", std::span<std::uint8_t>(narrow))}));
  EXPECT_EQ(exact, "keep");
  EXPECT_EQ(wrongType, "keep");
  EXPECT_EQ(absent, 99);
  EXPECT_EQ(narrow[0], 1);
  ASSERT_TRUE(Read(path, "S", {TextRow("Text", &fits, 6)}));
  EXPECT_EQ(fits, "12345");

  std::string untouched = "same";
  EXPECT_FALSE(Read(path, "NoSuchSection", {TextRow("Text", &untouched, 260)}));
  EXPECT_EQ(untouched, "same");
}

TEST(StoreFileRead, UnscrambledFilesAreReadAsStored) {
  TempDir dir;
  const auto path = dir / "p.vdp";
  std::string text = "plain";
  ASSERT_TRUE(Write(path, "S", {TextRow("T", &text, 260)}));
  auto bytes = ReadBytes(path);
  // Clear the flag and put the data back in the clear.
  PutU32At(bytes, 264, 0);
  const auto listing = ListStoreImage(bytes);
  const auto offset = listing.sections.at(0).values.at(0).dataOffset;
  std::memcpy(bytes.data() + offset, "plain", 5);
  WriteBytes(path, bytes);

  std::string read;
  ASSERT_TRUE(Read(path, "S", {TextRow("T", &read, 260)}));
  EXPECT_EQ(read, "plain");

  // New values in such a file are written in the clear as well.
  std::string more = "clear";
  ASSERT_TRUE(Write(path, "S", {TextRow("U", &more, 260)}));
  const auto after = ReadBytes(path);
  EXPECT_EQ(std::string(after.end() - 5, after.end()), "clear");
}

TEST(StoreFileRead, DamagedLinksAreRefused) {
  TempDir dir;
  const auto path = dir / "p.vdp";
  std::string v = "v";
  ASSERT_TRUE(Write(path, "A", {TextRow("X", &v, 260), TextRow("Y", &v, 260)}));
  ASSERT_TRUE(Write(path, "B", {TextRow("X", &v, 260)}));
  const auto good = ReadBytes(path);
  const auto listing = ListStoreImage(good);
  ASSERT_TRUE(listing.valid);
  const std::uint32_t sectionA = listing.sections[0].recordOffset;
  const std::uint32_t valueX = listing.sections[0].values[0].recordOffset;

  struct Case {
    const char* what;
    std::size_t at;
    std::uint32_t value;
    const char* section;
  };
  const Case cases[] = {
      {"section links to itself", sectionA, sectionA, "B"},
      {"section links backwards", sectionA, 100, "B"},
      {"header points into itself", 268, 4, "A"},
      {"section beyond the end", sectionA, static_cast<std::uint32_t>(good.size() + 10), "B"},
      {"value links to itself", valueX, valueX, "A"},
      {"value links backwards", valueX, sectionA, "A"},
      {"value links into its own name", valueX, valueX + 16, "A"},
      {"section's values start inside its name", sectionA + 4, sectionA + 11, "A"},
  };
  for (const auto& c : cases) {
    auto bytes = good;
    PutU32At(bytes, c.at, c.value);
    WriteBytes(path, bytes);
    std::string y = "unset";
    EXPECT_FALSE(Read(path, c.section, {TextRow("Y", &y, 260), TextRow("X", &y, 260)})) << c.what;
    EXPECT_FALSE(ListStoreImage(bytes).valid) << c.what;
    StoreFile file = StoreFile::Open(path, false, StoreCreation::kOpenExisting);
    EXPECT_FALSE(WriteValues(file, c.section, std::vector{TextRow("Z", &y, 260)})) << c.what;
  }

  // A name or data running past the end of the file.
  auto truncated = good;
  truncated.resize(truncated.size() - 1);
  WriteBytes(path, truncated);
  std::string x;
  EXPECT_FALSE(Read(path, "B", {TextRow("X", &x, 260)}));
}

TEST(StoreFileWrite, ForeignFilesAreNeverModified) {
  TempDir dir;
  const auto path = dir / "notes.txt";
  const std::vector<std::uint8_t> text(400, 'x');
  WriteBytes(path, text);
  std::string v = "v";
  EXPECT_FALSE(Write(path, "S", {TextRow("X", &v, 260)}));
  EXPECT_EQ(ReadBytes(path), text);
  EXPECT_FALSE(Read(path, "S", {TextRow("X", &v, 260)}));

  std::string longName(1024, 'n');
  EXPECT_FALSE(Write(dir / "n.vdp", longName, {TextRow("X", &v, 260)}));
  EXPECT_TRUE(Write(dir / "n.vdp", longName.substr(1), {TextRow("X", &v, 260)}));
}

TEST(StoreFileOpen, NoSharingAndCreationModes) {
  TempDir dir;
  const auto path = dir / "p.vdp";
  EXPECT_FALSE(StoreFile::Open(path, true, StoreCreation::kOpenExisting).IsValid());

  std::string v = "value";
  ASSERT_TRUE(Write(path, "S", {TextRow("X", &v, 260)}));
  {
    StoreFile first = StoreFile::Open(path, true, StoreCreation::kOpenExisting);
    ASSERT_TRUE(first.IsValid());
    StoreFile second = StoreFile::Open(path, true, StoreCreation::kOpenExisting);
    EXPECT_FALSE(second.IsValid());
    // A writer that would empty the file fails too, and leaves it whole.
    StoreFile writer = StoreFile::Open(path, false, StoreCreation::kCreateAlways);
    EXPECT_FALSE(writer.IsValid());
  }
  std::string read;
  ASSERT_TRUE(Read(path, "S", {TextRow("X", &read, 260)}));
  EXPECT_EQ(read, "value");

  StoreFile writer = StoreFile::Open(path, false, StoreCreation::kCreateAlways);
  ASSERT_TRUE(writer.IsValid());
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
  StoreFile readOnly = std::move(writer);
  EXPECT_TRUE(readOnly.IsValid());
  EXPECT_FALSE(writer.IsValid());
}

TEST(StoreFileWrite, CallerDataStaysUnscrambled) {
  TempDir dir;
  std::vector<std::uint8_t> raw{1, 2, 3, 4, 5};
  ASSERT_TRUE(Write(dir / "p.vdp", "S", {BytesRow("R", &raw, 16)}));
  EXPECT_EQ(raw, (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
  std::vector<std::uint8_t> back;
  ASSERT_TRUE(Read(dir / "p.vdp", "S", {BytesRow("R", &back, 16)}));
  EXPECT_EQ(back, raw);
}

}  // namespace
}  // namespace vandrel
