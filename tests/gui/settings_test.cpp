// Start-up and the stored directories: the profile store's layout, the
// fallback to the executable's directory, and writing only at the end.
#include "settings.h"

#include <QCoreApplication>
#include <QDialog>
#include <QLocale>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "converter_app.h"
#include "modal_helper.h"

using namespace tarnwick;

class TestSettings final : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir profileRoot_;

  // The store the program uses, as a test sees it.
  QSettings Store() const {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromLatin1(kProfileCompany), QCoreApplication::applicationName());
  }

  void ClearStore() {
    QSettings store = Store();
    store.clear();
    store.sync();
  }

  // Runs the program's visible life, closing the main dialog at once.
  static void RunAndCloseAtOnce(CConverterApp& app) {
    test::WhenModal([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    QVERIFY(!app.InitInstance());
    QCOMPARE(app.ExitInstance(), 0);
  }

 private slots:
  void initTestCase() {
    QVERIFY(profileRoot_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, profileRoot_.path());
    QCoreApplication::setOrganizationName(QString::fromLatin1(kProfileCompany));
  }

  void init() {
    ClearStore();
    theSettings = CSettings();
  }

  void applicationWordIsTheExecutableNameWithoutItsLastExtension() {
    QCOMPARE(ApplicationWord(QStringLiteral("/opt/tarnwick/bin/Tarnwick")),
             QStringLiteral("Tarnwick"));
    QCOMPARE(ApplicationWord(QStringLiteral("Tarnwick.EXE")), QStringLiteral("Tarnwick"));
    QCOMPARE(ApplicationWord(QStringLiteral("/x/Tarnwick.old.bin")),
             QStringLiteral("Tarnwick.old"));
    CConverterApp app;
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("settings_test"));
  }

  void executableDirectoryDropsTheLastSeparatorAndWhatFollows() {
    QCOMPARE(ExecutableDirectory(QStringLiteral("/usr/local/bin/Tarnwick")),
             QStringLiteral("/usr/local/bin"));
    QCOMPARE(ExecutableDirectory(QStringLiteral("/Tarnwick")), QString());
    QCOMPARE(ExecutableDirectory(QStringLiteral("Tarnwick")), QStringLiteral("Tarnwick"));
#ifdef Q_OS_WIN
    QCOMPARE(ExecutableDirectory(QStringLiteral("C:\\Programs/Lumivale\\Tarnwick.exe")),
             QStringLiteral("C:\\Programs/Lumivale"));
#else
    // A backslash is part of a file name here, not a separator.
    QCOMPARE(ExecutableDirectory(QStringLiteral("/opt/a\\b/Tar\\nwick")),
             QStringLiteral("/opt/a\\b"));
#endif
  }

  void firstStartTakesTheExecutableDirectoryForBoth() {
    CSettings settings;
    QSettings store = Store();
    settings.LoadFrom(store, QStringLiteral("/opt/tarnwick/bin/Tarnwick"));
    QCOMPARE(settings.PathIn, QStringLiteral("/opt/tarnwick/bin"));
    QCOMPARE(settings.PathOut, QStringLiteral("/opt/tarnwick/bin"));
  }

  void emptyStoredPathInCountsAsMissingAndReplacesPathOut() {
    {
      QSettings store = Store();
      store.setValue(QStringLiteral("Settings/Path In"), QString());
      store.setValue(QStringLiteral("Settings/Path Out"), QStringLiteral("/data/out"));
    }
    CSettings settings;
    QSettings store = Store();
    settings.LoadFrom(store, QStringLiteral("/opt/bin/Tarnwick"));
    QCOMPARE(settings.PathIn, QStringLiteral("/opt/bin"));
    QCOMPARE(settings.PathOut, QStringLiteral("/opt/bin"));
  }

  void storedPathInWithoutPathOutLeavesPathOutEmpty() {
    {
      QSettings store = Store();
      store.setValue(QStringLiteral("Settings/Path In"), QStringLiteral("/data/in"));
    }
    CSettings settings;
    QSettings store = Store();
    settings.LoadFrom(store, QStringLiteral("/opt/bin/Tarnwick"));
    QCOMPARE(settings.PathIn, QStringLiteral("/data/in"));
    QVERIFY(settings.PathOut.isEmpty());
  }

  void unknownExecutablePathKeepsWhatWasRead() {
    {
      QSettings store = Store();
      store.setValue(QStringLiteral("Settings/Path Out"), QStringLiteral("/data/out"));
    }
    CSettings settings;
    QSettings store = Store();
    settings.LoadFrom(store, QString());
    QVERIFY(settings.PathIn.isEmpty());
    QCOMPARE(settings.PathOut, QStringLiteral("/data/out"));
  }

  void saveWritesExactlyTheTwoEntriesEmptyOnesAsEmptyStrings() {
    CSettings settings;
    settings.PathIn = QStringLiteral("/data/in");
    {
      QSettings store = Store();
      settings.SaveTo(store);
    }
    QSettings store = Store();
    QCOMPARE(store.childGroups(), QStringList{QStringLiteral("Settings")});
    store.beginGroup(QStringLiteral("Settings"));
    QCOMPARE(store.childKeys(), QStringList({"Path In", "Path Out"}));
    QCOMPARE(store.value(QStringLiteral("Path In")).toString(), QStringLiteral("/data/in"));
    QVERIFY(store.contains(QStringLiteral("Path Out")));
    QCOMPARE(store.value(QStringLiteral("Path Out")).toString(), QString());
  }

  void storeLivesUnderCompanyAndApplicationWord() {
    theSettings.PathIn = QStringLiteral("/a");
    theSettings.PathOut = QStringLiteral("/b");
    CConverterApp app;
    theSettings.Save();
    const QString file = profileRoot_.filePath(QStringLiteral("Quenneth/settings_test.conf"));
    QVERIFY2(QFile::exists(file), qPrintable(file));
  }

  void firstRunStoresTheExecutableDirectoryAtTheEnd() {
    CConverterApp app;
    RunAndCloseAtOnce(app);
    const QString directory = QCoreApplication::applicationDirPath();
    QCOMPARE(theSettings.PathIn, directory);
    QCOMPARE(theSettings.PathOut, directory);
    QSettings store = Store();
    QCOMPARE(store.value(QStringLiteral("Settings/Path In")).toString(), directory);
    QCOMPARE(store.value(QStringLiteral("Settings/Path Out")).toString(), directory);
  }

  void startingClosingAndStartingAgainKeepsTheDirectories() {
    {
      QSettings store = Store();
      store.setValue(QStringLiteral("Settings/Path In"), QStringLiteral("/data/in"));
      store.setValue(QStringLiteral("Settings/Path Out"), QStringLiteral("/data/out"));
    }
    for (int run = 0; run < 2; ++run) {
      theSettings = CSettings();
      CConverterApp app;
      RunAndCloseAtOnce(app);
      QCOMPARE(theSettings.PathIn, QStringLiteral("/data/in"));
      QCOMPARE(theSettings.PathOut, QStringLiteral("/data/out"));
    }
    QSettings store = Store();
    QCOMPARE(store.allKeys(), QStringList({"Settings/Path In", "Settings/Path Out"}));
  }

  void firstUserInterfaceLanguageDecides() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Austria));
    QCOMPARE(UserInterfaceLanguage(), Language::German);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QCOMPARE(UserInterfaceLanguage(), Language::English);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(UserInterfaceLanguage(), Language::English);
  }
};

QTEST_MAIN(TestSettings)
#include "settings_test.moc"
