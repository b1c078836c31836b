// Merging two versions of a text that both started from the same one: the
// changes each side made to the original, line by line. Changes to
// different lines are combined; where both sides changed the same lines
// differently the result holds a conflict for the user to decide.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vandrel {

struct MergeChunk {
  enum class Kind {
    kSame,      // no side changed these lines: `lines`
    kMine,      // only this side changed them: `lines` are its lines
    kTheirs,    // only the other side changed them: `lines` are its lines
    kBoth,      // both made the same change: `lines`
    kConflict,  // both changed them differently: `mine`, `theirs`, `base`
  };
  Kind kind = Kind::kSame;
  std::vector<std::string> lines;
  std::vector<std::string> base;
  std::vector<std::string> mine;
  std::vector<std::string> theirs;
  // Where the chunk's original lines start (0-based), for showing them.
  std::size_t baseStart = 0;
};

// The chunks that make up the merge of `mine` and `theirs`, both edited from
// `base`, in order: stretches every side kept, then the stretches one or
// both sides changed. Without conflicts, joining the chunks' lines gives the
// merged text.
std::vector<MergeChunk> MergeLines(const std::vector<std::string>& base,
                                   const std::vector<std::string>& mine,
                                   const std::vector<std::string>& theirs);

std::size_t CountConflicts(const std::vector<MergeChunk>& chunks);

// The merged lines, each conflict resolved by `takeMine[i]` for the i-th
// conflict (true: this side's lines, false: the other side's).
std::vector<std::string> JoinMerge(const std::vector<MergeChunk>& chunks,
                                   const std::vector<bool>& takeMine = {});

// Lines [first, first + count) of `mine` give way to `lines`.
struct LineReplacement {
  std::size_t first = 0;
  std::size_t count = 0;
  std::vector<std::string> lines;
  bool operator==(const LineReplacement&) const = default;
};

// The replacements that turn `mine` into the merge (conflicts resolved as
// JoinMerge does), in ascending order of `first`, each in the line numbers
// of `mine` as it was: applied from the last to the first, none moves
// another. Only what the other side brings in is replaced, so an editor
// holding `mine` keeps every line of its own untouched.
std::vector<LineReplacement> EditsOfMine(const std::vector<MergeChunk>& chunks,
                                         const std::vector<bool>& takeMine = {});

}  // namespace vandrel
