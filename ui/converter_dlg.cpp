#include "converter_dlg.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDesktopServices>
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
#include "catalogue_location.h"
#include "conversion_run.h"
#include "dialog_prompts.h"
#include "dialog_templates.h"
#include "download_addresses.h"
#include "file_layer.h"
#include "folder_dialog.h"
#include "posix_file_system.h"
#include "resource.h"
#include "template_builder.h"
#include "text_table.h"

namespace tarnwick {

namespace {

QString Text(TextId id) { return QString::fromStdString(LoadText(id)); }

// Paths go to the file system in its own encoding, as Qt's file classes do.
std::string Encoded(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString Join(const QString& directory, const QString& name) {
  return directory.endsWith(u'/') ? directory + name : directory + u'/' + name;
}

}  // namespace

CConverterDlg::CConverterDlg(CSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_appIcon(ApplicationIcon()) {
  const TemplateControls controls = BuildFromTemplate(*this, UpdateDialogTemplate(TextLanguage()));
  m_inputField = &controls.Get<QLineEdit>(IDC_INPUT_FILE);
  m_orbitField = &controls.Get<QLineEdit>(IDC_OUTPUT_ORBITS);
  m_infoField = &controls.Get<QLineEdit>(IDC_OUTPUT_INFO);

  auto& close = controls.Get<QPushButton>(IDCANCEL);
  connect(&close, &QPushButton::clicked, this, &QDialog::reject);
  const auto connectButton = [this](QPushButton& button, void (CConverterDlg::*handler)()) {
    connect(&button, &QPushButton::clicked, this, [this, handler] { Dispatch(handler); });
  };
  connectButton(controls.Get<QPushButton>(IDC_DOWNLOAD), &CConverterDlg::OnDownload);
  connectButton(controls.Get<QPushButton>(IDC_CONVERT), &CConverterDlg::OnConvert);
  connectButton(controls.Get<QPushButton>(IDC_BROWSE_INPUT), &CConverterDlg::OnBrowseInput);
  connectButton(controls.Get<QPushButton>(IDC_BROWSE_OUTPUT), &CConverterDlg::OnBrowseOutput);
  // The English dialog has no mirror button.
  if (auto* mirror = controls.Find<QPushButton>(IDC_DOWNLOAD_MIRROR))
    connectButton(*mirror, &CConverterDlg::OnDownloadMirror);

  ComposePaths();

  // The window manager owns the real window menu here; the about entry lives
  // in a menu of the dialog's own.
  m_windowMenu = new QMenu(this);
  const QString about = Text(TextId::AboutBox);
  if (!about.isEmpty()) {
    m_windowMenu->addSeparator();
    m_windowMenu->addAction(about, this, [this] { OnSysCommand(IDM_ABOUTBOX); });
  }
  auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
  connect(shortcut, &QShortcut::activated, this,
          [this] { ShowWindowMenu(mapToGlobal(QPoint(0, 0))); });

  setWindowIcon(m_appIcon);
  // The first control with a tab stop has the focus: the close button.
  close.setFocus();
}

void CConverterDlg::ComposePaths() {
  const auto directory = [](const QString& path) {
    return path.isEmpty() ? QStringLiteral("/") : AbsolutePath(path);
  };
  m_inputFile = QFile::decodeName(ChooseCatalogue(Encoded(directory(m_settings.pathIn))).c_str());
  m_orbitFile = Join(directory(m_settings.pathOut), QStringLiteral("Asteroids4.dat"));
  m_infoFile = Join(directory(m_settings.pathOut), QStringLiteral("AsteroidInfo4.dat"));
  m_inputField->setText(m_inputFile);
  m_orbitField->setText(m_orbitFile);
  m_infoField->setText(m_infoFile);
}

void CConverterDlg::OnSysCommand(unsigned command) {
  if (command != IDM_ABOUTBOX) return;
  CAboutDlg about(this);
  about.exec();
}

void CConverterDlg::contextMenuEvent(QContextMenuEvent* event) {
  ShowWindowMenu(event->globalPos());
}

void CConverterDlg::ShowWindowMenu(const QPoint& globalPosition) {
  if (!m_windowMenu->isEmpty()) m_windowMenu->exec(globalPosition);
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
  // A download may have finished while the dialog was open: the newest
  // catalogue is converted, and the field shows which.
  ComposePaths();
  CDialogPrompts prompts(this);
  RunConversion(Encoded(m_inputFile), Encoded(m_orbitFile), Encoded(m_infoFile), prompts,
                SystemFileSystem());
}

void CConverterDlg::OnBrowseInput() { ChooseDirectory(m_settings.pathIn, TextId::ChooseInputDir); }

void CConverterDlg::OnBrowseOutput() {
  ChooseDirectory(m_settings.pathOut, TextId::ChooseOutputDir);
}

void CConverterDlg::ChooseDirectory(QString& directory, TextId promptId) {
  CFolderDialog chooser(directory, this, Text(promptId));
  if (chooser.DoModal() != QDialog::Accepted) return;
  directory = chooser.GetFolder();
  ComposePaths();
}

}  // namespace tarnwick
