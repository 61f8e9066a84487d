// trelka-batch: converts a waypoint file exactly as the window does, for scripts.
//
//   trelka-batch [--terrain] [--service ADDRESS] [--connections N] WPT_FILE GPX_FILE
//
// Progress goes to stderr; the document is written to GPX_FILE with the bytes the window's
// save button writes. A WPT_FILE of "-" is standard input. A failure leaves GPX_FILE as it
// was and exits 1; a usage error exits 2.

#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <exception>
#include <optional>
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
#include "service_address.h"
#include "terminal_text.h"

namespace {

std::string Usage() {
  return std::string(
             "Usage: trelka-batch [OPTIONS] WPT_FILE GPX_FILE\n"
             "Converts the caches of an OziExplorer waypoint file into a GPX document.\n"
             "A WPT_FILE of - reads standard input.\n"
             "\n"
             "  --terrain          include the description of each cache's surroundings\n"
             "  --service ADDRESS  the page service to ask, as http://host[:port] or\n"
             "                     http://[IPv6]:port; without it, ") +
         trelka::kPageServiceAddress +
         "\n"
         "  --connections N    keep up to N page requests (1 to 8) in flight, in waypoint\n"
         "                     order; the document is the same for every N (default 1)\n"
         "  -h, --help         show this help\n";
}

struct Options {
  bool terrain = false;
  std::string service = trelka::kPageServiceAddress;
  int connections = 1;
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

// An option's value: "--name VALUE" or "--name=VALUE"; nothing when arg is not that option.
std::optional<std::string> OptionValue(std::string_view name, int argc, char** argv, int& i) {
  const std::string_view arg = argv[i];
  if (arg == name) {
    if (i + 1 >= argc) UsageError(std::string(name) + " needs a value");
    return std::string(argv[++i]);
  }
  if (arg.starts_with(name) && arg.size() > name.size() && arg[name.size()] == '=') {
    return std::string(arg.substr(name.size() + 1));
  }
  return std::nullopt;
}

// A whole decimal number from low to high, or a usage error naming the option.
int NumberOption(std::string_view name, const std::string& value, int low, int high) {
  int number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (value.empty() || error != std::errc() || end != value.data() + value.size() || number < low ||
      number > high) {
    UsageError(std::string(name) + " must be a number from " + std::to_string(low) + " to " +
               std::to_string(high) + ", not \"" + trelka::TerminalSafeLine(value) + "\"");
  }
  return number;
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
    } else if (auto service = OptionValue("--service", argc, argv, i)) {
      options.service = *service;
    } else if (auto connections = OptionValue("--connections", argc, argv, i)) {
      options.connections = NumberOption("--connections", *connections, 1, 8);
    } else {
      UsageError("unknown option " + trelka::TerminalSafeLine(arg));
    }
  }
  if (files.size() != 2) UsageError("expected a waypoint file and a GPX file");
  if (const std::string problem = trelka::ServiceAddressProblem(options.service);
      !problem.empty()) {
    UsageError("--service \"" + trelka::TerminalSafeLine(options.service) + "\": " + problem);
  }
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
    trelka::Run(WaypointPath(options), window, pages, {options.service, options.connections},
                document, never_cancelled);
    trelka::SaveDocument(document, output);
    return 0;
  } catch (const std::exception&) {
    window.EndLine();
    ShowFailure(trelka::FailureMessageOf(std::current_exception()));
  }
  return 1;
}
