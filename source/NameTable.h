#pragma once
// The image files of a recording, stored compactly: each folder once, each
// file name once in a shared pool of bytes. A million-image recording costs
// a few bytes a name beyond the name itself, where a string per path cost
// about a hundred and fifty. Once sorted and compacted, a run of names that
// count up in one folder (IMG00000001.jpg, IMG00000002.jpg, ...) is kept as
// its first name alone, so a recorder's names cost next to nothing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace selvo {

class NameTable {
 public:
  void Clear();
  // A folder's number for Add. Folders are kept whole, so a name costs
  // nothing for the folder it lies in.
  std::uint32_t AddFolder(const std::string& path);
  // Throws std::length_error past 4 GiB of names, where a hostile tree of
  // endless long names would otherwise overflow the pool's offsets.
  void Add(std::uint32_t folder, std::string_view name);

  std::size_t Size() const { return count_; }
  bool Empty() const { return Size() == 0; }
  // The full path of name i, as JoinPath(folder, name) gives it.
  std::string PathAt(std::size_t i) const;

  // Orders the names by their full paths, byte by byte.
  void SortByPath();
  // Orders the names by their full paths ignoring ASCII case; names equal
  // but for case keep the order in which they were added.
  void SortByPathIgnoringCase();
  // Keeps counting runs by rule and gives back the room that growing left
  // spare. Names stay as they are; only their storage changes.
  void Compact();
  // Bytes the table holds on the heap, for the benchmarks and tests.
  std::size_t HeapBytes() const;

 private:
  // Consecutive names in one folder. A literal piece keeps each name in the
  // pool; a counting piece keeps its first name there, and name k of it is
  // that name with k added to the number in its digits.
  struct Piece {
    std::size_t firstName;
    std::size_t firstLiteral;  // its first name's place among the pool's names
    std::uint32_t folder;
    std::uint16_t digitsAt;
    std::uint8_t digits;  // 0: a literal piece
  };

  std::size_t PieceOf(std::size_t i) const;
  std::size_t LiteralCount() const { return starts_.empty() ? 0 : starts_.size() - 1; }
  std::string_view Literal(std::size_t k) const;
  void AppendLiteral(std::uint32_t folder, std::string_view name);
  std::string NameAt(std::size_t i) const;
  bool AllLiteral() const;
  void MakeAllLiteral();
  std::vector<std::uint32_t> FolderOfEachName() const;
  template <typename Less>
  void SortWith(Less less);
  template <typename Less>
  void SortPiece(std::size_t r, Less before);
  void Reorder(const std::vector<std::uint32_t>& order, const std::vector<std::uint32_t>& folderOf);

  std::vector<std::string> prefixes_;  // each folder with its trailing '/'
  std::string pool_;                   // literal names, back to back
  std::vector<std::uint32_t> starts_;  // literal k is pool_[starts_[k], starts_[k + 1])
  std::vector<Piece> pieces_;          // in name order
  std::size_t count_ = 0;
};

}  // namespace selvo
