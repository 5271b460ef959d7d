#include "converter_dlg.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <exception>

#include "about_dlg.h"
#include "absolute_path.h"
#include "catalogue_location.h"
#include "conversion_run.h"
#include "dialog_language.h"
#include "dialog_prompts.h"
#include "download_addresses.h"
#include "file_layer.h"
#include "posix_file_system.h"
#include "run_words.h"

namespace tarnwick {

namespace {

// Paths go to the file system in its own encoding, as Qt's file classes do.
std::string Encoded(const QString& path) { return QFile::encodeName(path).toStdString(); }

// A folder made absolute by the one rule every path the user sees follows.
QString Absolute(const QString& path) {
  return QFile::decodeName(AbsolutePath(Encoded(path)).c_str());
}

QString Join(const QString& directory, const QString& name) {
  return directory.endsWith(u'/') ? directory + name : directory + u'/' + name;
}

QLabel* Text(const QString& text) {
  auto* label = new QLabel(text);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  return label;
}

}  // namespace

QPushButton* CConverterDlg::Button(const QString& text, const std::function<void()>& handler) {
  auto* button = new QPushButton(text, this);
  // Dialog buttons press on Enter while they have the focus.
  button->setAutoDefault(true);
  connect(button, &QPushButton::clicked, this, [this, handler] { Dispatch(handler); });
  return button;
}

CConverterDlg::CConverterDlg(CSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings) {
  // The German dialog has the mirror and the step that says nothing needs unpacking.
  const bool mirrorAndUnpackStep = DialogLanguage() == Language::German;
  setWindowTitle(tr("Lumivale  -  Update Asteroids"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

  // The controls in their tab order: the close button first, which also has
  // the focus at the start and is the default button.
  auto* close = new QPushButton(tr("&Close"), this);
  close->setAutoDefault(true);
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  auto* download = Button(tr("Download..."), [this] { OpenAddress(kCatalogueUrl); });
  QPushButton* mirror =
      mirrorAndUnpackStep ? Button(tr("Download..."), [this] { OpenAddress(kCatalogueMirrorUrl); })
                          : nullptr;
  const auto pathField = [this] {
    auto* field = new QLineEdit(this);
    field->setReadOnly(true);
    // Room for a path of a usual length in the user's font.
    field->setMinimumWidth(64 * field->fontMetrics().averageCharWidth());
    return field;
  };
  m_inputField = pathField();
  auto* browseInput = Button(QStringLiteral("..."), [this] {
    ChooseDirectory(m_settings.pathIn,
                    tr("Choose the directory where to find the file MPCORB.DAT"));
  });
  m_orbitField = pathField();
  auto* browseOutput = Button(QStringLiteral("..."), [this] {
    ChooseDirectory(m_settings.pathOut, tr("Choose the directory where the files Asteroids4.dat "
                                           "and AsteroidInfo4.dat should be generated"));
  });
  m_infoField = pathField();
  auto* convert = Button(tr("Start Converting"), [this] { OnConvert(); });
  for (QPushButton* browse : {browseInput, browseOutput})
    browse->setMaximumWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("....")) +
                            browse->fontMetrics().height());

  auto* layout = new QVBoxLayout(this);
  auto* downloadBox = new QGroupBox(tr("1)  Download"));
  auto* downloadGrid = new QGridLayout(downloadBox);
  downloadGrid->addWidget(
      Text(tr("Get the latest file MPCORB.DAT.gz directly from MPC on the Internet:")), 0, 0);
  downloadGrid->addWidget(download, 0, 1);
  if (mirror) {
    downloadGrid->addWidget(Text(tr("Alternatively you can use the mirror server (e.g. the MPC "
                                    "download does not work with T-Online):")),
                            1, 0);
    downloadGrid->addWidget(mirror, 1, 1);
  }
  downloadGrid->setColumnStretch(0, 1);
  layout->addWidget(downloadBox);
  if (mirrorAndUnpackStep) {
    auto* unpackBox = new QGroupBox(tr("2)  Unpack"));
    auto* unpackLayout = new QVBoxLayout(unpackBox);
    unpackLayout->addWidget(
        Text(tr("No longer needed: Tarnwick reads MPCORB.DAT.gz and "
                "MPCORB.ZIP directly, an unpacked MPCORB.DAT as well.")));
    layout->addWidget(unpackBox);
  }
  auto* convertBox = new QGroupBox(tr("%1)  Convert MPCORB.DAT").arg(mirrorAndUnpackStep ? 3 : 2));
  auto* convertGrid = new QGridLayout(convertBox);
  convertGrid->addWidget(Text(tr("Input (MPCORB.DAT, .DAT.gz or .ZIP)")), 0, 0, 1, 3);
  convertGrid->addWidget(m_inputField, 1, 0, 1, 2);
  convertGrid->addWidget(browseInput, 1, 2);
  convertGrid->addItem(new QSpacerItem(0, fontMetrics().height() / 2), 2, 0);
  convertGrid->addWidget(Text(tr("Output (binary Files for Lumivale):")), 3, 0, 1, 3);
  convertGrid->addWidget(new QLabel(QStringLiteral("a)")), 4, 0);
  convertGrid->addWidget(m_orbitField, 4, 1);
  convertGrid->addWidget(browseOutput, 4, 2);
  convertGrid->addWidget(new QLabel(QStringLiteral("b)")), 5, 0);
  convertGrid->addWidget(m_infoField, 5, 1);
  auto* start = new QHBoxLayout;
  start->addStretch();
  start->addWidget(new QLabel(QStringLiteral("------->")));
  start->addWidget(convert);
  convertGrid->addLayout(start, 6, 0, 1, 3);
  convertGrid->setColumnStretch(1, 1);
  layout->addWidget(convertBox);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  bottom->addWidget(close);
  layout->addLayout(bottom);

  m_about = new QAction(tr("&About Tarnwick..."), this);
  m_about->setShortcut(QKeySequence(Qt::Key_F1));
  connect(m_about, &QAction::triggered, this, [this] {
    CAboutDlg about(this);
    about.exec();
  });
  addAction(m_about);

  ComposePaths();
  close->setFocus();
}

void CConverterDlg::ComposePaths() {
  const auto directory = [](const QString& path) {
    return path.isEmpty() ? QStringLiteral("/") : Absolute(path);
  };
  m_inputFile = QFile::decodeName(ChooseCatalogue(Encoded(directory(m_settings.pathIn))).c_str());
  m_orbitFile = Join(directory(m_settings.pathOut), QString::fromLatin1(kOrbitFileName));
  m_infoFile = Join(directory(m_settings.pathOut), QString::fromLatin1(kInfoFileName));
  m_inputField->setText(m_inputFile);
  m_orbitField->setText(m_orbitFile);
  m_infoField->setText(m_infoFile);
}

void CConverterDlg::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  menu.addAction(m_about);
  menu.exec(event->globalPos());
}

