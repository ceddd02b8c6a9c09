// tolma-inspect: lists, summarises and checks a printer command stream and writes its panels as PNG files.
#include "tools/lib/inspect_main.h"

#include <iostream>

int main(int argc, char** argv) {
  return tolma::tools::InspectMain(std::vector<std::string>(argv + 1, argv + argc), std::cin, std::cout, std::cerr);
}
