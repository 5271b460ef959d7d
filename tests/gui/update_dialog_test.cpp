// Download and convert: the bytes of `tarnwick-cli update`, the outcome boxes
// in both languages, the data's date from the kept copy, and Cancel while the
// download waits, against update's local HTTPS server.
#include "converter_dlg.h"
#include "desktop_app.h"
#include "dialog_language.h"
#include "modal_helper.h"

using namespace tarnwick;
using test::SeenBox;

namespace {

std::vector<SeenBox> Update(const CConverterDlg& dialog,
                            std::vector<QMessageBox::StandardButton> answers = {}) {
  test::BoxAnswerer answerer(std::move(answers));
  const bool german = DialogLanguage() == Language::German;
  test::Click(
      test::Button(&dialog, german ? "&Herunterladen und konvertieren" : "Do&wnload and convert"));
  if (!QTest::qWaitFor([&] { return !dialog.Running(); }, 60000)) qWarning("the run did not end");
  for (const SeenBox& box : answerer.Seen())
    if (!box.unreadable.isEmpty()) QTest::qFail(qPrintable(box.unreadable), __FILE__, __LINE__);
  return answerer.Seen();
}

// The line under the output fields.
QString DataAge(const QDialog& dialog) {
  for (QLabel* label : dialog.findChildren<QLabel*>())
    if (label->text().startsWith("Data") || label->text().startsWith("Daten")) return label->text();
  return {};
}

}  // namespace

class TestUpdateDialog final : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir m_dir;
  QProcess m_server;
  QString m_base;  // https://127.0.0.1:PORT

 private slots:
  void initTestCase() {
    QCoreApplication::setApplicationName("Tarnwick");
    QVERIFY(QDir(m_dir.path()).mkpath("server"));
    m_server.start("python3",
                   {TARNWICK_HTTPS_SERVER, m_dir.filePath("server"), TARNWICK_SAMPLE_CATALOGUE});
    QVERIFY(m_server.waitForReadyRead(30000));
    m_base = "https://127.0.0.1:" + QString::fromLatin1(m_server.readLine().trimmed());
    qputenv("CURL_CA_BUNDLE", m_dir.filePath("server/cert.pem").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", m_dir.filePath("cache").toLocal8Bit());
  }

  void cleanupTestCase() {
    m_server.kill();
    m_server.waitForFinished();
  }

  void init() { UseLanguage(Language::English); }

  void downloadAndConvertWritesWhatTheCommandLineWritesThenIsUpToDate() {
    qputenv("TARNWICK_URL", (m_base + "/MPCORB.DAT.gz").toLocal8Bit());
    QTemporaryDir out, cliOut;
    CSettings settings{out.path(), out.path()};
    {
      CConverterDlg dialog(settings);
      dialog.show();
      const auto seen = Update(dialog);
      QCOMPARE(seen.size(), std::size_t{1});
      QCOMPARE(seen[0].text, "Conversion finished\n\n2,000 objects written.");
    }
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CACHE_HOME", cliOut.filePath("cache"));
    cli.setProcessEnvironment(environment);
    cli.start(TARNWICK_CLI, {"update", "-o", cliOut.path()});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(test::Contents(out.path()), test::Contents(cliOut.path()));

    // Nothing newer on the server: said in the session's language, with the catalogue's date.
    for (Language language : {Language::English, Language::German}) {
      UseLanguage(language);
      CConverterDlg dialog(settings);
      dialog.show();
      const auto seen = Update(dialog);
      QCOMPARE(seen.size(), std::size_t{1});
      QCOMPARE(seen[0].icon, QMessageBox::Information);
      QCOMPARE(seen[0].caption, language == Language::German ? "Aktuell" : "Up to date");
      QVERIFY2(seen[0].text.contains(m_base + "/MPCORB.DAT.gz") &&
                   seen[0].text.contains("2026-12-07") && seen[0].text.contains(out.path()),
               qPrintable(seen[0].text));
      QVERIFY2(DataAge(dialog).contains("2026-12-07"), qPrintable(DataAge(dialog)));
    }
  }

  void networkFailuresNameTheAddressAndWhatToTry_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("HTTP status") << Language::English << "/missing.gz"
                                 << "the server answered with HTTP status 404.\n\nThe file may "
                                    "have moved";
    QTest::newRow("HTTP-Status") << Language::German << "/missing.gz"
                                 << "der Server antwortete mit HTTP-Status 404.\n\nDie Datei ist "
                                    "vielleicht umgezogen";
    QTest::newRow("no connection") << Language::English << ""
                                   << "no connection to the server";
  }

  void networkFailuresNameTheAddressAndWhatToTry() {
    QFETCH(Language, language);
    QFETCH(QString, path);
    QFETCH(QString, expected);
    UseLanguage(language);
    // Port 1 on this computer takes no connection.
    const QString url = path.isEmpty() ? "https://127.0.0.1:1/MPCORB.DAT.gz" : m_base + path;
    qputenv("TARNWICK_URL", url.toLocal8Bit());
    QTemporaryDir out;
    CSettings settings{out.path(), out.path()};
    CConverterDlg dialog(settings);
    dialog.show();
    const auto seen = Update(dialog);
    QCOMPARE(seen.size(), std::size_t{1});
    QCOMPARE(seen[0].icon, QMessageBox::Warning);
    QVERIFY2(seen[0].text.contains(url) && seen[0].text.contains(expected),
             qPrintable(seen[0].text));
    QVERIFY(QDir(out.path()).isEmpty());
  }

  void cancelWhileTheDownloadWaitsKeepsThePairAndTheKeptCopy() {
    qputenv("TARNWICK_URL", (m_base + "/stall").toLocal8Bit());
    QTemporaryDir out;
    for (const char* name : {"Asteroids4.dat", "AsteroidInfo4.dat"}) {
      QFile file(out.filePath(name));
      QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray("the previous ") + name));
    }
    const auto pair = test::Contents(out.path());
    const QString cache = m_dir.filePath("cache/tarnwick");
    const auto kept = test::Contents(cache);
    CSettings settings{out.path(), out.path()};
    CConverterDlg dialog(settings);
    dialog.show();
    test::BoxAnswerer answerer;
    test::Click(test::Button(&dialog, "Do&wnload and convert"));
    QTRY_VERIFY(dialog.Running() && dialog.findChild<QProgressBar*>()->isVisible());
    QTest::qWait(500);
    QVERIFY(dialog.Running());
    test::Click(test::Button(&dialog, "C&ancel"));
    QTRY_VERIFY(!dialog.Running());
    QVERIFY(answerer.Seen().empty());
    QCOMPARE(test::Contents(out.path()), pair);
    QCOMPARE(test::Contents(cache), kept);
  }
};

QTEST_MAIN(TestUpdateDialog)
#include "update_dialog_test.moc"
