// trelka-batch: converts a waypoint file exactly as the window does, for scripts.
//
//   trelka-batch [--terrain] [--gpx 1.0|1.1] [--service ADDRESS] [--connections N]
//                [--keep-going] [--retries N] [--page-cache DIR [--refresh]] [--delay MS]
//                WPT_FILE GPX_FILE
//
// Progress goes to stderr; the document is written to GPX_FILE with the bytes the window's
// save button writes. A WPT_FILE of "-" is standard input, a GPX_FILE of "-" standard output.
// A failure leaves GPX_FILE as it was and exits 1; a usage error exits 2. With --keep-going a
// failed page skips its cache instead, and a run that skipped any exits 3.

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "build_config.h"
#include "document/save_document.h"
#include "http/page_client.h"
#include "http/service_address.h"
#include "platform/atomic_write.h"
#include "platform/failure.h"
#include "platform/file_read.h"
#include "platform/heap_settings.h"
#include "platform/program_entry.h"
#include "platform/standard_streams.h"
#include "progress_line.h"
#include "run/conversion_run.h"
#include "run/paced_pages.h"
#include "run/page_cache.h"
#include "run/retrying_pages.h"
#include "terminal_text.h"
#include "text/codepage.h"

namespace {

using trelka::StandardStream;

// Standard error, for progress and failures; written out by BatchWindow's flushes, by a
// failure's message and at exit.
StandardStream& Err() {
  static StandardStream stream(StandardStream::Which::kError);
  return stream;
}

std::string Usage() {
  return std::string(
             "Usage: trelka-batch [OPTIONS] WPT_FILE GPX_FILE\n"
             "Converts the caches of an OziExplorer waypoint file into a GPX document.\n"
             "A WPT_FILE of - reads standard input, a GPX_FILE of - writes standard output.\n"
             "\n"
             "  --terrain          include the description of each cache's surroundings\n"
             "  --gpx 1.0|1.1      the document's shape (default 1.1). 1.1 for GPSBabel and\n"
             "                     QMapShack; 1.0, the \"pocket query\" shape, for c:geo and\n"
             "                     the other geocaching apps and handhelds, which read the\n"
             "                     cache's type, grades, owner, descriptions and hints only\n"
             "                     from it (GPSBabel and QMapShack read both)\n"
             "  --service ADDRESS  the page service to ask, as http://host[:port] or\n"
             "                     http://[IPv6]:port; without it, ") +
         trelka::kPageServiceAddress +
         "\n"
         "  --connections N    keep up to N page requests (1 to 8) in flight, in waypoint\n"
         "                     order; the document is the same for every N (default 1)\n"
         "  --keep-going       skip a cache whose page fails, say so, and go on; exits 3\n"
         "                     when any cache was skipped\n"
         "  --retries N        try a page up to N more times (0 to 10, default 0) after a\n"
         "                     time-out, reset, refusal, early close or 5xx status,\n"
         "                     pausing 1 s, 2 s, 4 s... (at most 30 s) before each\n"
         "  --page-cache DIR   keep every page received in DIR and take pages from there\n"
         "                     without a request, so a second run fetches only what is missing\n"
         "  --refresh          with --page-cache: fetch every page again and update DIR\n"
         "  --delay MS         pause MS milliseconds (0 to 60000) between the requests of\n"
         "                     each connection\n"
         "  -h, --help         show this help\n"
         "\n"
         "Exit status: 0 done, 1 failed, 2 usage error, 3 done with caches skipped.\n";
}

struct Options {
  bool terrain = false;
  trelka::GpxShape shape = trelka::GpxShape::kGpx11;
  std::string service = trelka::kPageServiceAddress;
  int connections = 1;
  bool keep_going = false;
  int retries = 0;
  std::string page_cache;  // empty: no cache
  bool refresh = false;
  int delay_ms = 0;
  std::string waypoint_file;
  std::string gpx_file;
};

// Progress on stderr: one updating line on a terminal, with the rate and the time left, and
// one line per waypoint otherwise.
class BatchWindow final : public trelka::RunWindow {
 public:
  explicit BatchWindow(bool terrain) : terrain_(terrain), terminal_(Err().IsTerminal()) {}
  ~BatchWindow() override { EndLine(); }

