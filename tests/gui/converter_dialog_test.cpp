// The main dialog at work: the paths it shows, a conversion from the button
// with its message boxes readable on the screen, file errors, the folder
// dialog, the about box, the address box and the German texts.
#include <cerrno>
#include <cstring>

#include "converter_dlg.h"
#include "desktop_app.h"
#include "dialog_language.h"
#include "modal_helper.h"
#include "run_words.h"

using namespace tarnwick;
using test::SeenBox;

namespace {

// The path fields in their order: catalogue, orbit file, summary file.
QString Field(const QDialog& dialog, int index) {
  return dialog.findChildren<QLineEdit*>().at(index)->text();
}

std::vector<SeenBox> Convert(const QDialog& dialog,
                             std::vector<QMessageBox::StandardButton> answers = {}) {
  test::BoxAnswerer answerer(std::move(answers));
  const bool german = DialogLanguage() == Language::German;
  test::Click(test::Button(&dialog, german ? "Konvertierung starten" : "Start Converting"));
  for (const SeenBox& box : answerer.Seen())
    if (!box.unreadable.isEmpty()) QTest::qFail(qPrintable(box.unreadable), __FILE__, __LINE__);
  return answerer.Seen();
}

void Touch(const QString& path, int secondsAgo) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly) &&
          file.setFileTime(QDateTime::currentDateTime().addSecs(-secondsAgo),
                           QFileDevice::FileModificationTime));
}

// Opens a popup menu with `open`, returns its entries and presses `keys` in it.
QStringList Popup(const std::function<void()>& open, QList<Qt::Key> keys = {Qt::Key_Escape}) {
  QStringList seen;
  bool done = false;
  QTimer::singleShot(50, [&] {
    QWidget* menu = QApplication::activePopupWidget();
    done = true;
    if (!menu) return;
    for (QAction* action : menu->actions()) seen << action->text();
    for (Qt::Key key : keys) QTest::keyClick(menu, key);
  });
  open();
  if (!QTest::qWaitFor([&] { return done; })) qWarning("no popup menu opened");
  return seen;
}

void RightClick(QWidget* widget) {
  QContextMenuEvent event(QContextMenuEvent::Mouse, {5, 5}, widget->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(widget, &event);
}

}  // namespace

