#include <iostream>

#include "cli.h"

int main(int argc, char** argv) {
  tarnwick::cli::OccupyClosedStandardDescriptors();
  return tarnwick::cli::run({argv + 1, argv + argc}, std::cout, std::cerr);
}
