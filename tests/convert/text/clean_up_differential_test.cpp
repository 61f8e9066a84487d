#include <gtest/gtest.h>

#include <string>

#include "differential.h"
#include "faithful_clean_up.h"
#include "test_support.h"
#include "text/clean_up.h"

namespace trelka {
namespace {

using testing::Escaped;
using testing::FindMismatch;
using testing::TextGenerator;

constexpr int kInputs = 200'000;

struct PassPair {
  const char* name;
  std::string (*linear)(std::string_view);
  std::string (*faithful)(std::string);
  bool (*takes)(const std::string&) = nullptr;  // which generated inputs the row holds, else all
};

void PrintTo(const PassPair& pass, std::ostream* out) { *out << pass.name; }

std::string FaithfulTagToNbsp(std::string text) {
  faithful::TagToNbsp(text);
  return text;
}
std::string FaithfulTagStrip(std::string text) {
  faithful::TagStrip(text);
  return text;
}
std::string FaithfulEntityTable(std::string text) {
  faithful::EntityTable(text);
  return text;
}
std::string FaithfulEntityTableThenAmpersandEscape(std::string text) {
  faithful::EntityTable(text);
  return faithful::AmpersandEscape(text);
}
// By value, as the pair holds every faithful pass.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
std::string FaithfulAmpersandEscape(std::string text) { return faithful::AmpersandEscape(text); }

// The entity table's two ways: one copy where its rows cannot interact (here only texts it
// changes), row by row where they could.
bool ChangedInOneCopy(const std::string& text) {
  return EntityTableInOneCopy(text) && EntityTable(text) != text;
}
bool RowByRow(const std::string& text) { return !EntityTableInOneCopy(text); }

class CleanUpDifferentialTest : public ::testing::TestWithParam<PassPair> {};

TEST_P(CleanUpDifferentialTest, AgreesWithFaithfulPass) {
  const PassPair& pass = GetParam();
  TextGenerator generator(20240601);
  const auto mismatch = FindMismatch(
      kInputs,
      [&] {
        std::string text = generator.Text(24);
        while (pass.takes != nullptr && !pass.takes(text)) text = generator.Text(24);
        return text;
      },
      [&](const std::string& input) { return pass.linear(input) != pass.faithful(input); });
  if (mismatch.found) {
    ADD_FAILURE() << pass.name << " differs on " << mismatch.failures << " of " << kInputs
                  << " inputs; shortest: \"" << Escaped(mismatch.input) << "\"\n  linear:   \""
                  << Escaped(pass.linear(mismatch.input)) << "\"\n  faithful: \""
                  << Escaped(pass.faithful(mismatch.input)) << "\"";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Passes, CleanUpDifferentialTest,
    ::testing::Values(
        PassPair{"TagToNbsp", TagToNbsp, FaithfulTagToNbsp},
        PassPair{"TagStrip", TagStrip, FaithfulTagStrip},
        PassPair{"EntityTable", EntityTable, FaithfulEntityTable},
        PassPair{"EntityTableInOneCopy", EntityTable, FaithfulEntityTable, ChangedInOneCopy},
        PassPair{"EntityTableRowByRow", EntityTable, FaithfulEntityTable, RowByRow},
        PassPair{"EntityTableThenAmpersandEscapeInOneCopy", EntityTableThenAmpersandEscape,
                 FaithfulEntityTableThenAmpersandEscape, ChangedInOneCopy},
        PassPair{"EntityTableThenAmpersandEscapeRowByRow", EntityTableThenAmpersandEscape,
                 FaithfulEntityTableThenAmpersandEscape, RowByRow},
        PassPair{"AmpersandEscape", AmpersandEscape, FaithfulAmpersandEscape}),
    [](const ::testing::TestParamInfo<PassPair>& pass) { return std::string(pass.param.name); });

}  // namespace
}  // namespace trelka
