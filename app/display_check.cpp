#include "display_check.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QStringList>
#include <cstring>

namespace tarnwick {

namespace {

// The texts, translated as those of the start-up (start_up.cpp) are.
std::string Say(const char* source) {
  return QCoreApplication::translate("tarnwick::StartUp", source).toStdString();
}
std::string Say(const char* source, const std::string& value) {
  return QCoreApplication::translate("tarnwick::StartUp", source)
      .arg(QString::fromStdString(value))
      .toStdString();
}

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
          const std::function<std::string(const char*)>& environment, const DisplayProbe& probe)
      : environment_(environment), probe_(probe) {
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
      return {false, Say(QT_TRANSLATE_NOOP("tarnwick::StartUp", "DISPLAY is not set"))};
    if (probe_.reachX(xDisplay_)) return {true, {}};
    return {false, Say(QT_TRANSLATE_NOOP("tarnwick::StartUp", "no X server answers on DISPLAY=%1"),
                       xDisplay_)};
  }

  Reach Wayland() const {
    const std::string name = environment_("WAYLAND_DISPLAY");
    if (name.empty())
      return {false, Say(QT_TRANSLATE_NOOP("tarnwick::StartUp", "WAYLAND_DISPLAY is not set"))};
    const std::string variable = "WAYLAND_DISPLAY=" + name;
    if (!probe_.haveWaylandPlugin())
      return {false, Say(QT_TRANSLATE_NOOP("tarnwick::StartUp",
                                           "%1 needs Qt's Wayland plugin (Debian: qt6-wayland)"),
                         variable)};
    // A relative name lives in the session's runtime folder.
    const std::string folder = environment_("XDG_RUNTIME_DIR");
    const std::string socket = name.front() == '/' ? name : folder + "/" + name;
    if ((name.front() == '/' || !folder.empty()) && probe_.reachWayland(socket)) return {true, {}};
    return {false,
            Say(QT_TRANSLATE_NOOP("tarnwick::StartUp", "no Wayland compositor listens on %1"),
                variable)};
  }

  static std::string Failure(const std::string& why) {
    return Say(QT_TRANSLATE_NOOP("tarnwick::StartUp",
                                 "Tarnwick: no display: %1; tarnwick-cli converts without one."),
               why) +
           "\n";
  }
  static std::string Both(const std::string& first, const std::string& second) {
    return QCoreApplication::translate("tarnwick::StartUp", "%1 and %2")
        .arg(QString::fromStdString(first), QString::fromStdString(second))
        .toStdString();
  }

 private:
  std::function<std::string(const char*)> environment_;
  const DisplayProbe& probe_;
  std::string xDisplay_;
  std::string platform_;
};

}  // namespace

DisplayProbe SystemDisplayProbe() {
  return {ConnectsToX, ConnectsToUnixSocket, WaylandPluginInstalled};
}

DisplayChoice ChooseDisplay(const std::vector<std::string>& arguments,
                            const std::function<std::string(const char*)>& environment,
                            const DisplayProbe& probe) {
  const Session session(arguments, environment, probe);
  const std::string& platform = session.Platform();
  if (platform.empty()) {
    // Only the systems the session names count; CheckStartUp saw one at least.
    const bool namesWayland = !environment("WAYLAND_DISPLAY").empty();
    const Reach wayland = namesWayland ? session.Wayland() : Reach{};
    const Reach x = session.X();
    const bool waylandSession = environment("XDG_SESSION_TYPE") == "wayland";
    if (wayland.reached && (waylandSession || !x.reached)) return {"wayland", std::nullopt};
    if (x.reached) return {wayland.reached ? "" : "xcb", std::nullopt};
    return {"", Session::Failure(namesWayland ? Session::Both(wayland.why, x.why) : x.why)};
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
    why = why.empty() ? reach.why : Session::Both(why, reach.why);
  }
  const std::string onPlatform =
      QCoreApplication::translate("tarnwick::StartUp", "%1 (platform %2)")
          .arg(QString::fromStdString(why), QString::fromStdString(platform))
          .toStdString();
  return {"", Session::Failure(onPlatform)};
}

}  // namespace tarnwick
