#include "about_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>

#include "app_icon.h"

namespace tarnwick {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("About Tarnwick"));
  auto* icon = new QLabel(this);
  const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  icon->setPixmap(ApplicationIcon().pixmap(size, size));
  auto* text = new QLabel(tr("Tarnwick, Version %1").arg(QStringLiteral(TARNWICK_VERSION)), this);
  text->setTextFormat(Qt::PlainText);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, Qt::Vertical, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(icon, 0, Qt::AlignTop);
  layout->addSpacing(style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing));
  layout->addWidget(text, 1, Qt::AlignTop);
  layout->addSpacing(4 * style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing));
  layout->addWidget(buttons, 0, Qt::AlignTop);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace tarnwick
