// The folder chooser behind the two "..." buttons of the main dialog: a modal
// tree of file-system folders with a prompt line, a status line that follows
// the selection, a field to type or paste a path into (with completion),
// hidden folders on demand (Ctrl+H or the check box), OK and Cancel.
#pragma once

#include <QDialog>
#include <QModelIndex>
#include <QString>
#include <optional>

class QCheckBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QTreeView;
class QWidget;

namespace tarnwick {

class CFolderDialog final {
 public:
  /// The prompt used when none is given at all.
  static constexpr char kDefaultPrompt[] = "Aktuelle Auswahl:";
  /// The chooser's window title, the same in both languages.
  static constexpr char kTitle[] = "Kleinplaneten aktualisieren";

  /// `initialFolder` is where the tree opens (empty: nowhere in particular);
  /// `owner` is disabled while the chooser runs; `prompt` goes above the tree,
  /// kDefaultPrompt when there is none (an empty prompt stays empty).
  CFolderDialog(const QString& initialFolder, QWidget* owner,
                std::optional<QString> prompt = std::nullopt);

  CFolderDialog(const CFolderDialog&) = delete;
  CFolderDialog& operator=(const CFolderDialog&) = delete;

  /// Runs the chooser modally. Accepted when the user pressed OK on an
  /// existing folder: the one selected in the tree, or the one typed into
  /// the path field, made absolute but otherwise taken as typed. OK on a
  /// typed path that is no existing folder says so in the status line and
  /// keeps the chooser open.
  QDialog::DialogCode DoModal();

  /// The chosen folder. Read it only after DoModal returned Accepted.
  QString GetFolder() const { return m_selectedFolder; }

  /// The status line's text: more than 35 characters give the first 35 and
  /// "..."; a character is what the user sees as one (an emoji, a letter
  /// with its accents), never cut in half.
  static QString ShortenPath(const QString& text);

 private:
  void OnInitialized();
  void OnSelChanged(const QModelIndex& item);
  void OnPathEdited(const QString& text);
  void OnOk();
  void ShowHidden(bool show);
  /// Selects the folder the path field names once the tree has it.
  void FollowPathField();
  QModelIndex Selected() const;
  QString PathOf(const QModelIndex& item) const;

  QString m_initialFolder;
  QString m_selectedFolder;
  QWidget* m_owner;
  QString m_prompt;
  // The folder typed or given at the start, kept selected while the tree
  // loads; empty once the user has selected in the tree.
  QString m_followed;
  bool m_selectingForField = false;

  // The chooser's window and its parts, alive while DoModal runs.
  QDialog* m_browseWindow = nullptr;
  QFileSystemModel* m_model = nullptr;
  QTreeView* m_tree = nullptr;
  QLineEdit* m_pathField = nullptr;
  QCheckBox* m_showHidden = nullptr;
  QLabel* m_status = nullptr;
};

}  // namespace tarnwick
