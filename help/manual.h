// The user manual: the Markdown pages installed with the program, their
// headings for the contents, and a full-text search over them.
//
// The manual is a folder of pages "NN-name.md", read in the order of their
// file names. A page's title is its first "# " heading; its sections start
// at the "## " and "### " headings. Nothing here renders Markdown: the help
// window shows the page text as it is given.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel::help {

// Pages whose file name is this are where Help > Installing Server Software
// goes, and where the manual begins.
inline constexpr std::string_view kAgentPage = "06-installing-the-agent.md";
inline constexpr std::string_view kFirstPage = "01-getting-started.md";

struct ManualSection {
  int level = 1;           // 1 the page title, 2 and 3 its headings
  std::string heading;     // without the "#" marks and blanks
  std::size_t offset = 0;  // where the section starts in the page text
};

struct ManualPage {
  std::string fileName;                 // "02-editing-host-files.md"
  std::string title;                    // the first "# " heading, else the file name
  std::string text;                     // the Markdown source
  std::vector<ManualSection> sections;  // in page order, the title first
};

class Manual {
 public:
  // Reads every "*.md" of `folder`, sorted by file name. A missing folder
  // gives an empty manual.
  static Manual Load(const std::filesystem::path& folder);
  // One page from text (tests, and pages made on the fly).
  static ManualPage ParsePage(std::string fileName, std::string text);

  void AddPage(ManualPage page) { pages_.push_back(std::move(page)); }
  const std::vector<ManualPage>& pages() const { return pages_; }
  bool empty() const { return pages_.empty(); }
  const std::filesystem::path& folder() const { return folder_; }
  // The page of that file name, or null.
  const ManualPage* Find(std::string_view fileName) const;

 private:
  std::filesystem::path folder_;
  std::vector<ManualPage> pages_;
};

// The anchor a link names a heading by, as common Markdown renderers make
// it: lower-case, blanks become "-", only letters, digits, "-" and "_" kept.
std::string HeadingAnchor(std::string_view heading);
// The section of `page` whose heading has that anchor; null when none.
const ManualSection* FindSection(const ManualPage& page, std::string_view anchor);

// One place where the words of a search stand: a section of a page.
struct SearchHit {
  std::size_t page = 0;     // index into Manual::pages()
  std::size_t section = 0;  // index into the page's sections
  int score = 0;
  std::string excerpt;  // the first line of the section holding a word, Markdown marks removed
};

// The words of a query: runs of letters, digits, "_", "-" and ".",
// lower-cased, without "." and "-" at their ends.
std::vector<std::string> QueryWords(std::string_view query);

// The sections that hold every word of `query` (without regard to case, as
// the start of a word of the text: "renumber" finds "renumbering"), best
// first: words in the heading or title count most, then how often the
// words occur. At most `limit` hits; none for a query without words.
std::vector<SearchHit> SearchManual(const Manual& manual, std::string_view query,
                                    std::size_t limit = 100);

// The manual installed with the program: "share/vandrel/manual" beside the
// default templates folder (in a build folder and in an installed tree).
std::filesystem::path DefaultManualFolder();

// The licence text installed with the program ("LICENSE" beside the manual
// folder); empty when there is none.
std::filesystem::path InstalledLicenceFile();

}  // namespace vandrel::help
