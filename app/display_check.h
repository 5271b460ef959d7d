// Whether the display the session names can really be reached, asked before
// Qt starts: Qt aborts the process (status 134) when its platform plugin
// cannot connect, so an X server that is gone or a Wayland session without
// Qt's Wayland plugin must be caught first.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

/// The ways to reach a display, replaceable in tests.
struct DisplayProbe {
  /// True when an X server accepts a connection to `display` (":0",
  /// "host:1.0", ...), authorisation included.
  std::function<bool(const std::string& display)> reachX;
  /// True when a Wayland compositor listens on `socket`, a full path.
  std::function<bool(const std::string& socket)> reachWayland;
  /// True when Qt's Wayland platform plugin is installed.
  std::function<bool()> haveWaylandPlugin;
};

/// The probe of this system: libxcb, a Unix socket, Qt's plugin folders.
DisplayProbe SystemDisplayProbe();

/// What the start needs: either the platform to hand to Qt (empty: Qt's own
/// choice stands) or the one-line reason why no display can be reached.
struct DisplayChoice {
  std::string platform;
  std::optional<std::string> failure;  ///< ends with a line feed
};

/// Decides for a session that names a display (CheckStartUp let it pass).
/// Without QT_QPA_PLATFORM and `-platform`: Wayland when it can be reached and
/// the session is a Wayland one or X cannot be reached, else X when it can be
/// reached (so a Wayland session without Qt's plugin falls back to X). With
/// them: the first listed platform that can be reached, as Qt tries them; one
/// that needs no display always can. `environment` returns a variable's
/// value, empty when unset. The message is translated as CheckStartUp's is.
DisplayChoice ChooseDisplay(const std::vector<std::string>& arguments,
                            const std::function<std::string(const char*)>& environment,
                            const DisplayProbe& probe);

}  // namespace tarnwick
