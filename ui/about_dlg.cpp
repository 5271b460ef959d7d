#include "about_dlg.h"

#include <QPushButton>

#include "dialog_templates.h"
#include "template_builder.h"

namespace tarnwick {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  BuildFromTemplate(*this, AboutBoxTemplate(TextLanguage()));
  if (auto* ok = findChild<QPushButton*>(QStringLiteral("IDOK")))
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace tarnwick
