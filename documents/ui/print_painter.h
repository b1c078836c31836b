// Draws a printout on a paged device – a printer or a PDF writer – with the
// fonts of the print settings: the device is set to the settings'
// orientation, the layout of documents/print_layout.h is made with the
// device's own font measures, and each page is drawn as it lays out.
#pragma once

#include <QFont>
#include <functional>
#include <string>

#include "documents/print_layout.h"

class QPagedPaintDevice;
class QPaintDevice;

namespace vandrel {
struct AppSettings;
}

namespace vandrel::ui {

// The body and the header font a printout uses: the settings' faces and
// point sizes, with a fixed-pitch or proportional hint, so a machine without
// the named face still gets the kind asked for.
struct PrintFonts {
  QFont body;
  QFont header;
};
PrintFonts PrintFontsOf(const AppSettings& settings);

// Measures of the two fonts on one device.
class QtPrintMetrics final : public PrintMetrics {
 public:
  QtPrintMetrics(const PrintFonts& fonts, QPaintDevice* device);
  double Width(PrintFont font, std::string_view text) const override;
  double LineHeight(PrintFont font) const override;
  double Ascent(PrintFont font) const;

 private:
  QFont body_, header_;
};

// Body runs are the document's bytes (one character each); header runs are
// UTF-8.
QString PrintRunText(PrintFont font, std::string_view text);

// Told after each line printed (the page it is on, lines done of all);
// returning false stops the printout after that line.
using PrintProgress =
    std::function<bool(int page, std::int64_t linesDone, std::int64_t linesTotal)>;

struct PrintOutcome {
  bool started = false;  // the device could be painted on
  bool cancelled = false;
  int pages = 0;  // pages begun
};

// Prints `range` of `source` on `device`. The orientation comes from the
// settings, the margins are measured from the paper's edge (the device's
// own margins are set to none), the header and footer from the settings'
// codes with `facts`.
PrintOutcome PrintOnDevice(QPagedPaintDevice& device, const PrintSource& source,
                           PrintLineRange range, const AppSettings& settings,
                           const PrintFacts& facts, const PrintProgress& progress = {});

// "&D" and "&T" now: the user's short date format, the time in 24-hour form
// without seconds.
PrintFacts PrintFactsNow(const std::string& documentName);

}  // namespace vandrel::ui
