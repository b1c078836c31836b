#include "core/line_diff.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

namespace vandrel {

namespace {

// The lines as numbers, equal numbers for equal lines, so the search
// compares integers.
struct Numbered {
  std::vector<std::uint32_t> left;
  std::vector<std::uint32_t> right;
};

Numbered NumberLines(const std::vector<std::string>& left, const std::vector<std::string>& right) {
  std::unordered_map<std::string_view, std::uint32_t> ids;
  ids.reserve(left.size() + right.size());
  auto number = [&ids](const std::vector<std::string>& lines) {
    std::vector<std::uint32_t> out;
    out.reserve(lines.size());
    for (const std::string& line : lines) {
      out.push_back(ids.try_emplace(line, static_cast<std::uint32_t>(ids.size())).first->second);
    }
    return out;
  };
  Numbered numbered;
  numbered.left = number(left);
  numbered.right = number(right);
  return numbered;
}

enum class Step : std::uint8_t { kKeep, kDelete, kInsert };

// The middle snake of a range: the run of matching lines, from (x, y) to
// (u, v), that the middle of a shortest edit script passes through.
struct Snake {
  std::ptrdiff_t x = 0, y = 0, u = 0, v = 0;
};

class Differ {
 public:
  Differ(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) : a_(a), b_(b) {
    steps_.reserve(a.size() + b.size());
  }

  std::vector<Step> Run() {
    Compare(0, static_cast<std::ptrdiff_t>(a_.size()), 0, static_cast<std::ptrdiff_t>(b_.size()));
    return std::move(steps_);
  }

 private:
  // Appends the steps that turn a[a0, a1) into b[b0, b1).
  void Compare(std::ptrdiff_t a0, std::ptrdiff_t a1, std::ptrdiff_t b0, std::ptrdiff_t b1) {
    std::ptrdiff_t suffix = 0;
    while (a0 < a1 && b0 < b1 && a_[a0] == b_[b0]) {
      steps_.push_back(Step::kKeep);
      ++a0;
      ++b0;
    }
    while (a0 < a1 && b0 < b1 && a_[a1 - 1] == b_[b1 - 1]) {
      --a1;
      --b1;
      ++suffix;
    }
    if (a0 == a1) {
      steps_.insert(steps_.end(), static_cast<std::size_t>(b1 - b0), Step::kInsert);
    } else if (b0 == b1) {
      steps_.insert(steps_.end(), static_cast<std::size_t>(a1 - a0), Step::kDelete);
    } else {
      // Both sides are left with lines that differ at their first and last
      // line, so the script needs at least two edits and each half of it
      // needs fewer than the whole: the recursion ends.
      const Snake snake = MiddleSnake(a0, a1, b0, b1);
      Compare(a0, snake.x, b0, snake.y);
      steps_.insert(steps_.end(), static_cast<std::size_t>(snake.u - snake.x), Step::kKeep);
      Compare(snake.u, a1, snake.v, b1);
    }
    steps_.insert(steps_.end(), static_cast<std::size_t>(suffix), Step::kKeep);
  }

