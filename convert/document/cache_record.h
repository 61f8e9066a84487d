// The texts cut from one cache page, all windows-1251, each possibly empty.
#pragma once

#include <string>

namespace trelka {

struct CacheRecord {
  std::string name;               // the cache's title
  std::string code;               // " [" code "]", with its leading space, ready to follow name
  std::string author;             // the author's name from the profile link
  std::string created;            // the block from "Создан:" up to "Координаты"
  std::string country;            // the block from "Страна:" up to "Доступность:"
  std::string difficulty;         // one character
  std::string terrain;            // one character
  std::string attributes;         // the block from "Атрибуты"; empty when the page has none
  std::string short_description;  // the cache description, cleaned
  std::string long_description;   // the surroundings description; empty unless asked for

  bool operator==(const CacheRecord&) const = default;
};

}  // namespace trelka
