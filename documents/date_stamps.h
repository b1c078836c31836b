// Date stamps in the COBOL'85 line token: a pattern such as "GS%yy%mm%dd"
// whose placeholders take the day, month and year, and the patterns the
// options offer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

struct CalendarDate {
  int year = 1970;
  int month = 1;  // 1 to 12
  int day = 1;    // 1 to 31
};

// The token field holds 32 bytes; an expanded token keeps at most 30
// characters.
inline constexpr std::size_t kCobolTokenFieldSize = 32;

// Expands `pattern` for `date`:
//  1. every "%%" is set aside (it stands for a literal percent sign);
//  2. ignoring case, every "%dd" becomes the day (two digits), every "%mm"
//     the month (two digits), every "%yyyy" the year (four digits), then every
//     "%yy" the last two digits of the year;
//  3. the set-aside percent signs come back as "%";
//  4. at most `size` - 2 characters are kept (none when `size` is below 2).
// A tab character in the pattern comes out as "%", as the set-aside signs do.
std::string ExpandDateStamps(std::string_view pattern, std::size_t size, const CalendarDate& date);

// The same with today's local date.
std::string ExpandDateStamps(std::string_view pattern, std::size_t size);

// Today's date in the local time zone.
CalendarDate LocalDate();

// The patterns the options offer for the token, in order.
std::vector<std::string> CobolTokenPatterns();

}  // namespace vandrel
