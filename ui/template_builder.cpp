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
#include <QtGlobal>
#include <cmath>

#include "app_icon.h"
#include "resource.h"

namespace tarnwick {
namespace {

QString Utf8(const char* text) { return QString::fromUtf8(text); }

QFont TemplateFont(const DialogTemplate& dialogTemplate) {
  QFont font(Utf8(dialogTemplate.fontName), dialogTemplate.fontPointSize);
  if (!QFontInfo(font).exactMatch()) {
    font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(dialogTemplate.fontPointSize);
  }
  return font;
}

// Dialog units of a font: horizontally a quarter of the average character
// width (over A-Z and a-z, rounded), vertically an eighth of the character
// height, as the Windows dialog manager measures them.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_baseX = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
    m_baseY = metrics.height();
  }

  int X(int units) const { return static_cast<int>(std::lround(units * m_baseX / 4.0)); }
  int Y(int units) const { return static_cast<int>(std::lround(units * m_baseY / 8.0)); }

  // Both corners are converted, so that adjacent controls stay adjacent.
  QRect Rect(const DialogRect& rect) const {
    const int left = X(rect.x);
    const int top = Y(rect.y);
    return QRect(left, top, X(rect.x + rect.width) - left, Y(rect.y + rect.height) - top);
  }

 private:
  int m_baseX;
  int m_baseY;
};

QWidget* CreateControl(QDialog& dialog, const ControlTemplate& control) {
  switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefaultButton: {
      auto* button = new QPushButton(Utf8(control.text), &dialog);
      // Dialog buttons press on Enter while they have the focus.
      button->setAutoDefault(true);
      return button;
    }
    case ControlKind::GroupBox:
      return new QGroupBox(Utf8(control.text), &dialog);
    case ControlKind::Text: {
      auto* label = new QLabel(Utf8(control.text), &dialog);
      label->setTextFormat(Qt::PlainText);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return label;
    }
    case ControlKind::Icon: {
      auto* label = new QLabel(&dialog);
      label->setPixmap(ApplicationIcon().pixmap(32, 32));
      return label;
    }
    case ControlKind::PathField: {
      auto* field = new QLineEdit(&dialog);
      field->setReadOnly(true);
      return field;
    }
  }
  return nullptr;
}

bool HasTabStop(ControlKind kind) {
  return kind == ControlKind::PushButton || kind == ControlKind::DefaultButton ||
         kind == ControlKind::PathField;
}

}  // namespace

void TemplateControls::Add(int id, QWidget* control) {
  m_inOrder.push_back(control);
  if (id != IDC_STATIC) m_byId.emplace(id, control);
}

void TemplateControls::MissingControl(int id) {
  qFatal("The dialog template has no control %d of the kind the dialog needs", id);
}

TemplateControls BuildFromTemplate(QDialog& dialog, const DialogTemplate& dialogTemplate) {
  const QFont font = TemplateFont(dialogTemplate);
  dialog.setFont(font);
  dialog.setWindowTitle(Utf8(dialogTemplate.title));
  // A modal frame: a title bar with the window menu and the close button, no
  // minimize or maximize box, no resizing.
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  const DialogUnits units(font);
  dialog.setFixedSize(units.X(dialogTemplate.width), units.Y(dialogTemplate.height));

  TemplateControls controls;
  QPushButton* defaultButton = nullptr;
  QWidget* previousTabStop = nullptr;
  for (const ControlTemplate& control : dialogTemplate.controls) {
    QWidget* widget = CreateControl(dialog, control);
    const QRect rect = units.Rect(control.rect);
    // An icon control takes the size of the icon, whatever its rectangle says.
    widget->setGeometry(control.kind == ControlKind::Icon ? QRect(rect.topLeft(), QSize(32, 32))
                                                          : rect);
    widget->setFocusPolicy(HasTabStop(control.kind) ? Qt::StrongFocus : Qt::NoFocus);
    if (HasTabStop(control.kind)) {
      if (previousTabStop) QWidget::setTabOrder(previousTabStop, widget);
      previousTabStop = widget;
    }
    // Qt knows one default button per dialog: the first one of the template.
    if (control.kind == ControlKind::DefaultButton && !defaultButton)
      defaultButton = static_cast<QPushButton*>(widget);
    controls.Add(control.id, widget);
  }
  if (defaultButton) defaultButton->setDefault(true);
  return controls;
}

}  // namespace tarnwick
