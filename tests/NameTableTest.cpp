// The compact store of a recording's file names: whatever the names, every
// path comes back exactly, in order, once runs of counting names are kept by
// rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "source/NameTable.h"
#include "source/PathNames.h"

namespace selvo {
namespace {

std::vector<std::string> Numbered(const char* format, int first, int last) {
  std::vector<std::string> names;
  char name[64];
  for (int n = first; n <= last; ++n) {
    std::snprintf(name, sizeof name, format, n);
    names.push_back(name);
  }
  return names;
}

std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Every path of the table, as PathAt gives them.
std::vector<std::string> Paths(const NameTable& table) {
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < table.Size(); ++i) paths.push_back(table.PathAt(i));
  return paths;
}

TEST(NameTable, CompactKeepsEveryPathInByteOrder) {
  const struct {
    const char* what;
    std::vector<std::string> names;
  } cases[] = {
      {"a recorder's counting names", Numbered("IMG%08d.jpg", 1, 300)},
      {"counting past a width", Numbered("%d.jpg", 1, 120)},
      {"a gap in the count", Joined(Numbered("%04d.jpg", 1, 9), Numbered("%04d.jpg", 11, 20))},
      {"numbers at the field's top", Numbered("x%02d.jpg", 90, 99)},
      {"digits before the last ones", Numbered("cam2_%05d.jpg", 7, 30)},
      {"numbers too long to count", Numbered("1234567890123456789%d.jpg", 0, 9)},
      {"no digits", {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}},
      {"other stems and endings", {"a1.jpg", "a2.jpg", "a3.jpg", "b4.jpg", "b5.jpg", "b6.jpg", "b7.jpx", "b8.jpg"}},
      {"a count interrupted", {"01.jpg", "02.jpg", "02a.jpg", "03.jpg", "04.jpg", "05.jpg", "06.jpg"}},
      {"hostile bytes", {"\xff\xfe.jpg", "0\n1.jpg", "..jpg", "9999999999999999999999.jpg", "-1.jpg"}},
  };
  std::mt19937 shuffle(7);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    NameTable table;
    std::vector<std::string> expected;
    // Two folders, each listed in the directory's own order.
    for (const std::string folder : {"/rec/IMG00002", "/rec/IMG00001/"}) {
      const std::uint32_t number = table.AddFolder(folder);
      std::vector<std::string> listed = c.names;
      std::shuffle(listed.begin(), listed.end(), shuffle);
      for (const std::string& name : listed) {
        table.Add(number, name);
        expected.push_back(JoinPath(folder, name));
      }
    }
    std::sort(expected.begin(), expected.end());
    table.SortByPath();
    EXPECT_EQ(Paths(table), expected);
    table.Compact();
    EXPECT_EQ(Paths(table), expected);
    EXPECT_EQ(table.PathAt(table.Size()), "");
    // Sorting a compacted table again changes nothing.
    table.SortByPath();
    table.Compact();
    EXPECT_EQ(Paths(table), expected);
  }
}

TEST(NameTable, CountingNamesCostNextToNothing) {
  NameTable table;
  std::size_t nameBytes = 0;
  for (int folder = 1; folder <= 100; ++folder) {
    const std::uint32_t number = table.AddFolder("/rec/IMG" + std::to_string(100000 + folder));
    for (const std::string& name : Numbered("IMG%08d.jpg", folder * 1000, folder * 1000 + 999)) {
      table.Add(number, name);
      nameBytes += name.size();
    }
  }
  table.SortByPath();
  table.Compact();
  ASSERT_EQ(table.Size(), 100000u);
  EXPECT_LT(table.HeapBytes(), table.Size() / 4) << "names kept whole took " << nameBytes;
  EXPECT_EQ(table.PathAt(54321), "/rec/IMG100055/IMG00055321.jpg");
}

}  // namespace
}  // namespace selvo
