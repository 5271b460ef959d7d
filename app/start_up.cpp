#include "start_up.h"

#include "text_table.h"

#ifndef TARNWICK_VERSION
#error "TARNWICK_VERSION comes from the CMake project version"
#endif

namespace tarnwick {

namespace {

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
  const bool german = SessionWantsGerman(environment);
  std::string platform = environment("QT_QPA_PLATFORM");
  bool displayOption = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--version") return EarlyExit{"Tarnwick " TARNWICK_VERSION "\n", false, 0};
    if (argument == "--help" || argument == "-h") {
      return EarlyExit{
          german ? "Aufruf: Tarnwick [Qt-Optionen wie -platform NAME]\n"
                   "Das Dialogprogramm von Tarnwick: öffnet den Download des Bahnkatalogs "
                   "MPCORB.DAT des\nMinor Planet Center im Browser und wandelt ihn in "
                   "Asteroids4.dat und AsteroidInfo4.dat\nfür Lumivale um. Es braucht eine "
                   "Anzeige (DISPLAY oder WAYLAND_DISPLAY); tarnwick-cli\ntut dasselbe ohne.\n"
                   "  --help     diese Hilfe\n  --version  die Version\n"
                 : "Usage: Tarnwick [Qt options such as -platform NAME]\n"
                   "The desktop program of Tarnwick: opens the download of the Minor Planet "
                   "Center's orbit\ncatalogue MPCORB.DAT in the browser and converts it into "
                   "Lumivale's Asteroids4.dat and\nAsteroidInfo4.dat. It needs a display "
                   "(DISPLAY or WAYLAND_DISPLAY); tarnwick-cli does\nthe same without one.\n"
                   "  --help     this help\n  --version  the version\n",
          false, 0};
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
      why = german ? "weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt"
                   : "neither DISPLAY nor WAYLAND_DISPLAY is set";
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
      missing += (count++ == 0 ? "" : german ? " und " : " and ") + name;
      start = end == std::string::npos ? end : end + 1;
    }
    why =
        missing +
        (german ? (count > 1 ? " sind nicht gesetzt (Plattform " : " ist nicht gesetzt (Plattform ")
                : (count > 1 ? " are not set (platform " : " is not set (platform ")) +
        platform + ")";
  }
  if (why.empty()) return std::nullopt;
  return EarlyExit{
      german ? "Tarnwick: keine Anzeige: " + why + "; tarnwick-cli konvertiert auch ohne.\n"
             : "Tarnwick: no display: " + why + "; tarnwick-cli converts without one.\n",
      true, 1};
}

}  // namespace tarnwick
