#include "codepage.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>

namespace trelka {

namespace {

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter Open(const char* name) {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(name, &status));
  if (U_FAILURE(status)) throw std::runtime_error(std::string("cannot open converter ") + name);
  return converter;
}

// A byte the code page does not assign stands for the character of the same number, as the
// system's own windows-1251 decoder does it, so no byte is ever lost.
void ByteAsLatin1(const void*, UConverterToUnicodeArgs* args, const char* code_units,
                  int32_t length, UConverterCallbackReason reason, UErrorCode* status) {
  if (reason != UCNV_UNASSIGNED && reason != UCNV_ILLEGAL && reason != UCNV_IRREGULAR) return;
  for (int32_t i = 0; i < length; ++i) {
    const UChar character = static_cast<unsigned char>(code_units[i]);
    *status = U_ZERO_ERROR;
    ucnv_cbToUWriteUChars(args, &character, 1, 0, status);
  }
}

std::string Convert(std::string_view text, UConverter* to, UConverter* from) {
  std::string out;
  char chunk[64 * 1024];
  const char* source = text.data();
  UChar pivot[4096];
  UChar* pivot_source = pivot;
  UChar* pivot_target = pivot;
  bool reset = true;
  for (;;) {
    char* target = chunk;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_convertEx(to, from, &target, chunk + sizeof chunk, &source, text.data() + text.size(),
                   pivot, &pivot_source, &pivot_target, pivot + std::size(pivot), reset, true,
                   &status);
    reset = false;
    out.append(chunk, static_cast<std::size_t>(target - chunk));
    if (status == U_BUFFER_OVERFLOW_ERROR) continue;
    if (status == U_MEMORY_ALLOCATION_ERROR) throw std::bad_alloc();
    if (U_FAILURE(status)) throw std::runtime_error("code page conversion failed");
    return out;
  }
}

std::array<Utf8Character, 256> MakeTable() {
  Converter from = Open("windows-1251");
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setToUCallBack(from.get(), ByteAsLatin1, nullptr, nullptr, nullptr, &status);
  const Converter to = Open("UTF-8");
  std::array<Utf8Character, 256> table{};
  for (int byte = 0; byte < 256; ++byte) {
    const char one = static_cast<char>(byte);
    const std::string utf8 = Convert(std::string_view(&one, 1), to.get(), from.get());
    if (utf8.empty() || utf8.size() > kMaxUtf8PerCp1251) {
      throw std::runtime_error("windows-1251 byte without a character");
    }
    std::copy(utf8.begin(), utf8.end(), table[static_cast<std::size_t>(byte)].bytes.begin());
    table[static_cast<std::size_t>(byte)].length = static_cast<std::uint8_t>(utf8.size());
  }
  return table;
}

}  // namespace

const std::array<Utf8Character, 256>& Cp1251Utf8Table() {
  static const std::array<Utf8Character, 256> kTable = MakeTable();
  return kTable;
}

std::string Cp1251ToUtf8(std::string_view text) {
  const auto& table = Cp1251Utf8Table();
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const Utf8Character& character = table[static_cast<unsigned char>(c)];
    out.append(character.bytes.data(), character.length);
  }
  return out;
}

std::string ValidUtf8(std::string_view bytes) {
  thread_local const Converter from = Open("UTF-8");
  thread_local const Converter to = Open("UTF-8");
  return Convert(bytes, to.get(), from.get());
}

std::string Utf8ToCp1251(std::string_view text) {
  thread_local const Converter from = Open("UTF-8");
  thread_local const Converter to = [] {
    Converter converter = Open("windows-1251");
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setSubstChars(converter.get(), "?", 1, &status);
    return converter;
  }();
  return Convert(text, to.get(), from.get());
}

}  // namespace trelka
