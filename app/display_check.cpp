#include "display_check.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QDir>
#include <QLibraryInfo>
#include <QStringList>
#include <cstring>

namespace tarnwick {

namespace {

bool ConnectsToX(const std::string& display) {
  xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
  const bool reached = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);  // also frees a connection in error
  return reached;
}

bool ConnectsToUnixSocket(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (socket < 0) return false;
  const bool reached =
      ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(socket);
  return reached;
}

// Qt looks for platform plugins in QT_PLUGIN_PATH's folders and its own.
bool WaylandPluginInstalled() {
  QStringList folders = qEnvironmentVariable("QT_PLUGIN_PATH").split(u':', Qt::SkipEmptyParts);
  folders << QLibraryInfo::path(QLibraryInfo::PluginsPath);
  for (const QString& folder : folders) {
    const QStringList plugins = QDir(folder + QStringLiteral("/platforms"))
                                    .entryList({QStringLiteral("libqwayland*.so")}, QDir::Files);
    if (!plugins.isEmpty()) return true;
  }
  return false;
}

// What one display system offers: reachable, or why not in a few words.
struct Reach {
  bool reached = false;
  std::string why;
};

class Session {
 public:
  Session(const std::vector<std::string>& arguments,
          const std::function<std::string(const char*)>& environment, const DisplayProbe& probe,
          bool german)
      : environment_(environment), probe_(probe), german_(german) {
    xDisplay_ = environment("DISPLAY");
    platform_ = environment("QT_QPA_PLATFORM");
    for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
      if (arguments[i] == "-display" || arguments[i] == "--display") xDisplay_ = arguments[i + 1];
      if (arguments[i] == "-platform" || arguments[i] == "--platform") platform_ = arguments[i + 1];
    }
  }

  const std::string& Platform() const { return platform_; }

  Reach X() const {
    if (xDisplay_.empty())
      return {false, german_ ? "DISPLAY ist nicht gesetzt" : "DISPLAY is not set"};
    if (probe_.reachX(xDisplay_)) return {true, {}};
    return {false, german_ ? "kein X-Server antwortet auf DISPLAY=" + xDisplay_
                           : "no X server answers on DISPLAY=" + xDisplay_};
  }

  Reach Wayland() const {
    const std::string name = environment_("WAYLAND_DISPLAY");
    if (name.empty())
      return {false, german_ ? "WAYLAND_DISPLAY ist nicht gesetzt" : "WAYLAND_DISPLAY is not set"};
    const std::string variable = "WAYLAND_DISPLAY=" + name;
    if (!probe_.haveWaylandPlugin())
      return {false, german_ ? "für " + variable + " fehlt Qts Wayland-Plugin (Debian: qt6-wayland)"
                             : variable + " needs Qt's Wayland plugin (Debian: qt6-wayland)"};
    // A relative name lives in the session's runtime folder.
    const std::string folder = environment_("XDG_RUNTIME_DIR");
    const std::string socket = name.front() == '/' ? name : folder + "/" + name;
    if ((name.front() == '/' || !folder.empty()) && probe_.reachWayland(socket)) return {true, {}};
    return {false, german_ ? "auf " + variable + " hört kein Wayland-Compositor"
                           : "no Wayland compositor listens on " + variable};
  }

  std::string Failure(const std::string& why) const {
    return german_ ? "Tarnwick: keine Anzeige: " + why + "; tarnwick-cli konvertiert auch ohne.\n"
                   : "Tarnwick: no display: " + why + "; tarnwick-cli converts without one.\n";
  }
  std::string And() const { return german_ ? " und " : " and "; }

 private:
  std::function<std::string(const char*)> environment_;
  const DisplayProbe& probe_;
  bool german_;
  std::string xDisplay_;
  std::string platform_;
};

}  // namespace

DisplayProbe SystemDisplayProbe() {
  return {ConnectsToX, ConnectsToUnixSocket, WaylandPluginInstalled};
}

DisplayChoice ChooseDisplay(const std::vector<std::string>& arguments,
                            const std::function<std::string(const char*)>& environment,
                            const DisplayProbe& probe, bool german) {
  const Session session(arguments, environment, probe, german);
  const std::string& platform = session.Platform();
  if (platform.empty()) {
    // Only the systems the session names count; CheckStartUp saw one at least.
    const bool namesWayland = !environment("WAYLAND_DISPLAY").empty();
    const Reach wayland = namesWayland ? session.Wayland() : Reach{};
    const Reach x = session.X();
    const bool waylandSession = environment("XDG_SESSION_TYPE") == "wayland";
    if (wayland.reached && (waylandSession || !x.reached)) return {"wayland", std::nullopt};
    if (x.reached) return {wayland.reached ? "" : "xcb", std::nullopt};
    return {"", session.Failure(namesWayland ? wayland.why + session.And() + x.why : x.why)};
  }
  // "wayland;xcb" is a list that Qt tries in turn; "xcb:option" carries options.
  std::string why;
  for (std::size_t start = 0; start != std::string::npos;) {
    const std::size_t end = platform.find(';', start);
    const std::string entry = platform.substr(start, end - start);
    const std::string name = entry.substr(0, entry.find(':'));
    start = end == std::string::npos ? end : end + 1;
    Reach reach{true, {}};
    if (name == "xcb")
      reach = session.X();
    else if (name.rfind("wayland", 0) == 0)
      reach = session.Wayland();
    if (reach.reached) return {"", std::nullopt};
    why += (why.empty() ? "" : session.And()) + reach.why;
  }
  return {"", session.Failure(why + (german ? " (Plattform " : " (platform ") + platform + ")")};
}

}  // namespace tarnwick
