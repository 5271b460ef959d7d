// The main dialog at work: composed paths, a conversion from the button with
// its message boxes, file errors, the about entry and the download buttons.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include "about_dlg.h"
#include "converter_dlg.h"
#include "dialog_prompts.h"
#include "file_layer.h"
#include "modal_helper.h"
#include "resource.h"
#include "settings.h"
#include "text_table.h"

using namespace tarnwick;
using test::BoxAnswerer;
using test::SeenBox;

namespace {

QString Field(const QDialog& dialog, const char* name) {
  return dialog.findChild<QLineEdit*>(QString::fromLatin1(name))->text();
}

void Click(const QDialog& dialog, const char* name) {
  dialog.findChild<QPushButton*>(QString::fromLatin1(name))->click();
}

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TestConverterDialog final : public QObject {
  Q_OBJECT

 public slots:
  void RecordUrl(const QUrl& url) { urls_ << url; }

 private:
  QTemporaryDir dir_;
  QList<QUrl> urls_;

  QString InDir(const QString& name) const { return dir_.filePath(name); }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY(QFile::copy(QStringLiteral(TARNWICK_SAMPLE_CATALOGUE),
                        InDir(QStringLiteral("MPCORB.DAT"))));
    QCoreApplication::setApplicationName(QStringLiteral("Tarnwick"));
  }

  void init() {
    SetTextLanguage(Language::English);
    theSettings.PathIn = dir_.path();
    theSettings.PathOut = dir_.path();
  }

  void pathsAreTheDirectoriesJoinedWithOneSeparator() {
    theSettings.PathIn = QStringLiteral("/data/in");
    theSettings.PathOut = QStringLiteral("/");
    CConverterDlg dialog;
    QCOMPARE(Field(dialog, "IDC_INPUT_FILE"), QStringLiteral("/data/in/MPCORB.DAT"));
    QCOMPARE(Field(dialog, "IDC_OUTPUT_ORBITS"), QStringLiteral("//Asteroids4.dat"));
    QCOMPARE(Field(dialog, "IDC_OUTPUT_INFO"), QStringLiteral("//AsteroidInfo4.dat"));

    theSettings.PathIn.clear();
    theSettings.PathOut = QStringLiteral("/data/in");
    dialog.ComposePaths();
    QCOMPARE(dialog.InputFile, QStringLiteral("/MPCORB.DAT"));
    QCOMPARE(Field(dialog, "IDC_INPUT_FILE"), QStringLiteral("/MPCORB.DAT"));
    QCOMPARE(Field(dialog, "IDC_OUTPUT_INFO"), QStringLiteral("/data/in/AsteroidInfo4.dat"));
    QVERIFY(dialog.findChild<QLineEdit*>(QStringLiteral("IDC_INPUT_FILE"))->isReadOnly());
  }

