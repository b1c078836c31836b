#include "templates/template_editor_rules.h"

#include <charconv>

#include "documents/file_codes.h"
#include "platform/ascii_text.h"
#include "templates/template_catalogue.h"
#include "templates/template_matching.h"

namespace vandrel {

namespace {

constexpr std::int32_t kPositionCount = 3;  // none, left, right

bool Flag(std::int32_t value) { return value != 0; }
std::int32_t FlagValue(bool on) { return on ? 1 : 0; }

// A parser extension stored as "(none)", in any case, means none.
bool NamesNoParser(std::string_view parser) {
  return parser.empty() || platform::EqualsIgnoreCase(parser, kTemplateNone);
}

// Copies `now.*member` into `*field` when the control changed.
template <typename Value, typename Field>
void StoreIfChanged(const TemplateControls& shown, const TemplateControls& now,
                    Value TemplateControls::*member, Field* field) {
  if (shown.*member != now.*member) *field = now.*member;
}

void StoreFlagIfChanged(const TemplateControls& shown, const TemplateControls& now,
                        bool TemplateControls::*member, std::int32_t* field) {
  if (shown.*member != now.*member) *field = FlagValue(now.*member);
}

}  // namespace

TemplateControls ControlsOfTemplate(const Template& item) {
  const TemplateSettings& s = item.settings;
  TemplateControls c;
  c.overrideOptions = Flag(s.CustomEdit);
  c.smartIndenting = Flag(s.SmartIndenting);
  c.displayRuler = Flag(s.Ruler);
  c.saveTabsAsSpaces = Flag(s.SaveTabsAsSpaces);
  c.tabSize = s.TabStops;
  c.insertTabsAsSpaces = Flag(s.AddTabsAsSpaces);
  c.tabPositions = s.TabPositions;

  c.removeLineNumbers = Flag(s.RemoveLineNumbers);
  c.automaticRenumbering = !Flag(s.KeepSequence);
  c.mpeLineNumbers = Flag(s.MPELineNoFormat);
  c.hideLineNumbers = Flag(s.HideLineNumbers);
  c.intelligentResequencing = Flag(s.IntelliSequence);
  c.positionChoice = s.LineNumberPosition >= 0 && s.LineNumberPosition < kPositionCount
                         ? static_cast<int>(s.LineNumberPosition)
                         : -1;
  c.digits = s.LineNumberDigits;
  c.start = s.LineNumberStart;
  c.sequence = s.LineNumberIncrement;

  c.delimiters = s.Delimiters;
  c.singleQuotes = Flag(s.SingleQuotes);
  c.doubleQuotes = Flag(s.DoubleQuotes);
  c.commentStart = s.OpenComment;
  c.commentEnd = s.CloseComment;
  c.lineCommentStart = s.LineComment;
  c.lineCommentPosition = s.LineCommentPos;

  c.caseSensitive = Flag(s.CaseSensitive);
  c.partialMatch = Flag(s.PartialMatch);
  c.partialMatchFrom = s.PartialMatchLen;

  c.codeNavigator = NamesNoParser(s.SyntaxParser) ? std::string(kTemplateNone) : s.SyntaxParser;
  c.helpFile = s.ContextHelpFile;
  c.outputMask = s.CompilerOutputMask;
  c.trimTrailingSpaces = Flag(s.Trim);
  c.cobolLineTokens = Flag(s.Cobol85);
  c.maximumLineLength = s.MaximumLineLength;

  c.mpeSupport = s.MPEFileSupport != kMpeSupportNone;
  c.qeditFile = s.MPEFileSupport == kMpeSupportQedit;
  c.recordLength = s.MPERecordLen;
  c.languageChoice = ChoiceOfQeditLanguage(s.QeditType);
  c.fileCode = DescribeFileCode(s.MPEFileCode);
  c.typeChoice = ChoiceOfRecordType(s.MPEType);
  c.modeChoice = ChoiceOfFileMode(s.MPEMode);
  return c;
}

void StoreTemplateControls(const TemplateControls& shown, const TemplateControls& now,
                           Template& item) {
  using C = TemplateControls;
  TemplateSettings& s = item.settings;

  StoreFlagIfChanged(shown, now, &C::overrideOptions, &s.CustomEdit);
  StoreFlagIfChanged(shown, now, &C::smartIndenting, &s.SmartIndenting);
  StoreFlagIfChanged(shown, now, &C::displayRuler, &s.Ruler);
  StoreFlagIfChanged(shown, now, &C::saveTabsAsSpaces, &s.SaveTabsAsSpaces);
  StoreIfChanged(shown, now, &C::tabSize, &s.TabStops);
  StoreFlagIfChanged(shown, now, &C::insertTabsAsSpaces, &s.AddTabsAsSpaces);
  StoreIfChanged(shown, now, &C::tabPositions, &s.TabPositions);

  StoreFlagIfChanged(shown, now, &C::removeLineNumbers, &s.RemoveLineNumbers);
  if (shown.automaticRenumbering != now.automaticRenumbering) {
    s.KeepSequence = FlagValue(!now.automaticRenumbering);
  }
  StoreFlagIfChanged(shown, now, &C::mpeLineNumbers, &s.MPELineNoFormat);
  StoreFlagIfChanged(shown, now, &C::hideLineNumbers, &s.HideLineNumbers);
  StoreFlagIfChanged(shown, now, &C::intelligentResequencing, &s.IntelliSequence);
  if (shown.positionChoice != now.positionChoice && now.positionChoice >= 0 &&
      now.positionChoice < kPositionCount) {
    s.LineNumberPosition = now.positionChoice;
  }
  StoreIfChanged(shown, now, &C::digits, &s.LineNumberDigits);
  StoreIfChanged(shown, now, &C::start, &s.LineNumberStart);
  StoreIfChanged(shown, now, &C::sequence, &s.LineNumberIncrement);

  StoreIfChanged(shown, now, &C::delimiters, &s.Delimiters);
  StoreFlagIfChanged(shown, now, &C::singleQuotes, &s.SingleQuotes);
  StoreFlagIfChanged(shown, now, &C::doubleQuotes, &s.DoubleQuotes);
  StoreIfChanged(shown, now, &C::commentStart, &s.OpenComment);
  StoreIfChanged(shown, now, &C::commentEnd, &s.CloseComment);
  StoreIfChanged(shown, now, &C::lineCommentStart, &s.LineComment);
  StoreIfChanged(shown, now, &C::lineCommentPosition, &s.LineCommentPos);

  StoreFlagIfChanged(shown, now, &C::caseSensitive, &s.CaseSensitive);
  StoreFlagIfChanged(shown, now, &C::partialMatch, &s.PartialMatch);
  StoreIfChanged(shown, now, &C::partialMatchFrom, &s.PartialMatchLen);

  if (shown.codeNavigator != now.codeNavigator) {
    s.SyntaxParser = NamesNoParser(now.codeNavigator) ? std::string() : now.codeNavigator;
  }
  StoreIfChanged(shown, now, &C::helpFile, &s.ContextHelpFile);
  StoreIfChanged(shown, now, &C::outputMask, &s.CompilerOutputMask);
  StoreFlagIfChanged(shown, now, &C::trimTrailingSpaces, &s.Trim);
  StoreFlagIfChanged(shown, now, &C::cobolLineTokens, &s.Cobol85);
  StoreIfChanged(shown, now, &C::maximumLineLength, &s.MaximumLineLength);

  if (shown.mpeSupport != now.mpeSupport || shown.qeditFile != now.qeditFile) {
    s.MPEFileSupport = !now.mpeSupport ? kMpeSupportNone
                       : now.qeditFile ? kMpeSupportQedit
                                       : kMpeSupportStandard;
  }
  StoreIfChanged(shown, now, &C::recordLength, &s.MPERecordLen);
  if (shown.languageChoice != now.languageChoice && now.languageChoice >= 0) {
    s.QeditType = now.languageChoice;
  }
  if (shown.fileCode != now.fileCode) {
    if (const std::optional<std::int32_t> code = FileCodeOfText(now.fileCode)) {
      s.MPEFileCode = *code;
    }
  }
  if (shown.typeChoice != now.typeChoice) {
    if (const std::optional<std::int32_t> type = RecordTypeOfChoice(now.typeChoice)) {
      s.MPEType = *type;
    }
  }
  if (shown.modeChoice != now.modeChoice && ChoiceOfFileMode(now.modeChoice) >= 0) {
    s.MPEMode = now.modeChoice;
  }
}

TemplateControlsEnabled EnabledControls(const TemplateControls& controls) {
  TemplateControlsEnabled enabled;
  enabled.editorOptions = controls.overrideOptions;
  enabled.tabPositions = controls.overrideOptions && controls.insertTabsAsSpaces;
  enabled.lineNumberOptions = controls.removeLineNumbers;
  enabled.mpeFormat = controls.mpeSupport;
  enabled.qeditLanguage = controls.mpeSupport && controls.qeditFile;
  enabled.standardAttributes = controls.mpeSupport && !controls.qeditFile;
  return enabled;
}

std::vector<std::string> LineNumberPositionChoices() { return {"None", "Left", "Right"}; }

std::vector<std::string> CodeNavigatorChoices(const TemplateCatalogue& catalogue,
                                              std::string_view current) {
  std::vector<std::string> choices{std::string(kTemplateNone)};
  bool listed = NamesNoParser(current);
  for (const ParserExtension& extension : catalogue.Extensions()) {
    choices.push_back(extension.fileName);
    listed = listed || platform::EqualsIgnoreCase(extension.fileName, current);
  }
  if (!listed) choices.emplace_back(current);
  return choices;
}

std::vector<std::string> FileCodeChoices() {
  std::vector<std::string> choices;
  for (const FileCodeRow& row : FileCodeTable()) choices.push_back(FileCodeChoiceText(row));
  return choices;
}

std::optional<std::int32_t> FileCodeOfText(std::string_view text) {
  const std::string_view trimmed = platform::TrimBlanks(text);
  if (trimmed.empty()) return std::nullopt;
  for (const FileCodeRow& row : FileCodeTable()) {
    if (trimmed == FileCodeChoiceText(row)) return row.code;
    if (!row.mnemonic.empty() && platform::EqualsIgnoreCase(trimmed, row.mnemonic)) {
      return row.code;
    }
  }
  std::int32_t code = 0;
  const char* end = trimmed.data() + trimmed.size();
  const auto [stop, error] = std::from_chars(trimmed.data(), end, code);
  if (error != std::errc() || stop != end) return std::nullopt;
  return code;
}

}  // namespace vandrel
