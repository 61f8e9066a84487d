// The code page's table against ICU, on the platform that has ICU: the bytes written are the
// same as when ICU converted them.
#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <memory>
#include <random>
#include <string>

#include "test_support.h"
#include "text/codepage.h"

namespace trelka {
namespace {

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter Open(const char* name) {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(name, &status));
  EXPECT_TRUE(U_SUCCESS(status)) << name;
  return converter;
}

std::string IcuConvert(UConverter* to, UConverter* from, std::string_view text) {
  std::string out(text.size() * 4 + 16, '\0');
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = ucnv_convert(ucnv_getName(to, &status), ucnv_getName(from, &status),
                                      out.data(), static_cast<int32_t>(out.size()), text.data(),
                                      static_cast<int32_t>(text.size()), &status);
  EXPECT_TRUE(U_SUCCESS(status));
  out.resize(static_cast<std::size_t>(length));
  return out;
}

// utf8 through ICU from UTF-8 to the converter to.
std::string IcuFromUtf8(UConverter* to, std::string_view utf8) {
  static const Converter from = Open("UTF-8");
  std::string out(utf8.size() * 3 + 16, '\0');
  char* target = out.data();
  const char* source = utf8.data();
  UErrorCode status = U_ZERO_ERROR;
  ucnv_convertEx(to, from.get(), &target, out.data() + out.size(), &source,
                 utf8.data() + utf8.size(), nullptr, nullptr, nullptr, nullptr, true, true,
                 &status);
  EXPECT_TRUE(U_SUCCESS(status));
  out.resize(static_cast<std::size_t>(target - out.data()));
  return out;
}

std::string IcuUtf8ToCp1251(std::string_view utf8) {
  static const Converter to_cp1251 = [] {
    Converter converter = Open("windows-1251");
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setSubstChars(converter.get(), "?", 1, &status);
    return converter;
  }();
  return IcuFromUtf8(to_cp1251.get(), utf8);
}

std::string IcuValidUtf8(std::string_view bytes) {
  static const Converter to_utf8 = Open("UTF-8");
  return IcuFromUtf8(to_utf8.get(), bytes);
}

std::string Utf8Of(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
  } else if (c < 0x10000) {
    out += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
            static_cast<char>(0x80 | (c & 0x3F))};
  } else {
    out += {static_cast<char>(0xF0 | c >> 18), static_cast<char>(0x80 | (c >> 12 & 0x3F)),
            static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
  }
  return out;
}

TEST(CodepageIcuTest, EveryByteAsIcuDecodesIt) {
  const Converter utf8 = Open("UTF-8");
  const Converter cp1251 = Open("windows-1251");
  for (int byte = 0; byte < 256; ++byte) {
    if (byte == 0x98) continue;  // ICU leaves it unassigned; the table keeps it as U+0098
    const std::string one(1, static_cast<char>(byte));
    EXPECT_EQ(testing::Escaped(Cp1251ToUtf8(one)),
              testing::Escaped(IcuConvert(utf8.get(), cp1251.get(), one)))
        << byte;
  }
}

// ICU drops the default-ignorable characters it cannot encode (U+200B, U+FEFF...) where the
// table writes "?"; the texts converted this way are the program's own literals, which hold
// none of them.
TEST(CodepageIcuTest, EveryCharacterAsIcuEncodesIt) {
  int dropped_by_icu = 0;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const std::string utf8 = Utf8Of(c);
    const std::string icu = IcuUtf8ToCp1251(utf8);
    if (icu.empty()) {
      ++dropped_by_icu;
      EXPECT_EQ(Utf8ToCp1251(utf8), "?") << std::hex << "U+" << unsigned(c);
      continue;
    }
    ASSERT_EQ(Utf8ToCp1251(utf8), icu) << std::hex << "U+" << unsigned(c);
  }
  EXPECT_LT(dropped_by_icu, 5000);
}

TEST(CodepageIcuTest, IllFormedUtf8AsIcuReplacesIt) {
  std::mt19937 random(20);
  // Bytes around the edges of the well-formed ranges, so that most strings are ill-formed.
  const unsigned char pieces[] = {0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1,
                                  0xC2, 0xD0, 0xDF, 0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
  for (int round = 0; round < 20000; ++round) {
    std::string text(random() % 8, '\0');
    for (char& c : text) c = static_cast<char>(pieces[random() % std::size(pieces)]);
    ASSERT_EQ(testing::Escaped(Utf8ToCp1251(text)), testing::Escaped(IcuUtf8ToCp1251(text)))
        << testing::Escaped(text);
    ASSERT_EQ(testing::Escaped(ValidUtf8(text)), testing::Escaped(IcuValidUtf8(text)))
        << testing::Escaped(text);
  }
}

}  // namespace
}  // namespace trelka