void CConverterDlg::Dispatch(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const FileException& error) {
    ShowFileError(this, RunWords::FileError(error));
  } catch (const std::exception& error) {
    // Nothing else is expected to leave a handler; should it happen, the user
    // hears of it and the dialog goes on rather than the program ending.
    ShowFileError(this, RunWords::Unexpected(error));
  }
}

void CConverterDlg::OpenAddress(const char* url) {
  const QUrl address(QString::fromLatin1(url));
  if (QDesktopServices::openUrl(address)) return;
  ShowMessageBox(this, QMessageBox::Information, QCoreApplication::applicationName(),
                 tr("No program here opens web addresses. Copy this address into your "
                    "browser:") +
                     QStringLiteral("\n\n") + address.toString(),
                 QMessageBox::Ok, QMessageBox::Ok);
}

void CConverterDlg::OnConvert() {
  // A download may have finished while the dialog was open: the newest
  // catalogue is converted, and the field shows which.
  ComposePaths();
  CDialogPrompts prompts(this);
  ConversionOutcome outcome;
  {
    const WaitCursor busy;
    outcome = RunConversion(Encoded(m_inputFile), Encoded(m_orbitFile), Encoded(m_infoFile),
                            prompts, SystemFileSystem());
  }
  prompts.Report(outcome);
}

void CConverterDlg::ChooseDirectory(QString& directory, const QString& caption) {
  const QString chosen = QFileDialog::getExistingDirectory(this, caption, Absolute(directory));
  if (chosen.isEmpty()) return;
  directory = chosen;
  ComposePaths();
}

}  // namespace tarnwick
