// The folder chooser as the user meets it: the status line, hidden folders by
// Ctrl+H, typed paths, and the two "..." buttons of the main dialog.
#include "converter_dlg.h"
#include "folder_dialog.h"
#include "modal_helper.h"
#include "text_table.h"

using namespace tarnwick;
using test::TypePath;

namespace {

// Runs `open`, which opens a chooser, and `act` in that chooser; returns the
// chooser's title, prompt and status line if it is still open then, and
// cancels it with Escape.
QStringList InChooser(const std::function<void()>& open,
                      const std::function<void(QWidget*)>& act = {}) {
  QStringList seen;
  test::WhenModal([&](QWidget* window) {
    if (act) act(window);
    if (!window->isVisible()) return;
    seen << window->windowTitle() << window->findChild<QLabel*>("prompt")->text()
         << window->findChild<QLabel*>("status")->text();
    QTest::keyClick(window, Qt::Key_Escape);
  });
  open();
  return seen;
}

}  // namespace

class TestFolderChooser final : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir m_dir;
  QString In(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

 private slots:
  void initTestCase() {
    for (const char* folder : {"in/deep", "in/.wine/drive_c", "out"})
      QVERIFY(QDir().mkpath(In(folder)));
    QVERIFY(QFile::link(In("in/deep"), In("link")));
    SetTextLanguage(Language::German);
  }

  void statusLineCutsAfterWholeCharacters() {
    QCOMPARE(CFolderDialog::ShortenPath(QString(35, u'x')), QString(35, u'x'));
    QString folder = m_dir.path() + u'/';
    if (folder.size() > 34) QSKIP("the temporary folder's path is too long");
    folder += QString(34 - folder.size(), u'a') + "🪐 ringed";
    QVERIFY(QDir().mkpath(folder));
    CFolderDialog chooser(folder, nullptr);
    const QStringList seen = InChooser([&] { QCOMPARE(chooser.DoModal(), QDialog::Rejected); });
    QCOMPARE(seen, QStringList({"Kleinplaneten aktualisieren",
                                "Aktuelle Auswahl:", folder.left(36) + "..."}));
  }

  void ctrlHShowsHiddenFoldersToClickOn() {
    CFolderDialog chooser(In("in"), nullptr);
    InChooser([&] { QCOMPARE(chooser.DoModal(), QDialog::Accepted); },
              [this](QWidget* window) {
                auto* tree = window->findChild<QTreeView*>();
                auto* model = static_cast<QFileSystemModel*>(tree->model());
                const auto rows = [&] { return model->rowCount(model->index(In("in"))); };
                QTest::keyClick(tree, Qt::Key_Right);  // opens "in"
                if (QTest::qWaitFor([&] { return rows() == 1; })) {
                  QTest::keyClick(window, Qt::Key_H, Qt::ControlModifier);
                  if (QTest::qWaitFor([&] { return rows() == 2; })) QTest::keyClicks(tree, ".wine");
                }
                QTest::keyClick(window, Qt::Key_Return);
              });
    QCOMPARE(chooser.GetFolder(), In("in/.wine"));
  }

  void typedPathIsTakenAsTypedWhenItIsAFolder() {
    CFolderDialog chooser(In("out"), nullptr);
    const QStringList refused = InChooser(
        [&] { chooser.DoModal(); }, [this](QWidget* window) { TypePath(window, In("nowhere")); });
    QCOMPARE(refused.value(2), "Kein Ordner: " + CFolderDialog::ShortenPath(In("nowhere")));
    // The kernel resolves "link/.." to in/, where the hidden folder lies.
    InChooser([&] { QCOMPARE(chooser.DoModal(), QDialog::Accepted); },
              [this](QWidget* window) { TypePath(window, In("link/../.wine/drive_c")); });
    QCOMPARE(chooser.GetFolder(), In("link/../.wine/drive_c"));
  }

  void browseButtonsChangeTheirDirectoryAndEscapeChangesNothing() {
    SetTextLanguage(Language::English);
    CSettings settings{In("in"), In("out")};
    CConverterDlg dialog(settings);
    InChooser([&] { test::Click(test::Button(&dialog, "...")); },
              [this](QWidget* window) { TypePath(window, In("in/deep")); });
    InChooser([&] { test::Click(test::Button(&dialog, "...", 1)); });  // Escape
    QCOMPARE(settings.pathIn, In("in/deep"));
    QCOMPARE(settings.pathOut, In("out"));
    QCOMPARE(dialog.findChildren<QLineEdit*>().at(0)->text(), In("in/deep/MPCORB.DAT"));
    QCOMPARE(dialog.findChildren<QLineEdit*>().at(1)->text(), In("out/Asteroids4.dat"));
  }
};

QTEST_MAIN(TestFolderChooser)
#include "folder_chooser_test.moc"
