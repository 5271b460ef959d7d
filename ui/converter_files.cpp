// The main dialog's files and addresses: the catalogue dropped on it, the
// folder choosers, and the web addresses it hands to the browser.
#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

#include "catalogue_location.h"
#include "conversion_run.h"
#include "converter_dlg.h"
#include "dialog_paths.h"

namespace tarnwick {

namespace {

/// Whether `path` names a catalogue by its file name, in any case.
bool IsCatalogueName(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  for (const char* catalogue : kCatalogueNames)
    if (name.compare(QLatin1String(catalogue), Qt::CaseInsensitive) == 0) return true;
  return false;
}

/// The first local catalogue file among the dropped URLs; empty when none.
QString DroppedCatalogue(const QMimeData* data) {
  if (!data || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls()) {
    QString path = url.toLocalFile();
    if (!path.isEmpty() && IsCatalogueName(path) && QFileInfo(path).isFile()) return path;
  }
  return {};
}

/// Puts `prompt` above the folders of Qt's own folder dialog, where the
/// window manager cannot cut it as it cuts a long title. A dialog of the
/// desktop's own keeps only the title.
void AddPrompt(QFileDialog& chooser, const QString& prompt) {
  auto* grid = qobject_cast<QGridLayout*>(chooser.layout());
  if (!grid) return;
  struct Item {
    QLayoutItem* item;
    int row, column, rows, columns;
  };
  QList<Item> items;
  for (int i = 0; i < grid->count(); ++i) {
    Item entry{grid->itemAt(i), 0, 0, 0, 0};
    grid->getItemPosition(i, &entry.row, &entry.column, &entry.rows, &entry.columns);
    items << entry;
  }
  while (grid->count() > 0) grid->takeAt(0);
  auto* label = Text(prompt);
  label->setObjectName(QStringLiteral("tarnwickPrompt"));
  grid->addWidget(label, 0, 0, 1, grid->columnCount());
  for (const Item& entry : items)
    grid->addItem(entry.item, entry.row + 1, entry.column, entry.rows, entry.columns);
}

}  // namespace

void CConverterDlg::dragEnterEvent(QDragEnterEvent* event) {
  if (!Running() && !DroppedCatalogue(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CConverterDlg::dropEvent(QDropEvent* event) {
  const QString catalogue = DroppedCatalogue(event->mimeData());
  if (Running() || catalogue.isEmpty()) return;
  event->acceptProposedAction();
  m_settings.pathIn = QFileInfo(catalogue).absolutePath();
  ComposePaths();
}

void CConverterDlg::OpenAddress(const QString& address) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
  // xdg-open says whether it found a program; Qt only whether it started it.
  // It may wait for the browser it opens, so only its failure is awaited.
  auto* opener = new QProcess(this);
  connect(opener, &QProcess::errorOccurred, this, [this, opener, address](QProcess::ProcessError) {
    if (opener->property("told").toBool()) return;
    opener->setProperty("told", true);
    opener->deleteLater();
    ShowAddress(address);
  });
  connect(opener, &QProcess::finished, this,
          [this, opener, address](int status, QProcess::ExitStatus how) {
            if (opener->property("told").toBool()) return;
            opener->setProperty("told", true);
            opener->deleteLater();
            if (how != QProcess::NormalExit || status != 0) ShowAddress(address);
          });
  opener->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  opener->start(QStringLiteral("xdg-open"), {address});
#else
  if (!QDesktopServices::openUrl(QUrl(address))) ShowAddress(address);
#endif
}

void CConverterDlg::ShowAddress(const QString& url) {
  const QString text = tr("No program here opens web addresses. Copy this address into your "
                          "browser:") +
                       QStringLiteral("\n\n") + url;
  QMessageBox box(QMessageBox::Information, QCoreApplication::applicationName(), text,
                  QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  auto* copy = box.addButton(tr("&Copy address"), QMessageBox::ActionRole);
  // Copying must not close the box.
  QObject::disconnect(copy, &QAbstractButton::clicked, nullptr, nullptr);
  connect(copy, &QPushButton::clicked, &box, [url] { QGuiApplication::clipboard()->setText(url); });
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Ok);
  box.exec();
}

void CConverterDlg::ChooseDirectory(QString& directory, const QString& prompt, bool input) {
  QFileDialog chooser(this, prompt, Absolute(directory));
  chooser.setFileMode(QFileDialog::Directory);
  if (input) {
    // The catalogue files show, so that the user sees the folder is the right one.
    chooser.setNameFilter(tr("Catalogue (MPCORB.DAT MPCORB.DAT.gz MPCORB.ZIP)"));
  } else {
    chooser.setOption(QFileDialog::ShowDirsOnly);
  }
  // Ctrl+H shows and hides hidden folders, as in the desktops' own dialogs:
  // Lumivale's folder under Wine lies below ~/.wine.
  auto* hidden = new QAction(&chooser);
  hidden->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
  connect(hidden, &QAction::triggered, &chooser,
          [&chooser] { chooser.setFilter(chooser.filter() ^ QDir::Hidden); });
  chooser.addAction(hidden);
  AddPrompt(chooser, prompt);
  if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return;
  QString chosen = chooser.selectedFiles().constFirst();
  // A catalogue file chosen in the input chooser stands for its folder.
  if (QFileInfo(chosen).isFile()) chosen = QFileInfo(chosen).absolutePath();
  directory = chosen;
  ComposePaths();
}

}  // namespace tarnwick
