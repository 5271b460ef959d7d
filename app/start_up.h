// What the desktop program settles before Qt starts: the answers to --help
// and --version, and whether there is a display to show the dialog on.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

/// An environment variable's value, empty when it is not set.
using Environment = std::function<std::string(const char* name)>;

/// What the program prints before Qt starts and the status it then ends
/// with; none when Qt is to start.
struct EarlyExit {
  std::string text;  ///< one or more lines, each ending in a line feed
  bool toError;      ///< standard error, else standard output
  int status;
};

/// `--help` and `--version` (answered without a display, status 0); else,
/// when the platform Qt would use has no display -- DISPLAY for xcb,
/// WAYLAND_DISPLAY for wayland, one of the two when QT_QPA_PLATFORM and
/// `-platform` choose none -- one line on standard error that names the
/// missing variable and points to tarnwick-cli, status 1. A platform that
/// needs no display (offscreen, vnc, eglfs...) starts. The texts are
/// translated as the dialogs' are: the translations of DesktopLanguage
/// must be installed first (main() does it in a QCoreApplication).
std::optional<EarlyExit> CheckStartUp(const std::vector<std::string>& arguments,
                                      const Environment& environment);

}  // namespace tarnwick
