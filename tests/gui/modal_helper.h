// Drives modal windows from inside their own event loops. A failed QVERIFY in
// such a callback would leave the modal loop running and hang the test, so
// callbacks only record what they see and close the window with the mouse or
// the keyboard; the test asserts afterwards.
#pragma once

#include <QtTest>
#include <QtWidgets>

namespace tarnwick::test {

/// Calls `action` once with the first modal window other than `outer` that
/// shows up, polling from the event loop, once that window is active (as
/// the user's window manager would make it).
inline void WhenModal(std::function<void(QWidget*)> action, QWidget* outer = nullptr) {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, action, outer] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == outer || !modal->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    // Without a window manager the X server's focus events of the window
    // below may still arrive: the window must stay active a moment.
    for (int i = 0; i < 20; ++i) {
      if (modal->isActiveWindow()) {
        QTest::qWait(50);
        if (modal->isActiveWindow()) break;
      }
      modal->activateWindow();
      (void)QTest::qWaitForWindowActive(modal);
    }
    action(modal);
  });
  timer->start(10);
}

/// The files in a folder, hidden ones too, with their contents.
inline QMap<QString, QByteArray> Contents(const QString& folder) {
  QMap<QString, QByteArray> contents;
  for (const QFileInfo& entry : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden)) {
    QFile file(entry.filePath());
    contents[entry.fileName()] = file.open(QIODevice::ReadOnly) ? file.readAll() : "?";
  }
  return contents;
}

inline void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

/// The `n`th push button in `window` that says `text`.
inline QPushButton* Button(const QWidget* window, const QString& text, int n = 0) {
  for (auto* button : window->findChildren<QPushButton*>())
    if (button->text() == text && n-- == 0) return button;
  return nullptr;
}

/// Types `text` into the folder dialog's path field in place of what it
/// holds and presses Enter.
inline void TypePath(QWidget* window, const QString& text) {
  auto* field = window->findChild<QLineEdit*>("fileNameEdit");
  QTest::qWait(100);
  window->activateWindow();
  (void)QTest::qWaitForWindowActive(window);
  field->setFocus();
  QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(field, text);
  QTest::keyClick(field, Qt::Key_Return);
}

/// What a message box showed.
struct SeenBox {
  QMessageBox::Icon icon;
  QString caption;
  QString text;  ///< as the user copies it
  QMessageBox::StandardButton defaultButton;
  QWidget* owner;
  QStringList buttonTexts;
  /// Why not every character of the text can be read: the label needs more
  /// room than it has, lies outside the box, or the box outside the screen,
  /// the box is 250 px wide or less, or the text cannot be selected; empty
  /// when all is well.
  QString unreadable;
};

/// What keeps a shown box's text from being read whole; empty when nothing.
inline QString Unreadable(const QMessageBox* box) {
  const auto* label = box->findChild<QLabel*>("qt_msgbox_label");
  if (!label || !label->isVisible()) return "no label";
  if (!(label->textInteractionFlags() & Qt::TextSelectableByMouse)) return "not selectable";
  const QRect inBox(label->mapTo(box, QPoint(0, 0)), label->size());
  if (!box->rect().contains(inBox)) return "label outside the box";
  if (label->minimumSizeHint().width() > label->width() ||
      label->heightForWidth(label->width()) > label->height())
    return "label cut off";
  if (!box->screen()->availableGeometry().contains(box->frameGeometry())) return "box off screen";
  if (box->width() <= 250) return QString("box only %1 px wide").arg(box->width());
  return {};
}

/// Answers every message box that opens while it lives by clicking the next
/// of the given answers; once they run out, by pressing Escape.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(std::vector<QMessageBox::StandardButton> answers = {})
      : m_answers(std::move(answers)) {
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { Poll(); });
    m_timer.start(10);
  }

  const std::vector<SeenBox>& Seen() const { return m_seen; }

 private:
  void Poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible() || box == m_answered) return;
    m_answered = box;
    QStringList texts;
    for (QAbstractButton* b : box->buttons()) texts << b->text();
    m_seen.push_back({box->icon(), box->windowTitle(), box->text().remove(QChar(0x200B)),
                      box->standardButton(box->defaultButton()), box->parentWidget(), texts,
                      Unreadable(box)});
    QAbstractButton* answer =
        m_next < m_answers.size() ? box->button(m_answers[m_next++]) : nullptr;
    answer ? Click(answer) : QTest::keyClick(box, Qt::Key_Escape);
  }

  std::vector<QMessageBox::StandardButton> m_answers;
  std::size_t m_next = 0;
  std::vector<SeenBox> m_seen;
  QPointer<QMessageBox> m_answered;
  QTimer m_timer;
};

}  // namespace tarnwick::test
