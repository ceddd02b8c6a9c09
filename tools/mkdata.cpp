// Writes the driver data file: the 2224-byte default PrivateDevmode image.
#include "common/devmode.h"

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tolma-mkdata OUTPUT\n");
    return 2;
  }
  const tolma::PrivateDevmode image = tolma::DefaultPrivateDevmode();
  std::FILE* f = std::fopen(argv[1], "wb");
  if (f == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const bool ok = std::fwrite(&image, sizeof image, 1, f) == 1;
  if (std::fclose(f) != 0 || !ok) {
    std::fprintf(stderr, "tolma-mkdata: cannot write %s\n", argv[1]);
    std::remove(argv[1]);
    return 1;
  }
  return 0;
}
