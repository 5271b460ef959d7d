#include "folder_dialog.h"

#include <QCheckBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextBoundaryFinder>
#include <QTreeView>
#include <QVBoxLayout>

#include "settings.h"
#include "text_table.h"

namespace tarnwick {

namespace {

constexpr qsizetype kStatusLength = 35;

// Texts of the chooser's own parts, in the user-interface language.
QString Say(const char* german, const char* english) {
  return QString::fromUtf8(TextLanguage() == Language::German ? german : english);
}

// A path as the user typed or pasted it: "~" stands for the home folder, a
// relative path is taken from the current directory, nothing is cleaned.
QString TypedPath(const QString& text) {
  if (text == u'~' || text.startsWith(QStringLiteral("~/"))) return QDir::homePath() + text.mid(1);
  return AbsolutePath(text);
}

// Whether a folder of `path` is hidden: a name that starts with a dot.
bool GoesThroughHiddenFolder(const QString& path) {
  for (const QString& name : path.split(u'/', Qt::SkipEmptyParts)) {
    if (name.startsWith(u'.') && name != QStringLiteral(".") && name != QStringLiteral(".."))
      return true;
  }
  return false;
}

}  // namespace

CFolderDialog::CFolderDialog(const QString& initialFolder, QWidget* owner,
                             std::optional<QString> prompt)
    : m_initialFolder(initialFolder),
      m_owner(owner),
      m_prompt(prompt ? *prompt : QString::fromUtf8(kDefaultPrompt)) {}

QString CFolderDialog::ShortenPath(const QString& text) {
  QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text);
  for (qsizetype count = 0; characters.toNextBoundary() != -1;) {
    if (++count == kStatusLength && characters.position() < text.size())
      return text.left(characters.position()) + QStringLiteral("...");
  }
  return text;
}

QDialog::DialogCode CFolderDialog::DoModal() {
  m_selectedFolder = m_initialFolder;

  QDialog window(m_owner);
  window.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  window.setModal(true);

  auto* prompt = new QLabel(m_prompt, &window);
  prompt->setObjectName(QStringLiteral("prompt"));
  prompt->setTextFormat(Qt::PlainText);
  prompt->setWordWrap(true);

  auto* status = new QLabel(&window);
  status->setObjectName(QStringLiteral("status"));
  status->setTextFormat(Qt::PlainText);

  // Folders only: the tree never lists files.
  auto* model = new QFileSystemModel(&window);
  model->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
  model->setReadOnly(true);
  model->setRootPath(QDir::rootPath());

  auto* pathField = new QLineEdit(&window);
  pathField->setPlaceholderText(Say("Pfad eingeben oder einfügen", "Type or paste a path"));
  pathField->setCompleter(new QCompleter(model, pathField));

  auto* tree = new QTreeView(&window);
  tree->setModel(model);
  tree->setHeaderHidden(true);
  for (int column = 1; column < model->columnCount(); ++column) tree->hideColumn(column);
  tree->setSortingEnabled(true);
  tree->sortByColumn(0, Qt::AscendingOrder);
  tree->setSelectionMode(QAbstractItemView::SingleSelection);

  auto* showHidden = new QCheckBox(Say("Versteckte Ordner zeigen", "Show hidden folders"), &window);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &window);
  if (TextLanguage() == Language::German)
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(showHidden);
  bottom->addStretch();
  bottom->addWidget(buttons);
  auto* layout = new QVBoxLayout(&window);
  layout->addWidget(prompt);
  layout->addWidget(status);
  layout->addWidget(pathField);
  layout->addWidget(tree, 1);
  layout->addLayout(bottom);
  window.resize(420, 460);

  m_browseWindow = &window;
  m_model = model;
  m_tree = tree;
  m_pathField = pathField;
  m_showHidden = showHidden;
  m_status = status;

  QObject::connect(buttons, &QDialogButtonBox::accepted, &window, [this] { OnOk(); });
  QObject::connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);
  QObject::connect(showHidden, &QCheckBox::toggled, &window, [this](bool on) { ShowHidden(on); });
  QObject::connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), &window),
                   &QShortcut::activated, showHidden, &QCheckBox::toggle);
  QObject::connect(pathField, &QLineEdit::textEdited, &window,
                   [this](const QString& text) { OnPathEdited(text); });
  QObject::connect(pathField->completer(), qOverload<const QString&>(&QCompleter::activated),
                   &window, [this](const QString& text) { OnPathEdited(text); });
  // The selection, not the current item: the tree makes its first row current
  // when it gets the focus, without selecting it.
  QObject::connect(tree->selectionModel(), &QItemSelectionModel::selectionChanged, &window,
                   [this] { OnSelChanged(Selected()); });
  // The tree fills in the background; the folder of the path field stays
  // selected and in view as its ancestors arrive.
  QObject::connect(model, &QFileSystemModel::directoryLoaded, &window,
                   [this] { FollowPathField(); });
  QObject::connect(model, &QAbstractItemModel::layoutChanged, &window,
                   [this] { FollowPathField(); });

  OnInitialized();
  const auto result = static_cast<QDialog::DialogCode>(window.exec());
  m_browseWindow = nullptr;
  m_model = nullptr;
  m_tree = nullptr;
  m_pathField = nullptr;
  m_showHidden = nullptr;
  m_status = nullptr;
  return result;
}

