#include <QCoreApplication>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "desktop_app.h"
#include "start_up.h"

int main(int argc, char** argv) {
  // Qt would abort without a display; --help and --version need none. Their
  // answers are translated as the dialogs are, in an application without GUI.
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::optional<tarnwick::EarlyExit> early;
  {
    const QCoreApplication plain(argc, argv);
    tarnwick::UseLanguage(tarnwick::DesktopLanguage(tarnwick::ProcessVariable));
    early = tarnwick::CheckStartUp(arguments, tarnwick::ProcessVariable);
  }
  if (early) {
    std::fputs(early->text.c_str(), early->toError ? stderr : stdout);
    return early->status;
  }
  return tarnwick::RunDesktop(argc, argv);
}
