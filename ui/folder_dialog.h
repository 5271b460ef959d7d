// The folder chooser behind the two "..." buttons of the main dialog: a modal
// tree of file-system folders with a prompt line, a status line that follows
// the selection, OK and Cancel.
#pragma once

#include <QModelIndex>
#include <QString>
#include <optional>

#include "resource.h"

class QDialog;
class QFileSystemModel;
class QLabel;
class QTreeView;
class QWidget;

namespace tarnwick {

/// Browse flags. Only file-system folders can be chosen.
inline constexpr unsigned BIF_RETURNONLYFSDIRS = 0x0001;
/// Show the status line; the chooser always adds it.
inline constexpr unsigned BIF_STATUSTEXT = 0x0004;

class CFolderDialog {
 public:
  /// The prompt used when none is given at all.
  static constexpr char kDefaultPrompt[] = "Aktuelle Auswahl:";
  /// The chooser's window title, the same in both languages.
  static constexpr char kTitle[] = "Kleinplaneten aktualisieren";
  /// Object name of the chooser's window while DoModal runs.
  static constexpr char kWindowName[] = "CFolderDialog";

  /// `initialFolder` is where the tree opens (empty: nowhere in particular);
  /// `owner` is disabled while the chooser runs; `prompt` goes above the tree,
  /// kDefaultPrompt when there is none (an empty prompt stays empty).
  CFolderDialog(const QString& initialFolder, unsigned flags, QWidget* owner,
                std::optional<QString> prompt = std::nullopt);
  virtual ~CFolderDialog();

  CFolderDialog(const CFolderDialog&) = delete;
  CFolderDialog& operator=(const CFolderDialog&) = delete;

  /// Runs the chooser modally. IDOK when the user pressed OK on a folder
  /// with a file-system path, IDCANCEL otherwise.
  virtual int DoModal();

  /// The chosen folder, as the tree gives it (a root keeps its separator).
  /// Read it only after DoModal returned IDOK.
  QString GetFolder() const { return SelectedFolder; }

  /// The status line's text: more than 35 characters give the first 35 and
  /// "...".
  static QString ShortenPath(const QString& text);

 protected:
  /// The window is up: select the initial folder, show it in the status line,
  /// set the title.
  virtual void OnInitialized();
  /// The selection moved to `item`.
  virtual void OnSelChanged(const QModelIndex& item);

 private:
  QModelIndex Selected() const;
  QString PathOf(const QModelIndex& item) const;
  void SetStatusText(const QString& text);
  void FollowInitialFolder();

  QString InitialFolder;
  QString SelectedFolder;
  unsigned flags_;
  QWidget* owner_;
  QString prompt_;

  // The chooser's window and its parts, alive while DoModal runs.
  QDialog* browseWindow_ = nullptr;
  QFileSystemModel* model_ = nullptr;
  QTreeView* tree_ = nullptr;
  QLabel* status_ = nullptr;
};

}  // namespace tarnwick
