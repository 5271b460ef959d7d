// The main dialog at work: the paths it shows, a conversion from the button
// with its message boxes readable on the screen, file errors, the folder
// dialog, the about box, the address box and the German texts.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QAccessible>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <thread>

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

QPushButton* ConvertButton(const QDialog& dialog) {
  const bool german = DialogLanguage() == Language::German;
  return test::Button(&dialog, german ? "&Konvertierung starten" : "&Start Converting");
}

// Presses the convert button and waits for the run on its thread to end.
std::vector<SeenBox> Convert(const CConverterDlg& dialog,
                             std::vector<QMessageBox::StandardButton> answers = {}) {
  test::BoxAnswerer answerer(std::move(answers));
  test::Click(ConvertButton(dialog));
  if (!QTest::qWaitFor([&] { return !dialog.Running(); }, 60000)) qWarning("the run did not end");
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

struct PaintCounter : QObject {
  int count = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count;
    return false;
  }
};

/// Feeds the sample catalogue into a FIFO a line at a time, slowly, until
/// stopped or the reader goes.
class SlowWriter {
 public:
  explicit SlowWriter(const QString& fifo) {
    std::signal(SIGPIPE, SIG_IGN);
    m_thread = std::thread([this, path = fifo.toStdString()] {
      std::ifstream sample(TARNWICK_SAMPLE_CATALOGUE);
      std::ofstream out(path);
      for (std::string line; !m_stop && std::getline(sample, line) && out;) {
        out << line << '\n' << std::flush;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    });
  }
  ~SlowWriter() {
    m_stop = true;
    m_thread.join();
  }

 private:
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

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
    const qint64 orbits = QFileInfo(In("Asteroids4.dat")).size();
    QCOMPARE(seen[0].caption + seen[0].text, "Finished !Conversion finished\n\n" +
                                                 QLocale(QLocale::English).toString(orbits / 113) +
                                                 " objects written.");
    QCOMPARE(seen[0].owner, &dialog);
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

  void cancelDuringASlowConversionKeepsThePairWhileTheWindowAnswers() {
    QTemporaryDir in, out;
    QVERIFY(::mkfifo(QFile::encodeName(in.filePath("MPCORB.DAT")).constData(), 0600) == 0);
    for (const char* name : {"Asteroids4.dat", "AsteroidInfo4.dat"}) {
      QFile file(out.filePath(name));
      QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray("the previous ") + name));
    }
    const auto before = test::Contents(out.path());
    m_settings = {in.path(), out.path()};
    CConverterDlg dialog(m_settings);
    dialog.show();
    SlowWriter writer(in.filePath("MPCORB.DAT"));
    test::BoxAnswerer answerer({QMessageBox::Yes, QMessageBox::Yes});
    test::Click(ConvertButton(dialog));
    auto* bar = dialog.findChild<QProgressBar*>();
    QTRY_VERIFY(dialog.Running() && bar->isVisible());
    // The GUI thread goes on: a timer fires and the bar repaints while the run reads.
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    PaintCounter paints;
    bar->installEventFilter(&paints);
    QTest::qWait(600);
    QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
    QVERIFY(paints.count >= 2);
    QVERIFY(dialog.Running());
    QVERIFY(!ConvertButton(dialog)->isEnabled());
    QCOMPARE(bar->maximum(), 0);  // a pipe has no size: a moving bar
    test::Click(test::Button(&dialog, "C&ancel"));
    QTRY_VERIFY(!dialog.Running());
    QCOMPARE(answerer.Seen().size(), std::size_t{2});  // the two overwrite questions only
    QCOMPARE(test::Contents(out.path()), before);
    QVERIFY(ConvertButton(dialog)->isEnabled());
    QVERIFY(!bar->isVisible());
  }

  void aDroppedCatalogueFileChoosesItsFolderAndNothingElseIsTaken() {
    QTemporaryDir dropped;
    QVERIFY(QFile::copy(TARNWICK_SAMPLE_CATALOGUE, dropped.filePath("mpcorb.dat.gz")));
    QVERIFY(QFile(dropped.filePath("notes.txt")).open(QIODevice::WriteOnly));
    CConverterDlg dialog(m_settings);
    dialog.show();
    for (const char* name : {"notes.txt", "mpcorb.dat.gz"}) {
      QMimeData data;
      data.setUrls({QUrl::fromLocalFile(dropped.filePath(name))});
      QDragEnterEvent enter({5, 5}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(&dialog, &enter);
      QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      if (enter.isAccepted()) QApplication::sendEvent(&dialog, &drop);
      QCOMPARE(enter.isAccepted(), name != QString("notes.txt"));
    }
    QCOMPARE(m_settings.pathIn, dropped.path());
    QCOMPARE(m_settings.pathOut, m_dir.path());
  }

  void everyControlHasANameAndTheKeyboardCannotCloseByAccident() {
    UseLanguage(Language::German);
    CConverterDlg dialog(m_settings);
    dialog.show();
    QStringList names;
    for (QWidget* widget : dialog.findChildren<QWidget*>()) {
      QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
      const QString name = accessible ? accessible->text(QAccessible::Name) : QString();
      QVERIFY2(!name.contains("--"), "the arrow is read out");
      if (qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget)) names << name;
    }
    names.sort();
    QCOMPARE(names, QStringList({"Abbrechen", "Ausgabeordner wählen...", "Bahndatei",
                                 "Download-Seite des Mirrors im Browser öffnen", "Eingabedatei",
                                 "Eingabeordner wählen...", "Herunterladen und konvertieren",
                                 "Katalog im Browser herunterladen", "Konvertierung starten",
                                 "Schließen", "Übersichtsdatei"}));
    // Enter in a path field does not press the default button, Close.
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.findChild<QLineEdit*>()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(dialog.isVisible());
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

  // A FIFO planted as an output is refused before anything is written: the
  // warning says that it cannot be opened, and why, in German too.
  void refusedOutputIsExplained() {
    QTemporaryDir out;
    QVERIFY(::mkfifo(QFile::encodeName(out.filePath("AsteroidInfo4.dat")).constData(), 0600) == 0);
    m_settings.pathOut = out.path();
    UseLanguage(Language::German);
    CConverterDlg dialog(m_settings);
    dialog.show();
    const auto seen = Convert(dialog);
    QCOMPARE(seen.size(), std::size_t{1});
    QCOMPARE(seen[0].text, "Datei \"" + out.filePath("AsteroidInfo4.dat") +
                               "\" konnte nicht geöffnet werden\n\n" +
                               out.filePath("AsteroidInfo4.dat") +
                               " ist ein Gerät, eine FIFO oder ein Socket. Tarnwick schreibt nur "
                               "Dateien.");
    QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::System),
             QStringList{"AsteroidInfo4.dat"});
  }

  // The file-error box speaks the session's language: German as it always
  // has, English in English sessions, each with the system's reason. The
  // write fails as on a full disk: files of this process may hold no whole
  // record.
  void writeErrorShowsTheFileErrorBoxAndTheDialogGoesOn() {
    QTemporaryDir out;
    QFile previous(out.filePath("Asteroids4.dat"));
    QVERIFY(previous.open(QIODevice::WriteOnly));
    previous.close();
    m_settings.pathOut = out.path();
    const QString orbits = out.filePath("Asteroids4.dat");
    const QString reason = QString::fromLocal8Bit(std::strerror(EFBIG));
    for (const auto& [language, text] :
         {std::pair{Language::German, "Beim Zugriff auf " + orbits +
                                          " wurde ein voller Datenträger gemeldet.\n\nDas "
                                          "System meldet: " +
                                          reason},
          std::pair{Language::English, "A full disk was reported while accessing " + orbits +
                                           ".\n\nThe system reports: " + reason}}) {
      UseLanguage(language);
      CConverterDlg dialog(m_settings);
      dialog.show();
      rlimit limit{};
      QCOMPARE(::getrlimit(RLIMIT_FSIZE, &limit), 0);
      const rlimit before = limit;
      limit.rlim_cur = 100;
      const auto previousHandler = ::signal(SIGXFSZ, SIG_IGN);
      QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
      const auto seen = Convert(dialog, {QMessageBox::Yes});
      ::setrlimit(RLIMIT_FSIZE, &before);
      ::signal(SIGXFSZ, previousHandler);
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

  void addressIsShownAndCopiedWhenNothingOpensIt() {
    const QByteArray path = qgetenv("PATH");
    qunsetenv("BROWSER");
    qunsetenv("DEFAULT_BROWSER");
    QTemporaryDir bin;  // an xdg-open that finds no browser
    QFile opener(bin.filePath("xdg-open"));
    QVERIFY(opener.open(QIODevice::WriteOnly) && opener.write("#!/bin/sh\nexit 3\n") > 0);
    opener.close();
    QVERIFY(opener.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    CConverterDlg dialog(m_settings);
    dialog.show();
    const QString url = "https://minorplanetcenter.net/iau/MPCORB/MPCORB.DAT.gz";
    for (const QString& where : {QString("/nonexistent"), bin.path()}) {
      qputenv("PATH", where.toLocal8Bit());
      QString text, unreadable, copied;
      test::WhenModal(
          [&](QWidget* window) {
            auto* box = qobject_cast<QMessageBox*>(window);
            text = box->text();
            unreadable = test::Unreadable(box);
            QTest::keyClick(box, Qt::Key_C, Qt::AltModifier);  // &Copy address
            // The button presses once its animation has run.
            (void)QTest::qWaitFor([] { return !QGuiApplication::clipboard()->text().isEmpty(); });
            copied = QGuiApplication::clipboard()->text();
            QGuiApplication::clipboard()->clear();
            QTest::keyClick(box, Qt::Key_Escape);
          },
          &dialog);
      test::Click(test::Button(&dialog, "&Download..."));
      QTRY_VERIFY_WITH_TIMEOUT(!text.isEmpty(), 10000);
      QTRY_VERIFY(!QApplication::activeModalWidget());
      QVERIFY2(text.endsWith("\n\n" + url), qPrintable(text));
      QCOMPARE(copied, url);
      QCOMPARE(unreadable, QString());
    }
    qputenv("PATH", path);
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
    QCOMPARE(seen.back().caption + '|' + seen.back().text,
             "Fertig !|Konvertierung abgeschlossen\n\n2.000 Objekte geschrieben.");
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
