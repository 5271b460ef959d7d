#include "converter_dlg.h"

#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "about_dlg.h"
#include "asteroid_record.h"
#include "catalogue_location.h"
#include "conversion_run.h"
#include "dialog_language.h"
#include "dialog_paths.h"
#include "dialog_prompts.h"
#include "download_addresses.h"
#include "file_layer.h"
#include "run_words.h"
#include "run_worker.h"
#include "update_run.h"

namespace tarnwick {

namespace {

/// The arrow that points at the convert button. Painted, not a label, so
/// that a screen reader does not read its dashes out.
class Arrow final : public QWidget {
 public:
  Arrow() { setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed); }
  QSize sizeHint() const override {
    return {fontMetrics().horizontalAdvance(kText), fontMetrics().height()};
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawText(rect(), Qt::AlignCenter, kText);
  }

 private:
  static inline const QString kText = QStringLiteral("------->");
};

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
  setAcceptDrops(true);

  // The controls in their tab order: the close button first, which also has
  // the focus at the start and is the default button.
  auto* close = new QPushButton(tr("&Close"), this);
  close->setAutoDefault(true);
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  // TARNWICK_URL names a mirror for the browser too.
  auto* download = Button(tr("&Download..."),
                          [this] { OpenAddress(QString::fromStdString(CatalogueUrl(Variable))); });
  download->setAccessibleName(tr("Download the catalogue in the browser"));
  auto* update = Button(tr("Do&wnload and convert"), [this] { OnDownloadAndConvert(); });
  QPushButton* mirror = nullptr;
  if (mirrorAndUnpackStep) {
    mirror = Button(tr("Do&wnload..."),
                    [this] { OpenAddress(QString::fromLatin1(kCatalogueMirrorUrl)); });
    mirror->setAccessibleName(tr("Open the mirror's download page in the browser"));
  }
  const auto pathField = [this](const QString& name) {
    auto* field = new QLineEdit(this);
    field->setReadOnly(true);
    field->setAccessibleName(name);
    field->installEventFilter(this);
    // Room for a path of a usual length in the user's font.
    field->setMinimumWidth(64 * field->fontMetrics().averageCharWidth());
    return field;
  };
  m_inputField = pathField(tr("Input file"));
  const QString inputLabel = tr("&Input (MPCORB.DAT, .DAT.gz or .ZIP)");
  auto* browseInput = Button(QStringLiteral("..."), [this] {
    ChooseDirectory(m_settings.pathIn, tr("Choose the directory where to find the file MPCORB.DAT"),
                    true);
  });
  browseInput->setAccessibleName(tr("Choose input folder..."));
  m_orbitField = pathField(tr("Orbit file"));
  const QString outputLabel = tr("&Output (binary Files for Lumivale):");
  auto* browseOutput = Button(QStringLiteral("..."), [this] {
    ChooseDirectory(m_settings.pathOut,
                    tr("Choose the directory where the files Asteroids4.dat "
                       "and AsteroidInfo4.dat should be generated"),
                    false);
  });
  browseOutput->setAccessibleName(tr("Choose output folder..."));
  m_infoField = pathField(tr("Summary file"));
  m_objectsBox = ObjectsGroup();
  auto* convert = Button(tr("&Start Converting"), [this] { OnConvert(); });
  for (QPushButton* browse : {browseInput, browseOutput}) {
    browse->setToolTip(browse->accessibleName());
    browse->setMaximumWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("....")) +
                            browse->fontMetrics().height());
  }
  m_starters = {update, convert, browseInput, browseOutput};

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
  downloadGrid->addWidget(Text(tr("Or in one step: download it and convert it into the output "
                                  "folder:")),
                          2, 0);
  downloadGrid->addWidget(update, 2, 1);
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
  // The labels' letters (Alt+I, Alt+O) go to the folder buttons beside them.
  auto* inputText = Text(inputLabel);
  inputText->setTextFormat(Qt::AutoText);
  inputText->setBuddy(browseInput);
  convertGrid->addWidget(inputText, 0, 0, 1, 3);
  convertGrid->addWidget(m_inputField, 1, 0, 1, 2);
  convertGrid->addWidget(browseInput, 1, 2);
  convertGrid->addItem(new QSpacerItem(0, fontMetrics().height() / 2), 2, 0);
  auto* outputText = Text(outputLabel);
  outputText->setTextFormat(Qt::AutoText);
  outputText->setBuddy(browseOutput);
  convertGrid->addWidget(outputText, 3, 0, 1, 3);
  convertGrid->addWidget(new QLabel(QStringLiteral("a)")), 4, 0);
  convertGrid->addWidget(m_orbitField, 4, 1);
  convertGrid->addWidget(browseOutput, 4, 2);
  convertGrid->addWidget(new QLabel(QStringLiteral("b)")), 5, 0);
  convertGrid->addWidget(m_infoField, 5, 1);
  m_dataAge = Text(QString());
  m_dataAge->setTextInteractionFlags(Qt::TextSelectableByMouse);
  convertGrid->addWidget(m_dataAge, 6, 1, 1, 2);
  convertGrid->addWidget(m_objectsBox, 7, 0, 1, 3);
  auto* start = new QHBoxLayout;
  start->addStretch();
  start->addWidget(new Arrow);
  start->addWidget(convert);
  convertGrid->addLayout(start, 8, 0, 1, 3);
  convertGrid->setColumnStretch(1, 1);
  layout->addWidget(convertBox);

  // The progress of a run: hidden while none works, its room kept.
  m_progressBar = new QProgressBar(this);
  m_progressBar->setAccessibleName(tr("Progress"));
  m_progressBar->setTextVisible(false);
  m_cancel = new QPushButton(tr("C&ancel"), this);
  m_cancel->setAutoDefault(true);
  connect(m_cancel, &QPushButton::clicked, this, &CConverterDlg::Cancel);
  m_progressText = Text(QString());
  for (QWidget* widget : {static_cast<QWidget*>(m_progressBar), static_cast<QWidget*>(m_cancel)}) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
    widget->hide();
  }
  auto* progressRow = new QHBoxLayout;
  progressRow->addWidget(m_progressBar, 1);
  progressRow->addWidget(m_cancel);
  layout->addLayout(progressRow);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(m_progressText, 1);
  bottom->addWidget(close, 0, Qt::AlignBottom);
  layout->addLayout(bottom);
  connect(&m_progressTimer, &QTimer::timeout, this, &CConverterDlg::ShowProgress);

  m_about = new QAction(tr("&About Tarnwick..."), this);
  m_about->setShortcut(QKeySequence(Qt::Key_F1));
  connect(m_about, &QAction::triggered, this, [this] {
    CAboutDlg about(this);
    about.exec();
  });
  addAction(m_about);

  // The objects are chosen after the output and before the start.
  QWidget* previous = m_infoField;
  for (QWidget* next : std::initializer_list<QWidget*>{m_allObjects, m_brighter, m_magnitude,
                                                       m_nearEarth, m_numbered, convert}) {
    setTabOrder(previous, next);
    previous = next;
  }

  ComposePaths();
  if (!m_settings.geometry.isEmpty()) restoreGeometry(m_settings.geometry);
  close->setFocus();
}

