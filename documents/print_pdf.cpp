#include "documents/print_pdf.h"

#include <fmt/format.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <vector>

namespace vandrel {
namespace {

// Advances of Helvetica's printable ASCII characters (space to "~") in
// thousandths of the point size, from the font's published metrics.
constexpr std::array<std::uint16_t, 95> kHelveticaWidths{
    278,  278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,  // space - /
    556,  556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,  // 0 - ?
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,  // @ - O
    667,  778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,  // P - _
    333,  556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,  // ` - o
    556,  556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584};      // p - ~
constexpr double kCourierWidth = 600;
constexpr double kOtherWidth = 556;  // Latin-1 letters beyond ASCII, near an average

// The bytes of `text` in the encoding PdfText writes.
std::string EncodedBytes(PrintFont font, std::string_view text) {
  std::string out;
  out.reserve(text.size());
  auto shown = [](std::uint32_t c) { return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c <= 0xFF); };
  if (font == PrintFont::kBody) {
    for (unsigned char c : text) out += shown(c) ? static_cast<char>(c) : '?';
    return out;
  }
  // UTF-8; a malformed sequence is one "?" per byte.
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80         ? 1
                         : (lead >> 5) == 6  ? 2
                         : (lead >> 4) == 14 ? 3
                         : (lead >> 3) == 30 ? 4
                                             : 0;
    std::uint32_t code = length == 1   ? lead
                         : length == 2 ? lead & 0x1F
                         : length == 3 ? lead & 0x0F
                                       : lead & 0x07;
    bool good = length > 0 && i + length <= text.size();
    for (std::size_t k = 1; good && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      good = (next & 0xC0) == 0x80;
      code = code << 6 | (next & 0x3F);
    }
    if (!good) {
      out += '?';
      ++i;
      continue;
    }
    out += shown(code) ? static_cast<char>(code) : '?';
    i += length;
  }
  return out;
}

std::string LiteralString(std::string_view bytes) {
  std::string out = "(";
  for (char c : bytes) {
    if (c == '(' || c == ')' || c == '\\') out += '\\';
    out += c;
  }
  out += ')';
  return out;
}

}  // namespace

bool IsFixedPitchFontName(std::string_view name) {
  std::string lower;
  for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (std::string_view mark : {"courier", "mono", "console", "consolas", "fixed", "typewriter"}) {
    if (lower.find(mark) != std::string::npos) return true;
  }
  return false;
}

PdfFontMetrics::PdfFontMetrics(std::string_view bodyFont, double bodyPoints,
                               std::string_view headerFont, double headerPoints)
    : body_{IsFixedPitchFontName(bodyFont), bodyPoints > 0 ? bodyPoints : 10},
      header_{IsFixedPitchFontName(headerFont), headerPoints > 0 ? headerPoints : 8} {}

double PdfFontMetrics::Width(PrintFont font, std::string_view text) const {
  const FaceChoice& face = Face(font);
  double thousandths = 0;
  for (unsigned char c : EncodedBytes(font, text)) {
    if (face.fixedPitch) {
      thousandths += kCourierWidth;
    } else {
      thousandths += (c >= 0x20 && c < 0x7F) ? kHelveticaWidths[c - 0x20] : kOtherWidth;
    }
  }
  return thousandths * face.points / 1000.0;
}

double PdfFontMetrics::LineHeight(PrintFont font) const { return Face(font).points * 1.2; }

double PdfFontMetrics::Ascent(PrintFont font) const { return Face(font).points * 0.9; }

std::string PdfText(PrintFont font, std::string_view text) { return EncodedBytes(font, text); }

std::string WritePrintPdf(const PrintLayout& layout, double paperWidth, double paperHeight,
                          const PdfFontMetrics& metrics, std::string_view title) {
  // Objects: 1 catalogue, 2 page tree, 3 body font, 4 header font, 5 the
  // information dictionary, then a page and its contents for each page.
  std::vector<std::string> objects(5);
  const std::size_t pageCount = layout.pages.size();
  std::string kids;
  for (std::size_t i = 0; i < pageCount; ++i) kids += fmt::format("{} 0 R ", 6 + 2 * i);
  objects[0] = "<< /Type /Catalog /Pages 2 0 R >>";
  objects[1] = fmt::format("<< /Type /Pages /Kids [{}] /Count {} >>", kids, pageCount);
  for (int which = 0; which < 2; ++which) {
    const PrintFont font = which == 0 ? PrintFont::kBody : PrintFont::kHeader;
    objects[2 + which] =
        fmt::format("<< /Type /Font /Subtype /Type1 /BaseFont /{} /Encoding /WinAnsiEncoding >>",
                    metrics.FixedPitch(font) ? "Courier" : "Helvetica");
  }
  objects[4] = fmt::format("<< /Title {} /Producer (Vandrel) >>",
                           LiteralString(PdfText(PrintFont::kHeader, title)));

  for (const PrintPage& page : layout.pages) {
    std::string content;
    for (const PrintRun& run : page.runs) {
      const bool body = run.font == PrintFont::kBody;
      const double baseline = paperHeight - (run.top + metrics.Ascent(run.font));
      content += fmt::format("BT /{} {:.2f} Tf 1 0 0 1 {:.2f} {:.2f} Tm {} Tj ET\n",
                             body ? "F1" : "F2", metrics.Points(run.font), run.x, baseline,
                             LiteralString(PdfText(run.font, run.text)));
    }
    const std::size_t contents = objects.size() + 2;
    objects.push_back(
        fmt::format("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 {:.2f} {:.2f}] "
                    "/Resources << /Font << /F1 3 0 R /F2 4 0 R >> >> /Contents {} 0 R >>",
                    paperWidth, paperHeight, contents));
    objects.push_back(
        fmt::format("<< /Length {} >>\nstream\n{}endstream", content.size(), content));
  }

  std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<std::size_t> offsets;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += fmt::format("{} 0 obj\n{}\nendobj\n", i + 1, objects[i]);
  }
  const std::size_t xref = pdf.size();
  pdf += fmt::format("xref\n0 {}\n0000000000 65535 f \n", objects.size() + 1);
  for (std::size_t offset : offsets) pdf += fmt::format("{:010} 00000 n \n", offset);
  pdf += fmt::format("trailer\n<< /Size {} /Root 1 0 R /Info 5 0 R >>\nstartxref\n{}\n%%EOF\n",
                     objects.size() + 1, xref);
  return pdf;
}

}  // namespace vandrel
