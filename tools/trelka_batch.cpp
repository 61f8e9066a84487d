// trelka-batch: converts a waypoint file exactly as the window does, for scripts.
//
//   trelka-batch [--terrain] [--service ADDRESS] WPT_FILE GPX_FILE
//
// Progress goes to stderr; the document is written to GPX_FILE with the bytes the window's
// save button writes. A WPT_FILE of "-" is standard input. A failure leaves GPX_FILE as it
// was and exits 1; a usage error exits 2.

#include <unistd.h>

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "atomic_write.h"
#include "build_config.h"
#include "codepage.h"
#include "conversion_run.h"
#include "failure.h"
#include "page_client.h"
#include "save_document.h"
#include "terminal_text.h"

namespace {

std::string Usage() {
  return std::string(
             "Usage: trelka-batch [--terrain] [--service ADDRESS] WPT_FILE GPX_FILE\n"
             "Converts the caches of an OziExplorer waypoint file into a GPX document.\n"
             "A WPT_FILE of - reads standard input.\n"
             "\n"
             "  --terrain          include the description of each cache's surroundings\n"
             "  --service ADDRESS  the page service to ask, as http://host[:port];\n"
             "                     without it, ") +
         trelka::kPageServiceAddress +
         "\n"
         "  -h, --help         show this help\n";
}

struct Options {
  bool terrain = false;
  std::string service = trelka::kPageServiceAddress;
  std::string waypoint_file;
  std::string gpx_file;
};

// Progress on stderr: one updating line on a terminal, one line per waypoint otherwise.
class BatchWindow final : public trelka::RunWindow {
 public:
  explicit BatchWindow(bool terrain) : terrain_(terrain), terminal_(::isatty(STDERR_FILENO)) {}
  ~BatchWindow() override { EndLine(); }

  void DisableCheckBox() override {}
  void DisableSaveButton() override {}
  void ShowProgress(int index, int total) override {
    const std::string text = trelka::ProgressText(index, total);
    if (terminal_) {
      std::fprintf(stderr, "\r%s\x1b[K", text.c_str());
      line_open_ = true;
    } else {
      std::fprintf(stderr, "%s\n", text.c_str());
    }
    std::fflush(stderr);
  }
  bool ReadCheckBox() override { return terrain_; }
  void EnableSaveButton() override {}

  void EndLine() {
    if (line_open_) std::fputc('\n', stderr);
    line_open_ = false;
  }

 private:
  bool terrain_;
  bool terminal_;
  bool line_open_ = false;
};

[[noreturn]] void UsageError(std::string_view problem) {
  std::fprintf(stderr, "trelka-batch: %.*s\n%s", static_cast<int>(problem.size()), problem.data(),
               Usage().c_str());
  std::exit(2);
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  std::vector<std::string> files;
  bool only_files = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (only_files || arg.empty() || arg[0] != '-' || arg == "-") {
      files.emplace_back(arg);
    } else if (arg == "--") {
      only_files = true;
    } else if (arg == "-h" || arg == "--help") {
      std::fputs(Usage().c_str(), stdout);
      std::exit(0);
    } else if (arg == "--terrain") {
      options.terrain = true;
    } else if (arg == "--service") {
      if (i + 1 >= argc) UsageError("--service needs an address");
      options.service = argv[++i];
    } else if (arg.starts_with("--service=")) {
      options.service = std::string(arg.substr(std::string_view("--service=").size()));
    } else {
      UsageError("unknown option " + std::string(arg));
    }
  }
  if (files.size() != 2) UsageError("expected a waypoint file and a GPX file");
  options.waypoint_file = files[0];
  options.gpx_file = files[1];
  return options;
}

// message is windows-1251, like every message the conversion raises, and may carry what a
// page service sent.
void ShowFailure(std::string_view message) {
  const std::string text =
      trelka::TerminalSafe(trelka::Cp1251ToUtf8(trelka::FailureDisplayText(message)));
  std::fprintf(stderr, "%s\n", text.c_str());
}

// The run reads a path; "-" names standard input as /dev/stdin, so that pipes work too.
[[nodiscard]] std::string WaypointPath(const Options& options) {
  return options.waypoint_file == "-" ? "/dev/stdin" : options.waypoint_file;
}

}  // namespace

int main(int argc, char** argv) {
  trelka::InstallTemporaryFileCleanup();
  const Options options = ParseOptions(argc, argv);
  BatchWindow window(options.terrain);
  try {
    // Opened first, so that a GPX_FILE that cannot be written fails before any page is asked.
    trelka::AtomicFile output(options.gpx_file);
    trelka::IdHTTP pages;
    // Each full block of the document goes to the file as the run makes it.
    trelka::Utf8Document document([&output](std::string_view block) { output.Write(block); });
    const trelka::CancelSignal never_cancelled;
    trelka::Run(WaypointPath(options), window, pages, {options.service, 1}, document,
                never_cancelled);
    trelka::SaveDocument(document, output);
    return 0;
  } catch (const std::exception&) {
    window.EndLine();
    ShowFailure(trelka::FailureMessageOf(std::current_exception()));
  }
  return 1;
}
