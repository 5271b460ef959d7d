// The about box: the icon, the program's name and version, and OK.
#pragma once

#include <QDialog>

namespace tarnwick {

class CAboutDlg final : public QDialog {
  Q_OBJECT

 public:
  /// Shown centred over `parent`; the version is the project's, the same
  /// that `tarnwick-cli --version` prints.
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace tarnwick
