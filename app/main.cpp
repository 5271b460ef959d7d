#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "desktop_app.h"
#include "start_up.h"

int main(int argc, char** argv) {
  // Qt would abort without a display; --help and --version need none.
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const auto early = tarnwick::CheckStartUp(arguments, [](const char* name) {
    const char* value = std::getenv(name);
    return std::string(value != nullptr ? value : "");
  });
  if (early) {
    std::fputs(early->text.c_str(), early->toError ? stderr : stdout);
    return early->status;
  }
  return tarnwick::RunDesktop(argc, argv);
}
