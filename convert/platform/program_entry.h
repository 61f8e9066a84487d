// A program's entry with its arguments in UTF-8 on every platform. The platform side holds
// main (wmain on Windows, where the arguments arrive as UTF-16) and calls Utf8Main.
#pragma once

namespace trelka {

// Defined by the program: its main, with argv in UTF-8.
int Utf8Main(int argc, char** argv);

}  // namespace trelka