void CFolderDialog::OnInitialized() {
  m_pathField->setText(m_initialFolder);
  if (!m_initialFolder.isEmpty()) m_followed = TypedPath(m_initialFolder);
  if (GoesThroughHiddenFolder(m_followed)) m_showHidden->setChecked(true);
  FollowPathField();
  m_status->setText(ShortenPath(m_initialFolder));
  m_browseWindow->setWindowTitle(QString::fromUtf8(kTitle));
  m_tree->setFocus();
}

void CFolderDialog::OnSelChanged(const QModelIndex& item) {
  if (m_selectingForField || !item.isValid()) return;
  m_followed.clear();
  m_selectedFolder = PathOf(item);
  m_pathField->setText(m_selectedFolder);
  m_status->setText(ShortenPath(m_selectedFolder));
}

void CFolderDialog::OnPathEdited(const QString& text) {
  const QString path = TypedPath(text);
  if (!QFileInfo(path).isDir()) return;
  if (GoesThroughHiddenFolder(path)) m_showHidden->setChecked(true);
  m_followed = path;
  m_selectedFolder = path;
  m_status->setText(ShortenPath(path));
  FollowPathField();
}

void CFolderDialog::OnOk() {
  const QString path = TypedPath(m_pathField->text());
  if (!path.isEmpty() && QFileInfo(path).isDir()) {
    m_selectedFolder = path;
    m_browseWindow->accept();
    return;
  }
  m_status->setText(Say("Kein Ordner: ", "Not a folder: ") + ShortenPath(m_pathField->text()));
}

void CFolderDialog::ShowHidden(bool show) {
  const QDir::Filters folders = QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot;
  m_model->setFilter(show ? folders | QDir::Hidden : folders);
  FollowPathField();
}

void CFolderDialog::FollowPathField() {
  if (m_followed.isEmpty()) return;
  const QModelIndex index = m_model->index(m_followed);
  if (!index.isValid()) return;
  if (Selected() != index) {
    m_selectingForField = true;
    m_tree->setCurrentIndex(index);
    m_selectingForField = false;
  }
  m_tree->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

QModelIndex CFolderDialog::Selected() const {
  const QModelIndexList selected = m_tree->selectionModel()->selectedRows();
  return selected.isEmpty() ? QModelIndex() : selected.first();
}

QString CFolderDialog::PathOf(const QModelIndex& item) const {
  return item.isValid() ? QDir::toNativeSeparators(m_model->filePath(item)) : QString();
}

}  // namespace tarnwick