class TestConverterDialog final : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir m_dir;
  CSettings m_settings;

  QString In(const char* name) const { return m_dir.filePath(name); }

 private slots:
  void initTestCase() {
    QVERIFY(QFile::copy(TARNWICK_SAMPLE_CATALOGUE, In("MPCORB.DAT")));
    QCoreApplication::setApplicationName("Tarnwick");
  }

  void init() {
    UseLanguage(Language::English);
    m_settings = {m_dir.path(), m_dir.path()};
  }

  void pathsAreMadeAbsoluteButNeverCleaned() {
    m_settings = {"link/..", ""};
    CConverterDlg dialog(m_settings);
    QCOMPARE(Field(dialog, 0), QDir::currentPath() + "/link/../MPCORB.DAT");
    QCOMPARE(Field(dialog, 2), "/AsteroidInfo4.dat");
  }

  void convertButtonConvertsTheNewestCatalogue() {
    QTemporaryDir in;
    m_settings = {in.path(), in.path()};
    QVERIFY(QFile::copy(TARNWICK_SAMPLE_CATALOGUE, in.filePath("MPCORB.DAT")));
    Touch(in.filePath("MPCORB.DAT.gz"), 3600);
    CConverterDlg dialog(m_settings);
    QCOMPARE(Field(dialog, 0), in.filePath("MPCORB.DAT"));
    Touch(in.filePath("MPCORB.ZIP"), 0);  // a download finished meanwhile
    dialog.show();
    QVERIFY(!Convert(dialog, {QMessageBox::Yes, QMessageBox::Yes}).empty());
    QCOMPARE(Field(dialog, 0), in.filePath("MPCORB.ZIP"));
  }

  void conversionAsksBeforeOverwritingAndSaysWhenItIsDone() {
    CConverterDlg dialog(m_settings);
    dialog.show();
    auto seen = Convert(dialog);
    QCOMPARE(seen.size(), std::size_t{1});
    QCOMPARE(seen[0].icon, QMessageBox::Information);
    QCOMPARE(seen[0].caption + seen[0].text, "Finished !Conversion finished");
    QCOMPARE(seen[0].owner, &dialog);
    const qint64 orbits = QFileInfo(In("Asteroids4.dat")).size();
    QVERIFY(orbits > 0);
    QCOMPARE(orbits / 113, QFileInfo(In("AsteroidInfo4.dat")).size() / 45);

    // "No" (the escape answer) ends the run without a message and keeps the file.
    QVERIFY(QFile::resize(In("Asteroids4.dat"), 5));
    seen = Convert(dialog);
    QCOMPARE(seen.size(), std::size_t{1});
    QCOMPARE(seen[0].text, "File " + In("Asteroids4.dat") + " already exists - overwrite ?");
    QCOMPARE(seen[0].buttonTexts, QStringList({"&Yes", "&No"}));
    QCOMPARE(seen[0].defaultButton, QMessageBox::Yes);
    QCOMPARE(QFileInfo(In("Asteroids4.dat")).size(), 5);

    QCOMPARE(Convert(dialog, {QMessageBox::Yes, QMessageBox::Yes}).size(), std::size_t{3});
    QCOMPARE(QFileInfo(In("Asteroids4.dat")).size(), orbits);
    QVERIFY(!QApplication::overrideCursor());
  }

  void longPathsWithoutBlanksWrapInsideReadableBoxes() {
    const QString folder = m_dir.filePath(QString(200, u'x'));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile(folder + "/Asteroids4.dat").open(QIODevice::WriteOnly));
    for (Language language : {Language::German, Language::English}) {
      UseLanguage(language);
      m_settings = {m_dir.path(), folder};
      CConverterDlg dialog(m_settings);
      dialog.show();
      const bool german = language == Language::German;
      auto seen = Convert(dialog);  // No
      QCOMPARE(seen.size(), std::size_t{1});
      const QString orbits = folder + "/Asteroids4.dat";
      QCOMPARE(seen[0].caption + '|' + seen[0].text,
               german ? "Achtung|Die Datei " + orbits + " existiert schon - überschreiben ?"
                      : "Attention|File " + orbits + " already exists - overwrite ?");
      m_settings.pathIn = folder + 'y';
      CConverterDlg failing(m_settings);
      failing.show();
      seen = Convert(failing);
      QCOMPARE(seen.size(), std::size_t{1});
      QCOMPARE(seen[0].icon, QMessageBox::Warning);
      const QString catalogue = m_settings.pathIn + "/MPCORB.DAT";
      QCOMPARE(seen[0].caption + '|' + seen[0].text,
               german ? "Achtung|Datei \"" + catalogue + "\" konnte nicht geöffnet werden"
                      : "Attention|File \"" + catalogue + "\" couldn't be opened");
    }
  }

  // The file-error box speaks the session's language: German as it always
  // has, English in English sessions, each with the system's reason.
  void writeErrorShowsTheFileErrorBoxAndTheDialogGoesOn() {
    QTemporaryDir out;
    QVERIFY(QFile::link("/dev/full", out.filePath("Asteroids4.dat")));
    m_settings.pathOut = out.path();
    const QString reason = QString::fromLocal8Bit(std::strerror(ENOSPC));
    for (const auto& [language, text] :
         {std::pair{Language::German,
                    "Beim Zugriff auf /dev/full wurde ein voller Datenträger "
                    "gemeldet.\n\nDas System meldet: " +
                        reason},
          std::pair{Language::English,
                    "A full disk was reported while accessing /dev/full.\n\n"
                    "The system reports: " +
                        reason}}) {
      UseLanguage(language);
      CConverterDlg dialog(m_settings);
      dialog.show();
      const auto seen = Convert(dialog, {QMessageBox::Yes});
      QCOMPARE(seen.size(), std::size_t{2});
      QCOMPARE(seen[0].buttonTexts, language == Language::German ? QStringList({"&Ja", "&Nein"})
                                                                 : QStringList({"&Yes", "&No"}));
      QCOMPARE(seen[1].icon, QMessageBox::Critical);
      QCOMPARE(seen[1].caption, "Tarnwick");
      QCOMPARE(seen[1].text, text);
      QVERIFY(!QApplication::overrideCursor());
      QVERIFY(dialog.isVisible());
    }
  }

  void f1AndTheRightClickMenuOpenTheAboutBox() {
    CConverterDlg dialog(m_settings);
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QStringList seen;
    const auto readAbout = [&] {
      test::WhenModal(
          [&](QWidget* about) {
            seen << about->windowTitle() << about->findChildren<QLabel*>().at(1)->text();
            QTest::keyClick(about, Qt::Key_Return);
          },
          &dialog);
    };
    readAbout();
    QTest::keyClick(&dialog, Qt::Key_F1);
    readAbout();
    QCOMPARE(Popup([&] { RightClick(&dialog); }, {Qt::Key_Down, Qt::Key_Return}),
             QStringList({"&About Tarnwick..."}));
    QCOMPARE(seen, QStringList({"About Tarnwick", "Tarnwick, Version " TARNWICK_VERSION,
                                "About Tarnwick", "Tarnwick, Version " TARNWICK_VERSION}));
  }

  void addressIsShownWhenNothingOpensIt() {
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    qunsetenv("BROWSER");
    qunsetenv("DEFAULT_BROWSER");
    CConverterDlg dialog(m_settings);
    dialog.show();
    test::BoxAnswerer answerer;
    test::Click(test::Button(&dialog, "Download..."));
    qputenv("PATH", path);
    QCOMPARE(answerer.Seen().size(), std::size_t{1});
    QVERIFY(answerer.Seen()[0].text.endsWith(
        "\n\nhttps://minorplanetcenter.net/iau/MPCORB/MPCORB.DAT.gz"));
    QCOMPARE(answerer.Seen()[0].unreadable, QString());
  }

  void folderDialogKeepsATypedPathWhileFoldersChange() {
    CSettings settings{In("in"), In("out")};
    QVERIFY(QDir().mkpath(In("in")) && QDir().mkpath(In("out")));
    CConverterDlg dialog(settings);
    dialog.show();
    QString caption, typed;
    test::WhenModal(
        [&](QWidget* chooser) {
          caption = chooser->windowTitle();
          auto* field = chooser->findChild<QLineEdit*>("fileNameEdit");
          field->setFocus();
          QTest::keyClicks(field, In("out"));
          QDir(In("in")).mkdir("download");  // a browser saving into the folder shown
          QTest::qWait(500);
          typed = field->text();
          QTest::keyClick(field, Qt::Key_Return);
        },
        &dialog);
    test::Click(test::Button(&dialog, "..."));
    QCOMPARE(caption, "Choose the directory where to find the file MPCORB.DAT");
    QCOMPARE(typed, In("out"));
    QCOMPARE(settings.pathIn, In("out"));
    QCOMPARE(Field(dialog, 0), In("out/MPCORB.DAT"));
    // Escape changes nothing.
    test::WhenModal([](QWidget* chooser) { QTest::keyClick(chooser, Qt::Key_Escape); }, &dialog);
    test::Click(test::Button(&dialog, "...", 1));
    QCOMPARE(settings.pathOut, In("out"));
  }

  void germanTextsComeFromTheTranslations() {
    UseLanguage(Language::German);
    CConverterDlg dialog(m_settings);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), "Lumivale  -  Kleinplaneten aktualisieren");
    QVERIFY(test::Button(&dialog, "&Schließen"));
    const auto seen = Convert(dialog, {QMessageBox::Yes, QMessageBox::Yes});
    QCOMPARE(seen.back().caption + '|' + seen.back().text, "Fertig !|Konvertierung abgeschlossen");
    // The file-error texts in German, as they have always been.
    const std::pair<FileCause, const char*> causes[] = {
        {FileCause::Generic, "Ein unbekannter Fehler ist beim Zugriff auf /f aufgetreten."},
        {FileCause::FileNotFound, "/f wurde nicht gefunden."},
        {FileCause::BadPath, "/f enthält eine ungültige Pfadangabe."},
        {FileCause::TooManyOpenFiles,
         "/f konnte nicht geöffnet werden, da zu viele Dateien geöffnet sind."},
        {FileCause::AccessDenied, "Zugriff auf /f wurde verweigert."},
        {FileCause::InvalidFile, "Eine ungültige Dateikennung wurde mit /f verbunden."},
        {FileCause::BadSeek, "Positionierungsfehler auf /f."},
        {FileCause::HardIO, "Ein Hardware-E/A-Fehler wurde während des Zugriffs auf /f gemeldet."},
        {FileCause::SharingViolation,
         "Eine Zugriffsverletzung ist während des Zugriffs auf /f aufgetreten."},
        {FileCause::LockViolation,
         "Eine Sperrverletzung ist während des Zugriffs auf /f aufgetreten."},
        {FileCause::DiskFull, "Beim Zugriff auf /f wurde ein voller Datenträger gemeldet."}};
    for (const auto& [cause, text] : causes)
      QCOMPARE(RunWords::FileError(FileException(cause, "/f")), QString::fromUtf8(text));
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_de.qm"))
      QSKIP("Qt's German translations (qt6-translations-l10n) are not installed");
    const QString texts = Popup([&] { RightClick(dialog.findChild<QLineEdit*>()); }).join('|');
    QVERIFY2(texts.contains("Alles auswählen"), qPrintable(texts));
  }
};

QTEST_MAIN(TestConverterDialog)
#include "converter_dialog_test.moc"