  void DisableCheckBox() override {}
  void DisableSaveButton() override {}
  // stderr is held and written out at most every kFlushEvery and at the last waypoint: a
  // line of progress per page would otherwise cost a system call per page.
  // Progress is advisory: once its reader is gone (a write failed), it stops.
  void ShowProgress(int index, int total) override {
    total_ = total;
    if (Err().Failed()) return;
    const auto now = std::chrono::steady_clock::now();
    const bool due = now - flushed_ >= kFlushEvery || index == total;
    if (terminal_) {
      rate_.Record(now, index - 1);
      if (!due) return;  // the line is drawn over anyway
      const std::string text = trelka::TerminalProgressText(index, total, rate_.PerSecond());
      Err().Write("\r" + text + "\x1b[K");
      line_open_ = true;
    } else {
      Err().Write(trelka::ProgressText(index, total) + "\n");
    }
    if (!due) return;
    Err().Flush();
    flushed_ = now;
  }
  bool ReadCheckBox() override { return terrain_; }
  void EnableSaveButton() override {}

  void EndLine() {
    if (line_open_) Err().Write("\n");
    line_open_ = false;
    Err().Flush();
  }

  // A line of its own, in place of the progress line, which the next waypoint shows again.
  void Say(const std::string& line) {
    if (line_open_) Err().Write("\r\x1b[K");
    line_open_ = false;
    Err().Write(line + "\n");
    Err().Flush();
  }

  static constexpr std::chrono::milliseconds kFlushEvery{50};

  // The number of waypoints the run counted.
  [[nodiscard]] int Total() const { return total_; }

 private:
  bool terrain_;
  bool terminal_;
  bool line_open_ = false;
  int total_ = 0;
  trelka::ProgressRate rate_;
  std::chrono::steady_clock::time_point flushed_;
};

[[noreturn]] void UsageError(std::string_view problem) {
  Err().Write("trelka-batch: " + std::string(problem) + "\n" + Usage());
  Err().Flush();
  std::exit(2);
}

// An option's value: "--name VALUE" or "--name=VALUE"; nothing when arg is not that option.
// A separate VALUE is never another option ("--page-cache --refresh"): a value that starts
// with "-" can be given as "--name=VALUE".
std::optional<std::string> OptionValue(std::string_view name, int argc, char** argv, int& i) {
  const std::string_view arg = argv[i];
  if (arg == name) {
    if (i + 1 >= argc) UsageError(std::string(name) + " needs a value");
    const std::string_view value = argv[i + 1];
    if (value.starts_with('-') && value != "-") {
      UsageError(std::string(name) + " needs a value, not the option " +
                 trelka::TerminalSafeLine(value));
    }
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
      StandardStream(StandardStream::Which::kOutput).Write(Usage());
      std::exit(0);
    } else if (arg == "--terrain") {
      options.terrain = true;
    } else if (auto shape = OptionValue("--gpx", argc, argv, i)) {
      if (*shape != "1.0" && *shape != "1.1") {
        UsageError("--gpx must be 1.0 or 1.1, not \"" + trelka::TerminalSafeLine(*shape) + "\"");
      }
      options.shape = *shape == "1.0" ? trelka::GpxShape::kGpx10 : trelka::GpxShape::kGpx11;
    } else if (auto service = OptionValue("--service", argc, argv, i)) {
      options.service = *service;
    } else if (auto connections = OptionValue("--connections", argc, argv, i)) {
      options.connections = NumberOption("--connections", *connections, 1, 8);
    } else if (arg == "--keep-going") {
      options.keep_going = true;
    } else if (auto retries = OptionValue("--retries", argc, argv, i)) {
      options.retries = NumberOption("--retries", *retries, 0, 10);
    } else if (auto folder = OptionValue("--page-cache", argc, argv, i)) {
      if (folder->empty()) UsageError("--page-cache needs a folder");
      options.page_cache = *folder;
    } else if (arg == "--refresh") {
      options.refresh = true;
    } else if (auto delay = OptionValue("--delay", argc, argv, i)) {
      options.delay_ms = NumberOption("--delay", *delay, 0, 60'000);
    } else {
      UsageError("unknown option " + trelka::TerminalSafeLine(arg));
    }
  }
  if (files.size() != 2) UsageError("expected a waypoint file and a GPX file");
  if (options.refresh && options.page_cache.empty()) UsageError("--refresh needs --page-cache");
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
  Err().Write(text + "\n");
}

// One line for a skipped cache: its id and the failure's message, whose CR LF (socket errors
// have two lines) becomes a blank.
std::string SkippedLine(const trelka::WaypointRecord& waypoint, const std::exception_ptr& failure) {
  std::string message = trelka::FailureDisplayText(trelka::FailureMessageOf(failure));
  for (std::size_t at = 0; (at = message.find("\r\n", at)) != std::string::npos;) {
    message.replace(at, 2, " ");
  }
  return "cache " + trelka::TerminalSafeLine(trelka::Cp1251ToUtf8(waypoint.id)) +
         " skipped: " + trelka::TerminalSafeLine(trelka::Cp1251ToUtf8(message));
}

// The page client with what the options add around it, innermost first: the pause between
// requests, the retries, the page cache. Each layer is there only when its option is given.
class BatchPages {
 public:
  explicit BatchPages(const Options& options) {
    if (options.delay_ms > 0) {
      top_ = &paced_.emplace(*top_, std::chrono::milliseconds(options.delay_ms));
    }
    if (options.retries > 0) {
      top_ = &retrying_.emplace(*top_, trelka::RetrySchedule{options.retries});
    }
    if (!options.page_cache.empty()) {
      top_ = &cache_.emplace(*top_, options.page_cache, options.service,
                             options.refresh ? trelka::PageCache::Mode::kRefresh
                                             : trelka::PageCache::Mode::kUseStored);
    }
  }
  BatchPages(const BatchPages&) = delete;
  BatchPages& operator=(const BatchPages&) = delete;

