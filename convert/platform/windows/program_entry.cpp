#include "platform/program_entry.h"

#include <string>
#include <vector>

#include "platform/windows/wide_text.h"

// The arguments arrive as UTF-16, so that any file name survives; the program gets UTF-8.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  arguments.reserve(static_cast<std::size_t>(argc));
  for (int i = 0; i < argc; ++i) arguments.push_back(trelka::Utf8Of(argv[i]));
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  return trelka::Utf8Main(argc, pointers.data());
}
