#include "http/progress_window.h"

namespace trelka {

ProgressWindow::ProgressWindow(Clock::time_point start, Clock::duration window, std::size_t bytes)
    : start_(start), window_(window), bytes_(bytes) {}

void ProgressWindow::Record(Clock::time_point at, std::size_t received) {
  if (received == 0 || bytes_ == 0) return;
  total_ += received;
  recent_.emplace_back(at, total_);
  // An arrival whose total is no more than total_ - bytes_ lies wholly before the last
  // bytes_ bytes.
  while (recent_.front().second + bytes_ <= total_) recent_.pop_front();
}

ProgressWindow::Clock::time_point ProgressWindow::Deadline() const {
  // A span that ends at T holds enough while it still reaches back over the first arrival of
  // the last bytes_ bytes; before bytes_ have arrived at all, no span does once it has passed
  // the start.
  if (bytes_ == 0) return Clock::time_point::max();
  if (total_ < bytes_) return start_ + window_;
  return recent_.front().first + window_;
}

}  // namespace trelka
