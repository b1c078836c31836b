// A printout as a PDF file without a font system: the layout of
// documents/print_layout.h written with the standard PDF fonts, which every
// reader has and none needs embedded. A fixed-pitch font name (Courier, a
// "Mono" face, ...) is written as Courier, any other as Helvetica, each at
// its point size. Text is written in the Windows ANSI encoding: the body's
// bytes as Latin-1, the header's UTF-8 decoded; what it cannot show prints
// as "?".
#pragma once

#include <string>
#include <string_view>

#include "documents/print_layout.h"

namespace vandrel {

// Points in a millimetre: the unit the PDF writer lays pages out in.
inline constexpr double kPdfPointsPerMm = 72.0 / 25.4;
// A4 in points.
inline constexpr double kPdfA4Width = 210.0 * kPdfPointsPerMm;
inline constexpr double kPdfA4Height = 297.0 * kPdfPointsPerMm;

class PdfFontMetrics final : public PrintMetrics {
 public:
  PdfFontMetrics(std::string_view bodyFont, double bodyPoints, std::string_view headerFont,
                 double headerPoints);

  double Width(PrintFont font, std::string_view text) const override;
  double LineHeight(PrintFont font) const override;
  // From a line's top to its baseline.
  double Ascent(PrintFont font) const;
  double Points(PrintFont font) const { return Face(font).points; }
  bool FixedPitch(PrintFont font) const { return Face(font).fixedPitch; }

 private:
  struct FaceChoice {
    bool fixedPitch = false;
    double points = 10;
  };
  const FaceChoice& Face(PrintFont font) const {
    return font == PrintFont::kBody ? body_ : header_;
  }
  FaceChoice body_, header_;
};

// A font name that asks for a fixed-pitch face.
bool IsFixedPitchFontName(std::string_view name);

// The bytes a run is written with (Windows ANSI): body text as Latin-1,
// header text decoded from UTF-8; other characters become "?".
std::string PdfText(PrintFont font, std::string_view text);

// The whole PDF file: one page of `paperWidth` × `paperHeight` points per
// page of `layout` (laid out in points), titled `title`.
std::string WritePrintPdf(const PrintLayout& layout, double paperWidth, double paperHeight,
                          const PdfFontMetrics& metrics, std::string_view title);

}  // namespace vandrel
