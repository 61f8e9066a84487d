#include "http/page_client.h"

#include <algorithm>
#include <utility>

#include "http/http_failures.h"
#include "http/http_response.h"
#include "http/http_url.h"
#include "http/progress_window.h"
#include "http/socket_errors.h"
#include "platform/socket.h"

namespace trelka {

namespace {

using Clock = std::chrono::steady_clock;

// One TCP connection, closed when it goes out of scope, also when connecting fails.
class Connection final : public ByteSource {
 public:
  Connection(const PeerAddress& peer, Deadline connect_deadline, const ExchangeLimits& limits,
             const CancelSignal& cancel)
      : limits_(limits), cancel_(cancel) {
    const int error = socket_.Connect(peer, connect_deadline, cancel_);
    if (error == kNoSocket) throw EIdInvalidSocket();
    if (error != 0) throw EIdSocketError(error);
  }

  // Writes all of bytes.
  void Send(std::string_view bytes) {
    while (!bytes.empty()) {
      const Transfer sent = socket_.Send(bytes);
      if (sent.error == 0) {
        bytes.remove_prefix(sent.bytes);
      } else if (sent.error != kWsaWouldBlock) {
        throw EIdSocketError(sent.error);
      } else if (!socket_.WaitUntilWritable(Clock::now() + limits_.receive, cancel_)) {
        throw EIdSocketError(kWsaTimedOut);
      }
    }
  }

  // From now on the response must keep arriving.
  void RequestSent() {
    progress_.emplace(Clock::now(), limits_.receive, limits_.progress_bytes);
    answer_due_ = true;
  }

  std::size_t Receive(char* buffer, std::size_t capacity) override {
    for (;;) {
      // Right after the request no answer can be there yet: the wait comes first, which saves
      // a receive per page that would only say so.
      if (!std::exchange(answer_due_, false)) {
        const Transfer got = socket_.Receive(buffer, capacity);
        if (got.error == 0) {
          if (progress_) progress_->Record(Clock::now(), got.bytes);
          return got.bytes;
        }
        if (got.error != kWsaWouldBlock) throw EIdSocketError(got.error);
      }
      Deadline deadline = Clock::now() + limits_.receive;
      if (progress_) deadline = std::min(deadline, progress_->Deadline());
      if (!socket_.WaitUntilReadable(deadline, cancel_)) throw EIdSocketError(kWsaTimedOut);
    }
  }

  void ShutDownSending() { socket_.ShutDownSending(); }

 private:
  TcpSocket socket_;
  const ExchangeLimits& limits_;
  const CancelSignal& cancel_;
  std::optional<ProgressWindow> progress_;
  bool answer_due_ = false;  // the request is sent and nothing has been received since
};

}  // namespace

void IdHTTP::StartRun() {
  const std::lock_guard lock(lookup_mutex_);
  looked_up_.reset();
}

PeerAddress IdHTTP::Peer(const std::string& host, std::uint16_t port, Deadline deadline,
                         const CancelSignal& cancel) {
  // Requests made at once wait for the one lookup; it is bounded and cancellable itself.
  const std::lock_guard lock(lookup_mutex_);
  cancel.ThrowIfCancelled();
  if (!looked_up_ || looked_up_->first != host) {
    looked_up_.emplace(host, LookUpHost(host, port, deadline, cancel, resolver_));
  }
  PeerAddress peer = looked_up_->second;
  SetPort(peer, port);
  return peer;
}

Page IdHTTP::Get(const std::string& url, const CancelSignal& cancel) {
  cancel.ThrowIfCancelled();
  const HttpTarget target = SplitUrl(url);
  const Deadline connect_deadline = Clock::now() + limits_.connect;
  Connection connection(Peer(target.host, target.port, connect_deadline, cancel), connect_deadline,
                        limits_, cancel);

  // The lines go out in one write: the same bytes on the wire, in one segment.
  std::string request = "GET " + target.request_target + " HTTP/1.0\r\n";
  request.append("Host: ").append(target.host).append("\r\n");
  request.append("Accept: ").append(kAcceptValue).append("\r\n");
  request.append("User-Agent: ").append(kUserAgentValue).append("\r\n");
  request.append("\r\n");
  connection.Send(request);
  connection.RequestSent();

  Page body = ReadResponse(connection);
  connection.ShutDownSending();
  return body;
}

}  // namespace trelka
