#include "dialog_prompts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <cmath>

#include "text_table.h"

namespace tarnwick {

namespace {

// The box's own label wraps at word boundaries only: one long folder name
// would run off the box's edge. A read-only text view takes its place, which
// wraps anywhere when a line has no break point and lets the user select and
// copy the text as it is.
void ShowTextWrappingAnywhere(QMessageBox& box) {
  auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
  if (!label || !box.layout()) return;
  auto* view = new QTextEdit(&box);
  view->setObjectName(QStringLiteral("messageText"));
  view->setReadOnly(true);
  view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  view->setFocusPolicy(Qt::NoFocus);
  view->setFrameShape(QFrame::NoFrame);
  view->viewport()->setAutoFillBackground(false);
  view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  view->setPlainText(box.text());
  QTextDocument* document = view->document();
  // As wide as the text needs, at most about 60 characters.
  const QFontMetrics metrics(view->font());
  const int margins = 2 * static_cast<int>(std::ceil(document->documentMargin()));
  const int width = std::min(static_cast<int>(std::ceil(document->idealWidth())) + margins,
                             60 * metrics.averageCharWidth());
  document->setTextWidth(width);
  view->setFixedSize(width, static_cast<int>(std::ceil(document->size().height())));
  delete box.layout()->replaceWidget(label, view);
  label->hide();
}

}  // namespace

QMessageBox::StandardButton ShowMessageBox(QWidget* owner, QMessageBox::Icon icon,
                                           const QString& caption, const QString& text,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton) {
  QMessageBox box(icon, caption, text, buttons, owner);
  box.setTextFormat(Qt::PlainText);
  ShowTextWrappingAnywhere(box);
  // Qt names its standard buttons in English; the German interface says Ja
  // and Nein.
  if (TextLanguage() == Language::German) {
    if (auto* yes = box.button(QMessageBox::Yes)) yes->setText(QStringLiteral("&Ja"));
    if (auto* no = box.button(QMessageBox::No)) no->setText(QStringLiteral("&Nein"));
  }
  box.setDefaultButton(defaultButton);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

void ShowFileError(QWidget* owner, const QString& text) {
  ShowMessageBox(owner, QMessageBox::Critical, QCoreApplication::applicationName(), text,
                 QMessageBox::Ok, QMessageBox::Ok);
}

CDialogPrompts::~CDialogPrompts() {
  for (; m_busy > 0; --m_busy) QApplication::restoreOverrideCursor();
}

void CDialogPrompts::BeginBusy() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  ++m_busy;
}

void CDialogPrompts::EndBusy() {
  if (m_busy == 0) return;
  QApplication::restoreOverrideCursor();
  --m_busy;
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
  if (m_busy > 0) QApplication::setOverrideCursor(Qt::ArrowCursor);
  const auto answer = ShowMessageBox(m_owner, icon, QString::fromStdString(caption),
                                     QString::fromStdString(text), buttons, defaultButton);
  if (m_busy > 0) QApplication::restoreOverrideCursor();
  return answer;
}

}  // namespace tarnwick
