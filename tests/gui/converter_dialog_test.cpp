// The main dialog at work: the paths it shows, a conversion from the button
// with its message boxes, file errors, the window menu, the download buttons
// and Qt's own texts in German.
#include "converter_app.h"
#include "converter_dlg.h"
#include "modal_helper.h"
#include "text_table.h"

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
  const bool german = TextLanguage() == Language::German;
  test::Click(test::Button(&dialog, german ? "Konvertierung starten" : "Start Converting"));
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

 public slots:
  void RecordUrl(const QUrl& url) { m_urls << url; }

 private:
  QTemporaryDir m_dir;
  CSettings m_settings;
  QList<QUrl> m_urls;

  QString In(const char* name) const { return m_dir.filePath(name); }

 private slots:
  void initTestCase() {
    QVERIFY(QFile::copy(TARNWICK_SAMPLE_CATALOGUE, In("MPCORB.DAT")));
    QCoreApplication::setApplicationName("Tarnwick");
  }

  void init() {
    SetTextLanguage(Language::English);
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

  void longPathWithoutBreakPointsWrapsInsideTheBox() {
    m_settings.pathIn = m_dir.filePath(QString(250, u'x'));
    SetTextLanguage(Language::German);
    CConverterDlg dialog(m_settings);
    dialog.show();
    const auto seen = Convert(dialog);
    QCOMPARE(seen.size(), std::size_t{1});
    QCOMPARE(seen[0].icon, QMessageBox::Warning);
    QCOMPARE(seen[0].text,
             "Datei \"" + m_settings.pathIn + "/MPCORB.DAT\" konnte nicht geöffnet werden");
    QVERIFY(seen[0].width < QGuiApplication::primaryScreen()->availableGeometry().width());
  }

  void writeErrorShowsTheFileErrorBoxAndTheDialogGoesOn() {
    QTemporaryDir out;
    QVERIFY(QFile::link("/dev/full", out.filePath("Asteroids4.dat")));
    m_settings.pathOut = out.path();
    SetTextLanguage(Language::German);
    CConverterDlg dialog(m_settings);
    dialog.show();
    const auto seen = Convert(dialog, {QMessageBox::Yes});
    QCOMPARE(seen.size(), std::size_t{2});
    QCOMPARE(seen[0].buttonTexts, QStringList({"&Ja", "&Nein"}));
    QCOMPARE(seen[1].icon, QMessageBox::Critical);
    QCOMPARE(seen[1].caption, "Tarnwick");
    QVERIFY2(seen[1].text.endsWith(" wurde ein voller Datenträger gemeldet."),
             qPrintable(seen[1].text));
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(dialog.isVisible());
  }

  void windowMenuOpensTheAboutBox() {
    CConverterDlg dialog(m_settings);
    dialog.show();
    QString title;
    test::WhenModal(
        [&](QWidget* about) {
          title = about->windowTitle();
          QTest::keyClick(about, Qt::Key_Return);
        },
        &dialog);
    const auto seen = Popup([&] { RightClick(&dialog); }, {Qt::Key_Down, Qt::Key_Return});
    QCOMPARE(seen, QStringList({"", "&About Tarnwick..."}));
    QCOMPARE(title, "About Tarnwick");
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(Popup([&] { QTest::keyClick(&dialog, Qt::Key_Space, Qt::AltModifier); }), seen);
  }

  void downloadButtonsOpenTheCatalogueAddresses() {
    for (const char* scheme : {"http", "https"})
      QDesktopServices::setUrlHandler(scheme, this, "RecordUrl");
    SetTextLanguage(Language::German);
    CConverterDlg dialog(m_settings);
    test::Click(test::Button(&dialog, "Download..."));
    test::Click(test::Button(&dialog, "Download...", 1));
    for (const char* scheme : {"http", "https"}) QDesktopServices::unsetUrlHandler(scheme);
    QCOMPARE(m_urls, QList<QUrl>({QUrl("https://minorplanetcenter.net/iau/MPCORB/MPCORB.DAT.gz"),
                                  QUrl("http://mpcorb.klet.org/")}));
  }

  void pathFieldsSpeakGermanWhenQtsTranslationsAreInstalled() {
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_de.qm"))
      QSKIP("Qt's German translations (qt6-translations-l10n) are not installed");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    CConverterApp app;
    CConverterDlg dialog(m_settings);
    dialog.show();
    const QString texts = Popup([&] { RightClick(dialog.findChild<QLineEdit*>()); }).join('|');
    QLocale::setDefault(QLocale::c());
    QVERIFY2(texts.contains("Alles auswählen"), qPrintable(texts));
  }
};

QTEST_MAIN(TestConverterDialog)
#include "converter_dialog_test.moc"
