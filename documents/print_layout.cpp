#include "documents/print_layout.h"

#include <algorithm>
#include <cmath>

namespace vandrel {

// ---- Header and footer codes ---------------------------------------------------

bool HeaderPart::Empty() const {
  return pieces.size() <= 1 && (pieces.empty() || pieces.front().empty());
}

std::string HeaderPart::ForPage(int page) const {
  std::string text;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) text += std::to_string(page);
    text += pieces[i];
  }
  return text;
}

HeaderParts ExpandHeaderCodes(std::string_view codes, const PrintFacts& facts) {
  HeaderParts parts;
  for (HeaderPart* part : {&parts.left, &parts.centre, &parts.right}) part->pieces.emplace_back();
  HeaderPart* target = &parts.centre;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    const char c = codes[i];
    if (c != '&' || i + 1 == codes.size()) {
      target->pieces.back() += c;
      continue;
    }
    const char code = codes[++i];
    switch (code) {
      case 'L':
      case 'l':
        target = &parts.left;
        break;
      case 'C':
      case 'c':
        target = &parts.centre;
        break;
      case 'R':
      case 'r':
        target = &parts.right;
        break;
      case 'F':
      case 'f':
        target->pieces.back() += facts.fileName;
        break;
      case 'D':
      case 'd':
        target->pieces.back() += facts.date;
        break;
      case 'T':
      case 't':
        target->pieces.back() += facts.time;
        break;
      case 'P':
      case 'p':
        target->pieces.emplace_back();
        break;
      default:
        target->pieces.back() += '&';
        target->pieces.back() += code;
        break;
    }
  }
  return parts;
}

std::vector<std::string> WrapHeaderText(std::string_view text, double width,
                                        const PrintMetrics& metrics) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  do {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::string_view paragraph = text.substr(at, end - at);
    at = end + 1;
    if (metrics.Width(PrintFont::kHeader, paragraph) <= width) {
      lines.emplace_back(paragraph);
      continue;
    }
    // Greedy: as many words as fit; blanks at a break are dropped.
    std::string line;
    std::size_t word = 0;
    while (word < paragraph.size()) {
      const std::size_t blank = std::min(paragraph.find(' ', word), paragraph.size());
      const std::string_view next = paragraph.substr(word, blank - word);
      word = blank + 1;
      if (next.empty()) continue;
      std::string longer = line.empty() ? std::string(next) : line + ' ' + std::string(next);
      if (!line.empty() && metrics.Width(PrintFont::kHeader, longer) > width) {
        lines.push_back(std::move(line));
        line.assign(next);
      } else {
        line = std::move(longer);
      }
    }
    lines.push_back(std::move(line));
  } while (at <= text.size());
  return lines;
}

// ---- What is printed -----------------------------------------------------------

PrintLineRange SelectedPrintLines(std::int64_t lineFrom, std::int64_t columnFrom,
                                  std::int64_t lineTo, std::int64_t columnTo) {
  if (lineTo < lineFrom || (lineTo == lineFrom && columnTo < columnFrom)) {
    std::swap(lineFrom, lineTo);
    std::swap(columnFrom, columnTo);
  }
  const std::int64_t last = (lineTo > lineFrom && columnTo <= 0) ? lineTo - 1 : lineTo;
  return {lineFrom, last - lineFrom + 1};
}

// ---- The page ------------------------------------------------------------------

