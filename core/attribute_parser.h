// The shared attribute-list parser: a text of items separated by white space,
// each a name, optionally followed directly by '=' and a value. A value that
// begins with a double or single quote runs to the next occurrence of the
// same quote, which is removed; any other value runs to the next white space.
// Used for file-type entries and for the header records of record-form files.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

// One name the parser knows. A given name matches the row when its first
// `minLength` characters agree with the row's name, ignoring (ASCII) case;
// characters after those are not compared, and a given name shorter than
// `minLength` matches only a row name of exactly its length. So "Temp" and
// "TEMPLATE" match "Template" with minimum 4, while "Tem" does not. The first
// matching row in table order wins.
struct AttributeRow {
  std::string_view name;
  std::size_t minLength = 0;  // 0: the whole name must be given
  bool takesValue = true;
  bool required = false;
};

// The error codes keep their numbers: callers report and compare them.
enum class AttributeError : int {
  kNone = 0,
  kUnknownName = 1,  // a name that matches no row
  kDuplicate = 2,    // a row given twice
  kMissingRequired = 3,
  kMissingValue = 4,  // a row that takes a value was given none
  kUnexpectedValue = 5,
};

struct AttributeList {
  AttributeError error = AttributeError::kNone;
  // The item that caused the error as written; for kMissingRequired the
  // row's name.
  std::string errorItem;
  // Per row, in table order: present or not, and the value (empty for a row
  // that takes none). Filled for the items before an error as well.
  std::vector<std::optional<std::string>> values;

  bool ok() const { return error == AttributeError::kNone; }
  bool Has(std::size_t row) const { return row < values.size() && values[row].has_value(); }
  // The row's value, empty when it is absent.
  std::string_view Value(std::size_t row) const {
    return Has(row) ? std::string_view(*values[row]) : std::string_view();
  }
};

// Whether `given` names `row` under the rule above.
bool AttributeNameMatches(std::string_view given, const AttributeRow& row);

// Parses `text` against `rows`; stops at the first error. A quoted value with
// no closing quote runs to the end of the text. An item "name=" gives the
// empty value.
AttributeList ParseAttributes(std::string_view text, std::span<const AttributeRow> rows);

}  // namespace vandrel
