#include "templates/apply_template.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <new>
#include <string>

#include "core/app_settings.h"
#include "documents/document_format.h"
#include "platform/ascii_text.h"
#include "templates/template.h"
#include "templates/template_catalogue.h"

namespace vandrel {

namespace {

// Qedit files are stored on the host with these fixed attributes.
constexpr std::int32_t kQeditFileCode = 111;
constexpr std::int32_t kQeditFileRecordLength = 512;

// Decimal conversion in the manner of atoi: leading white space, an optional
// sign, then digits up to the first other character ("8x" is 8, a word is 0).
// Values beyond the 32-bit range saturate.
std::int32_t DecimalValue(std::string_view text) {
  std::size_t at = 0;
  const auto number = platform::ScanDecimal(text, &at);
  return number ? static_cast<std::int32_t>(number->Clamped(INT_MIN, INT_MAX)) : 0;
}

// Splits at commas and semicolons into at most `limit` items. A part in
// double or single quotes is taken as it stands, separators included, and
// loses its quotes; a quote that is never closed runs to the end.
std::vector<std::string> SplitItems(std::string_view text, std::size_t limit) {
  std::vector<std::string> items;
  std::string item;
  char quote = 0;
  for (std::size_t i = 0; i <= text.size() && items.size() < limit; ++i) {
    const bool end = i == text.size();
    const char c = end ? 0 : text[i];
    if (!end && quote != 0) {
      if (c == quote) {
        quote = 0;
      } else {
        item += c;
      }
    } else if (!end && (c == '"' || c == '\'')) {
      quote = c;
    } else if (end || c == ',' || c == ';') {
      items.push_back(std::move(item));
      item.clear();
    } else {
      item += c;
    }
  }
  return items;
}

void CopyField(char* field, std::size_t maxLength, std::string_view text) {
  const std::size_t length = std::min(text.size(), maxLength);
  std::copy_n(text.data(), length, field);
}

NumberingDescription NumberingFor(const TemplateSettings& s, const DocumentNumbering& n) {
  NumberingDescription d;
  d.mode = s.KeepSequence != 0 ? kNumberingKeep : kNumberingRenumber;
  d.cobol = s.Cobol85 != 0 ? 1 : 0;
  d.digits = n.digits;
  d.position = n.position - 1;
  d.start = n.start;
  d.increment = n.increment;
  return d;
}

// kApplyHostFormat: the document's host format and numbering.
void ApplyHostFormat(const TemplateSettings& s, EditControl* control, DocumentFormat& doc) {
  doc.numbering = DocumentNumbering{};
  if (s.MPEFileSupport != kMpeSupportNone) {
    doc.formatFlags |= kFormatRecordForm;
    if (s.MPEFileSupport == kMpeSupportQedit) {
      doc.formatFlags |= kFormatQedit;
      doc.mpe.fcode = kQeditFileCode;
      doc.mpe.type = 0;
      doc.mpe.mode = 0;
      doc.mpe.reclen = kQeditFileRecordLength;
      doc.qedit.lang = s.QeditType;
      doc.qedit.reclen = s.MPERecordLen;
      doc.qedit.lnl = s.LineNumberDigits;
      doc.qedit.lnj = s.LineNumberPosition == 0 ? 2 : (s.LineNumberPosition == 1 ? 1 : 0);
    } else if (s.MPEFileSupport == kMpeSupportStandard) {
      doc.mpe.fcode = s.MPEFileCode;
      doc.mpe.reclen = s.MPERecordLen;
      doc.mpe.type = s.MPEType;
      doc.mpe.mode = s.MPEMode;
      doc.mpe.bfact = 1;
    }
  }
  if (s.RemoveLineNumbers != 0) {
    doc.numbering = {s.LineNumberPosition, s.LineNumberDigits, s.LineNumberStart,
                     s.LineNumberIncrement};
  }
  if (control == nullptr) return;
  if (doc.numbering.position != 0) {
    const NumberingDescription description = NumberingFor(s, doc.numbering);
    control->SetNumbering(&description);
  } else {
    control->SetNumbering(nullptr);
  }
}

// kApplyEditing: the document's edit flags and values.
void ApplyEditing(const TemplateSettings& s, const AppSettings& globals, DocumentFormat& doc) {
  doc.tabWidth = globals.DefaultTabStops;
  doc.tabPositions.clear();
  std::uint32_t flags = 0;
  if (s.CustomEdit != 0) {
    doc.tabWidth = s.TabStops;
    if (s.SmartIndenting != 0) flags |= kEditSmartIndent;
    if (s.Ruler != 0) flags |= kEditRuler;
    if (s.SaveTabsAsSpaces != 0) flags |= kEditSaveTabsAsSpaces;
    if (s.AddTabsAsSpaces != 0) {
      flags |= kEditAddTabsAsSpaces;
      doc.tabPositions = ParseTabPositions(s.TabPositions);
    }
  } else {
    if (globals.SmartIndent != 0) flags |= kEditSmartIndent;
    if (globals.ShowRuler != 0) flags |= kEditRuler;
  }
  if (s.Trim != 0) flags |= kEditTrim;
  if (s.Cobol85 != 0) flags |= kEditCobol85;
  if (s.RemoveLineNumbers != 0) {
    flags |= kEditRemoveLineNumbers;
    if (s.KeepSequence == 0) flags |= kEditRenumber;
    if (s.HideLineNumbers != 0) flags |= kEditHideLineNumbers;
    if (s.MPELineNoFormat != 0) flags |= kEditMpeLineNumberFormat;
    if (s.IntelliSequence != 0) flags |= kEditIntelliSequence;
  }
  doc.editFlags = flags;
  doc.maximumLineLength = s.MaximumLineLength;
}

// kApplyPush: the document's settings as the control receives them.
void PushToControl(EditControl* control, DocumentFormat& doc) {
  // Without its own limit a document takes one from its record format: the
  // record length of a fixed-length host file, else the Qedit record length.
  // A Qedit file is itself held in fixed 512-byte records, so it takes 512
  // here; saving checks its lines against the Qedit record length.
  if (doc.maximumLineLength == 0) {
    if (doc.IsRecordForm() && doc.mpe.type == 0) {
      doc.maximumLineLength = doc.mpe.reclen;
    } else if (doc.IsQedit()) {
      doc.maximumLineLength = doc.qedit.reclen;
    }
  }
  if (control == nullptr) return;
  const std::uint32_t flags = doc.editFlags;
  if (flags & kEditCobol85) control->SetCobolTokenMode(kCobolTokenMode);
  control->SetTabWidth(doc.tabWidth);
  control->SetLineLimit(PackLineLimit(doc.maximumLineLength));
  control->SetOptionBits(kEditOptionSmartIndent,
                         (flags & kEditSmartIndent) ? kEditOptionSmartIndent : 0);
  control->SetOptionBits(kEditOptionTabsAsSpaces,
                         (flags & kEditAddTabsAsSpaces) ? kEditOptionTabsAsSpaces : 0);
  control->SetOptionBits(kEditOptionRuler, (flags & kEditRuler) ? kEditOptionRuler : 0);
  control->SetOptionBits(kEditOptionMpeLineNumbers,
                         (flags & kEditMpeLineNumberFormat) ? kEditOptionMpeLineNumbers : 0);
  if (!doc.tabPositions.empty()) {
    std::vector<std::int32_t> positions(
        doc.tabPositions.begin(),
        doc.tabPositions.begin() +
            static_cast<std::ptrdiff_t>(std::min(doc.tabPositions.size(), kMaxTabPositions)));
    const auto count = static_cast<std::int32_t>(positions.size());
    positions.push_back(0);
    control->SetTabPositions(count, positions.data());
  }
  const bool margin = doc.numbering.position != 0 && !(flags & kEditHideLineNumbers);
  control->SetMarginMode(margin ? kMarginLineNumbers : kMarginNone);
}

// kApplyCheckOnly: true when the document's numbering disagrees with the template's.
bool NumberingDiffers(const TemplateSettings& s, const DocumentFormat& doc) {
  const bool templateNumbered = s.RemoveLineNumbers != 0;
  const bool documentNumbered = (doc.editFlags & kEditRemoveLineNumbers) != 0;
  if (templateNumbered != documentNumbered) return true;
  if (!templateNumbered) return false;
  const DocumentNumbering& n = doc.numbering;
  if (s.LineNumberPosition != n.position) return true;
  if (s.LineNumberDigits != n.digits) return true;
  const bool renumbers = s.KeepSequence == 0 || (doc.editFlags & kEditRenumber) != 0;
  return renumbers && (s.LineNumberStart != n.start || s.LineNumberIncrement != n.increment);
}

}  // namespace

std::vector<std::int32_t> ParseTabPositions(std::string_view text) {
  std::vector<std::int32_t> positions;
  for (const std::string& item : SplitItems(text, kMaxTabPositions)) {
    const std::int32_t column = DecimalValue(item);
    // Columns count from 1. A stop at column 1 or before does nothing, and its
    // position (0 or below) would read as the end of the list or as no column
    // at all, so such items are skipped like those that give 0.
    if (column < 2) continue;
    positions.push_back(column - 1);
  }
  return positions;
}

bool CommentMarkersFit(const Template& tmpl) {
  const TemplateSettings& s = tmpl.settings;
  return s.OpenComment.size() <= kMaxCommentMarkerLength &&
         s.CloseComment.size() <= kMaxCommentMarkerLength &&
         s.LineComment.size() <= kMaxCommentMarkerLength;
}

// A comment marker longer than the control's 7-character field is not sent:
// a shortened marker would open or close comments where the language has
// none. The block markers go as a pair, so a pair with one marker too long is
// left out whole. CommentMarkersFit lets the template editor warn about it.
SyntaxDescription BuildSyntaxDescription(const Template* tmpl, int columnOffset) {
  SyntaxDescription d;
  if (tmpl == nullptr) return d;
  const TemplateSettings& s = tmpl->settings;
  if (!s.OpenComment.empty() && s.OpenComment.size() <= kMaxCommentMarkerLength &&
      s.CloseComment.size() <= kMaxCommentMarkerLength) {
    CopyField(d.blockCommentStart.data(), kMaxCommentMarkerLength, s.OpenComment);
    CopyField(d.blockCommentEnd.data(), kMaxCommentMarkerLength, s.CloseComment);
    d.flags |= kSyntaxBlockComment;
  }
  if (!s.LineComment.empty() && s.LineComment.size() <= kMaxCommentMarkerLength) {
    CopyField(d.lineComment.data(), kMaxCommentMarkerLength, s.LineComment);
    d.flags |= kSyntaxLineComment;
  }
  if (s.LineCommentPos != 0) {
    d.lineCommentColumn = columnOffset + s.LineCommentPos;
    d.flags |= kSyntaxLineCommentColumn;
  }
  if (s.SingleQuotes != 0) d.flags |= kSyntaxSingleQuotes;
  if (s.CaseSensitive != 0) d.flags |= kSyntaxCaseSensitive;
  if (!s.Delimiters.empty()) CopyField(d.delimiters.data(), kMaxDelimiterLength, s.Delimiters);
  return d;
}

int ApplySyntax(const TemplateCatalogue& catalogue, const AppSettings& settings,
                std::string_view name, EditControl& control, int columnOffset) {
  const Template* tmpl = catalogue.FindTemplate(name);
  control.SetSyntax(BuildSyntaxDescription(tmpl, columnOffset));
  control.ClearKeywordLists();
  if (tmpl == nullptr) return 0;
  const TemplateSettings& s = tmpl->settings;
  const std::uint32_t colours[4] = {settings.Keyword1Color, settings.Keyword2Color,
                                    settings.Keyword3Color, settings.Keyword4Color};
  for (std::size_t i = 0; i < tmpl->keywords.size(); ++i) {
    const KeywordList& list = tmpl->keywords[i];
    if (list.Count() == 0) continue;
    KeywordListRecord record;
    record.keywords = list.Block().data();
    record.count = static_cast<std::int32_t>(list.Count());
    record.colour = colours[i];
    if (s.CaseSensitive != 0) record.flags |= kKeywordsCaseSensitive;
    if (s.PartialMatch != 0) {
      record.flags |= kKeywordsPartialMatch;
      record.partialLength = s.PartialMatchLen;
    }
    control.AddKeywordList(record);
  }
  return 1;
}

int ApplyTemplate(const TemplateCatalogue& catalogue, const AppSettings& settings,
                  std::string_view name, EditControl* control, DocumentFormat& doc,
                  unsigned parts) {
  const Template* tmpl = catalogue.FindTemplate(name);
  std::unique_ptr<Template> scratch;
  if (tmpl == nullptr) {
    try {
      scratch = std::make_unique<Template>();
    } catch (const std::bad_alloc&) {
      return kApplyFailed;
    }
    scratch->settings.TabStops = settings.DefaultTabStops;
    scratch->settings.SmartIndenting = settings.SmartIndent;
    scratch->settings.Ruler = settings.ShowRuler;
    tmpl = scratch.get();
  }
  const TemplateSettings& s = tmpl->settings;

  if (parts & kApplyHostFormat) ApplyHostFormat(s, control, doc);
  if (parts & kApplyEditing) ApplyEditing(s, settings, doc);
  if (parts & kApplyPush) PushToControl(control, doc);
  if ((parts & kApplyCheckOnly) && NumberingDiffers(s, doc)) return kApplyNumberingDiffers;

  const int columnOffset = doc.numbering.position == 1 ? -doc.numbering.digits : 0;
  if (control != nullptr) ApplySyntax(catalogue, settings, name, *control, columnOffset);
  return kApplyDone;
}

}  // namespace vandrel
