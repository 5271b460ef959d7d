// The folder chooser and the two "..." buttons of the main dialog.
#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include "converter_app.h"
#include "converter_dlg.h"
#include "folder_dialog.h"
#include "modal_helper.h"
#include "settings.h"
#include "text_table.h"

using namespace tarnwick;

namespace {

// What the chooser showed, recorded inside its modal loop.
struct SeenChooser {
  QString title;
  QString prompt;
  QString status;
  QString current;  ///< the selected folder's path
  bool currentInView = false;
  bool ownedBy = false;  ///< parent is the expected owner
  QString cancelText;
};

SeenChooser Look(QWidget* window, QWidget* owner) {
  SeenChooser seen;
  seen.title = window->windowTitle();
  seen.prompt = window->findChild<QLabel*>(QStringLiteral("prompt"))->text();
  seen.status = window->findChild<QLabel*>(QStringLiteral("status"))->text();
  auto* tree = window->findChild<QTreeView*>(QStringLiteral("folderTree"));
  const QModelIndexList selected = tree->selectionModel()->selectedRows();
  const QModelIndex current = selected.isEmpty() ? QModelIndex() : selected.first();
  seen.current = static_cast<QFileSystemModel*>(tree->model())->filePath(current);
  seen.currentInView =
      current.isValid() && tree->viewport()->rect().intersects(tree->visualRect(current));
  seen.ownedBy = window->parentWidget() == owner;
  seen.cancelText =
      window->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text();
  return seen;
}

// Selects `folder` in the chooser's tree; true when the tree has it.
bool Select(QWidget* window, const QString& folder) {
  auto* tree = window->findChild<QTreeView*>(QStringLiteral("folderTree"));
  const QModelIndex index = static_cast<QFileSystemModel*>(tree->model())->index(folder);
  tree->setCurrentIndex(index);
  return index.isValid();
}

void Press(QWidget* window, QDialogButtonBox::StandardButton which) {
  window->findChild<QDialogButtonBox*>()->button(which)->click();
}

// When the chooser opens: record it, select `folder` (unless empty), then
// press `button`.
void WhenChooser(SeenChooser* seen, QWidget* owner, const QString& folder,
                 QDialogButtonBox::StandardButton button, QWidget* outer = nullptr) {
  test::WhenModal(
      [=](QWidget* window) {
        *seen = Look(window, owner);
        if (!folder.isEmpty()) Select(window, folder);
        seen->status = window->findChild<QLabel*>(QStringLiteral("status"))->text();
        Press(window, button);
      },
      outer);
}

QString Field(const QDialog& dialog, const char* name) {
  return dialog.findChild<QLineEdit*>(QString::fromLatin1(name))->text();
}

void Click(const QDialog& dialog, const char* name) {
  dialog.findChild<QPushButton*>(QString::fromLatin1(name))->click();
}

}  // namespace

