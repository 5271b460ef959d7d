// The about box IDD_ABOUTBOX: the icon, "Tarnwick, Version 1.0" and OK.
#pragma once

#include <QDialog>

namespace tarnwick {

class CAboutDlg final : public QDialog {
  Q_OBJECT

 public:
  /// Built from the template of the current user-interface language; shown
  /// centred over `parent`.
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace tarnwick