  // Searches from both ends at once; the paths meet in the middle snake.
  // forward[k]: the furthest x reached on diagonal k = x - y from the start;
  // backward[k]: the furthest distance back from the end on diagonal k of
  // the reversed ranges.
  Snake MiddleSnake(std::ptrdiff_t a0, std::ptrdiff_t a1, std::ptrdiff_t b0, std::ptrdiff_t b1) {
    const std::ptrdiff_t n = a1 - a0;
    const std::ptrdiff_t m = b1 - b0;
    const std::ptrdiff_t delta = n - m;
    const bool odd = (delta & 1) != 0;
    const std::ptrdiff_t most = (n + m + 1) / 2;
    const std::ptrdiff_t offset = most + 1;
    std::vector<std::ptrdiff_t> forward(static_cast<std::size_t>(2 * most + 3), 0);
    std::vector<std::ptrdiff_t> backward(static_cast<std::size_t>(2 * most + 3), 0);
    auto f = [&](std::ptrdiff_t k) -> std::ptrdiff_t& {
      return forward[static_cast<std::size_t>(k + offset)];
    };
    auto r = [&](std::ptrdiff_t k) -> std::ptrdiff_t& {
      return backward[static_cast<std::size_t>(k + offset)];
    };

    for (std::ptrdiff_t d = 0; d <= most; ++d) {
      for (std::ptrdiff_t k = -d; k <= d; k += 2) {
        std::ptrdiff_t x = (k == -d || (k != d && f(k - 1) < f(k + 1))) ? f(k + 1) : f(k - 1) + 1;
        std::ptrdiff_t y = x - k;
        const std::ptrdiff_t startX = x, startY = y;
        while (x < n && y < m && a_[a0 + x] == b_[b0 + y]) {
          ++x;
          ++y;
        }
        f(k) = x;
        const std::ptrdiff_t reverse = delta - k;
        if (odd && reverse >= -(d - 1) && reverse <= d - 1 && x + r(reverse) >= n) {
          return {a0 + startX, b0 + startY, a0 + x, b0 + y};
        }
      }
      for (std::ptrdiff_t k = -d; k <= d; k += 2) {
        std::ptrdiff_t x = (k == -d || (k != d && r(k - 1) < r(k + 1))) ? r(k + 1) : r(k - 1) + 1;
        std::ptrdiff_t y = x - k;
        const std::ptrdiff_t startX = x, startY = y;
        while (x < n && y < m && a_[a1 - 1 - x] == b_[b1 - 1 - y]) {
          ++x;
          ++y;
        }
        r(k) = x;
        const std::ptrdiff_t ahead = delta - k;
        if (!odd && ahead >= -d && ahead <= d && x + f(ahead) >= n) {
          return {a1 - x, b1 - y, a1 - startX, b1 - startY};
        }
      }
    }
    // Not reached: the two searches always meet within `most` rounds.
    return {a0, b0, a0, b0};
  }

  const std::vector<std::uint32_t>& a_;
  const std::vector<std::uint32_t>& b_;
  std::vector<Step> steps_;
};

}  // namespace

std::vector<DiffRow> DiffLines(const std::vector<std::string>& left,
                               const std::vector<std::string>& right) {
  std::vector<Step> steps;
  {
    const Numbered numbered = NumberLines(left, right);
    steps = Differ(numbered.left, numbered.right).Run();
  }

  std::vector<DiffRow> rows;
  rows.reserve(std::max(left.size(), right.size()));
  std::size_t l = 0, r = 0;
  std::size_t i = 0;
  while (i < steps.size()) {
    if (steps[i] == Step::kKeep) {
      rows.push_back({DiffRowKind::kBoth, l++, r++});
      ++i;
      continue;
    }
    // A run of edits between two kept lines: its deletions and insertions
    // in their own order, paired up.
    std::size_t deleted = 0, inserted = 0;
    for (; i < steps.size() && steps[i] != Step::kKeep; ++i) {
      (steps[i] == Step::kDelete ? deleted : inserted) += 1;
    }
    const std::size_t paired = std::min(deleted, inserted);
    for (std::size_t p = 0; p < paired; ++p) rows.push_back({DiffRowKind::kChanged, l++, r++});
    for (std::size_t p = paired; p < deleted; ++p) {
      rows.push_back({DiffRowKind::kLeftOnly, l++, DiffRow::kNoLine});
    }
    for (std::size_t p = paired; p < inserted; ++p) {
      rows.push_back({DiffRowKind::kRightOnly, DiffRow::kNoLine, r++});
    }
  }
  return rows;
}

std::size_t CountDifferences(const std::vector<DiffRow>& rows) {
  return static_cast<std::size_t>(std::count_if(
      rows.begin(), rows.end(), [](const DiffRow& row) { return row.kind != DiffRowKind::kBoth; }));
}

}  // namespace vandrel
