#include "folder_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "text_table.h"

namespace tarnwick {

namespace {
constexpr qsizetype kStatusLength = 35;
}

CFolderDialog::CFolderDialog(const QString& initialFolder, unsigned flags, QWidget* owner,
                             std::optional<QString> prompt)
    : InitialFolder(initialFolder),
      flags_(flags | BIF_STATUSTEXT),
      owner_(owner),
      prompt_(prompt ? *prompt : QString::fromUtf8(kDefaultPrompt)) {}

CFolderDialog::~CFolderDialog() = default;

QString CFolderDialog::ShortenPath(const QString& text) {
  return text.size() > kStatusLength ? text.left(kStatusLength) + QStringLiteral("...") : text;
}

int CFolderDialog::DoModal() {
  SelectedFolder = InitialFolder;

  QDialog window(owner_);
  window.setObjectName(QString::fromLatin1(kWindowName));
  window.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  window.setModal(true);

  auto* prompt = new QLabel(prompt_, &window);
  prompt->setObjectName(QStringLiteral("prompt"));
  prompt->setTextFormat(Qt::PlainText);
  prompt->setWordWrap(true);

  auto* status = new QLabel(&window);
  status->setObjectName(QStringLiteral("status"));
  status->setTextFormat(Qt::PlainText);
  status->setVisible((flags_ & BIF_STATUSTEXT) != 0);

  // Folders only: the tree never lists files, whatever the flags say.
  auto* model = new QFileSystemModel(&window);
  model->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
  model->setReadOnly(true);
  model->setRootPath(QDir::rootPath());

  auto* tree = new QTreeView(&window);
  tree->setObjectName(QStringLiteral("folderTree"));
  tree->setModel(model);
  tree->setHeaderHidden(true);
  for (int column = 1; column < model->columnCount(); ++column) tree->hideColumn(column);
  tree->setSortingEnabled(true);
  tree->sortByColumn(0, Qt::AscendingOrder);
  tree->setSelectionMode(QAbstractItemView::SingleSelection);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &window);
  if (TextLanguage() == Language::German)
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &window, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);

  auto* layout = new QVBoxLayout(&window);
  layout->addWidget(prompt);
  layout->addWidget(status);
  layout->addWidget(tree, 1);
  layout->addWidget(buttons);
  window.resize(380, 420);

  browseWindow_ = &window;
  model_ = model;
  tree_ = tree;
  status_ = status;

  // The selection, not the current item: the tree makes its first row current
  // when it gets the focus, without selecting it.
  QObject::connect(tree->selectionModel(), &QItemSelectionModel::selectionChanged, &window,
                   [this] { OnSelChanged(Selected()); });
  // The tree fills in the background; until the user moves elsewhere it keeps
  // the initial folder selected and in view as its ancestors arrive.
  QObject::connect(model, &QFileSystemModel::directoryLoaded, &window,
                   [this] { FollowInitialFolder(); });
  QObject::connect(model, &QAbstractItemModel::layoutChanged, &window,
                   [this] { FollowInitialFolder(); });

  OnInitialized();
  const bool accepted = window.exec() == QDialog::Accepted;

  int result = IDCANCEL;
  if (accepted) {
    const QString folder = PathOf(Selected());
    if (!folder.isEmpty()) {
      SelectedFolder = folder;
      result = IDOK;
    }
  }
  browseWindow_ = nullptr;
  model_ = nullptr;
  tree_ = nullptr;
  status_ = nullptr;
  return result;
}

void CFolderDialog::OnInitialized() {
  const QModelIndex initial = model_->index(InitialFolder);
  if (initial.isValid()) {
    tree_->setCurrentIndex(initial);
    tree_->scrollTo(initial, QAbstractItemView::PositionAtCenter);
  }
  SetStatusText(ShortenPath(InitialFolder));
  browseWindow_->setWindowTitle(QString::fromUtf8(kTitle));
}

void CFolderDialog::OnSelChanged(const QModelIndex& item) {
  SelectedFolder = PathOf(item);
  SetStatusText(ShortenPath(SelectedFolder));
}

QModelIndex CFolderDialog::Selected() const {
  const QModelIndexList selected = tree_->selectionModel()->selectedRows();
  return selected.isEmpty() ? QModelIndex() : selected.first();
}

QString CFolderDialog::PathOf(const QModelIndex& item) const {
  if (!item.isValid()) return QString();
  return QDir::toNativeSeparators(model_->filePath(item));
}

void CFolderDialog::SetStatusText(const QString& text) {
  if (status_) status_->setText(text);
}

void CFolderDialog::FollowInitialFolder() {
  if (InitialFolder.isEmpty()) return;
  const QModelIndex initial = model_->index(InitialFolder);
  if (!initial.isValid()) return;
  const QModelIndex selected = Selected();
  if (selected.isValid() && selected != initial) return;  // the user has moved on
  if (selected != initial) tree_->setCurrentIndex(initial);
  tree_->scrollTo(initial, QAbstractItemView::PositionAtCenter);
}

}  // namespace tarnwick
