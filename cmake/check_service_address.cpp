// Run at configure time on TRELKA_PAGE_SERVICE_ADDRESS: prints what is wrong with it and exits
// 1, so that the compiled-in address passes the very check trelka-batch's --service does.
#include <cstdio>
#include <string>

#include "http/service_address.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string problem = trelka::ServiceAddressProblem(argv[1]);
  if (problem.empty()) return 0;
  std::fputs(problem.c_str(), stdout);
  return 1;
}
