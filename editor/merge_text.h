// Merging a host file that changed on the server into the document being
// edited: the document's text as loaded, the text in the editor and the
// host's current text, each as the editor's lines – the versions on the
// host read the way the document itself was read, so sequence numbers and
// COBOL'85 tags taken out of the text are no part of the comparison, and
// the editor keeps its own line data for every line it keeps.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/three_way_merge.h"
#include "documents/document_format.h"
#include "documents/load_request.h"

namespace vandrel {

// The lines of a version of the document's file (the bytes a download
// gives: records behind their header records, or plain text) as the
// editor of a document with `document`'s format and character table shows
// them; nothing when the bytes cannot be read that way.
std::optional<std::vector<std::string>> EditorLinesOf(std::string_view bytes,
                                                      const DocumentFormat& document,
                                                      const CharacterTable* table);

// The editor's text ('\n' between lines) as lines.
std::vector<std::string> SplitEditorText(std::string_view text);

// What merging the host's version into the editor comes to.
struct HostMerge {
  std::vector<MergeChunk> chunks;
  std::size_t conflicts = 0;
  // Nothing differs between the editor and the merge.
  bool Unchanged() const { return EditsOfMine(chunks).empty() && conflicts == 0; }
};

HostMerge MergeHostVersion(const std::vector<std::string>& loaded,
                           const std::vector<std::string>& editor,
                           const std::vector<std::string>& host);

}  // namespace vandrel
