#include <libintl.h>

#include <clocale>
#include <iostream>

#include "cli.h"

int main(int argc, char** argv) {
  tarnwick::cli::OccupyClosedStandardDescriptors();
  // The system's reasons (strerror) in the session's language where it has
  // them, in UTF-8 as every other text; nothing else follows the locale.
  std::setlocale(LC_MESSAGES, "");
  bind_textdomain_codeset("libc", "UTF-8");
  return tarnwick::cli::run({argv + 1, argv + argc}, std::cout, std::cerr);
}
