// One TCP connection's socket and the waits on it. Every wait is bounded and watches a cancel
// signal. Failures are Windows Sockets numbers on every platform (a refused connection is
// 10061), as the user sees them.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "platform/cancel_signal.h"
#include "platform/net_address.h"

namespace trelka {

inline constexpr int kWsaWouldBlock = 10035;
inline constexpr int kWsaTimedOut = 10060;
// Connect's answer when the system gave no socket at all.
inline constexpr int kNoSocket = -1;

// What a send or a receive did: bytes moved (0 from a receive: the peer closed), or error
// set to a Windows Sockets number; kWsaWouldBlock means wait and try again.
struct Transfer {
  std::size_t bytes = 0;
  int error = 0;
};

// The one owner of a socket; closed when it goes, also after a failed connect.
class TcpSocket {
 public:
  TcpSocket();
  ~TcpSocket();
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  // Opens a non-blocking socket and connects it to peer: 0 once connected, else kNoSocket or
  // the failure's number (kWsaTimedOut when the deadline passes first). Raises RunCancelled.
  [[nodiscard]] int Connect(const PeerAddress& peer, Deadline deadline, const CancelSignal& cancel);

  [[nodiscard]] Transfer Send(std::string_view bytes);
  [[nodiscard]] Transfer Receive(char* buffer, std::size_t capacity);

  // Waits until a send (a receive) that would block can go on: false when the deadline passes
  // first. Raises RunCancelled.
  [[nodiscard]] bool WaitUntilWritable(Deadline deadline, const CancelSignal& cancel);
  [[nodiscard]] bool WaitUntilReadable(Deadline deadline, const CancelSignal& cancel);

  void ShutDownSending();

 private:
  struct Native;
  std::unique_ptr<Native> native_;
};

}  // namespace trelka
