#include "core/three_way_merge.h"

#include "core/line_diff.h"

namespace vandrel {

namespace {

constexpr std::size_t kNone = DiffRow::kNoLine;

// For every line of `base`, the line of `other` it was kept as, or kNone
// when `other` removed or changed it. The kept lines rise in both texts.
std::vector<std::size_t> KeptLines(const std::vector<std::string>& base,
                                   const std::vector<std::string>& other) {
  std::vector<std::size_t> kept(base.size(), kNone);
  for (const DiffRow& row : DiffLines(base, other)) {
    if (row.kind == DiffRowKind::kBoth) kept[row.left] = row.right;
  }
  return kept;
}

std::vector<std::string> Slice(const std::vector<std::string>& lines, std::size_t from,
                               std::size_t to) {
  return {lines.begin() + static_cast<std::ptrdiff_t>(from),
          lines.begin() + static_cast<std::ptrdiff_t>(to)};
}

}  // namespace

std::vector<MergeChunk> MergeLines(const std::vector<std::string>& base,
                                   const std::vector<std::string>& mine,
                                   const std::vector<std::string>& theirs) {
  const std::vector<std::size_t> inMine = KeptLines(base, mine);
  const std::vector<std::size_t> inTheirs = KeptLines(base, theirs);
  std::vector<MergeChunk> chunks;
  std::size_t b = 0, m = 0, t = 0;
  // A base line both sides kept where the walk stands.
  const auto keptByBoth = [&](std::size_t line, std::size_t atMine, std::size_t atTheirs) {
    return line < base.size() && inMine[line] == atMine && inTheirs[line] == atTheirs;
  };
  while (b < base.size() || m < mine.size() || t < theirs.size()) {
    if (keptByBoth(b, m, t)) {
      MergeChunk same;
      same.kind = MergeChunk::Kind::kSame;
      same.baseStart = b;
      while (keptByBoth(b, m, t)) {
        same.lines.push_back(base[b]);
        ++b, ++m, ++t;
      }
      chunks.push_back(std::move(same));
      continue;
    }
    // The next base line both sides kept ends the changed stretch; without
    // one the stretch runs to the end of every text.
    std::size_t next = b;
    while (next < base.size() && (inMine[next] == kNone || inTheirs[next] == kNone ||
                                  inMine[next] < m || inTheirs[next] < t)) {
      ++next;
    }
    const std::size_t mineEnd = next < base.size() ? inMine[next] : mine.size();
    const std::size_t theirsEnd = next < base.size() ? inTheirs[next] : theirs.size();
    MergeChunk chunk;
    chunk.baseStart = b;
    chunk.base = Slice(base, b, next);
    chunk.mine = Slice(mine, m, mineEnd);
    chunk.theirs = Slice(theirs, t, theirsEnd);
    if (chunk.mine == chunk.base) {
      chunk.kind = MergeChunk::Kind::kTheirs;
      chunk.lines = chunk.theirs;
    } else if (chunk.theirs == chunk.base) {
      chunk.kind = MergeChunk::Kind::kMine;
      chunk.lines = chunk.mine;
    } else if (chunk.mine == chunk.theirs) {
      chunk.kind = MergeChunk::Kind::kBoth;
      chunk.lines = chunk.mine;
    } else {
      chunk.kind = MergeChunk::Kind::kConflict;
    }
    chunks.push_back(std::move(chunk));
    b = next, m = mineEnd, t = theirsEnd;
  }
  return chunks;
}

std::size_t CountConflicts(const std::vector<MergeChunk>& chunks) {
  std::size_t count = 0;
  for (const MergeChunk& chunk : chunks) count += chunk.kind == MergeChunk::Kind::kConflict;
  return count;
}

std::vector<std::string> JoinMerge(const std::vector<MergeChunk>& chunks,
                                   const std::vector<bool>& takeMine) {
  std::vector<std::string> lines;
  std::size_t conflict = 0;
  for (const MergeChunk& chunk : chunks) {
    const std::vector<std::string>* part = &chunk.lines;
    if (chunk.kind == MergeChunk::Kind::kConflict) {
      const bool mine = conflict < takeMine.size() ? takeMine[conflict] : true;
      part = mine ? &chunk.mine : &chunk.theirs;
      ++conflict;
    }
    lines.insert(lines.end(), part->begin(), part->end());
  }
  return lines;
}

std::vector<LineReplacement> EditsOfMine(const std::vector<MergeChunk>& chunks,
                                         const std::vector<bool>& takeMine) {
  std::vector<LineReplacement> edits;
  std::size_t line = 0;  // where the chunk starts in `mine`
  std::size_t conflict = 0;
  for (const MergeChunk& chunk : chunks) {
    if (chunk.kind == MergeChunk::Kind::kSame) {
      line += chunk.lines.size();
      continue;
    }
    bool theirs = chunk.kind == MergeChunk::Kind::kTheirs;
    if (chunk.kind == MergeChunk::Kind::kConflict) {
      theirs = conflict < takeMine.size() && !takeMine[conflict];
      ++conflict;
    }
    if (theirs) edits.push_back({line, chunk.mine.size(), chunk.theirs});
    line += chunk.mine.size();
  }
  return edits;
}

}  // namespace vandrel
