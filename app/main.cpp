#include <QCoreApplication>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "desktop_app.h"
#include "display_check.h"
#include "start_up.h"

int main(int argc, char** argv) {
  // Qt would abort without a display; --help and --version need none. Their
  // answers are translated as the dialogs are, in an application without GUI.
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::optional<tarnwick::EarlyExit> early;
  std::optional<tarnwick::DisplayChoice> display;
  {
    const QCoreApplication plain(argc, argv);
    tarnwick::UseLanguage(tarnwick::DesktopLanguage(tarnwick::ProcessVariable));
    early = tarnwick::CheckStartUp(arguments, tarnwick::ProcessVariable);
    // A display is named; Qt would abort too when it cannot be reached.
    if (!early)
      display = tarnwick::ChooseDisplay(arguments, tarnwick::ProcessVariable,
                                        tarnwick::SystemDisplayProbe());
  }
  if (early) {
    std::fputs(early->text.c_str(), early->toError ? stderr : stdout);
    return early->status;
  }
  if (display->failure) {
    std::fputs(display->failure->c_str(), stderr);
    return 1;
  }
  // Qt takes the platform from the command line, which, unlike the
  // environment, the programs started from the dialog do not inherit.
  std::vector<char*> qtArguments(argv, argv + argc);
  std::string platformOption = "-platform";
  std::string platform = display->platform;
  if (!platform.empty())
    qtArguments.insert(qtArguments.begin() + (argc > 0 ? 1 : 0),
                       {platformOption.data(), platform.data()});
  qtArguments.push_back(nullptr);
  return tarnwick::RunDesktop(static_cast<int>(qtArguments.size() - 1), qtArguments.data());
}
