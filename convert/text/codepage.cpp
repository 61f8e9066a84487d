#include "text/codepage.h"

#include <algorithm>

namespace trelka {

namespace {

// The characters of bytes 80-FF; 00-7F are ASCII. 98, which the code page leaves unassigned,
// stands for the character of the same number, as the system's own decoder has it, so that no
// byte is ever lost.
constexpr std::array<char16_t, 128> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};
constexpr std::size_t kHighStart = 0x80;

constexpr Utf8Character EncodeUtf8(char32_t c) {
  Utf8Character out{};
  if (c < 0x80) {
    out.bytes[0] = static_cast<char>(c);
    out.length = 1;
  } else if (c < 0x800) {
    out.bytes[0] = static_cast<char>(0xC0 | c >> 6);
    out.bytes[1] = static_cast<char>(0x80 | (c & 0x3F));
    out.length = 2;
  } else {
    out.bytes[0] = static_cast<char>(0xE0 | c >> 12);
    out.bytes[1] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out.bytes[2] = static_cast<char>(0x80 | (c & 0x3F));
    out.length = 3;
  }
  return out;
}

constexpr std::array<Utf8Character, 256> MakeTable() {
  std::array<Utf8Character, 256> table{};
  for (std::size_t byte = 0; byte < table.size(); ++byte) {
    table[byte] = EncodeUtf8(byte < kHighStart ? static_cast<char32_t>(byte)
                                               : char32_t{kHighHalf[byte - kHighStart]});
  }
  return table;
}

constexpr std::array<Utf8Character, 256> kTable = MakeTable();

// The byte for a character, or '?' for characters the code page lacks.
char Cp1251Of(char32_t c) {
  if (c < kHighStart) return static_cast<char>(c);
  const auto* found = std::find(kHighHalf.begin(), kHighHalf.end(), c);
  if (found == kHighHalf.end()) return '?';
  return static_cast<char>(kHighStart + static_cast<std::size_t>(found - kHighHalf.begin()));
}

bool IsContinuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF) {
  return byte >= low && byte <= high;
}

// Walks UTF-8: on_character(c, its bytes) for each well-formed sequence, on_ill_formed() once
// for each maximal ill-formed part (the longest start of a well-formed sequence), as Unicode
// recommends and ICU does.
template <typename OnCharacter, typename OnIllFormed>
void DecodeUtf8(std::string_view text, OnCharacter on_character, OnIllFormed on_ill_formed) {
  const auto byte_at = [&](std::size_t i) -> unsigned char {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
  };
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char lead = byte_at(i);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    char32_t c = 0;
    if (lead < 0x80) {
      length = 1;
      c = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      c = lead & 0x0F;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      c = lead & 0x07;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    }
    std::size_t taken = 1;
    for (; taken < length; ++taken) {
      const unsigned char next = byte_at(i + taken);
      if (i + taken >= text.size() ||
          !(taken == 1 ? IsContinuation(next, low, high) : IsContinuation(next))) {
        break;
      }
      c = c << 6 | (next & 0x3F);
    }
    if (length != 0 && taken == length) {
      on_character(c, text.substr(i, taken));
    } else {
      on_ill_formed();
    }
    i += taken;
  }
}

}  // namespace

const std::array<Utf8Character, 256>& Cp1251Utf8Table() { return kTable; }

std::string Cp1251ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const Utf8Character& character = kTable[static_cast<unsigned char>(c)];
    out.append(character.bytes.data(), character.length);
  }
  return out;
}

std::string ValidUtf8(std::string_view bytes) {
  static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
  std::string out;
  out.reserve(bytes.size());
  DecodeUtf8(
      bytes, [&](char32_t /*c*/, std::string_view sequence) { out += sequence; },
      [&] { out += kReplacement; });
  return out;
}

std::string Utf8ToCp1251(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  DecodeUtf8(
      text, [&](char32_t c, std::string_view /*sequence*/) { out += Cp1251Of(c); },
      [&] { out += '?'; });
  return out;
}

}  // namespace trelka
