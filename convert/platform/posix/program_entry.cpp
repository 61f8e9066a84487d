#include "platform/program_entry.h"

// The arguments arrive as the bytes the caller passed, UTF-8 on every current system.
int main(int argc, char** argv) { return trelka::Utf8Main(argc, argv); }
