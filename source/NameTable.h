#pragma once
// The image files of a recording, stored compactly: each folder once, each
// file name once in a shared pool of bytes. A million-image recording costs
// a few bytes a name beyond the name itself, where a string per path cost
// about a hundred and fifty.
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

  std::size_t Size() const { return starts_.empty() ? 0 : starts_.size() - 1; }
  bool Empty() const { return Size() == 0; }
  // The full path of name i, as JoinPath(folder, name) gives it.
  std::string PathAt(std::size_t i) const;

  // Orders the names by their full paths, byte by byte.
  void SortByPath();
  // Orders the names by their full paths ignoring ASCII case; names equal
  // but for case keep the order in which they were added.
  void SortByPathIgnoringCase();
  // Gives back the room that growing left spare.
  void Compact();

 private:
  struct FolderRun {
    std::size_t firstName;
    std::uint32_t folder;
  };

  std::string_view NameAt(std::size_t i) const;
  std::uint32_t FolderAt(std::size_t i) const;
  std::vector<std::uint32_t> FolderOfEachName() const;
  template <typename Less>
  void SortWith(Less less);
  void Reorder(const std::vector<std::uint32_t>& order, const std::vector<std::uint32_t>& folderOf);

  std::vector<std::string> prefixes_;  // each folder with its trailing '/'
  std::string pool_;                   // every name, back to back
  std::vector<std::uint32_t> starts_;  // name i is pool_[starts_[i], starts_[i + 1])
  std::vector<FolderRun> runs_;        // consecutive names in one folder
};

}  // namespace selvo
