// Arbitrary response bytes through the response reader: it must return or raise a Failure,
// never crash, hang or hold more than its limit.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "http/http_response.h"
#include "platform/failure.h"

namespace {

// Delivers the input in pieces of a size the input's first byte chooses, as a socket might.
class FuzzedBytes final : public trelka::ByteSource {
 public:
  FuzzedBytes(const std::uint8_t* data, std::size_t size)
      : piece_(size > 0 ? data[0] % 16 + 1 : 1),
        data_(size > 0 ? data + 1 : data),
        left_(size > 0 ? size - 1 : 0) {}
  std::size_t Receive(char* buffer, std::size_t capacity) override {
    const std::size_t take = std::min({capacity, left_, piece_});
    std::memcpy(buffer, data_, take);
    data_ += take;
    left_ -= take;
    return take;
  }

 private:
  std::size_t piece_;
  const std::uint8_t* data_;
  std::size_t left_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedBytes source(data, size);
  try {
    const trelka::Page body = trelka::ReadResponse(source);
    if (body.Text().size() > trelka::kMaxResponseBytes) __builtin_trap();
  } catch (const trelka::Failure&) {
  }
  return 0;
}