  [[nodiscard]] trelka::PageSource& Pages() { return *top_; }

 private:
  trelka::IdHTTP client_;
  std::optional<trelka::PacedPages> paced_;
  std::optional<trelka::RetryingPages> retrying_;
  std::optional<trelka::PageCache> cache_;
  trelka::PageSource* top_ = &client_;
};

// The run reads a path; "-" names standard input by the platform's path for it, so that pipes
// work too.
[[nodiscard]] std::string WaypointPath(const Options& options) {
  return options.waypoint_file == "-" ? trelka::StandardInputPath() : options.waypoint_file;
}

// Where the document goes: standard output as it is made, or a file replaced once complete.
[[nodiscard]] trelka::AtomicFile OpenOutput(const Options& options) {
  return options.gpx_file == "-" ? trelka::AtomicFile::StandardOutput()
                                 : trelka::AtomicFile(options.gpx_file);
}

}  // namespace

int trelka::Utf8Main(int argc, char** argv) {
  trelka::ClosedStandardStreams closed;
  if (!trelka::PrepareStandardStreams(closed)) return 1;
  trelka::InstallTemporaryFileCleanup();
  trelka::KeepFreedMemoryForReuse();
  const Options options = ParseOptions(argc, argv);
  if (options.waypoint_file == "-" && closed.input) {
    ShowFailure("There is no standard input to read the waypoint file from");
    return 1;
  }
  BatchWindow window(options.terrain);
  try {
    // Opened first, so that a GPX_FILE that cannot be written fails before any page is asked.
    trelka::AtomicFile output = OpenOutput(options);
    BatchPages pages(options);
    // Each full block of the document goes to the file as the run makes it.
    trelka::Utf8Document document([&output](std::string_view block) { output.Write(block); });
    const trelka::CancelSignal never_cancelled;
    trelka::RunSettings settings{options.service, options.connections};
    settings.shape = options.shape;
    settings.cache_page_address = trelka::kCachePageAddress;
    // Standard input has no name to give the document.
    if (options.waypoint_file == "-") settings.document_name = "";
    int skipped = 0;
    if (options.keep_going) {
      settings.on_failed_page = [&](const trelka::WaypointRecord& waypoint,
                                    trelka::RunPosition /*position*/,
                                    const std::exception_ptr& failure) {
        ++skipped;
        window.Say(SkippedLine(waypoint, failure));
        return trelka::AfterFailedPage::kSkip;
      };
    }
    trelka::Run(WaypointPath(options), window, pages.Pages(), settings, document, never_cancelled);
    trelka::SaveDocument(document, output);
    if (!options.keep_going) return 0;
    window.EndLine();  // the last progress line stays above the summary
    window.Say(std::to_string(skipped) + " of " + std::to_string(window.Total()) +
               " caches skipped.");
    return skipped > 0 ? 3 : 0;
  } catch (const trelka::PageCacheOfAnotherService& refused) {
    window.EndLine();
    // A usage error, since the folder given is the wrong one; the folder's name is UTF-8 as
    // given, the message windows-1251 as every failure's.
    Err().Write("trelka-batch: --page-cache " + trelka::TerminalSafeLine(options.page_cache) +
                ": " + trelka::TerminalSafe(trelka::Cp1251ToUtf8(refused.Message())) + "\n");
    return 2;
  } catch (const std::exception&) {
    window.EndLine();
    ShowFailure(trelka::FailureMessageOf(std::current_exception()));
  }
  return 1;
}
