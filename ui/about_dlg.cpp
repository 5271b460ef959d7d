#include "about_dlg.h"

#include <QPushButton>

#include "dialog_templates.h"
#include "resource.h"
#include "template_builder.h"

namespace tarnwick {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  const TemplateControls controls = BuildFromTemplate(*this, AboutBoxTemplate(TextLanguage()));
  connect(&controls.Get<QPushButton>(IDOK), &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace tarnwick