class TestFolderChooser final : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString in_;
  QString out_;
  QString chosen_;

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    in_ = dir_.filePath(QStringLiteral("in"));
    out_ = dir_.filePath(QStringLiteral("out"));
    chosen_ = dir_.filePath(QStringLiteral("a folder with a rather long name"));
    for (const QString& path : {in_, out_, chosen_}) QVERIFY(QDir().mkpath(path));
  }

  void init() {
    SetTextLanguage(Language::German);
    theSettings.PathIn = in_;
    theSettings.PathOut = out_;
  }

  void shortenPathShows35CharactersWholeAndCutsLongerOnes() {
    const QString path35 = QStringLiteral("/home/user/catalogues/mpc/2026/dec1");
    QCOMPARE(path35.size(), 35);
    QCOMPARE(CFolderDialog::ShortenPath(path35), path35);
    QCOMPARE(CFolderDialog::ShortenPath(path35 + QLatin1Char('x')), path35 + QStringLiteral("..."));
    QCOMPARE(CFolderDialog::ShortenPath(QString()), QString());
  }

  void chooserOpensAtTheInitialFolderWithPromptStatusAndTitle() {
    QWidget owner;
    CFolderDialog chooser(chosen_, BIF_RETURNONLYFSDIRS, &owner, QStringLiteral("Wohin?"));
    SeenChooser seen;
    test::WhenModal([&](QWidget* window) {
      // Look again once the tree has had time to load around the folder.
      QTimer::singleShot(300, window, [&seen, window, &owner] {
        seen = Look(window, &owner);
        Press(window, QDialogButtonBox::Cancel);
      });
    });
    QCOMPARE(chooser.DoModal(), IDCANCEL);
    QCOMPARE(seen.title, QStringLiteral("Kleinplaneten aktualisieren"));
    QCOMPARE(seen.prompt, QStringLiteral("Wohin?"));
    QCOMPARE(seen.status, CFolderDialog::ShortenPath(chosen_));
    QVERIFY(seen.status.endsWith(QStringLiteral("...")));
    QCOMPARE(seen.current, chosen_);
    QVERIFY(seen.currentInView);
    QVERIFY(seen.ownedBy);
    QCOMPARE(seen.cancelText, QStringLiteral("Abbrechen"));
  }

  void promptDefaultsOnlyWhenNoneIsGiven() {
    SeenChooser seen;
    CFolderDialog withoutPrompt(in_, BIF_RETURNONLYFSDIRS, nullptr);
    WhenChooser(&seen, nullptr, QString(), QDialogButtonBox::Cancel);
    withoutPrompt.DoModal();
    QCOMPARE(seen.prompt, QStringLiteral("Aktuelle Auswahl:"));

    CFolderDialog emptyPrompt(in_, BIF_RETURNONLYFSDIRS, nullptr, QString());
    WhenChooser(&seen, nullptr, QString(), QDialogButtonBox::Cancel);
    emptyPrompt.DoModal();
    QCOMPARE(seen.prompt, QString());
  }

  void statusFollowsTheSelectionAndOkReturnsTheFolder() {
    SeenChooser seen;
    CFolderDialog chooser(in_, BIF_RETURNONLYFSDIRS, nullptr);
    WhenChooser(&seen, nullptr, out_, QDialogButtonBox::Ok);
    QCOMPARE(chooser.DoModal(), IDOK);
    QCOMPARE(seen.status, CFolderDialog::ShortenPath(out_));
    QCOMPARE(chooser.GetFolder(), out_);
  }

  void missingInitialFolderStillOpensTheChooser() {
    SeenChooser seen;
    const QString gone = dir_.filePath(QStringLiteral("gone"));
    CFolderDialog chooser(gone, BIF_RETURNONLYFSDIRS, nullptr);
    WhenChooser(&seen, nullptr, QString(), QDialogButtonBox::Cancel);
    QCOMPARE(chooser.DoModal(), IDCANCEL);
    QCOMPARE(seen.title, QStringLiteral("Kleinplaneten aktualisieren"));
    QCOMPARE(seen.status, CFolderDialog::ShortenPath(gone));
  }

  void browseInputChangesOnlyPathInAndTheInputField() {
    CConverterDlg dialog;
    const QString orbits = Field(dialog, "IDC_OUTPUT_ORBITS");
    SeenChooser seen;
    WhenChooser(&seen, &dialog, chosen_, QDialogButtonBox::Ok);
    Click(dialog, "IDC_BROWSE_INPUT");
    QCOMPARE(seen.prompt, QString::fromStdString(LoadText(IDS_CHOOSE_INPUT_DIR)));
    QCOMPARE(seen.current, in_);
    QVERIFY(seen.ownedBy);
    QCOMPARE(theSettings.PathIn, chosen_);
    QCOMPARE(theSettings.PathOut, out_);
    QCOMPARE(Field(dialog, "IDC_INPUT_FILE"), chosen_ + QStringLiteral("/MPCORB.DAT"));
    QCOMPARE(Field(dialog, "IDC_OUTPUT_ORBITS"), orbits);
  }

  void browseOutputChangesOnlyPathOutAndBothOutputFields() {
    CConverterDlg dialog;
    SeenChooser seen;
    WhenChooser(&seen, &dialog, chosen_, QDialogButtonBox::Ok);
    Click(dialog, "IDC_BROWSE_OUTPUT");
    QCOMPARE(seen.prompt, QString::fromStdString(LoadText(IDS_CHOOSE_OUTPUT_DIR)));
    QCOMPARE(seen.current, out_);
    QCOMPARE(theSettings.PathIn, in_);
    QCOMPARE(theSettings.PathOut, chosen_);
    QCOMPARE(Field(dialog, "IDC_INPUT_FILE"), in_ + QStringLiteral("/MPCORB.DAT"));
    QCOMPARE(Field(dialog, "IDC_OUTPUT_ORBITS"), chosen_ + QStringLiteral("/Asteroids4.dat"));
    QCOMPARE(Field(dialog, "IDC_OUTPUT_INFO"), chosen_ + QStringLiteral("/AsteroidInfo4.dat"));
  }

  void cancelChangesNothing() {
    CConverterDlg dialog;
    SeenChooser seen;
    WhenChooser(&seen, &dialog, chosen_, QDialogButtonBox::Cancel);
    Click(dialog, "IDC_BROWSE_INPUT");
    WhenChooser(&seen, &dialog, chosen_, QDialogButtonBox::Cancel);
    Click(dialog, "IDC_BROWSE_OUTPUT");
    QCOMPARE(theSettings.PathIn, in_);
    QCOMPARE(theSettings.PathOut, out_);
    QCOMPARE(Field(dialog, "IDC_INPUT_FILE"), in_ + QStringLiteral("/MPCORB.DAT"));
    QCOMPARE(Field(dialog, "IDC_OUTPUT_INFO"), out_ + QStringLiteral("/AsteroidInfo4.dat"));
  }

  void rootFolderGivesTwoSeparatorsInARow() {
    CConverterDlg dialog;
    SeenChooser seen;
    WhenChooser(&seen, &dialog, QDir::rootPath(), QDialogButtonBox::Ok);
    Click(dialog, "IDC_BROWSE_OUTPUT");
    QCOMPARE(theSettings.PathOut, QStringLiteral("/"));
    QCOMPARE(Field(dialog, "IDC_OUTPUT_ORBITS"), QStringLiteral("//Asteroids4.dat"));
    QCOMPARE(Field(dialog, "IDC_OUTPUT_INFO"), QStringLiteral("//AsteroidInfo4.dat"));
  }

  void titleIsGermanInTheEnglishDialogToo() {
    SetTextLanguage(Language::English);
    CConverterDlg dialog;
    SeenChooser seen;
    WhenChooser(&seen, &dialog, QString(), QDialogButtonBox::Cancel);
    Click(dialog, "IDC_BROWSE_INPUT");
    QCOMPARE(seen.title, QStringLiteral("Kleinplaneten aktualisieren"));
    QCOMPARE(seen.prompt, QStringLiteral("Choose the directory where to find the file MPCORB.DAT"));
    QCOMPARE(seen.cancelText, QStringLiteral("Cancel"));
  }

  void chosenDirectoryReachesTheStoreOnlyAtTheEnd() {
    QTemporaryDir profileRoot;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, profileRoot.path());
    CConverterApp app;
    auto store = [] {
      return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromLatin1(kProfileCompany), QCoreApplication::applicationName());
    };
    {
      QSettings initial = store();
      initial.setValue(QStringLiteral("Settings/Path In"), in_);
      initial.setValue(QStringLiteral("Settings/Path Out"), out_);
    }

    QString storedDuringRun = QStringLiteral("unread");
    SeenChooser seen;
    test::WhenModal([&](QWidget* window) {
      auto* dialog = static_cast<QDialog*>(window);
      WhenChooser(&seen, dialog, chosen_, QDialogButtonBox::Ok, dialog);
      Click(*dialog, "IDC_BROWSE_INPUT");
      storedDuringRun = store().value(QStringLiteral("Settings/Path In")).toString();
      dialog->reject();
    });
    app.InitInstance();
    QCOMPARE(theSettings.PathIn, chosen_);
    QCOMPARE(storedDuringRun, in_);
    QCOMPARE(store().value(QStringLiteral("Settings/Path In")).toString(), in_);
    app.ExitInstance();
    QCOMPARE(store().value(QStringLiteral("Settings/Path In")).toString(), chosen_);
    QCOMPARE(store().value(QStringLiteral("Settings/Path Out")).toString(), out_);
  }
};

QTEST_MAIN(TestFolderChooser)
#include "folder_chooser_test.moc"
