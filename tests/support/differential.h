// Generated inputs for holding the linear page cuts and clean-up passes against the faithful
// ones: a seeded generator of short texts dense in the characters the passes react to, and a
// search for the shortest input on which two versions differ.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace trelka::testing {

class TextGenerator {
 public:
  explicit TextGenerator(std::uint32_t seed);

  // Up to max_pieces pieces, each a single character or a whole search text of the entity
  // table, so that both near misses and real occurrences are common.
  [[nodiscard]] std::string Text(int max_pieces);

  [[nodiscard]] int Below(int bound) {
    return static_cast<int>(engine_() % static_cast<unsigned>(bound));
  }

 private:
  std::mt19937 engine_;
  std::vector<std::string> pieces_;
};

// Whether the two versions disagree on an input.
using Differs = std::function<bool(const std::string&)>;

// The shortest input found on which two versions differ, and how many inputs did.
struct Mismatch {
  bool found = false;
  std::string input;
  int failures = 0;
};
// Runs count inputs from make through differs; the shortest differing input is shrunk further
// by dropping single characters while the versions still differ.
[[nodiscard]] Mismatch FindMismatch(int count, const std::function<std::string()>& make,
                                    const Differs& differs);

}  // namespace trelka::testing
