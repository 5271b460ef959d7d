// Start-up: the display check and --help before Qt, the first start's
// folders, a choice stored only when the program ends.
#include "start_up.h"

#include "desktop_app.h"
#include "modal_helper.h"
#include "settings_store.h"

using namespace tarnwick;

class TestStartUp final : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir m_root;

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
    const auto early = CheckStartUp(args, [&](const char* name) {
      for (const QString& entry : environment)
        if (entry.startsWith(QString::fromLatin1(name) + '='))
          return entry.section('=', 1).toStdString();
      return std::string();
    });
    const QString seen =
        !early ? QString() : (early->toError ? "!" : "") + QString::fromStdString(early->text);
    QCOMPARE(seen, expected);
    if (early) QCOMPARE(early->status, early->toError ? 1 : 0);
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
    QCOMPARE(store.allKeys(),
             QStringList({"Settings/Path In", "Settings/Path Out", "Window/Geometry"}));
    QVERIFY(!store.value("Window/Geometry").toByteArray().isEmpty());
    QCOMPARE(store.value("Settings/Path In").toString(), m_root.filePath("config/Quenneth"));
    QCOMPARE(store.value("Settings/Path Out").toString(), QString());
    QVERIFY(QFile::exists(m_root.filePath("config/Quenneth/start_up_test.conf")));
  }
};

QTEST_MAIN(TestStartUp)
#include "start_up_test.moc"
