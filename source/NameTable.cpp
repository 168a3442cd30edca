#include "source/NameTable.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <stdexcept>

#include "source/DirectoryScanner.h"

namespace selvo {
namespace {

// A counting piece costs about what two names kept whole do; shorter runs
// stay literal.
constexpr std::size_t kShortestCountingRun = 4;
// Numbers of up to 18 digits fit 64 bits with room to count on.
constexpr std::size_t kMostDigits = 18;

// Byte order of a1 + a2 against b1 + b2, without joining them.
int CompareJoined(std::string_view a1, std::string_view a2, std::string_view b1, std::string_view b2) {
  std::size_t i = 0;
  const std::size_t aLength = a1.size() + a2.size();
  const std::size_t bLength = b1.size() + b2.size();
  for (; i < aLength && i < bLength; ++i) {
    const auto a = static_cast<unsigned char>(i < a1.size() ? a1[i] : a2[i - a1.size()]);
    const auto b = static_cast<unsigned char>(i < b1.size() ? b1[i] : b2[i - b1.size()]);
    if (a != b) return a < b ? -1 : 1;
  }
  return aLength == bLength ? 0 : (aLength < bLength ? -1 : 1);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Where a name counts: its last run of decimal digits.
struct Digits {
  std::size_t at = 0;
  std::size_t count = 0;
  std::uint64_t value = 0;
};

bool LastDigits(std::string_view name, Digits& digits) {
  std::size_t end = name.size();
  while (end > 0 && !IsDigit(name[end - 1])) --end;
  std::size_t begin = end;
  while (begin > 0 && IsDigit(name[begin - 1])) --begin;
  if (begin == end || end - begin > kMostDigits || begin > std::numeric_limits<std::uint16_t>::max()) return false;
  digits.at = begin;
  digits.count = end - begin;
  digits.value = 0;
  for (std::size_t i = begin; i < end; ++i) digits.value = digits.value * 10 + static_cast<std::uint64_t>(name[i] - '0');
  return true;
}

// Writes value into the digit field, zero-padded to its width.
void WriteDigits(std::string& name, std::size_t at, std::size_t count, std::uint64_t value) {
  for (std::size_t i = at + count; i > at; --i) {
    name[i - 1] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
}

// Whether name is first with its number raised by step, in as many digits.
bool CountsOn(std::string_view first, const Digits& digits, std::string_view name, std::uint64_t step) {
  if (name.size() != first.size()) return false;
  if (name.substr(0, digits.at) != first.substr(0, digits.at)) return false;
  const std::size_t after = digits.at + digits.count;
  if (name.substr(after) != first.substr(after)) return false;
  std::uint64_t value = 0;
  for (std::size_t i = digits.at; i < after; ++i) {
    if (!IsDigit(name[i])) return false;
    value = value * 10 + static_cast<std::uint64_t>(name[i] - '0');
  }
  return value == digits.value + step;
}

}  // namespace

void NameTable::Clear() {
  prefixes_.clear();
  pool_.clear();
  pool_.shrink_to_fit();
  starts_.clear();
  starts_.shrink_to_fit();
  pieces_.clear();
  pieces_.shrink_to_fit();
  count_ = 0;
}

std::uint32_t NameTable::AddFolder(const std::string& path) {
  // JoinPath's rule: a trailing slash is not doubled.
  prefixes_.push_back(JoinPath(path, ""));
  return static_cast<std::uint32_t>(prefixes_.size() - 1);
}

void NameTable::Add(std::uint32_t folder, std::string_view name) {
  if (pool_.size() + name.size() > std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("too many file names");
  }
  AppendLiteral(folder, name);
}

void NameTable::AppendLiteral(std::uint32_t folder, std::string_view name) {
  if (starts_.empty()) starts_.push_back(0);
  const bool extends = !pieces_.empty() && pieces_.back().digits == 0 && pieces_.back().folder == folder;
  if (!extends) pieces_.push_back(Piece{count_, LiteralCount(), folder, 0, 0});
  pool_.append(name);
  starts_.push_back(static_cast<std::uint32_t>(pool_.size()));
  ++count_;
}

std::string_view NameTable::Literal(std::size_t k) const {
  return std::string_view(pool_).substr(starts_[k], starts_[k + 1] - starts_[k]);
}

std::size_t NameTable::PieceOf(std::size_t i) const {
  const auto after = std::upper_bound(pieces_.begin(), pieces_.end(), i,
                                      [](std::size_t name, const Piece& piece) { return name < piece.firstName; });
  return static_cast<std::size_t>(after - pieces_.begin()) - 1;
}

std::string NameTable::NameAt(std::size_t i) const {
  const Piece& piece = pieces_[PieceOf(i)];
  const std::size_t k = i - piece.firstName;
  if (piece.digits == 0) return std::string(Literal(piece.firstLiteral + k));
  std::string name(Literal(piece.firstLiteral));
  Digits digits;
  LastDigits(name, digits);
  WriteDigits(name, piece.digitsAt, piece.digits, digits.value + k);
  return name;
}

std::string NameTable::PathAt(std::size_t i) const {
  if (i >= Size()) return std::string();
  const Piece& piece = pieces_[PieceOf(i)];
  const std::string& prefix = prefixes_[piece.folder];
  const std::size_t k = i - piece.firstName;
  const std::string_view stored = Literal(piece.firstLiteral + (piece.digits == 0 ? k : 0));
  std::string path;
  path.reserve(prefix.size() + stored.size());
  path.append(prefix).append(stored);
  if (piece.digits != 0) {
    Digits digits;
    LastDigits(stored, digits);
    WriteDigits(path, prefix.size() + piece.digitsAt, piece.digits, digits.value + k);
  }
  return path;
}

bool NameTable::AllLiteral() const {
  return std::all_of(pieces_.begin(), pieces_.end(), [](const Piece& piece) { return piece.digits == 0; });
}

// Back to one pool entry a name, as sorting needs.
void NameTable::MakeAllLiteral() {
  if (AllLiteral()) return;
  NameTable literal;
  literal.prefixes_ = prefixes_;
  for (std::size_t i = 0; i < Size(); ++i) literal.AppendLiteral(pieces_[PieceOf(i)].folder, NameAt(i));
  *this = std::move(literal);
}

std::vector<std::uint32_t> NameTable::FolderOfEachName() const {
  std::vector<std::uint32_t> folderOf(Size());
  for (std::size_t r = 0; r < pieces_.size(); ++r) {
    const std::size_t end = r + 1 < pieces_.size() ? pieces_[r + 1].firstName : Size();
    std::fill(folderOf.begin() + static_cast<std::ptrdiff_t>(pieces_[r].firstName),
              folderOf.begin() + static_cast<std::ptrdiff_t>(end), pieces_[r].folder);
  }
  return folderOf;
}

// With every name literal, name i is literal i.
template <typename Less>
void NameTable::SortWith(Less less) {
  MakeAllLiteral();
  const auto before = [&](std::uint32_t aFolder, std::size_t a, std::uint32_t bFolder, std::size_t b) {
    return less(prefixes_[aFolder], Literal(a), prefixes_[bFolder], Literal(b), aFolder == bFolder);
  };
  // Folders are listed in order, so sorting each folder's names in place
  // usually orders the whole table, at a fraction of the cost (in time and
  // memory) of one sort over a million names; the names where two folders
  // meet tell, and only a table still out of order is sorted whole. Stable
  // either way: the result is the same.
  bool ordered = true;
  for (std::size_t r = 0; r < pieces_.size(); ++r) {
    SortPiece(r, [&](std::size_t a, std::size_t b) { return before(pieces_[r].folder, a, pieces_[r].folder, b); });
    const std::size_t first = pieces_[r].firstName;
    if (r > 0 && before(pieces_[r].folder, first, pieces_[r - 1].folder, first - 1)) ordered = false;
  }
  if (ordered) return;
  const std::vector<std::uint32_t> folderOf = FolderOfEachName();
  std::vector<std::uint32_t> order(Size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::uint32_t a, std::uint32_t b) { return before(folderOf[a], a, folderOf[b], b); });
  Reorder(order, folderOf);
}

// Orders one literal piece's names where they lie in the pool.
template <typename Less>
void NameTable::SortPiece(std::size_t r, Less before) {
  const std::size_t first = pieces_[r].firstName;
  const std::size_t end = r + 1 < pieces_.size() ? pieces_[r + 1].firstName : Size();
  std::vector<std::uint32_t> order(end - first);
  std::iota(order.begin(), order.end(), static_cast<std::uint32_t>(first));
  std::stable_sort(order.begin(), order.end(), before);
  if (std::is_sorted(order.begin(), order.end())) return;
  std::string bytes;
  bytes.reserve(starts_[end] - starts_[first]);
  std::vector<std::uint32_t> starts;
  starts.reserve(order.size());
  for (std::uint32_t i : order) {
    bytes.append(Literal(i));
    starts.push_back(static_cast<std::uint32_t>(starts_[first] + bytes.size()));
  }
  pool_.replace(starts_[first], bytes.size(), bytes);
  std::copy(starts.begin(), starts.end(), starts_.begin() + static_cast<std::ptrdiff_t>(first) + 1);
}

void NameTable::SortByPath() {
  SortWith([](std::string_view aFolder, std::string_view aName, std::string_view bFolder, std::string_view bName,
              bool sameFolder) {
    return sameFolder ? aName < bName : CompareJoined(aFolder, aName, bFolder, bName) < 0;
  });
}

void NameTable::SortByPathIgnoringCase() {
  SortWith([](std::string_view aFolder, std::string_view aName, std::string_view bFolder, std::string_view bName,
              bool sameFolder) {
    if (sameFolder) return CompareIgnoringCase(aName, bName) < 0;
    return CompareIgnoringCase(std::string(aFolder).append(aName), std::string(bFolder).append(bName)) < 0;
  });
}

void NameTable::Reorder(const std::vector<std::uint32_t>& order, const std::vector<std::uint32_t>& folderOf) {
  NameTable sorted;
  sorted.prefixes_ = std::move(prefixes_);
  sorted.pool_.reserve(pool_.size());
  sorted.starts_.reserve(starts_.size());
  for (std::uint32_t i : order) sorted.AppendLiteral(folderOf[i], Literal(i));
  *this = std::move(sorted);
}

void NameTable::Compact() {
  MakeAllLiteral();
  NameTable packed;
  packed.prefixes_ = std::move(prefixes_);
  for (std::size_t r = 0; r < pieces_.size(); ++r) {
    const std::uint32_t folder = pieces_[r].folder;
    const std::size_t end = r + 1 < pieces_.size() ? pieces_[r + 1].firstName : Size();
    std::size_t i = pieces_[r].firstName;
    while (i < end) {
      const std::string_view first = Literal(i);
      Digits digits;
      std::size_t next = i + 1;
      if (LastDigits(first, digits)) {
        while (next < end && CountsOn(first, digits, Literal(next), next - i)) ++next;
      }
      if (next - i < kShortestCountingRun) {
        packed.AppendLiteral(folder, first);
        ++i;
        continue;
      }
      packed.pieces_.push_back(Piece{i, packed.LiteralCount(), folder, static_cast<std::uint16_t>(digits.at),
                                     static_cast<std::uint8_t>(digits.count)});
      if (packed.starts_.empty()) packed.starts_.push_back(0);
      packed.pool_.append(first);
      packed.starts_.push_back(static_cast<std::uint32_t>(packed.pool_.size()));
      packed.count_ = next;
      i = next;
    }
  }
  packed.pool_.shrink_to_fit();
  packed.starts_.shrink_to_fit();
  packed.pieces_.shrink_to_fit();
  *this = std::move(packed);
}

std::size_t NameTable::HeapBytes() const {
  std::size_t bytes = pool_.capacity() + starts_.capacity() * sizeof(std::uint32_t) + pieces_.capacity() * sizeof(Piece);
  for (const std::string& prefix : prefixes_) bytes += prefix.capacity();
  return bytes;
}

}  // namespace selvo
