#include "platform/failure.h"

#include <new>

namespace trelka {

std::string FailureDisplayText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

std::string FailureMessageOf(const std::exception_ptr& caught) {
  try {
    std::rethrow_exception(caught);
  } catch (const Failure& failure) {
    return failure.Message();
  } catch (const std::bad_alloc&) {
    return std::string(kOutOfMemoryMessage);
  } catch (const std::exception& other) {
    return other.what();
  }
}

}  // namespace trelka
