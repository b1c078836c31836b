#include "core/attribute_parser.h"

#include <gtest/gtest.h>

#include <array>

namespace vandrel {
namespace {

constexpr std::array<AttributeRow, 2> kRows = {{
    {"Template", 4, true, false},
    {"Extensions", 3, true, false},
}};

TEST(AttributeNameMatches, NamesMayBeShortenedToTheirMinimum) {
  const AttributeRow& tmpl = kRows[0];
  EXPECT_TRUE(AttributeNameMatches("Template", tmpl));
  EXPECT_TRUE(AttributeNameMatches("TEMPLATE", tmpl));
  EXPECT_TRUE(AttributeNameMatches("temp", tmpl));
  EXPECT_TRUE(AttributeNameMatches("Templ", tmpl));
  // Only the first four characters are compared.
  EXPECT_TRUE(AttributeNameMatches("Tempest", tmpl));
  EXPECT_FALSE(AttributeNameMatches("Tem", tmpl));
  EXPECT_FALSE(AttributeNameMatches("", tmpl));
  EXPECT_TRUE(AttributeNameMatches("ext", kRows[1]));
  EXPECT_FALSE(AttributeNameMatches("ex", kRows[1]));

  // A name shorter than the minimum matches only a row name of its length.
  const AttributeRow eof{"EOF", 3};
  EXPECT_FALSE(AttributeNameMatches("EO", eof));
  EXPECT_TRUE(AttributeNameMatches("eof", eof));
  const AttributeRow labels{"#L", 2};
  EXPECT_FALSE(AttributeNameMatches("#", labels));
  // Minimum 0: the whole name.
  const AttributeRow exact{"Name", 0};
  EXPECT_TRUE(AttributeNameMatches("NAME", exact));
  EXPECT_FALSE(AttributeNameMatches("Nam", exact));
  EXPECT_FALSE(AttributeNameMatches("Names", exact));
}

TEST(ParseAttributes, ReadsQuotedAndUnquotedValues) {
  AttributeList list = ParseAttributes("  Template=\"Ansi - C\"\tExt='*.c;*.h' ", kRows);
  ASSERT_TRUE(list.ok());
  EXPECT_EQ(list.Value(0), "Ansi - C");
  EXPECT_EQ(list.Value(1), "*.c;*.h");

  list = ParseAttributes("temp=Plain ext=*.txt;*.doc", kRows);
  ASSERT_TRUE(list.ok());
  EXPECT_EQ(list.Value(0), "Plain");
  EXPECT_EQ(list.Value(1), "*.txt;*.doc");

  // A quote of the other kind is part of the value.
  list = ParseAttributes("Template='say \"hi\"' Extensions=\"it's\"", kRows);
  ASSERT_TRUE(list.ok());
  EXPECT_EQ(list.Value(0), "say \"hi\"");
  EXPECT_EQ(list.Value(1), "it's");

  // An empty value, an unterminated quote running to the end, an absent row.
  list = ParseAttributes("Template= Extensions=\"*.c *.h", kRows);
  ASSERT_TRUE(list.ok());
  EXPECT_TRUE(list.Has(0));
  EXPECT_EQ(list.Value(0), "");
  EXPECT_EQ(list.Value(1), "*.c *.h");
  list = ParseAttributes("Ext=x", kRows);
  ASSERT_TRUE(list.ok());
  EXPECT_FALSE(list.Has(0));

  EXPECT_TRUE(ParseAttributes("", kRows).ok());
}

TEST(ParseAttributes, ReportsEachErrorWithItsNumberAndItem) {
  constexpr std::array<AttributeRow, 3> rows = {{
      {"RECLEN", 2, true, false},
      {"CCTL", 2, false, false},
      {"FCODE", 2, true, true},
  }};
  struct Case {
    const char* text;
    AttributeError error;
    int code;
    const char* item;
  };
  const Case cases[] = {
      {"FC=1 XY=3", AttributeError::kUnknownName, 1, "XY=3"},
      {"FC=1 RE=80 reclen=72", AttributeError::kDuplicate, 2, "reclen=72"},
      {"RE=80", AttributeError::kMissingRequired, 3, "FCODE"},
      {"FC=1 RE", AttributeError::kMissingValue, 4, "RE"},
      {"FC=1 CCTL=1", AttributeError::kUnexpectedValue, 5, "CCTL=1"},
      {"FC = 1", AttributeError::kMissingValue, 4, "FC"},
      {"CC = 1", AttributeError::kUnknownName, 1, "="},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const AttributeList list = ParseAttributes(c.text, rows);
    EXPECT_EQ(list.error, c.error);
    EXPECT_EQ(static_cast<int>(list.error), c.code);
    EXPECT_EQ(list.errorItem, c.item);
  }

  const AttributeList list = ParseAttributes("fcode=1052 CC re='80'", rows);
  ASSERT_TRUE(list.ok());
  EXPECT_EQ(list.Value(0), "80");
  EXPECT_TRUE(list.Has(1));
  EXPECT_EQ(list.Value(2), "1052");
}

}  // namespace
}  // namespace vandrel
