#include "dialog_prompts.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QCursor>
#include <QFile>
#include <QGridLayout>
#include <QPushButton>
#include <QTextBoundaryFinder>

#include "run_words.h"

namespace tarnwick {

namespace {

constexpr QChar kBreak(0x200B);  // zero-width space

// Text copied from a box's label loses the break points it got for wrapping,
// so a copied path can be pasted as it is.
void CopyWithoutBreaks() {
  static bool connected = false;
  if (connected) return;
  connected = true;
  QClipboard* clipboard = QGuiApplication::clipboard();
  QObject::connect(clipboard, &QClipboard::changed, qApp, [clipboard](QClipboard::Mode mode) {
    QString text = clipboard->text(mode);
    if (text.contains(kBreak)) clipboard->setText(text.remove(kBreak), mode);
  });
}

}  // namespace

QString Breakable(const QString& text) {
  constexpr qsizetype kLongName = 24;
  QString result;
  qsizetype start = 0;
  while (start < text.size()) {
    qsizetype end = start;
    while (end < text.size() && text[end] != u'/' && !text[end].isSpace()) ++end;
    const QString name = text.mid(start, end - start);
    if (name.size() > kLongName) {
      QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, name);
      qsizetype from = 0;
      for (qsizetype to = graphemes.toNextBoundary(); to != -1; to = graphemes.toNextBoundary()) {
        if (from > 0) result += kBreak;
        result += name.mid(from, to - from);
        from = to;
      }
    } else {
      result += name;
    }
    if (end < text.size()) {
      result += text[end];
      if (text[end] == u'/') result += kBreak;
    }
    start = end + 1;
  }
  return result;
}

QMessageBox::StandardButton ShowMessageBox(QWidget* owner, QMessageBox::Icon icon,
                                           const QString& caption, const QString& text,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton) {
  QMessageBox box(icon, caption, Breakable(text), buttons, owner);
  box.setTextFormat(Qt::PlainText);
  box.setTextInteractionFlags(Qt::TextSelectableByMouse);
  CopyWithoutBreaks();
  // Our own words for Yes and No: German also where Qt's translations are
  // not installed.
  if (auto* yes = box.button(QMessageBox::Yes))
    yes->setText(QCoreApplication::translate("CDialogPrompts", "&Yes"));
  if (auto* no = box.button(QMessageBox::No))
    no->setText(QCoreApplication::translate("CDialogPrompts", "&No"));
  box.setDefaultButton(defaultButton);
  // A short text gives a box narrower than its title, which the window
  // manager then cuts; it gets the width of 40 characters at least.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    const int width = box.fontMetrics().horizontalAdvance(QString(40, u'x'));
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

void ShowFileError(QWidget* owner, const QString& text) {
  ShowMessageBox(owner, QMessageBox::Critical, QCoreApplication::applicationName(), text,
                 QMessageBox::Ok, QMessageBox::Ok);
}

bool CDialogPrompts::AskOverwrite(const std::string& path, OutputFile /*which*/) {
  return Show(QMessageBox::NoIcon, RunWords::Attention(),
              RunWords::Overwrite(QFile::decodeName(path.c_str())),
              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

void CDialogPrompts::Notify(RunEvent event, const std::string& path) {
  Show(QMessageBox::Warning, RunWords::Attention(),
       RunWords::Event(event, QFile::decodeName(path.c_str())), QMessageBox::Ok, QMessageBox::Ok);
}

void CDialogPrompts::Report(const ConversionOutcome& outcome) {
  if (outcome.status == RunStatus::Done) {
    Show(QMessageBox::Information, RunWords::DoneCaption(), RunWords::Done(), QMessageBox::Ok,
         QMessageBox::Ok);
  } else if (const QString warning = RunWords::Warning(outcome); !warning.isEmpty()) {
    Show(QMessageBox::Warning, RunWords::Attention(), warning, QMessageBox::Ok, QMessageBox::Ok);
  }
}

QMessageBox::StandardButton CDialogPrompts::Show(QMessageBox::Icon icon, const QString& caption,
                                                 const QString& text,
                                                 QMessageBox::StandardButtons buttons,
                                                 QMessageBox::StandardButton defaultButton) {
  // The wait cursor belongs to the dialog; over a box the user gets the arrow.
  const bool busy = QApplication::overrideCursor() != nullptr;
  if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
  const auto answer = ShowMessageBox(m_owner, icon, caption, text, buttons, defaultButton);
  if (busy) QApplication::restoreOverrideCursor();
  return answer;
}

WaitCursor::WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

WaitCursor::~WaitCursor() { QApplication::restoreOverrideCursor(); }

}  // namespace tarnwick