  void convertButtonConvertsTheCatalogueAndSaysSo() {
    QFile::remove(InDir(QStringLiteral("Asteroids4.dat")));
    QFile::remove(InDir(QStringLiteral("AsteroidInfo4.dat")));
    CConverterDlg dialog;
    dialog.show();
    std::vector<SeenBox> seen;
    {
      BoxAnswerer answerer;
      Click(dialog, "IDC_CONVERT");
      seen = answerer.Seen();
    }
    QCOMPARE(seen.size(), std::size_t{1});
    QCOMPARE(seen[0].icon, QMessageBox::Information);
    QCOMPARE(seen[0].caption, QStringLiteral("Finished !"));
    QCOMPARE(seen[0].text, QStringLiteral("Conversion finished"));
    QCOMPARE(seen[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(seen[0].owner, &dialog);
    QVERIFY(!QApplication::overrideCursor());

    const qint64 orbits = QFileInfo(InDir(QStringLiteral("Asteroids4.dat"))).size();
    const qint64 infos = QFileInfo(InDir(QStringLiteral("AsteroidInfo4.dat"))).size();
    QVERIFY(orbits > 0);
    QCOMPARE(orbits % 113, 0);
    QCOMPARE(infos % 45, 0);
    QCOMPARE(orbits / 113, infos / 45);
    // A run changes neither the fields nor the directories.
    QCOMPARE(Field(dialog, "IDC_INPUT_FILE"), InDir(QStringLiteral("MPCORB.DAT")));
    QCOMPARE(theSettings.PathIn, dir_.path());
  }

  void existingOutputIsOverwrittenOnlyAfterYes() {
    const QString orbitPath = InDir(QStringLiteral("Asteroids4.dat"));
    CConverterDlg dialog;
    dialog.show();
    {
      BoxAnswerer answerer({QMessageBox::Yes, QMessageBox::Yes});
      Click(dialog, "IDC_CONVERT");
    }
    const QByteArray before = Contents(orbitPath);
    QVERIFY(!before.isEmpty());
    {
      QFile file(orbitPath);
      QVERIFY(file.open(QIODevice::Append));
      file.write("extra");
    }

    // "No" ends the run at once, without a message, and keeps the file.
    std::vector<SeenBox> seen;
    {
      BoxAnswerer answerer({QMessageBox::No});
      Click(dialog, "IDC_CONVERT");
      seen = answerer.Seen();
    }
    QCOMPARE(seen.size(), std::size_t{1});
    QCOMPARE(seen[0].icon, QMessageBox::NoIcon);
    QCOMPARE(seen[0].caption, QStringLiteral("Attention"));
    QCOMPARE(seen[0].text, QStringLiteral("File %1 already exists - overwrite ?").arg(orbitPath));
    QCOMPARE(seen[0].buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(seen[0].defaultButton, QMessageBox::Yes);
    QCOMPARE(seen[0].buttonTexts, QStringList({"&Yes", "&No"}));
    QCOMPARE(Contents(orbitPath), before + "extra");
    QVERIFY(!QApplication::overrideCursor());

    // Yes twice converts again and replaces both files.
    {
      BoxAnswerer answerer({QMessageBox::Yes, QMessageBox::Yes});
      Click(dialog, "IDC_CONVERT");
      seen = answerer.Seen();
    }
    QCOMPARE(seen.size(), std::size_t{3});
    QCOMPARE(seen[1].text, QStringLiteral("File %1 already exists - overwrite ?")
                               .arg(InDir(QStringLiteral("AsteroidInfo4.dat"))));
    QCOMPARE(seen[2].icon, QMessageBox::Information);
    QCOMPARE(Contents(orbitPath), before);
  }

  void missingCatalogueGivesTheOpenFailureWarning() {
    theSettings.PathIn = InDir(QStringLiteral("nowhere"));
    SetTextLanguage(Language::German);
    CConverterDlg dialog;
    dialog.show();
    std::vector<SeenBox> seen;
    {
      BoxAnswerer answerer;
      Click(dialog, "IDC_CONVERT");
      seen = answerer.Seen();
    }
    QCOMPARE(seen.size(), std::size_t{1});
    QCOMPARE(seen[0].icon, QMessageBox::Warning);
    QCOMPARE(seen[0].caption, QStringLiteral("Achtung"));
    QCOMPARE(seen[0].text, QStringLiteral("Datei \"%1/nowhere/MPCORB.DAT\" konnte nicht geöffnet "
                                          "werden")
                               .arg(dir_.path()));
    QVERIFY(!QApplication::overrideCursor());
  }

  void writeErrorShowsTheFileErrorBoxAndTheDialogGoesOn() {
    if (!QFileInfo::exists(QStringLiteral("/dev/full"))) QSKIP("needs /dev/full");
    QTemporaryDir outDir;
    QVERIFY(QFile::link(QStringLiteral("/dev/full"),
                        outDir.filePath(QStringLiteral("Asteroids4.dat"))));
    theSettings.PathOut = outDir.path();
    SetTextLanguage(Language::German);
    CConverterDlg dialog;
    dialog.show();
    std::vector<SeenBox> seen;
    {
      // /dev/full exists and can be read: the run asks first.
      BoxAnswerer answerer({QMessageBox::Yes});
      Click(dialog, "IDC_CONVERT");
      seen = answerer.Seen();
    }
    QCOMPARE(seen.size(), std::size_t{2});
    QCOMPARE(seen[0].caption, QStringLiteral("Achtung"));
    QCOMPARE(seen[0].buttonTexts, QStringList({"&Ja", "&Nein"}));
    QCOMPARE(seen[1].icon, QMessageBox::Critical);
    QCOMPARE(seen[1].caption, QStringLiteral("Tarnwick"));
    QVERIFY2(seen[1].text.startsWith(QStringLiteral("Beim Zugriff auf ")) &&
                 seen[1].text.endsWith(QStringLiteral(" wurde ein voller Datenträger gemeldet.")),
             qPrintable(seen[1].text));
    QCOMPARE(seen[1].owner, &dialog);
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(dialog.isVisible());
    QVERIFY(!QFile::exists(outDir.filePath(QStringLiteral("AsteroidInfo4.dat"))));
  }

  void busyCursorIsRemovedEvenWhenARunLeavesItOn() {
    {
      CDialogPrompts prompts(nullptr);
      prompts.BeginBusy();
      QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    QVERIFY(!QApplication::overrideCursor());
  }

  void aboutEntryOpensTheAboutBox() {
    CConverterDlg dialog;
    dialog.show();
    const QList<QAction*> actions = dialog.WindowMenu()->actions();
    QCOMPARE(actions.size(), 2);
    QVERIFY(actions[0]->isSeparator());
    QCOMPARE(actions[1]->text(), QString::fromStdString(LoadText(IDS_ABOUTBOX)));

    QString title;
    QString version;
    bool ownedByDialog = false;
    test::WhenModal(
        [&](QWidget* about) {
          title = about->windowTitle();
          ownedByDialog = about->parentWidget() == &dialog;
          for (auto* label : about->findChildren<QLabel*>())
            if (!label->text().isEmpty()) version = label->text();
          about->findChild<QPushButton*>(QStringLiteral("IDOK"))->click();
        },
        &dialog);
    actions[1]->trigger();
    QCOMPARE(title, QStringLiteral("About Tarnwick"));
    QCOMPARE(version, QStringLiteral("Tarnwick, Version 1.0"));
    QVERIFY(ownedByDialog);

    // Any command 0x0010 to 0x001F is the about command.
    test::WhenModal(
        [&](QWidget* about) {
          title = about->windowTitle() + QStringLiteral("!");
          static_cast<QDialog*>(about)->reject();
        },
        &dialog);
    dialog.OnSysCommand(IDM_ABOUTBOX | 0xF);
    QCOMPARE(title, QStringLiteral("About Tarnwick!"));
  }

  void rightClickAndAltSpaceOpenTheWindowMenu() {
    CConverterDlg dialog;
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QWidget* popup = nullptr;
    auto closePopupSoon = [&popup] {
      popup = nullptr;
      QTimer::singleShot(50, [&popup] {
        popup = QApplication::activePopupWidget();
        if (popup) popup->close();
      });
    };
    closePopupSoon();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            dialog.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&dialog, &event);
    QCOMPARE(popup, dialog.WindowMenu());

    closePopupSoon();
    QTest::keyClick(&dialog, Qt::Key_Space, Qt::AltModifier);
    QTRY_COMPARE(popup, dialog.WindowMenu());
  }

  void downloadButtonsOpenTheCatalogueAddresses() {
    QDesktopServices::setUrlHandler(QStringLiteral("ftp"), this, "RecordUrl");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "RecordUrl");
    SetTextLanguage(Language::German);
    {
      CConverterDlg dialog;
      Click(dialog, "IDC_DOWNLOAD");
      Click(dialog, "IDC_DOWNLOAD_MIRROR");
    }
    QDesktopServices::unsetUrlHandler(QStringLiteral("ftp"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QCOMPARE(urls_.size(), 2);
    QCOMPARE(urls_[0].scheme(), QStringLiteral("ftp"));
    QCOMPARE(urls_[0].path(), QStringLiteral("/pub/MPCORB/MPCORB.ZIP"));
    QVERIFY(!urls_[0].host().isEmpty());
    QCOMPARE(urls_[1].scheme(), QStringLiteral("http"));
    QCOMPARE(urls_[1].path(), QStringLiteral("/mpcorb/MPCORB.ZIP"));
    QVERIFY(!urls_[1].host().isEmpty());
    QVERIFY(urls_[0].host() != urls_[1].host());
  }
};

QTEST_MAIN(TestConverterDialog)
#include "converter_dialog_test.moc"
