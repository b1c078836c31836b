#include "templates/options_rules.h"

#include <fmt/printf.h>

#include <array>

namespace vandrel {

namespace {

constexpr std::string_view kNoFolder = "(none)";

constexpr std::array<ColourChoice, 17> kNamedColours{{
    {"Black", Rgb(0, 0, 0)},
    {"Blue", Rgb(0, 0, 255)},
    {"Turquoise", Rgb(0, 255, 255)},
    {"Bright Green", Rgb(0, 255, 0)},
    {"Pink", Rgb(255, 0, 255)},
    {"Red", Rgb(255, 0, 0)},
    {"Yellow", Rgb(255, 255, 0)},
    {"White", Rgb(255, 255, 255)},
    {"Dark Blue", Rgb(0, 0, 128)},
    {"Teal", Rgb(0, 128, 128)},
    {"Green", Rgb(0, 128, 0)},
    {"Violet", Rgb(128, 0, 128)},
    {"Dark Red", Rgb(128, 0, 0)},
    {"Dark Yellow", Rgb(128, 128, 0)},
    {"Grey 50%", Rgb(128, 128, 128)},
    {"Grey 25%", Rgb(192, 192, 192)},
    {"Grey 10%", Rgb(225, 225, 225)},
}};

using S = AppSettings;
constexpr std::array<DisplayCategory, 15> kCategories{{
    {"Normal", &S::TextColor, &S::BackgroundColor},
    {"Comment", &S::CommentColor, nullptr},
    {"Keyword Style 1", &S::Keyword1Color, nullptr},
    {"Keyword Style 2", &S::Keyword2Color, nullptr},
    {"Keyword Style 3", &S::Keyword3Color, nullptr},
    {"Keyword Style 4", &S::Keyword4Color, nullptr},
    {"Selected Text", &S::SelectionTextColor, &S::SelectionColor},
    {"Physical Line Numbers", &S::LineNoTextColor, &S::LineNoColor},
    {"Virtual Line Numbers", &S::VirtualNoTextColor, &S::VirtualNoColor},
    {"Selection Margin", &S::MarginTextColor, &S::MarginColor},
    {"Bookmark", &S::BookmarkTextColor, &S::BookmarkColor},
    {"Error", &S::ErrorTextColor, &S::ErrorColor},
    {"Tag", &S::JumpTagTextColor, &S::JumpTagColor},
    {"Text Exceeding Line Lengh", nullptr, &S::LimitArea},
    {"Command Line", &S::TerminalTextColor, &S::TerminalColor},
}};

}  // namespace

std::int32_t StoredTabStops(std::int32_t value) { return value >= 2 && value <= 16 ? value : 4; }

std::int32_t StoredFontSize(std::int32_t value) { return value >= 6 && value <= 72 ? value : 10; }

std::string TagExample(std::string_view pattern, const CalendarDate& date) {
  if (pattern.empty()) return "n/a";
  std::string tag = ExpandDateStamps(pattern, kCobolTokenFieldSize, date);
  if (tag.size() > 8) {
    tag.resize(8);
    tag += '*';
  }
  return tag;
}

std::string ShownFolder(std::string_view folder) {
  return folder.empty() ? std::string(kNoFolder) : std::string(folder);
}

std::string StoredFolder(std::string_view shown) {
  return shown == kNoFolder ? std::string() : std::string(shown);
}

std::string CacheSizeLabel(std::int32_t kilobytes) {
  if (kilobytes <= 0) return "(none)";
  if (kilobytes >= 1000) return "1 MB";
  return fmt::sprintf("%ld K", static_cast<long>(kilobytes));
}

std::span<const ColourChoice> NamedColours() { return kNamedColours; }

int ColourChoiceIndex(std::uint32_t value) {
  for (std::size_t i = 0; i < kNamedColours.size(); ++i) {
    if (kNamedColours[i].value == value) return static_cast<int>(i);
  }
  return value == kAutomaticColour ? static_cast<int>(kNamedColours.size()) : -1;
}

std::span<const DisplayCategory> DisplayCategories() { return kCategories; }

std::uint32_t ForegroundOf(const AppSettings& settings, const DisplayCategory& category) {
  return settings.*(category.foreground ? category.foreground : &AppSettings::TextColor);
}

std::uint32_t BackgroundOf(const AppSettings& settings, const DisplayCategory& category) {
  return settings.*(category.background ? category.background : &AppSettings::BackgroundColor);
}

}  // namespace vandrel
