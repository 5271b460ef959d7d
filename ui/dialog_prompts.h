// The main dialog's realisation of the conversion's UserPrompts, the message
// boxes it shows them in, and the application-wide wait cursor.
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

/// The main dialog's realisation of UserPrompts: the run's questions and
/// events in message boxes owned by `owner`, in the session's language, and
/// afterwards the box for the run's outcome.
class CDialogPrompts final : public UserPrompts {
 public:
  /// `owner` owns every box and is disabled while one is open.
  explicit CDialogPrompts(QWidget* owner) : m_owner(owner) {}

  CDialogPrompts(const CDialogPrompts&) = delete;
  CDialogPrompts& operator=(const CDialogPrompts&) = delete;

  /// Yes and No, no icon, Yes as the default button.
  bool AskOverwrite(const std::string& path, OutputFile which) override;
  /// One OK button and the warning icon.
  void Notify(RunEvent event, const std::string& path) override;
  /// How the run ended: the completion message (information icon), a warning
  /// for a file that cannot be opened or a catalogue without orbit data,
  /// nothing when the user declined.
  void Report(const ConversionOutcome& outcome);

 private:
  QMessageBox::StandardButton Show(QMessageBox::Icon icon, const QString& caption,
                                   const QString& text, QMessageBox::StandardButtons buttons,
                                   QMessageBox::StandardButton defaultButton);

  QWidget* m_owner;
};

/// The wait cursor over the whole program for as long as it lives; a box
/// shown meanwhile gets the arrow.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace tarnwick
