// Converts a waypoint file of many waypoints against an in-process page source, to show that
// composing the document stays linear: prints waypoints, seconds, document bytes and peak
// memory as one line of key=value pairs.
//
//   compose_bench [WAYPOINTS]   (default 100000)

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "run/conversion_run.h"

namespace {

// Every cache page is the smallest page that still yields an element.
class TinyPages final : public trelka::PageSource {
 public:
  trelka::Page Get(const std::string& /*url*/, const trelka::CancelSignal& /*cancel*/) override {
    return std::string("<p><b>Cache</b>");
  }
};

class QuietWindow final : public trelka::RunWindow {
 public:
  void DisableCheckBox() override {}
  void DisableSaveButton() override {}
  void ShowProgress(int index, int total) override {
    progress_ = trelka::ProgressText(index, total);
  }
  bool ReadCheckBox() override { return false; }
  void EnableSaveButton() override {}

 private:
  std::string progress_;
};

}  // namespace

int main(int argc, char** argv) {
  const int waypoints = argc > 1 ? std::atoi(argv[1]) : 100000;
  const auto path = std::filesystem::temp_directory_path() /
                    ("trelka-compose-bench-" + std::to_string(::getpid()) + ".wpt");
  {
    std::ofstream file(path, std::ios::binary);
    file << "OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nReserved 2\r\nReserved 3\r\n";
    for (int i = 1; i <= waypoints; ++i) {
      file << i << ",TR" << i << ",  55." << i % 1000000 << ",  37." << i % 1000000
           << ",40000.0,0,1,3,0,65535,\xD2\xE0\xE9\xED\xE8\xEA,0,0,0,-777,6,0,17\r\n";
    }
  }
  QuietWindow window;
  TinyPages pages;
  trelka::Utf8Document result;
  const trelka::CancelSignal never_cancelled;
  const auto start = std::chrono::steady_clock::now();
  trelka::Run(path.string(), window, pages, {"http://pages.test", 1}, result, never_cancelled);
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  std::filesystem::remove(path);

  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  const double peak_mib = static_cast<double>(usage.ru_maxrss) / 1024.0;
  const double document_mib = static_cast<double>(result.Size()) / (1024.0 * 1024.0);
  std::printf("waypoints=%d seconds=%.3f document_mib=%.1f peak_rss_mib=%.1f ratio=%.2f\n",
              waypoints, seconds.count(), document_mib, peak_mib, peak_mib / document_mib);
  return 0;
}
