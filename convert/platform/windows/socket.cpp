#include "platform/socket.h"

#include "platform/windows/system_headers.h"
#include "platform/windows/wait.h"
#include "platform/windows/wide_text.h"

namespace trelka {

// The socket reports what happens on it through event, set by WSAEventSelect for every kind
// of network event; a wait takes the events recorded since the last one. WSAEventSelect also
// makes the socket non-blocking.
struct TcpSocket::Native {
  SOCKET socket = INVALID_SOCKET;
  WSAEVENT event = WSA_INVALID_EVENT;
  int connect_error = 0;

  ~Native() {
    if (socket != INVALID_SOCKET) (void)::closesocket(socket);
    if (event != WSA_INVALID_EVENT) (void)::WSACloseEvent(event);
  }

  // Waits until one of wanted has happened (or the peer closed, or a connect ended): true;
  // false at the deadline. A send or receive after a wait reports any error itself.
  bool Wait(long wanted, Deadline deadline, const CancelSignal& cancel) {
    for (;;) {
      if (!WaitForEvent(event, deadline, cancel)) return false;
      WSANETWORKEVENTS happened{};
      if (::WSAEnumNetworkEvents(socket, event, &happened) != 0) return true;
      if ((happened.lNetworkEvents & FD_CONNECT) != 0) {
        connect_error = happened.iErrorCode[FD_CONNECT_BIT];
      }
      if ((happened.lNetworkEvents & (wanted | FD_CLOSE)) != 0) return true;
    }
  }
};

TcpSocket::TcpSocket() : native_(std::make_unique<Native>()) {}

TcpSocket::~TcpSocket() = default;

int TcpSocket::Connect(const PeerAddress& peer, Deadline deadline, const CancelSignal& cancel) {
  StartWinsock();
  const auto* address = reinterpret_cast<const sockaddr*>(peer.storage.data());
  Native& n = *native_;
  n.socket = ::WSASocketW(address->sa_family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                          WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  if (n.socket == INVALID_SOCKET) return kNoSocket;
  n.event = ::WSACreateEvent();
  if (n.event == WSA_INVALID_EVENT ||
      ::WSAEventSelect(n.socket, n.event, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) != 0) {
    return ::WSAGetLastError();
  }
  if (::connect(n.socket, address, static_cast<int>(peer.length)) == 0) return 0;
  const int error = ::WSAGetLastError();
  if (error != WSAEWOULDBLOCK) return error;
  if (!n.Wait(FD_CONNECT, deadline, cancel)) return kWsaTimedOut;
  return n.connect_error;
}

Transfer TcpSocket::Send(std::string_view bytes) {
  const int sent = ::send(native_->socket, bytes.data(), static_cast<int>(bytes.size()), 0);
  if (sent != SOCKET_ERROR) return {static_cast<std::size_t>(sent), 0};
  return {0, ::WSAGetLastError()};
}

Transfer TcpSocket::Receive(char* buffer, std::size_t capacity) {
  const int got = ::recv(native_->socket, buffer, static_cast<int>(capacity), 0);
  if (got != SOCKET_ERROR) return {static_cast<std::size_t>(got), 0};
  return {0, ::WSAGetLastError()};
}

bool TcpSocket::WaitUntilWritable(Deadline deadline, const CancelSignal& cancel) {
  return native_->Wait(FD_WRITE, deadline, cancel);
}

bool TcpSocket::WaitUntilReadable(Deadline deadline, const CancelSignal& cancel) {
  return native_->Wait(FD_READ, deadline, cancel);
}

void TcpSocket::ShutDownSending() { (void)::shutdown(native_->socket, SD_SEND); }

}  // namespace trelka
