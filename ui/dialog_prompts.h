// The main dialog's realisation of the conversion's UserPrompts: message
// boxes owned by the dialog and the application-wide wait cursor.
#pragma once

#include <QMessageBox>
#include <QString>

#include "conversion_run.h"

class QWidget;

namespace tarnwick {

/// `text` with a zero-width space after each "/" and between the characters
/// of every name longer than 24 characters, so that a message box's label
/// can wrap a path where it has no blank; a character is what the user sees
/// as one, never cut in half.
QString Breakable(const QString& text);

/// Shows a modal message box owned by `owner` and returns the button
/// pressed. The text is plain (a path is never read as markup), selectable
/// with the mouse and copied without the break points Breakable added.
QMessageBox::StandardButton ShowMessageBox(QWidget* owner, QMessageBox::Icon icon,
                                           const QString& caption, const QString& text,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton);

/// The file-error box: stop icon, the application's name as caption, `text`.
void ShowFileError(QWidget* owner, const QString& text);

class CDialogPrompts final : public UserPrompts {
 public:
  /// `owner` owns every box and is disabled while one is open.
  explicit CDialogPrompts(QWidget* owner) : m_owner(owner) {}
  /// Removes a wait cursor that a run left on.
  ~CDialogPrompts() override;

  CDialogPrompts(const CDialogPrompts&) = delete;
  CDialogPrompts& operator=(const CDialogPrompts&) = delete;

  void BeginBusy() override;
  void EndBusy() override;
  /// Yes and No, no icon, Yes as the default button.
  bool AskYesNo(const std::string& text, const std::string& caption) override;
  /// One OK button and the warning icon.
  void Warn(const std::string& text, const std::string& caption) override;
  /// One OK button and the information icon.
  void Inform(const std::string& text, const std::string& caption) override;

 private:
  QMessageBox::StandardButton Show(QMessageBox::Icon icon, const std::string& caption,
                                   const std::string& text, QMessageBox::StandardButtons buttons,
                                   QMessageBox::StandardButton defaultButton);

  QWidget* m_owner;
  int m_busy = 0;  // wait cursors switched on and not yet off
};

}  // namespace tarnwick
