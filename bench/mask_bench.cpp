// Counting the error lines of a long compile listing with masks that scan
// upwards, against a plain scan over the lines of the same text.
//
// The listing looks like a compiler's: numbered source lines, an error
// message every 40 lines, a file name printed once at the top. The masks are
// the kind the HP templates carry, one whose scan finds the file name on the
// first line and one that no line completes; matched line by line without
// remembering, the last two would scan to the top from every line they are
// tried on, and counting would be quadratic. The listing sits in an output pane, as after a build.
// Each figure is the best of five runs; then the listing is doubled, and the time should roughly
// double with it.
//
//   bench_mask [LINES]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "project/error_mask.h"
#include "project/output_panes.h"
#include "remote/output_writer.h"

using namespace vandrel;
using namespace vandrel::project;

namespace {

constexpr int kRuns = 5;
constexpr std::size_t kDefaultLines = 200000;

std::string Listing(std::size_t lines) {
  std::string text = "FILE: /DEV/SRC/PROGRAM\r\n";
  char line[128];
  for (std::size_t i = 1; i < lines; ++i) {
    if (i % 40 == 0) {
      std::snprintf(line, sizeof line, "**** ERROR # %zu SEMICOLON EXPECTED (%zu)\r\n", i / 40,
                    i % 977);
    } else {
      std::snprintf(line, sizeof line, "%7zu %7zu.%03zu     X%zu := X%zu + %zu;\r\n", i, i / 10,
                    (i % 10) * 100, i % 113, i % 71, i);
    }
    text += line;
  }
  return text;
}

template <typename Work>
double BestSeconds(Work&& work) {
  double best = 1e30;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

struct Figures {
  double baseline;
  double counting;
  std::size_t errors;
  std::size_t marked;
};

Figures Measure(std::size_t lines) {
  OutputPanes panes(std::max<std::size_t>(kDefaultPaneLimit, lines * 64));
  panes.AppendRaw(remote::kPaneOutput, Listing(lines));
  const std::vector<std::string> masks = {
      "$(FileName)($(Line)): $(String)",
      "**** ERROR $(ScanUp)FILE: $(MpeFile)",  // completed only by the first line
      "**** $(String) # $(ScanUp)$(Number) $(MpeLine)",
      "$(String)$(ScanUp)LIBRARY: $(FileName)",  // never completed
  };
  Figures figures{};
  figures.baseline = BestSeconds([&] {
    // The baseline: every line looked at once, those starting "****" marked.
    figures.marked = panes.ReadLines(remote::kPaneOutput, [](const LineSource& source) {
      std::size_t marked = 0;
      for (std::size_t i = 0; i < source.LineCount(); ++i) {
        const std::string_view line = source.Line(i);
        if (line.size() >= 4 && line.compare(0, 4, "****") == 0) ++marked;
      }
      return marked;
    });
  });
  figures.counting = BestSeconds([&] {
    figures.errors = panes.ReadLines(remote::kPaneOutput, [&](const LineSource& source) {
      return ErrorScanner(source, masks).CountErrors();
    });
  });
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t lines = kDefaultLines;
  if (argc > 1) {
    const long long asked = std::atoll(argv[1]);
    if (asked > 0) lines = static_cast<std::size_t>(asked);
  }
  const Figures once = Measure(lines);
  const Figures twice = Measure(lines * 2);
  if (once.errors == 0 || once.errors * 2 > twice.errors + 2) {
    std::fprintf(stderr, "bench_mask: unexpected error counts %zu and %zu\n", once.errors,
                 twice.errors);
    return 1;
  }
  std::printf("listing of %zu lines, %zu error lines (%zu marked by the plain scan)\n", lines,
              once.errors, once.marked);
  std::printf("  plain line scan     %9.3f ms\n", once.baseline * 1e3);
  std::printf("  counting errors     %9.3f ms   %.1fx the plain scan\n", once.counting * 1e3,
              once.counting / once.baseline);
  std::printf("listing of %zu lines, %zu error lines\n", lines * 2, twice.errors);
  std::printf("  plain line scan     %9.3f ms\n", twice.baseline * 1e3);
  std::printf("  counting errors     %9.3f ms   %.1fx the plain scan\n", twice.counting * 1e3,
              twice.counting / twice.baseline);
  std::printf("doubling the listing: counting took %.2fx as long (plain scan %.2fx)\n",
              twice.counting / once.counting, twice.baseline / once.baseline);
  return 0;
}
