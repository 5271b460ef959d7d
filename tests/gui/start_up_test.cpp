// Start-up: the display check and --help before Qt, the first start's
// folders, a choice stored only when the program ends.
#include "start_up.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QProcess>

#include "desktop_app.h"
#include "display_check.h"
#include "modal_helper.h"
#include "settings_store.h"

using namespace tarnwick;

class TestStartUp final : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir m_root;

  // An environment of NAME=value entries.
  static Environment Lookup(const QStringList& environment) {
    return [environment](const char* name) {
      for (const QString& entry : environment)
        if (entry.startsWith(QString::fromLatin1(name) + '='))
          return entry.section('=', 1).toStdString();
      return std::string();
    };
  }

  static CSettings Loaded(const QString& executable) {
    CSettings settings;
    QSettings store = ProfileStore();
    LoadSettingsFrom(settings, store, executable);
    return settings;
  }

 private slots:
  void initTestCase() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_root.filePath("config"));
    qputenv("HOME", m_root.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", m_root.filePath("config").toLocal8Bit());
  }

  void init() { ProfileStore().clear(); }

  void displayIsCheckedBeforeQtStarts_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("expected");  // empty: Qt starts
    const QStringList none;
    QTest::newRow("no display")
        << none << none
        << "!Tarnwick: no display: neither DISPLAY nor WAYLAND_DISPLAY is set; "
           "tarnwick-cli converts without one.\n";
    QTest::newRow("German") << none << QStringList{"LANG=de_DE.UTF-8"}
                            << "!Tarnwick: keine Anzeige: weder DISPLAY noch WAYLAND_DISPLAY ist "
                               "gesetzt; tarnwick-cli konvertiert auch ohne.\n";
    QTest::newRow("X11") << none << QStringList{"DISPLAY=:0"} << "";
    QTest::newRow("Wayland") << none << QStringList{"WAYLAND_DISPLAY=wayland-0"} << "";
    QTest::newRow("xcb without X11")
        << none << QStringList{"QT_QPA_PLATFORM=xcb", "WAYLAND_DISPLAY=w"}
        << "!Tarnwick: no display: DISPLAY is not set (platform xcb); tarnwick-cli converts "
           "without one.\n";
    QTest::newRow("either") << none << QStringList{"QT_QPA_PLATFORM=wayland;xcb"}
                            << "!Tarnwick: no display: WAYLAND_DISPLAY and DISPLAY are not set "
                               "(platform wayland;xcb); tarnwick-cli converts without one.\n";
    QTest::newRow("offscreen") << none << QStringList{"QT_QPA_PLATFORM=offscreen:size=9x9"} << "";
    QTest::newRow("-platform") << QStringList{"-platform", "offscreen"} << none << "";
    QTest::newRow("-display") << QStringList{"-display", ":1"} << none << "";
    QTest::newRow("--version") << QStringList{"--version"} << none
                               << "Tarnwick " TARNWICK_VERSION "\n";
  }

  void displayIsCheckedBeforeQtStarts() {
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, environment);
    QFETCH(QString, expected);
    std::vector<std::string> args;
    for (const QString& argument : arguments) args.push_back(argument.toStdString());
    const Environment variables = Lookup(environment);
    UseLanguage(DesktopLanguage(variables));
    const auto early = CheckStartUp(args, variables);
    UseLanguage(Language::English);
    const QString seen =
        !early ? QString() : (early->toError ? "!" : "") + QString::fromStdString(early->text);
    QCOMPARE(seen, expected);
    if (early) QCOMPARE(early->status, early->toError ? 1 : 0);
  }

  // A named display that cannot be reached: the dialog starts on what is
  // there (Wayland without Qt's plugin falls back to X), else one line.
  void unreachableDisplayIsToldOrAvoided_data() {
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("reachable");  // x, wayland, plugin
    QTest::addColumn<QString>("expected");   // "!message", else the platform
    QTest::newRow("X gone") << QStringList{"DISPLAY=:5"} << "wayland plugin"
                            << "!Tarnwick: no display: no X server answers on DISPLAY=:5; "
                               "tarnwick-cli converts without one.\n";
    QTest::newRow("German") << QStringList{"DISPLAY=:5", "LANG=de_DE.UTF-8"} << ""
                            << "!Tarnwick: keine Anzeige: kein X-Server antwortet auf DISPLAY=:5; "
                               "tarnwick-cli konvertiert auch ohne.\n";
    const QStringList wayland{"WAYLAND_DISPLAY=wl-0", "XDG_RUNTIME_DIR=/run/u",
                              "XDG_SESSION_TYPE=wayland"};
    QTest::newRow("no Wayland plugin, X there")
        << (wayland + QStringList{"DISPLAY=:0"}) << "x wayland"
        << "xcb";
    QTest::newRow("no Wayland plugin, no X")
        << wayland << "wayland"
        << "!Tarnwick: no display: WAYLAND_DISPLAY=wl-0 needs Qt's Wayland plugin (Debian: "
           "qt6-wayland) and DISPLAY is not set; tarnwick-cli converts without one.\n";
    QTest::newRow("Wayland session") << (wayland + QStringList{"DISPLAY=:0"}) << "x wayland plugin"
                                     << "wayland";
    QTest::newRow("X gone, Wayland there")
        << QStringList{"DISPLAY=:5", "WAYLAND_DISPLAY=/run/wl", "XDG_SESSION_TYPE=x11"}
        << "wayland plugin"
        << "wayland";
    QTest::newRow("compositor gone")
        << QStringList{"WAYLAND_DISPLAY=wl-0", "XDG_RUNTIME_DIR=/run/u"} << "plugin"
        << "!Tarnwick: no display: no Wayland compositor listens on WAYLAND_DISPLAY=wl-0 and "
           "DISPLAY is not set; tarnwick-cli converts without one.\n";
    QTest::newRow("xcb asked, X gone")
        << QStringList{"DISPLAY=:5", "QT_QPA_PLATFORM=xcb"} << "wayland plugin"
        << "!Tarnwick: no display: no X server answers on DISPLAY=:5 (platform xcb); "
           "tarnwick-cli converts without one.\n";
    QTest::newRow("list, second there")
        << (wayland + QStringList{"DISPLAY=:0", "QT_QPA_PLATFORM=wayland;xcb"}) << "x"
        << "";
  }

  void unreachableDisplayIsToldOrAvoided() {
    QFETCH(QStringList, environment);
    QFETCH(QString, reachable);
    QFETCH(QString, expected);
    QStringList sockets;
    const DisplayProbe probe{
        [&](const std::string& display) { return display == ":0" && reachable.contains("x"); },
        [&](const std::string& socket) {
          sockets << QString::fromStdString(socket);
          return reachable.contains("wayland");
        },
        [&] { return reachable.contains("plugin"); }};
    const Environment variables = Lookup(environment);
    UseLanguage(DesktopLanguage(variables));
    const DisplayChoice choice = ChooseDisplay({}, variables, probe);
    UseLanguage(Language::English);
    QCOMPARE(choice.failure ? "!" + QString::fromStdString(*choice.failure)
                            : QString::fromStdString(choice.platform),
             expected);
    for (const QString& socket : sockets)
      QVERIFY2(socket == "/run/u/wl-0" || socket == "/run/wl", qPrintable(socket));
  }

  // The real probes and the real program: the X server these tests run on
  // answers, a listening socket is found, and the program started on a
  // display that is gone ends with status 1 and one line instead of Qt's
  // abort (status 134).
  void theProgramNeverAbortsForWantOfADisplay() {
    const DisplayProbe probe = SystemDisplayProbe();
    if (qgetenv("QT_QPA_PLATFORM") == "xcb")
      QVERIFY(probe.reachX(qgetenv("DISPLAY").toStdString()));
    const std::string socketPath = m_root.filePath("wl-test").toStdString();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(::bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0);
    QVERIFY(::listen(listening, 1) == 0);
    QVERIFY(probe.reachWayland(socketPath));
    ::close(listening);
    QVERIFY(!probe.reachWayland(socketPath));

    for (const QStringList& display : {QStringList{"DISPLAY=:9999", "WAYLAND_DISPLAY="},
                                       QStringList{"DISPLAY=", "WAYLAND_DISPLAY=tarnwick-none",
                                                   "XDG_RUNTIME_DIR=" + m_root.path()}}) {
      QProcess program;
      QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
      environment.remove("QT_QPA_PLATFORM");
      for (const QString& entry : display)
        environment.insert(entry.section('=', 0, 0), entry.section('=', 1));
      program.setProcessEnvironment(environment);
      program.start(QStringLiteral(TARNWICK_DESKTOP), {});
      QVERIFY(program.waitForFinished(20000));
      const QString told = QString::fromUtf8(program.readAllStandardError());
      QCOMPARE(program.exitStatus(), QProcess::NormalExit);
      QCOMPARE(program.exitCode(), 1);
      QVERIFY2(told.startsWith("Tarnwick: no display: ") && told.count('\n') == 1,
               qPrintable(told));
    }
  }

  void firstStartTakesTheProgramsFolderWithACatalogueOrWhereDownloadsGo() {
    const QString program = m_root.filePath("bin/Tarnwick");
    QVERIFY(QDir(m_root.path()).mkpath("bin"));
    // An installed program's folder holds no catalogue: downloads, else home.
    QCOMPARE(Loaded(program).pathIn, m_root.path());
    QVERIFY(QDir(m_root.path()).mkpath("Downloads"));
    QCOMPARE(Loaded(program).pathOut, m_root.filePath("Downloads"));
    QCOMPARE(Loaded("/nonexistent/bin/Tarnwick").pathOut, m_root.filePath("Downloads"));
    // A portable copy or the build tree brings its catalogue.
    QFile(m_root.filePath("bin/MPCORB.ZIP")).open(QIODevice::WriteOnly);
    QCOMPARE(Loaded(program).pathOut, m_root.filePath("bin"));

    // An empty "Path In" counts as missing; "Path Out" alone is not enough.
    ProfileStore().setValue("Settings/Path Out", "/data/out");
    QCOMPARE(Loaded(program).pathOut, m_root.filePath("bin"));
    ProfileStore().setValue("Settings/Path In", "/data/in");
    ProfileStore().remove("Settings/Path Out");
    QCOMPARE(Loaded(program).pathOut, QString());
  }

  void firstStartWritesIntoLumivalesFolderUnderWine() {
    const QString program = m_root.filePath("bin/Tarnwick");
    const QString data = m_root.filePath(".wine/drive_c/Program Files/Lumivale/data");
    QVERIFY(QDir().mkpath(data) && QDir().mkpath(m_root.filePath("elsewhere")));
    QFile(data + "/Asteroids4.dat").open(QIODevice::WriteOnly);
    // Shallower, but through a link out of the prefix (as its dosdevices are): never taken.
    QFile(m_root.filePath("elsewhere/Asteroids4.dat")).open(QIODevice::WriteOnly);
    QVERIFY(QFile::link(m_root.filePath("elsewhere"), m_root.filePath(".wine/drive_c/a")));
    QCOMPARE(Loaded(program).pathOut, data);  // ~/.wine
    qputenv("WINEPREFIX", m_root.filePath("elsewhere").toLocal8Bit());
    QCOMPARE(Loaded(program).pathOut, Loaded(program).pathIn);  // a prefix without drive_c
    qunsetenv("WINEPREFIX");
    // A stored output folder stays.
    ProfileStore().setValue("Settings/Path Out", "/data/out");
    ProfileStore().setValue("Settings/Path In", "/data/in");
    QCOMPARE(Loaded(program).pathOut, "/data/out");
    QVERIFY(QDir(m_root.filePath(".wine")).removeRecursively());
  }

  void aChoiceReachesTheStoreOnlyWhenTheProgramEnds() {
    ProfileStore().setValue("Settings/Path In", m_root.path());
    SetUpApplication();
    QString storedDuringRun;
    test::WhenModal([&](QWidget* dialog) {
      test::WhenModal(
          [&](QWidget* chooser) { test::TypePath(chooser, m_root.filePath("config/Quenneth")); },
          dialog);
      test::Click(test::Button(dialog, "..."));  // the input directory's
      storedDuringRun = ProfileStore().value("Settings/Path In").toString();
      QTest::keyClick(dialog, Qt::Key_Escape);
    });
    RunMainDialog();
    QCOMPARE(storedDuringRun, m_root.path());
    QSettings store = ProfileStore();
    QCOMPARE(store.allKeys(), QStringList({"Settings/Path In", "Settings/Path Out",
                                           "Settings/Selection", "Window/Geometry"}));
    QVERIFY(!store.value("Window/Geometry").toByteArray().isEmpty());
    QCOMPARE(store.value("Settings/Path In").toString(), m_root.filePath("config/Quenneth"));
    QCOMPARE(store.value("Settings/Path Out").toString(), QString());
    QVERIFY(QFile::exists(m_root.filePath("config/Quenneth/start_up_test.conf")));
  }
};

QTEST_MAIN(TestStartUp)
#include "start_up_test.moc"
