// Strictly sequential page requests, one new connection each, as a conversion makes them:
// prints requests, seconds, requests per second and CPU time per request.
//
//   page_client_bench URL [REQUESTS]   (default 2000)

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "http/page_client.h"
#include "platform/failure.h"
#include "platform/heap_settings.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  trelka::KeepFreedMemoryForReuse();  // as the programs do
  if (argc < 2) {
    std::fprintf(stderr, "usage: page_client_bench URL [REQUESTS]\n");
    return 2;
  }
  const std::string url = argv[1];
  const int requests = argc > 2 ? std::atoi(argv[2]) : 2000;
  trelka::IdHTTP client;
  const trelka::CancelSignal never_cancelled;
  std::size_t bytes = 0;
  const double cpu_start = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  try {
    for (int i = 0; i < requests; ++i) bytes += client.Get(url, never_cancelled).Text().size();
  } catch (const trelka::Failure& failure) {
    std::fprintf(stderr, "%s\n", failure.Message().c_str());
    return 1;
  }
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  std::printf("requests=%d seconds=%.3f per_second=%.1f cpu_us_per_request=%.1f bytes=%zu\n",
              requests, seconds.count(), requests / seconds.count(),
              (CpuSeconds() - cpu_start) * 1e6 / requests, bytes);
  return 0;
}