namespace {

// Places the header (at the top) or the footer (at the bottom) of one page
// and returns the height of its tallest part.
double PlaceHeaderParts(const HeaderParts& parts, int page, const PrintRect& area, bool atTop,
                        const PrintMetrics& metrics, std::vector<PrintRun>& runs) {
  const double lineHeight = metrics.LineHeight(PrintFont::kHeader);
  const double width = area.right - area.left;
  double tallest = 0;
  const HeaderPart* order[] = {&parts.left, &parts.centre, &parts.right};
  for (int which = 0; which < 3; ++which) {
    if (order[which]->Empty()) continue;
    const std::vector<std::string> lines =
        WrapHeaderText(order[which]->ForPage(page), width, metrics);
    const double height = lineHeight * static_cast<double>(lines.size());
    tallest = std::max(tallest, height);
    double top = atTop ? area.top : area.bottom - height;
    for (const std::string& line : lines) {
      double x = area.left;
      if (which > 0) {
        const double free = width - metrics.Width(PrintFont::kHeader, line);
        x += which == 1 ? free / 2 : free;
      }
      if (!line.empty()) runs.push_back({x, top, line, PrintFont::kHeader, -1});
      top += lineHeight;
    }
  }
  return tallest;
}

// Places line `line` of `source` at `top`: its number before or after the
// text, the text with tabs at multiples of the tab width in widths of "A",
// the token at its column. An empty line prints one blank.
void PlaceLine(const PrintSource& source, std::int64_t line, double top, const PrintRect& area,
               double widthOfA, const PrintMetrics& metrics, std::vector<PrintRun>& runs) {
  const auto index = static_cast<std::size_t>(line);
  const std::string_view text = source.lines[index];
  const bool numbered = source.numberPosition > 0 && index < source.numbers.size();
  const std::string_view number = numbered ? std::string_view(source.numbers[index]) : "";

  double textLeft = area.left;
  if (numbered && source.numberPosition == 1) {
    runs.push_back({area.left, top, std::string(number), PrintFont::kBody, line});
    textLeft += metrics.Width(PrintFont::kBody, number);
  }
  const double tabStep = widthOfA * std::max<std::int32_t>(source.tabWidth, 1);
  double x = textLeft;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t tab = std::min(text.find('\t', at), text.size());
    if (tab > at) {
      const std::string_view piece = text.substr(at, tab - at);
      runs.push_back({x, top, std::string(piece), PrintFont::kBody, line});
      x += metrics.Width(PrintFont::kBody, piece);
    }
    if (tab < text.size() && tabStep > 0) {
      // The next stop strictly after x (a small tolerance for rounding).
      const double stops = std::floor((x - textLeft) / tabStep + 1e-6) + 1;
      x = textLeft + stops * tabStep;
    }
    at = tab + 1;
  }
  if (text.empty()) runs.push_back({x, top, " ", PrintFont::kBody, line});
  if (numbered && source.numberPosition >= 2 && !number.empty()) {
    const double column = textLeft + widthOfA * source.numberPosition;
    runs.push_back({std::max(x, column), top, std::string(number), PrintFont::kBody, line});
  }
  if (index < source.tokens.size() &&
      source.tokens[index].find_first_not_of(' ') != std::string::npos) {
    runs.push_back({area.left + widthOfA * kPrintTokenColumn, top, source.tokens[index],
                    PrintFont::kBody, line});
  }
}

}  // namespace

PrintLayout LayOutPrint(const PrintSource& source, PrintLineRange range,
                        const PrintPageSetup& setup, const PrintFacts& facts,
                        const PrintMetrics& metrics) {
  PrintLayout layout;
  auto mm = [&](std::int32_t value) { return std::max(value, 0) * setup.unitsPerMm; };
  PrintRect& area = layout.area;
  area.left = mm(setup.marginsMm[0]);
  area.top = mm(setup.marginsMm[1]);
  area.right = std::max(area.left, setup.paperWidth - mm(setup.marginsMm[2]));
  area.bottom = std::max(area.top, setup.paperHeight - mm(setup.marginsMm[3]));

  const auto lineCount = static_cast<std::int64_t>(source.lines.size());
  const std::int64_t first = std::clamp<std::int64_t>(range.first, 0, lineCount);
  const std::int64_t end = first + std::clamp<std::int64_t>(range.count, 0, lineCount - first);

  const HeaderParts header = ExpandHeaderCodes(setup.header, facts);
  const HeaderParts footer = ExpandHeaderCodes(setup.footer, facts);
  const double gap = kHeaderGapMm * setup.unitsPerMm;
  const double lineHeight = metrics.LineHeight(PrintFont::kBody);
  const double widthOfA = metrics.Width(PrintFont::kBody, "A");

  std::int64_t line = first;
  do {
    PrintPage page;
    page.number = static_cast<int>(layout.pages.size()) + 1;
    page.body = area;
    if (!header.Empty()) {
      page.body.top += PlaceHeaderParts(header, page.number, area, true, metrics, page.runs) + gap;
    }
    if (!footer.Empty()) {
      page.body.bottom -=
          PlaceHeaderParts(footer, page.number, area, false, metrics, page.runs) + gap;
    }
    double top = page.body.top;
    while (line < end) {
      if (page.lineCount > 0 && top + lineHeight > page.body.bottom) break;
      PlaceLine(source, line, top, area, widthOfA, metrics, page.runs);
      top += lineHeight;
      ++line;
      ++page.lineCount;
    }
    layout.pages.push_back(std::move(page));
  } while (line < end);
  return layout;
}

}  // namespace vandrel
