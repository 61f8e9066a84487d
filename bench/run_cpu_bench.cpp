// The whole conversion's own CPU without the network: converts a catalogue's waypoint file
// against its pages held in memory, so that what is counted is extraction, clean-up,
// composition and the hand-over between threads, none of the kernel's TCP work. Prints the
// median user CPU per waypoint over the repetitions as key=value pairs.
//
//   run_cpu_bench SITE_DIR WPT_FILE [REPS]   (SITE_DIR/N.html answers "...cid=N"; REPS 5)

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "run/conversion_run.h"

namespace {

class PagesInMemory final : public trelka::PageSource {
 public:
  explicit PagesInMemory(const std::filesystem::path& site) {
    for (const auto& entry : std::filesystem::directory_iterator(site)) {
      if (entry.path().extension() != ".html") continue;
      std::ifstream file(entry.path(), std::ios::binary);
      pages_[entry.path().stem().string()] =
          std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
  }

  trelka::Page Get(const std::string& url, const trelka::CancelSignal& /*cancel*/) override {
    const auto page = pages_.find(url.substr(url.rfind('=') + 1));
    return page == pages_.end() ? std::string() : page->second;
  }

 private:
  std::map<std::string, std::string> pages_;
};

class QuietWindow final : public trelka::RunWindow {
 public:
  void DisableCheckBox() override {}
  void DisableSaveButton() override {}
  void ShowProgress(int /*index*/, int /*total*/) override {}
  bool ReadCheckBox() override { return false; }
  void EnableSaveButton() override {}
};

double UserSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: run_cpu_bench SITE_DIR WPT_FILE [REPS]\n");
    return 2;
  }
  const int reps = argc > 3 ? std::atoi(argv[3]) : 5;
  PagesInMemory pages(argv[1]);
  QuietWindow window;
  const trelka::CancelSignal never_cancelled;
  const trelka::RunSettings settings{"http://pages.test", 1};
  std::vector<double> seconds;
  std::size_t document_bytes = 0;
  for (int rep = 0; rep < reps; ++rep) {
    trelka::Utf8Document result;
    const double before = UserSeconds();
    trelka::Run(argv[2], window, pages, settings, result, never_cancelled);
    seconds.push_back(UserSeconds() - before);
    document_bytes = result.Size();
  }
  std::sort(seconds.begin(), seconds.end());
  std::ifstream wpt(argv[2], std::ios::binary);
  const auto lines = std::count(std::istreambuf_iterator<char>(wpt), {}, '\n');
  const auto waypoints = static_cast<double>(std::max<std::ptrdiff_t>(lines - 4, 1));
  std::printf("waypoints=%.0f document_bytes=%zu user_us_per_waypoint=%.1f\n", waypoints,
              document_bytes, seconds[seconds.size() / 2] * 1e6 / waypoints);
  return 0;
}
