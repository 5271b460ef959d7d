// Start-up and the stored directories: the first start's folders, the
// profile store's layout, and a choice stored only when the program ends.
#include "converter_app.h"
#include "modal_helper.h"
#include "settings_store.h"

using namespace tarnwick;

class TestSettings final : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir m_root;

  static QSettings Store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromLatin1(kProfileCompany), QCoreApplication::applicationName());
  }

  static CSettings Loaded(const QString& executable) {
    CSettings settings;
    QSettings store = Store();
    LoadSettingsFrom(settings, store, executable);
    return settings;
  }

 private slots:
  void initTestCase() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_root.filePath("config"));
    qputenv("HOME", m_root.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", m_root.filePath("config").toLocal8Bit());
  }

  void init() { Store().clear(); }

  void firstStartTakesTheProgramsFolderOrWhereDownloadsGo() {
    QCOMPARE(Loaded(m_root.filePath("Tarnwick")).pathOut, m_root.path());
    // An installed program's folder cannot be written: downloads, else home.
    QCOMPARE(Loaded("/nonexistent/bin/Tarnwick").pathIn, m_root.path());
    QVERIFY(QDir(m_root.path()).mkpath("Downloads"));
    QCOMPARE(Loaded("/nonexistent/bin/Tarnwick").pathOut, m_root.filePath("Downloads"));

    // An empty "Path In" counts as missing; "Path Out" alone is not enough.
    Store().setValue("Settings/Path Out", "/data/out");
    QCOMPARE(Loaded(m_root.filePath("Tarnwick")).pathOut, m_root.path());
    Store().setValue("Settings/Path In", "/data/in");
    Store().remove("Settings/Path Out");
    QCOMPARE(Loaded(m_root.filePath("Tarnwick")).pathOut, QString());
  }

  void aChoiceReachesTheStoreOnlyWhenTheProgramEnds() {
    Store().setValue("Settings/Path In", m_root.path());
    CConverterApp app;
    QString storedDuringRun;
    test::WhenModal([&](QWidget* dialog) {
      test::WhenModal([&](QWidget* chooser) { test::TypePath(chooser, m_root.filePath("config")); },
                      dialog);
      test::Click(test::Button(dialog, "..."));  // the input directory's
      storedDuringRun = Store().value("Settings/Path In").toString();
      QTest::keyClick(dialog, Qt::Key_Escape);
    });
    app.InitInstance();
    QCOMPARE(storedDuringRun, m_root.path());
    QCOMPARE(app.ExitInstance(), 0);
    QSettings store = Store();
    QCOMPARE(store.allKeys(), QStringList({"Settings/Path In", "Settings/Path Out"}));
    QCOMPARE(store.value("Settings/Path In").toString(), m_root.filePath("config"));
    QCOMPARE(store.value("Settings/Path Out").toString(), QString());
    QVERIFY(QFile::exists(m_root.filePath("config/Quenneth/settings_test.conf")));
  }

  void firstUserInterfaceLanguageDecides() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Austria));
    QCOMPARE(UserInterfaceLanguage(), Language::German);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QCOMPARE(UserInterfaceLanguage(), Language::English);
  }
};

QTEST_MAIN(TestSettings)
#include "settings_test.moc"
