// Runs a fuzz target's entry point once over every file of a corpus folder, without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  int replayed = 0;
  for (int i = 1; i < argc; ++i) {
    if (!std::filesystem::is_directory(argv[i])) continue;
    for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
      // A heap copy of exactly the input's size, so a read past its end is caught.
      auto* copy = new std::uint8_t[bytes.size() + (bytes.empty() ? 1 : 0)];
      std::copy(bytes.begin(), bytes.end(), copy);
      LLVMFuzzerTestOneInput(copy, bytes.size());
      delete[] copy;
      ++replayed;
    }
  }
  std::printf("replayed %d inputs\n", replayed);
  return 0;
}
