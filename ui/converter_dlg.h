// The main dialog: download buttons, the three file paths with the two
// directory buttons, and the convert button, in Qt layouts.
#pragma once

#include <QDialog>
#include <QString>

#include "settings.h"

class QAction;
class QLineEdit;
class QPushButton;

namespace tarnwick {

class CConverterDlg final : public QDialog {
  Q_OBJECT

 public:
  /// Shows the paths composed from `settings` and changes its directories
  /// when the user chooses others. The German dialog has a second download
  /// button for the mirror and the step that says nothing needs unpacking.
  /// `settings` must outlive the dialog.
  explicit CConverterDlg(CSettings& settings, QWidget* parent = nullptr);

 protected:
  /// A right-click into the dialog (or the menu key) opens the menu with the
  /// about entry.
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  /// Composes the three paths from the directories and shows them: the
  /// catalogue is the newest of MPCORB.DAT, MPCORB.DAT.gz and MPCORB.ZIP in
  /// the input directory (MPCORB.DAT when there is none), the output files
  /// are Asteroids4.dat and AsteroidInfo4.dat in the output directory. A
  /// relative directory is taken from the current directory; nothing is
  /// cleaned; an empty directory is the root.
  void ComposePaths();
  /// Hands `url` to the system's handler; when there is none, shows the
  /// address in a box from which it can be copied.
  void OpenAddress(const char* url);
  void OnConvert();
  /// Lets the user choose `directory` in the platform's folder dialog,
  /// captioned `caption` and opened at the directory; a chosen folder is
  /// stored (in memory) and the paths are composed again, a cancelled
  /// choice changes nothing.
  void ChooseDirectory(QString& directory, const QString& caption);

  /// Runs a button's handler. A file error that ends a conversion arrives
  /// here and is shown in the file-error box; the dialog goes on.
  void Dispatch(const std::function<void()>& handler);
  QPushButton* Button(const QString& text, const std::function<void()>& handler);

  CSettings& m_settings;
  QString m_inputFile;
  QString m_orbitFile;
  QString m_infoFile;
  QLineEdit* m_inputField = nullptr;
  QLineEdit* m_orbitField = nullptr;
  QLineEdit* m_infoField = nullptr;
  QAction* m_about = nullptr;  // F1, and the entry of the dialog's menu
};

}  // namespace tarnwick
