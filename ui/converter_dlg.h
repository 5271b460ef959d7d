// The main dialog IDD_UPDATE: download buttons, the three file paths with the
// two directory buttons, and the convert button.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>

class QLineEdit;
class QMenu;

namespace tarnwick {

class CConverterDlg final : public QDialog {
  Q_OBJECT

 public:
  /// Built from the template of the current user-interface language; the
  /// three paths are composed from theSettings at once.
  explicit CConverterDlg(QWidget* parent = nullptr);
  ~CConverterDlg() override;

  /// Full paths of MPCORB.DAT, Asteroids4.dat and AsteroidInfo4.dat, bound
  /// to the fields IDC_INPUT_FILE, IDC_OUTPUT_ORBITS and IDC_OUTPUT_INFO.
  QString InputFile;
  QString OrbitFile;
  QString InfoFile;
  /// IDR_MAINFRAME, the window's icon.
  QIcon AppIcon;

  /// Rebuilds the three paths from theSettings (directory, the platform's
  /// separator, file name; nothing else is added, removed or looked up) and
  /// shows them.
  void ComposePaths();

  /// true: the field texts go into the three strings; false: the other way.
  void UpdateData(bool saveAndValidate);

  /// The window menu with the about entry; empty when text 101 is empty. It
  /// opens on a right-click into the dialog and on Alt+Space.
  QMenu* WindowMenu() const { return windowMenu_; }

  /// A window-menu command; IDM_ABOUTBOX (low four bits ignored) opens the
  /// about box.
  void OnSysCommand(unsigned command);

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void OnInitDialog();
  void OnDownload();
  void OnConvert();
  void OnBrowseInput();
  void OnBrowseOutput();
  /// Lets the user choose `directory` with a folder chooser prompted by text
  /// `promptId`; on OK stores the choice and composes the paths again.
  void ChooseDirectory(QString& directory, int promptId);
  void OnDownloadMirror();

  /// Runs a button's handler. A file error that ends a conversion arrives
  /// here and is shown in the file-error box; the dialog goes on.
  void Dispatch(void (CConverterDlg::*handler)());
  void Connect(const char* buttonName, void (CConverterDlg::*handler)());
  void ShowWindowMenu(const QPoint& globalPosition);

  QLineEdit* inputField_ = nullptr;
  QLineEdit* orbitField_ = nullptr;
  QLineEdit* infoField_ = nullptr;
  QMenu* windowMenu_ = nullptr;
};

}  // namespace tarnwick