CConverterDlg::~CConverterDlg() {
  // Only reached with a run working when the dialog is destroyed without
  // being closed: the run is stopped, its temporaries go.
  if (m_thread) {
    m_progress->cancel.store(true);
    disconnect(m_thread, nullptr, this, nullptr);
    // The worker may be waiting for this thread to answer a question.
    while (!m_thread->wait(50)) QCoreApplication::processEvents();
    delete m_thread;
  }
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
  ShowDataAge();
}

void CConverterDlg::ShowDataAge() {
  const QFileInfo orbits(m_orbitFile);
  const QFileInfo infos(m_infoFile);
  // The objects the pair in the output folder holds: what "All" writes.
  const qint64 records =
      orbits.isFile() ? orbits.size() / static_cast<qint64>(kAsteroidRecordSize) : 0;
  m_allObjects->setText(records > 0 ? tr("A&ll (%1)").arg(SessionLocale().toString(records))
                                    : tr("A&ll"));
  if (!orbits.isFile() || !infos.isFile() || orbits.size() == 0) {
    m_dataAge->setText(tr("No data for Lumivale in this folder yet."));
    return;
  }
  // The catalogue's own date where the pair came from the kept copy; else
  // the files' time, when the pair was made.
  QDate made = KeptCopyDate(Encoded(m_orbitFile), Encoded(m_infoFile));
  if (!made.isValid()) made = std::min(orbits.lastModified(), infos.lastModified()).date();
  const qint64 days = std::max<qint64>(0, made.daysTo(QDate::currentDate()));
  const QString date = made.toString(Qt::ISODate);
  m_dataAge->setText(days == 0   ? tr("Data from %1 (today)").arg(date)
                     : days == 1 ? tr("Data from %1 (1 day old)").arg(date)
                                 : tr("Data from %1 (%2 days old)").arg(date).arg(days));
}

void CConverterDlg::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  menu.addAction(m_about);
  menu.exec(event->globalPos());
}

bool CConverterDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) return true;
  }
  return QDialog::eventFilter(watched, event);
}

void CConverterDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Qt sizes a new window before its wrapped texts know their width; with
  // large fonts they would then be cut. The first showing makes room.
  if (m_sized) return;
  m_sized = true;
  if (layout()->hasHeightForWidth()) {
    const int needed = layout()->totalHeightForWidth(width());
    if (needed > height()) resize(width(), needed);
  }
}

void CConverterDlg::keyPressEvent(QKeyEvent* event) {
  if (Running() && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    Cancel();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CConverterDlg::done(int result) {
  if (Running()) {
    Cancel();
    m_closeWhenDone = true;
    return;
  }
  m_settings.geometry = saveGeometry();
  QDialog::done(result);
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

}  // namespace tarnwick
