#include "converter_dlg.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QUrl>
#include <exception>

#include "about_dlg.h"
#include "app_icon.h"
#include "conversion_run.h"
#include "dialog_prompts.h"
#include "dialog_templates.h"
#include "download_addresses.h"
#include "file_layer.h"
#include "folder_dialog.h"
#include "posix_file_system.h"
#include "resource.h"
#include "settings.h"
#include "template_builder.h"
#include "text_table.h"

namespace tarnwick {

namespace {

QString Text(int id) { return QString::fromStdString(LoadText(id)); }

// The file-error box: stop icon, the application word as caption, the cause's
// German text with the file's full path.
void ShowFileError(QWidget* owner, const QString& text) {
  ShowMessageBox(owner, QMessageBox::Critical, QCoreApplication::applicationName(), text,
                 QMessageBox::Ok, QMessageBox::Ok);
}

}  // namespace

CConverterDlg::CConverterDlg(QWidget* parent) : QDialog(parent), AppIcon(ApplicationIcon()) {
  BuildFromTemplate(*this, UpdateDialogTemplate(TextLanguage()));
  inputField_ = findChild<QLineEdit*>(QStringLiteral("IDC_INPUT_FILE"));
  orbitField_ = findChild<QLineEdit*>(QStringLiteral("IDC_OUTPUT_ORBITS"));
  infoField_ = findChild<QLineEdit*>(QStringLiteral("IDC_OUTPUT_INFO"));

  if (auto* close = findChild<QPushButton*>(QStringLiteral("IDCANCEL")))
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
  Connect("IDC_DOWNLOAD", &CConverterDlg::OnDownload);
  Connect("IDC_CONVERT", &CConverterDlg::OnConvert);
  Connect("IDC_BROWSE_INPUT", &CConverterDlg::OnBrowseInput);
  Connect("IDC_BROWSE_OUTPUT", &CConverterDlg::OnBrowseOutput);
  Connect("IDC_DOWNLOAD_MIRROR", &CConverterDlg::OnDownloadMirror);

  OnInitDialog();
}

CConverterDlg::~CConverterDlg() = default;

void CConverterDlg::Connect(const char* buttonName, void (CConverterDlg::*handler)()) {
  // The English dialog has no mirror button; its handler is never reached.
  if (auto* button = findChild<QPushButton*>(QString::fromLatin1(buttonName)))
    connect(button, &QPushButton::clicked, this, [this, handler] { Dispatch(handler); });
}

void CConverterDlg::OnInitDialog() {
  ComposePaths();

  // The window manager owns the real window menu here; the about entry lives
  // in a menu of the dialog's own.
  windowMenu_ = new QMenu(this);
  const QString about = Text(IDS_ABOUTBOX);
  if (!about.isEmpty()) {
    windowMenu_->addSeparator();
    windowMenu_->addAction(about, this, [this] { OnSysCommand(IDM_ABOUTBOX); });
  }
  auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
  connect(shortcut, &QShortcut::activated, this,
          [this] { ShowWindowMenu(mapToGlobal(QPoint(0, 0))); });

  setWindowIcon(AppIcon);

  // The first control with a tab stop has the focus: the close button.
  if (auto* close = findChild<QPushButton*>(QStringLiteral("IDCANCEL"))) close->setFocus();
}

void CConverterDlg::ComposePaths() {
  const QChar separator = QDir::separator();
  InputFile = theSettings.PathIn + separator + QStringLiteral("MPCORB.DAT");
  OrbitFile = theSettings.PathOut + separator + QStringLiteral("Asteroids4.dat");
  InfoFile = theSettings.PathOut + separator + QStringLiteral("AsteroidInfo4.dat");
  UpdateData(false);
}

void CConverterDlg::UpdateData(bool saveAndValidate) {
  if (saveAndValidate) {
    InputFile = inputField_->text();
    OrbitFile = orbitField_->text();
    InfoFile = infoField_->text();
  } else {
    inputField_->setText(InputFile);
    orbitField_->setText(OrbitFile);
    infoField_->setText(InfoFile);
  }
}

void CConverterDlg::OnSysCommand(unsigned command) {
  if ((command & 0xFFF0u) != IDM_ABOUTBOX) return;
  CAboutDlg about(this);
  about.exec();
}

void CConverterDlg::contextMenuEvent(QContextMenuEvent* event) {
  ShowWindowMenu(event->globalPos());
}

void CConverterDlg::ShowWindowMenu(const QPoint& globalPosition) {
  if (!windowMenu_->isEmpty()) windowMenu_->exec(globalPosition);
}

void CConverterDlg::Dispatch(void (CConverterDlg::*handler)()) {
  try {
    (this->*handler)();
  } catch (const FileException& error) {
    ShowFileError(this, QString::fromStdString(error.what()));
  } catch (const std::exception& error) {
    // Nothing else is expected to leave a handler; should it happen, the user
    // hears of it and the dialog goes on rather than the program ending.
    ShowFileError(this, QString::fromLocal8Bit(error.what()));
  }
}

void CConverterDlg::OnDownload() {
  QDesktopServices::openUrl(QUrl(QString::fromLatin1(kCatalogueUrl)));
}

void CConverterDlg::OnDownloadMirror() {
  QDesktopServices::openUrl(QUrl(QString::fromLatin1(kCatalogueMirrorUrl)));
}

void CConverterDlg::OnConvert() {
  UpdateData(true);
  CDialogPrompts prompts(this);
  // Paths go to the file system in its own encoding, as Qt's file classes do.
  RunConversion(QFile::encodeName(InputFile).toStdString(),
                QFile::encodeName(OrbitFile).toStdString(),
                QFile::encodeName(InfoFile).toStdString(), prompts, SystemFileSystem());
}

void CConverterDlg::OnBrowseInput() { ChooseDirectory(theSettings.PathIn, IDS_CHOOSE_INPUT_DIR); }

void CConverterDlg::OnBrowseOutput() {
  ChooseDirectory(theSettings.PathOut, IDS_CHOOSE_OUTPUT_DIR);
}

void CConverterDlg::ChooseDirectory(QString& directory, int promptId) {
  CFolderDialog chooser(directory, BIF_RETURNONLYFSDIRS, this, Text(promptId));
  if (chooser.DoModal() != IDOK) return;
  directory = chooser.GetFolder();
  ComposePaths();
}

}  // namespace tarnwick
