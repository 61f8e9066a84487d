// Runs a fuzz target's entry point once over every file of each corpus folder given, without
// libFuzzer. A missing folder, an unreadable input or a replay of nothing at all fails: a
// regression test that replays no input proves nothing.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  int replayed = 0;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    std::filesystem::directory_iterator entries(argv[i], error);
    if (error) {
      std::fprintf(stderr, "cannot list corpus folder %s: %s\n", argv[i], error.message().c_str());
      return 1;
    }
    for (const auto& entry : entries) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      // Exactly the input's size on the heap, so that a read past its end is caught.
      const std::vector<std::uint8_t> input((std::istreambuf_iterator<char>(in)),
                                            std::istreambuf_iterator<char>());
      if (in.bad()) {
        std::fprintf(stderr, "cannot read %s\n", entry.path().c_str());
        return 1;
      }
      LLVMFuzzerTestOneInput(input.data(), input.size());
      ++replayed;
    }
  }
  std::printf("replayed %d inputs\n", replayed);
  if (replayed == 0) {
    std::fprintf(stderr, "no input replayed\n");
    return 1;
  }
  return 0;
}
