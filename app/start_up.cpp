#include "start_up.h"

#include <QCoreApplication>
#include <QString>

#ifndef TARNWICK_VERSION
#error "TARNWICK_VERSION comes from the CMake project version"
#endif

namespace tarnwick {

namespace {

// The texts of the start-up, translated as the dialogs' are.
namespace words {

std::string Help() {
  return QCoreApplication::translate(
             "tarnwick::StartUp",
             "Usage: Tarnwick [Qt options such as -platform NAME]\n"
             "The desktop program of Tarnwick: opens the download of the Minor Planet Center's "
             "orbit\ncatalogue MPCORB.DAT in the browser and converts it into Lumivale's "
             "Asteroids4.dat and\nAsteroidInfo4.dat. It needs a display (DISPLAY or "
             "WAYLAND_DISPLAY); tarnwick-cli does\nthe same without one.\n"
             "  --help     this help\n  --version  the version\n")
      .toStdString();
}

std::string NoDisplayVariable() {
  return QCoreApplication::translate("tarnwick::StartUp",
                                     "neither DISPLAY nor WAYLAND_DISPLAY is set")
      .toStdString();
}

std::string Both(const std::string& first, const std::string& second) {
  return QCoreApplication::translate("tarnwick::StartUp", "%1 and %2")
      .arg(QString::fromStdString(first), QString::fromStdString(second))
      .toStdString();
}

std::string NotSet(const std::string& missing, int count, const std::string& platform) {
  const QString text =
      count > 1 ? QCoreApplication::translate("tarnwick::StartUp", "%1 are not set (platform %2)")
                : QCoreApplication::translate("tarnwick::StartUp", "%1 is not set (platform %2)");
  return text.arg(QString::fromStdString(missing), QString::fromStdString(platform)).toStdString();
}

std::string NoDisplay(const std::string& why) {
  return QCoreApplication::translate("tarnwick::StartUp",
                                     "Tarnwick: no display: %1; tarnwick-cli converts without one.")
             .arg(QString::fromStdString(why))
             .toStdString() +
         "\n";
}

}  // namespace words

// The variable that the platform plugin `name` needs and that is missing;
// empty when it has what it needs or needs no display.
std::string Missing(const std::string& name, const Environment& environment, bool displayOption) {
  if (name == "xcb") return displayOption || !environment("DISPLAY").empty() ? "" : "DISPLAY";
  if (name.rfind("wayland", 0) == 0)
    return environment("WAYLAND_DISPLAY").empty() ? "WAYLAND_DISPLAY" : "";
  return "";
}

}  // namespace

std::optional<EarlyExit> CheckStartUp(const std::vector<std::string>& arguments,
                                      const Environment& environment) {
  std::string platform = environment("QT_QPA_PLATFORM");
  bool displayOption = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--version") return EarlyExit{"Tarnwick " TARNWICK_VERSION "\n", false, 0};
    if (argument == "--help" || argument == "-h") {
      return EarlyExit{words::Help(), false, 0};
    }
    if ((argument == "-platform" || argument == "--platform") && i + 1 < arguments.size())
      platform = arguments[++i];
    else if (argument == "-display" || argument == "--display")
      displayOption = true;
  }

  std::string why;
  if (platform.empty()) {
    // Qt picks Wayland or X11 by what the session offers.
    if (environment("DISPLAY").empty() && environment("WAYLAND_DISPLAY").empty() && !displayOption)
      why = words::NoDisplayVariable();
  } else {
    // "wayland;xcb" tries each in turn; "offscreen:fontengine=..." carries options.
    std::string missing;
    int count = 0;
    for (std::size_t start = 0; start != std::string::npos;) {
      const std::size_t end = platform.find(';', start);
      const std::string entry = platform.substr(start, end - start);
      const std::string name =
          Missing(entry.substr(0, entry.find(':')), environment, displayOption);
      if (name.empty()) return std::nullopt;
      missing = count++ == 0 ? name : words::Both(missing, name);
      start = end == std::string::npos ? end : end + 1;
    }
    why = words::NotSet(missing, count, platform);
  }
  if (why.empty()) return std::nullopt;
  return EarlyExit{words::NoDisplay(why), true, 1};
}

}  // namespace tarnwick
