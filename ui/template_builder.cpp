#include "template_builder.h"

#include <QDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <cmath>

#include "app_icon.h"

namespace tarnwick {
namespace {

QString Utf8(const char* text) { return QString::fromUtf8(text); }

QWidget* CreateControl(QDialog& dialog, const ControlTemplate& control, const DialogUnits& units) {
  const QRect rect = units.Rect(control.rect);
  QWidget* widget = nullptr;
  switch (control.kind) {
    case ControlKind::PushButton: {
      auto* button = new QPushButton(Utf8(control.text), &dialog);
      // Dialog buttons press on Enter while they have the focus.
      button->setAutoDefault(true);
      widget = button;
      break;
    }
    case ControlKind::GroupBox:
      widget = new QGroupBox(Utf8(control.text), &dialog);
      break;
    case ControlKind::Text: {
      auto* label = new QLabel(Utf8(control.text), &dialog);
      label->setTextFormat(Qt::PlainText);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      widget = label;
      break;
    }
    case ControlKind::Icon: {
      // An icon control takes the size of the icon, whatever its rectangle says.
      auto* label = new QLabel(&dialog);
      label->setPixmap(ApplicationIcon().pixmap(32, 32));
      label->setGeometry(rect.x(), rect.y(), 32, 32);
      return label;
    }
    case ControlKind::PathField: {
      auto* field = new QLineEdit(&dialog);
      field->setReadOnly((control.styles & style::kReadOnly) != 0);
      widget = field;
      break;
    }
  }
  widget->setGeometry(rect);
  widget->setFocusPolicy((control.styles & style::kTabStop) != 0 ? Qt::StrongFocus : Qt::NoFocus);
  if (control.idName[0] != '\0') widget->setObjectName(QString::fromLatin1(control.idName));
  return widget;
}

}  // namespace

QFont TemplateFont(const DialogTemplate& dialogTemplate) {
  QFont font(Utf8(dialogTemplate.fontName), dialogTemplate.fontPointSize);
  if (!QFontInfo(font).exactMatch()) {
    font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(dialogTemplate.fontPointSize);
  }
  return font;
}

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  baseX_ = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
  baseY_ = metrics.height();
}

int DialogUnits::X(int units) const { return static_cast<int>(std::lround(units * baseX_ / 4.0)); }

int DialogUnits::Y(int units) const { return static_cast<int>(std::lround(units * baseY_ / 8.0)); }

QRect DialogUnits::Rect(const DialogRect& rect) const {
  // Both corners are converted, as the dialog manager does, so that adjacent
  // controls stay adjacent after rounding.
  const int left = X(rect.x);
  const int top = Y(rect.y);
  return QRect(left, top, X(rect.x + rect.width) - left, Y(rect.y + rect.height) - top);
}

std::vector<QWidget*> BuildFromTemplate(QDialog& dialog, const DialogTemplate& dialogTemplate) {
  const QFont font = TemplateFont(dialogTemplate);
  dialog.setFont(font);
  dialog.setWindowTitle(Utf8(dialogTemplate.title));
  if (dialogTemplate.idName[0] != '\0')
    dialog.setObjectName(QString::fromLatin1(dialogTemplate.idName));

  // A modal frame: a title bar with the window menu and the close button, no
  // minimize or maximize box, no resizing.
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

  const DialogUnits units(font);
  dialog.setFixedSize(units.X(dialogTemplate.width), units.Y(dialogTemplate.height));

  std::vector<QWidget*> controls;
  controls.reserve(dialogTemplate.controls.size());
  QPushButton* defaultButton = nullptr;
  QWidget* previousTabStop = nullptr;
  for (const ControlTemplate& control : dialogTemplate.controls) {
    QWidget* widget = CreateControl(dialog, control, units);
    controls.push_back(widget);
    // Qt knows one default button per dialog: the first one of the template.
    if (auto* button = qobject_cast<QPushButton*>(widget);
        button != nullptr && (control.styles & style::kDefPushButton) != 0 && !defaultButton) {
      defaultButton = button;
    }
    if ((control.styles & style::kTabStop) != 0) {
      if (previousTabStop) QWidget::setTabOrder(previousTabStop, widget);
      previousTabStop = widget;
    }
  }
  if (defaultButton) defaultButton->setDefault(true);
  return controls;
}

}  // namespace tarnwick
