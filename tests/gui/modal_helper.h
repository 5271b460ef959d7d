// Drives modal windows from inside their own event loops. A failed QVERIFY in
// such a callback would leave the modal loop running and hang the test, so
// callbacks only record what they see and close the window; the test asserts
// afterwards.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

namespace tarnwick::test {

/// Calls `action` once with the first modal window other than `outer` that
/// shows up, polling from the event loop.
inline void WhenModal(std::function<void(QWidget*)> action, QWidget* outer = nullptr) {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, action, outer] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == outer || !modal->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    action(modal);
  });
  timer->start(10);
}

/// What a message box showed.
struct SeenBox {
  QMessageBox::Icon icon;
  QString caption;
  QString text;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton defaultButton;
  QWidget* owner;
  QStringList buttonTexts;  ///< in the order of the buttons' roles
};

/// Answers every message box that opens while it lives, with the next of the
/// given answers; once they run out, with the box's escape button.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(std::vector<QMessageBox::StandardButton> answers = {})
      : answers_(std::move(answers)) {
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Poll(); });
    timer_.start(10);
  }

  const std::vector<SeenBox>& Seen() const { return seen_; }

 private:
  void Poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible() || box == answered_) return;
    answered_ = box;
    QStringList texts;
    for (QAbstractButton* b : box->buttons()) texts << b->text();
    seen_.push_back({box->icon(), box->windowTitle(), box->text(), box->standardButtons(),
                     box->standardButton(box->defaultButton()), box->parentWidget(), texts});
    QAbstractButton* button = nullptr;
    if (next_ < answers_.size()) button = box->button(answers_[next_++]);
    if (!button) button = box->escapeButton();
    if (!button) button = box->defaultButton();
    if (button) button->click();
  }

  std::vector<QMessageBox::StandardButton> answers_;
  std::size_t next_ = 0;
  std::vector<SeenBox> seen_;
  QPointer<QMessageBox> answered_;
  QTimer timer_;
};

}  // namespace tarnwick::test
