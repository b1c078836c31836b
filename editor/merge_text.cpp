#include "editor/merge_text.h"

#include <memory>
#include <span>

#include "documents/document_loader.h"
#include "editor/control_document.h"
#include "platform/byte_source.h"

namespace vandrel {

std::optional<std::vector<std::string>> EditorLinesOf(std::string_view bytes,
                                                      const DocumentFormat& document,
                                                      const CharacterTable* table) {
  DocumentFormat format;
  format.formatFlags = document.formatFlags & (kFormatRecordForm | kFormatQedit);
  LoadOptions options;
  options.detectLineNumbers = false;  // the document's own numbering decides
  LoadedDocument loaded =
      LoadDocument(std::make_unique<platform::MemorySource>(std::span<const std::uint8_t>(
                       reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())),
                   format, options);
  if (!loaded) return std::nullopt;
  format.editFlags = document.editFlags;
  format.numbering = document.numbering;
  ControlDocument reader;
  const LoadOutcome outcome =
      reader.Load(BuildLoadRequest(format, loaded.file.get(), loaded.dataOffset, table));
  if (outcome.code != kLoadResultOk) return std::nullopt;
  return SplitEditorText(outcome.text);
}

std::vector<std::string> SplitEditorText(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  while (true) {
    const std::size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(begin));
      return lines;
    }
    lines.emplace_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
}

HostMerge MergeHostVersion(const std::vector<std::string>& loaded,
                           const std::vector<std::string>& editor,
                           const std::vector<std::string>& host) {
  HostMerge merge;
  merge.chunks = MergeLines(loaded, editor, host);
  merge.conflicts = CountConflicts(merge.chunks);
  return merge;
}

}  // namespace vandrel
