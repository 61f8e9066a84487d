// The title failure boxes carry, derived from the program's file name.

#include "application_title.h"

#include <gtest/gtest.h>

namespace trelka {
namespace {

TEST(ApplicationTitleTest, DerivedFromTheProgramsFileName) {
  const struct {
    std::string_view path;
    std::string_view title;
  } rows[] = {
      {"/usr/bin/trelka", "trelka"},
      {"/opt/trelka.bin.old", "trelka"},
      {"/opt/TRELKA", "Trelka"},
      {"/x/tReLkA", "trelka"},
      {"/x/ТРЕЛКА.run", "Трелка"},
      {"/x/ЁЖИКЪ", "Ёжикъ"},
      {"/a.b/c.d/Go.x", "Go"},
      {"C:\\Program Files\\Trelka\\TRELKA.EXE", "Trelka"},
      {"Trelka-2", "Trelka-2"},
      {"/x/.hidden", ""},
      {"", ""},
  };
  for (const auto& row : rows) EXPECT_EQ(ApplicationTitle(row.path), row.title) << row.path;
}

}  // namespace
}  // namespace trelka
