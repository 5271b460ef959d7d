#include "dialog_prompts.h"

#include <QApplication>
#include <QCursor>
#include <QPushButton>

#include "text_table.h"

namespace tarnwick {

QMessageBox::StandardButton ShowMessageBox(QWidget* owner, QMessageBox::Icon icon,
                                           const QString& caption, const QString& text,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton) {
  QMessageBox box(icon, caption, text, buttons, owner);
  box.setTextFormat(Qt::PlainText);
  // Qt names its standard buttons in English; the German interface says Ja
  // and Nein.
  if (TextLanguage() == Language::German) {
    if (auto* yes = box.button(QMessageBox::Yes)) yes->setText(QStringLiteral("&Ja"));
    if (auto* no = box.button(QMessageBox::No)) no->setText(QStringLiteral("&Nein"));
  }
  box.setDefaultButton(defaultButton);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

CDialogPrompts::~CDialogPrompts() {
  for (; busy_ > 0; --busy_) QApplication::restoreOverrideCursor();
}

void CDialogPrompts::BeginBusy() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  ++busy_;
}

void CDialogPrompts::EndBusy() {
  if (busy_ == 0) return;
  QApplication::restoreOverrideCursor();
  --busy_;
}

bool CDialogPrompts::AskYesNo(const std::string& text, const std::string& caption) {
  return Show(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No,
              QMessageBox::Yes) == QMessageBox::Yes;
}

void CDialogPrompts::Warn(const std::string& text, const std::string& caption) {
  Show(QMessageBox::Warning, caption, text, QMessageBox::Ok, QMessageBox::Ok);
}

void CDialogPrompts::Inform(const std::string& text, const std::string& caption) {
  Show(QMessageBox::Information, caption, text, QMessageBox::Ok, QMessageBox::Ok);
}

QMessageBox::StandardButton CDialogPrompts::Show(QMessageBox::Icon icon, const std::string& caption,
                                                 const std::string& text,
                                                 QMessageBox::StandardButtons buttons,
                                                 QMessageBox::StandardButton defaultButton) {
  // The wait cursor belongs to the dialog; over a box the user gets the arrow.
  if (busy_ > 0) QApplication::setOverrideCursor(Qt::ArrowCursor);
  const auto answer = ShowMessageBox(owner_, icon, QString::fromStdString(caption),
                                     QString::fromStdString(text), buttons, defaultButton);
  if (busy_ > 0) QApplication::restoreOverrideCursor();
  return answer;
}

}  // namespace tarnwick
