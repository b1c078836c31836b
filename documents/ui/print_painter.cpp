#include "documents/ui/print_painter.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>

#include "core/app_settings.h"
#include "documents/print_pdf.h"

namespace vandrel::ui {

namespace {

QFont SettingsFont(const std::string& face, std::int32_t points, bool fixedPitch) {
  QFont font(QString::fromStdString(face));
  font.setPointSizeF(points > 0 ? points : (fixedPitch ? 10 : 8));
  font.setStyleHint(fixedPitch ? QFont::TypeWriter : QFont::SansSerif);
  font.setFixedPitch(fixedPitch);
  return font;
}

}  // namespace

PrintFonts PrintFontsOf(const AppSettings& settings) {
  return {SettingsFont(settings.PrintFont, settings.PrintPointSize,
                       IsFixedPitchFontName(settings.PrintFont)),
          SettingsFont(settings.PrintHeaderFont, settings.PrintHeaderSize,
                       IsFixedPitchFontName(settings.PrintHeaderFont))};
}

QString PrintRunText(PrintFont font, std::string_view text) {
  const auto size = static_cast<qsizetype>(text.size());
  return font == PrintFont::kBody ? QString::fromLatin1(text.data(), size)
                                  : QString::fromUtf8(text.data(), size);
}

QtPrintMetrics::QtPrintMetrics(const PrintFonts& fonts, QPaintDevice* device)
    : body_(fonts.body, device), header_(fonts.header, device) {}

double QtPrintMetrics::Width(PrintFont font, std::string_view text) const {
  return QFontMetricsF(font == PrintFont::kBody ? body_ : header_)
      .horizontalAdvance(PrintRunText(font, text));
}

double QtPrintMetrics::LineHeight(PrintFont font) const {
  return QFontMetricsF(font == PrintFont::kBody ? body_ : header_).lineSpacing();
}

double QtPrintMetrics::Ascent(PrintFont font) const {
  return QFontMetricsF(font == PrintFont::kBody ? body_ : header_).ascent();
}

PrintOutcome PrintOnDevice(QPagedPaintDevice& device, const PrintSource& source,
                           PrintLineRange range, const AppSettings& settings,
                           const PrintFacts& facts, const PrintProgress& progress) {
  PrintOutcome outcome;
  device.setPageOrientation(settings.PrintPortrait ? QPageLayout::Portrait
                                                   : QPageLayout::Landscape);
  // Margins are the layout's, from the paper's edge; what the device keeps
  // for itself (a printer's unprintable border) is taken back below.
  device.setPageMargins(QMarginsF(), QPageLayout::Millimeter);
  QPainter painter;
  if (!painter.begin(&device)) return outcome;
  outcome.started = true;

  const int dpi = device.logicalDpiX();
  const QPageLayout page = device.pageLayout();
  const QRect paper = page.fullRectPixels(dpi);
  const QRect printable = page.paintRectPixels(dpi);
  painter.translate(-(printable.left() - paper.left()), -(printable.top() - paper.top()));

  const PrintFonts fonts = PrintFontsOf(settings);
  const QtPrintMetrics metrics(fonts, &device);
  PrintPageSetup setup;
  setup.paperWidth = paper.width();
  setup.paperHeight = paper.height();
  setup.unitsPerMm = dpi / 25.4;
  setup.marginsMm = settings.PrintMargins;
  setup.header = settings.PrintHeader;
  setup.footer = settings.PrintFooter;
  const PrintLayout layout = LayOutPrint(source, range, setup, facts, metrics);

  std::int64_t total = 0;
  for (const PrintPage& laid : layout.pages) total += laid.lineCount;
  std::int64_t done = 0;
  painter.setPen(Qt::black);
  for (const PrintPage& laid : layout.pages) {
    if (outcome.pages > 0) device.newPage();
    ++outcome.pages;
    for (std::size_t i = 0; i < laid.runs.size(); ++i) {
      const PrintRun& run = laid.runs[i];
      painter.setFont(run.font == PrintFont::kBody ? fonts.body : fonts.header);
      painter.drawText(QPointF(run.x, run.top + metrics.Ascent(run.font)),
                       PrintRunText(run.font, run.text));
      const bool lineEnds =
          run.line >= 0 && (i + 1 == laid.runs.size() || laid.runs[i + 1].line != run.line);
      if (!lineEnds) continue;
      ++done;
      if (progress && !progress(laid.number, done, total)) {
        outcome.cancelled = true;
        painter.end();
        return outcome;
      }
    }
  }
  painter.end();
  return outcome;
}

PrintFacts PrintFactsNow(const std::string& documentName) {
  const QDateTime now = QDateTime::currentDateTime();
  return {documentName, QLocale().toString(now.date(), QLocale::ShortFormat).toStdString(),
          now.time().toString("HH:mm").toStdString()};
}

}  // namespace vandrel::ui
