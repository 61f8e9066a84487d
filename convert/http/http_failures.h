// The failures of a page request. Their messages are what the user sees, byte for byte.
#pragma once

#include <string>

#include "platform/failure.h"

namespace trelka {

// A response that is a redirect or has a status code outside 200-299; the message is the
// status text, such as "404 Not Found".
class EIdProtocolReplyError : public Failure {
 public:
  EIdProtocolReplyError(int status_code, std::string status_text)
      : Failure(std::move(status_text)), status_code_(status_code) {}
  [[nodiscard]] int StatusCode() const { return status_code_; }

 private:
  int status_code_;
};

// A status code that is not an integer: "'abc' is not a valid integer value".
class EConvertError : public Failure {
 public:
  using Failure::Failure;
};

// The server closed the connection before the response was whole.
class EIdConnClosedGracefully : public Failure {
 public:
  EIdConnClosedGracefully() : Failure("Connection Closed Gracefully.") {}
};

// A socket operation failed; number is in the Windows Sockets numbering (socket_errors.h).
class EIdSocketError : public Failure {
 public:
  explicit EIdSocketError(int number);
  [[nodiscard]] int Number() const { return number_; }

 private:
  int number_;
};

class EIdInvalidSocket : public Failure {
 public:
  EIdInvalidSocket() : Failure("Cannot allocate socket.") {}
};

// The address asks for https, which the client does not speak.
class EIdInterceptPropInvalid : public Failure {
 public:
  EIdInterceptPropInvalid() : Failure("Intercept value is not valid") {}
};

// The response is larger than the client keeps in memory (kMaxResponseBytes).
class EResponseTooLarge : public Failure {
 public:
  explicit EResponseTooLarge(std::string message) : Failure(std::move(message)) {}
};

}  // namespace trelka
