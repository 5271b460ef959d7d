// The main dialog IDD_UPDATE: download buttons, the three file paths with the
// two directory buttons, and the convert button.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>

#include "settings.h"
#include "text_table.h"

class QLineEdit;
class QMenu;

namespace tarnwick {

class CConverterDlg final : public QDialog {
  Q_OBJECT

 public:
  /// Built from the template of the current user-interface language; shows
  /// the paths composed from `settings` and changes its directories when the
  /// user chooses others. `settings` must outlive the dialog.
  explicit CConverterDlg(CSettings& settings, QWidget* parent = nullptr);

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  /// Composes the three paths from the directories and shows them: the
  /// catalogue is the newest of MPCORB.DAT, MPCORB.DAT.gz and MPCORB.ZIP in
  /// the input directory (MPCORB.DAT when there is none), the output files
  /// are Asteroids4.dat and AsteroidInfo4.dat in the output directory. A
  /// relative directory is taken from the current directory; nothing is
  /// cleaned; an empty directory is the root.
  void ComposePaths();
  void OnSysCommand(unsigned command);
  void OnDownload();
  void OnDownloadMirror();
  void OnConvert();
  void OnBrowseInput();
  void OnBrowseOutput();
  /// Lets the user choose `directory` with a folder chooser prompted by text
  /// `promptId`; on OK stores the choice and composes the paths again.
  void ChooseDirectory(QString& directory, TextId promptId);

  /// Runs a button's handler. A file error that ends a conversion arrives
  /// here and is shown in the file-error box; the dialog goes on.
  void Dispatch(void (CConverterDlg::*handler)());
  void ShowWindowMenu(const QPoint& globalPosition);

  CSettings& m_settings;
  QString m_inputFile;
  QString m_orbitFile;
  QString m_infoFile;
  QIcon m_appIcon;
  QLineEdit* m_inputField = nullptr;
  QLineEdit* m_orbitField = nullptr;
  QLineEdit* m_infoField = nullptr;
  // The window menu with the about entry; empty when text 101 is empty. It
  // opens on a right-click into the dialog and on Alt+Space.
  QMenu* m_windowMenu = nullptr;
};

}  // namespace tarnwick
