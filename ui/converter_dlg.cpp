#include "converter_dlg.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDoubleSpinBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "about_dlg.h"
#include "absolute_path.h"
#include "asteroid_record.h"
#include "catalogue_location.h"
#include "conversion_run.h"
#include "dialog_language.h"
#include "dialog_prompts.h"
#include "download_addresses.h"
#include "file_layer.h"
#include "kept_copy.h"
#include "posix_file_system.h"
#include "run_words.h"
#include "run_worker.h"
#include "update_run.h"

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

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

/// An HTTP date ("Mon, 07 Dec 2026 06:00:00 GMT") as a date; invalid when it is none.
QDate HttpDate(const std::string& text) {
  QString date = QString::fromStdString(text).trimmed();
  // HTTP writes the zone as "GMT", which Qt's RFC 2822 reading does not take.
  if (date.endsWith(u" GMT")) date = date.chopped(4) + QStringLiteral(" +0000");
  return QDateTime::fromString(date, Qt::RFC2822Date).date();
}

/// The Last-Modified of the kept copy of the catalogue's address when the
/// pair is one made from it; invalid otherwise. Creates nothing: a missing
/// cache folder is no reason to make one.
QDate KeptCopyDate(const std::string& orbitPath, const std::string& infoPath) {
  const std::string cache = DefaultCacheFolder(Variable);
  if (cache.empty() || !QFileInfo(QFile::decodeName(cache.c_str())).isDir()) return {};
  const std::string pair = PairIdentity(orbitPath, infoPath);
  if (pair.empty()) return {};
  const CacheFolder folder = OpenCacheFolder(cache);
  if (folder.problem != CacheProblem::None) return {};
  KeptCopy copy(folder, CatalogueUrl(Variable));
  const KeptState state = copy.ReadState();
  if (std::find(state.pairs.begin(), state.pairs.end(), pair) == state.pairs.end()) return {};
  return HttpDate(state.lastModified);
}

/// The locale of the dialog's language, for numbers.
QLocale SessionLocale() {
  return QLocale(DialogLanguage() == Language::German ? QLocale::German : QLocale::English);
}

/// "N objects written." with N in the dialog's language.
QString ObjectsWritten(std::uint64_t count) {
  return count == 1 ? CConverterDlg::tr("1 object written.")
                    : CConverterDlg::tr("%1 objects written.")
                          .arg(SessionLocale().toString(static_cast<qulonglong>(count)));
}

/// What the end box adds for a selection: how many objects it left out.
QString LeftOut(std::uint64_t count) {
  return CConverterDlg::tr("Left out by the selection: %1.")
      .arg(SessionLocale().toString(static_cast<qulonglong>(count)));
}

QLabel* Text(const QString& text) {
  auto* label = new QLabel(text);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  return label;
}

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

/// Whether `path` names a catalogue by its file name, in any case.
bool IsCatalogueName(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  for (const char* catalogue : kCatalogueNames)
    if (name.compare(QLatin1String(catalogue), Qt::CaseInsensitive) == 0) return true;
  return false;
}

/// The first local catalogue file among the dropped URLs; empty when none.
QString DroppedCatalogue(const QMimeData* data) {
  if (!data || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls()) {
    QString path = url.toLocalFile();
    if (!path.isEmpty() && IsCatalogueName(path) && QFileInfo(path).isFile()) return path;
  }
  return {};
}

/// Puts `prompt` above the folders of Qt's own folder dialog, where the
/// window manager cannot cut it as it cuts a long title. A dialog of the
/// desktop's own keeps only the title.
void AddPrompt(QFileDialog& chooser, const QString& prompt) {
  auto* grid = qobject_cast<QGridLayout*>(chooser.layout());
  if (!grid) return;
  struct Item {
    QLayoutItem* item;
    int row, column, rows, columns;
  };
  QList<Item> items;
  for (int i = 0; i < grid->count(); ++i) {
    Item entry{grid->itemAt(i), 0, 0, 0, 0};
    grid->getItemPosition(i, &entry.row, &entry.column, &entry.rows, &entry.columns);
    items << entry;
  }
  while (grid->count() > 0) grid->takeAt(0);
  auto* label = Text(prompt);
  label->setObjectName(QStringLiteral("tarnwickPrompt"));
  grid->addWidget(label, 0, 0, 1, grid->columnCount());
  for (const Item& entry : items)
    grid->addItem(entry.item, entry.row + 1, entry.column, entry.rows, entry.columns);
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

QGroupBox* CConverterDlg::ObjectsGroup() {
  auto* box = new QGroupBox(tr("Objects"));
  m_allObjects = new QCheckBox(tr("A&ll"), this);
  m_allObjects->setAccessibleName(tr("All objects"));
  m_brighter = new QCheckBox(tr("&Brighter than magnitude"), this);
  m_brighter->setAccessibleName(tr("Only objects brighter than a magnitude"));
  m_magnitude = new QDoubleSpinBox(this);
  m_magnitude->setAccessibleName(tr("Magnitude limit"));
  m_magnitude->setLocale(SessionLocale());
  // From the brightest asteroids to far beyond any telescope's reach.
  m_magnitude->setRange(0.0, 30.0);
  m_magnitude->setDecimals(1);
  m_magnitude->setSingleStep(0.5);
  m_magnitude->setValue(12.0);
  m_nearEarth = new QCheckBox(tr("&Near-Earth objects only"), this);
  m_nearEarth->setAccessibleName(tr("Near-Earth objects only"));
  m_numbered = new QCheckBox(tr("N&umbered only"), this);
  m_numbered->setAccessibleName(tr("Numbered objects only"));

  const Selection& stored = m_settings.selection;
  m_brighter->setChecked(stored.brighterThan.has_value());
  if (stored.brighterThan) m_magnitude->setValue(*stored.brighterThan);
  m_nearEarth->setChecked(stored.Has(OrbitClass::Neo));
  m_numbered->setChecked(stored.numberedOnly);
  for (QCheckBox* check : {m_allObjects, m_brighter, m_nearEarth, m_numbered})
    connect(check, &QCheckBox::clicked, this, [this, check] { ChooseObjects(check); });
  connect(m_magnitude, &QDoubleSpinBox::valueChanged, this,
          [this] { m_settings.selection = ChosenSelection(); });
  ChooseObjects(nullptr);

  auto* grid = new QGridLayout(box);
  grid->addWidget(m_allObjects, 0, 0);
  auto* brighter = new QHBoxLayout;
  brighter->addWidget(m_brighter);
  brighter->addWidget(m_magnitude);
  brighter->addStretch();
  grid->addLayout(brighter, 1, 0);
  grid->addWidget(m_nearEarth, 0, 1);
  grid->addWidget(m_numbered, 1, 1);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  return box;
}

void CConverterDlg::ChooseObjects(QCheckBox* clicked) {
  if (clicked == m_allObjects) {
    for (QCheckBox* check : {m_brighter, m_nearEarth, m_numbered}) check->setChecked(false);
  }
  m_allObjects->setChecked(!m_brighter->isChecked() && !m_nearEarth->isChecked() &&
                           !m_numbered->isChecked());
  m_magnitude->setEnabled(m_brighter->isChecked());
  m_settings.selection = ChosenSelection();
}

Selection CConverterDlg::ChosenSelection() const {
  Selection selection;
  if (m_brighter->isChecked()) selection.brighterThan = m_magnitude->value();
  if (m_nearEarth->isChecked()) selection.Add(OrbitClass::Neo);
  selection.numberedOnly = m_numbered->isChecked();
  return selection;
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

void CConverterDlg::dragEnterEvent(QDragEnterEvent* event) {
  if (!Running() && !DroppedCatalogue(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CConverterDlg::dropEvent(QDropEvent* event) {
  const QString catalogue = DroppedCatalogue(event->mimeData());
  if (Running() || catalogue.isEmpty()) return;
  event->acceptProposedAction();
  m_settings.pathIn = QFileInfo(catalogue).absolutePath();
  ComposePaths();
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

void CConverterDlg::OpenAddress(const QString& address) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
  // xdg-open says whether it found a program; Qt only whether it started it.
  // It may wait for the browser it opens, so only its failure is awaited.
  auto* opener = new QProcess(this);
  connect(opener, &QProcess::errorOccurred, this, [this, opener, address](QProcess::ProcessError) {
    if (opener->property("told").toBool()) return;
    opener->setProperty("told", true);
    opener->deleteLater();
    ShowAddress(address);
  });
  connect(opener, &QProcess::finished, this,
          [this, opener, address](int status, QProcess::ExitStatus how) {
            if (opener->property("told").toBool()) return;
            opener->setProperty("told", true);
            opener->deleteLater();
            if (how != QProcess::NormalExit || status != 0) ShowAddress(address);
          });
  opener->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  opener->start(QStringLiteral("xdg-open"), {address});
#else
  if (!QDesktopServices::openUrl(QUrl(address))) ShowAddress(address);
#endif
}

void CConverterDlg::ShowAddress(const QString& url) {
  const QString text = tr("No program here opens web addresses. Copy this address into your "
                          "browser:") +
                       QStringLiteral("\n\n") + url;
  QMessageBox box(QMessageBox::Information, QCoreApplication::applicationName(), text,
                  QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  auto* copy = box.addButton(tr("&Copy address"), QMessageBox::ActionRole);
  // Copying must not close the box.
  QObject::disconnect(copy, &QAbstractButton::clicked, nullptr, nullptr);
  connect(copy, &QPushButton::clicked, &box, [url] { QGuiApplication::clipboard()->setText(url); });
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Ok);
  box.exec();
}

void CConverterDlg::OnConvert() {
  // A download may have finished while the dialog was open: the newest
  // catalogue is converted, and the field shows which.
  ComposePaths();
  m_update.reset();
  const std::string input = Encoded(m_inputFile);
  const QFileInfo catalogue(m_inputFile);
  Launch([this, input, orbits = Encoded(m_orbitFile), infos = Encoded(m_infoFile)] {
    WatchedFileSystem files(SystemFileSystem(), input, *m_progress);
    m_outcome = RunConversion(input, orbits, infos, *m_prompts, files, kDefaultMaxRecords,
                              m_settings.selection);
  });
  if (catalogue.isFile()) m_progress->total.store(catalogue.size());
}

void CConverterDlg::OnDownloadAndConvert() {
  ComposePaths();
  UpdateRequest request;
  const std::string bad = ConfigureFromEnvironment(request, Variable);
  if (!bad.empty()) {
    ShowMessageBox(
        this, QMessageBox::Warning, QCoreApplication::applicationName(),
        tr("The environment variable %1 must be a whole number from 1, not \"%2\".")
            .arg(QString::fromStdString(bad), QString::fromLocal8Bit(qgetenv(bad.c_str()))),
        QMessageBox::Ok, QMessageBox::Ok);
    return;
  }
  if (!QString::fromStdString(request.url).startsWith(u"https://", Qt::CaseInsensitive)) {
    ShowMessageBox(this, QMessageBox::Warning, QCoreApplication::applicationName(),
                   tr("TARNWICK_URL names %1, but only https:// addresses are fetched.")
                       .arg(QString::fromStdString(ShownAddress(request.url))),
                   QMessageBox::Ok, QMessageBox::Ok);
    return;
  }
  request.outputDir =
      Encoded(m_settings.pathOut.isEmpty() ? QStringLiteral("/") : Absolute(m_settings.pathOut));
  request.userAgent = "Tarnwick/" TARNWICK_VERSION;
  request.selection = m_settings.selection;
  m_update = std::make_unique<UpdateOutcome>();
  Launch([this, request] { *m_update = RunUpdate(request, *m_hooks); });
  m_progress->downloading.store(true);
}

void CConverterDlg::Launch(std::function<void()> work) {
  if (Running()) return;
  m_progress = std::make_unique<RunProgress>();
  m_prompts = std::make_unique<WorkerPrompts>(this, *m_progress);
  m_hooks = std::make_unique<WorkerHooks>(
      this, *m_progress, [this](const UpdateWarning& warning) { ShowUpdateWarning(warning); });
  m_outcome = {};
  m_failure = nullptr;
  m_thread = QThread::create([this, work = std::move(work)] {
    try {
      work();
    } catch (...) {
      m_failure = std::current_exception();
    }
  });
  connect(m_thread, &QThread::finished, this, &CConverterDlg::FinishRun);
  SetRunning(true);
  m_elapsed.start();
  m_thread->start();
}

void CConverterDlg::SetRunning(bool running) {
  for (QPushButton* button : m_starters) button->setEnabled(!running);
  // The run's selection is the one its end box tells of.
  m_objectsBox->setEnabled(!running);
  m_progressBar->setVisible(running);
  m_cancel->setVisible(running);
  m_cancel->setEnabled(running);
  if (running) {
    m_progressText->clear();
    ShowProgress();
    m_progressTimer.start(100);
    m_cancel->setFocus();
  } else {
    m_progressTimer.stop();
  }
}

void CConverterDlg::ShowProgress() {
  if (!m_progress) return;
  const QLocale locale(DialogLanguage() == Language::German ? QLocale::German : QLocale::English);
  const auto megabytes = [&](double bytes) {
    // A slow pipe reads kilobytes a second.
    if (bytes < 1e6) return tr("%1 kB").arg(locale.toString(bytes / 1e3, 'f', 0));
    return tr("%1 MB").arg(locale.toString(bytes / 1e6, 'f', 1));
  };
  const double done = static_cast<double>(m_progress->done.load());
  const std::int64_t total = m_progress->total.load();
  QString text;
  if (total > 0) {
    const int permille = static_cast<int>(std::min(1000.0, done * 1000.0 / double(total)));
    m_progressBar->setRange(0, 1000);
    m_progressBar->setValue(permille);
    text = tr("%1 of %2 (%3 %)")
               .arg(megabytes(done), megabytes(double(total)), locale.toString(permille / 10));
  } else {
    m_progressBar->setRange(0, 0);  // a moving bar
    text = m_progress->downloading.load() ? tr("%1 downloaded").arg(megabytes(done))
                                          : tr("%1 read").arg(megabytes(done));
  }
  // A download tells its own rate and time left; a conversion's are worked out here.
  const double seconds = static_cast<double>(m_elapsed.elapsed()) / 1000.0;
  double rate = m_progress->bytesPerSecond.load();
  double secondsLeft = m_progress->secondsLeft.load();
  if (rate <= 0 && seconds >= 1.0 && done > 0) {
    rate = done / seconds;
    if (total > 0) secondsLeft = (double(total) - done) / rate;
  }
  if (rate > 0) {
    text += tr(", %1/s").arg(megabytes(rate));
    if (secondsLeft >= 0) {
      const int left = static_cast<int>(std::lround(secondsLeft));
      text += tr(", %1:%2 left").arg(left / 60).arg(left % 60, 2, 10, QChar(u'0'));
    }
  }
  if (m_progress->cancel.load()) text = tr("Cancelling...");
  m_progressText->setText(text);
}

void CConverterDlg::Cancel() {
  if (!m_progress || !Running()) return;
  m_progress->cancel.store(true);
  m_cancel->setEnabled(false);
  ShowProgress();
}

void CConverterDlg::FinishRun() {
  m_thread->wait();
  delete m_thread;
  m_thread = nullptr;
  const bool closing = m_closeWhenDone;
  const std::exception_ptr failure = std::exchange(m_failure, nullptr);
  SetRunning(false);
  m_progressText->clear();
  ComposePaths();
  if (closing) {
    done(QDialog::Rejected);
    return;
  }
  if (m_update && !failure) {
    ShowUpdateOutcome(*std::exchange(m_update, nullptr));
  } else if (failure) {
    Dispatch([&] {
      try {
        std::rethrow_exception(failure);
      } catch (const RunCancelled&) {
        m_progressText->setText(tr("Cancelled: the files are as they were."));
      }
    });
  } else {
    ReportConversion(m_outcome);
  }
}

void CConverterDlg::ShowUpdateWarning(const UpdateWarning& warning) {
  const QString path = QFile::decodeName(warning.path.c_str());
  const QString reason = QString::fromLocal8Bit(std::strerror(warning.systemError));
  QString text = RunWords::Event(warning.event, path);
  if (warning.kind == UpdateWarningKind::CacheNotUsable) {
    const QString why =
        warning.cacheProblem == CacheRefusal::NotOwned       ? tr("it belongs to another user")
        : warning.cacheProblem == CacheRefusal::OpenToOthers ? tr("others may write to it")
                                                             : reason;
    text = tr("The cache folder %1 is not used (%2); the catalogue is converted without keeping "
              "a copy.")
               .arg(path, why);
  } else if (warning.kind == UpdateWarningKind::CopyNotKept) {
    text = tr("The files are up to date, but the downloaded catalogue could not be kept in %1 "
              "(%2); the next update downloads it again.")
               .arg(path, reason);
  }
  ShowMessageBox(this, QMessageBox::Warning, RunWords::Attention(), text, QMessageBox::Ok,
                 QMessageBox::Ok);
}

void CConverterDlg::ShowUpdateOutcome(const UpdateOutcome& outcome) {
  const QString address = QString::fromStdString(outcome.address);
  const ConversionOutcome& conversion = outcome.conversion;
  switch (outcome.result) {
    case UpdateResult::UpToDate: {
      const QDate date = HttpDate(outcome.lastModified);
      const QString folder =
          m_settings.pathOut.isEmpty() ? QStringLiteral("/") : Absolute(m_settings.pathOut);
      ShowMessageBox(
          this, QMessageBox::Information, tr("Up to date"),
          (date.isValid()
               ? tr("Up to date: %1 has nothing newer than the catalogue of %2, from which the "
                    "files in %3 were made.")
                     .arg(address, date.toString(Qt::ISODate), folder)
               : tr("Up to date: %1 has nothing newer than the catalogue from which the files "
                    "in %2 were made.")
                     .arg(address, folder)) +
              QStringLiteral("\n\n") + tr("Nothing was downloaded or written."),
          QMessageBox::Ok, QMessageBox::Ok);
      return;
    }
    case UpdateResult::NetworkFailure: {
      const NetworkFailure& network = outcome.network;
      const QString detail = QString::fromStdString(network.detail);
      QString why, tryThis;
      switch (network.kind) {
        case NetworkFailureKind::Connection:
          why = tr("there is no connection to the server (%1).").arg(detail);
          tryThis =
              tr("Check the connection to the internet (and the proxy, if you use one), "
                 "then try again.");
          break;
        case NetworkFailureKind::Tls:
          why = tr("the server's certificate was not accepted (%1).").arg(detail);
          tryThis =
              tr("Check the computer's date and time. A network that looks into secure "
                 "connections (in some companies and hotels) refuses them too: try another "
                 "network.");
          break;
        case NetworkFailureKind::HttpStatus:
          why = tr("the server answered with HTTP status %1.").arg(network.httpStatus);
          tryThis =
              tr("The file may have moved or the server may be busy: try again later. "
                 "When TARNWICK_URL is set, check the address it names.");
          break;
        case NetworkFailureKind::Stall:
          why = tr("nothing arrived for %1 seconds.").arg(network.limit);
          tryThis = tr("The connection or the server is too slow just now: try again later.");
          break;
        case NetworkFailureKind::SizeLimit:
          why = tr("the file is larger than %1 MiB, more than any catalogue.")
                    .arg(network.limit >> 20);
          tryThis =
              tr("Check the address: it does not name the catalogue. When TARNWICK_URL is "
                 "set, check the address it names.");
          break;
        case NetworkFailureKind::RedirectRefused:
          why = tr("the server sent the request on to an address that is not https://, or too "
                   "often (%1).")
                    .arg(detail);
          tryThis = tr("Check the address. When TARNWICK_URL is set, check the address it names.");
          break;
        case NetworkFailureKind::Incomplete:
          why = tr("the transfer ended before the whole catalogue arrived (%1).").arg(detail);
          tryThis = tr("Try again; a broken connection or a busy server ends transfers early.");
          break;
      }
      ShowMessageBox(this, QMessageBox::Warning, tr("Download failed"),
                     tr("The catalogue could not be downloaded from %1: %2").arg(address, why) +
                         QStringLiteral("\n\n") + tryThis + QStringLiteral(" ") +
                         tr("The files are as they were. You can also fetch the catalogue in "
                            "the browser with Download... and convert it with Start "
                            "Converting."),
                     QMessageBox::Ok, QMessageBox::Ok);
      return;
    }
    case UpdateResult::FileFailure: {
      const FileFailure& file = outcome.file;
      ShowFileError(this,
                    RunWords::FileError(FileException(file.cause, file.path, file.problem,
                                                      file.systemError, file.number, file.kept)));
      return;
    }
    case UpdateResult::Cancelled:
      m_progressText->setText(tr("Cancelled: the files and the kept copy are as they were."));
      return;
    case UpdateResult::Converted:
      break;
  }
  ReportConversion(conversion);
}

void CConverterDlg::ReportConversion(const ConversionOutcome& outcome) {
  if (outcome.status == RunStatus::Done) {
    QString text =
        RunWords::Done() + QStringLiteral("\n\n") + ObjectsWritten(outcome.recordsWritten);
    if (m_settings.selection.Any()) text += QStringLiteral(" ") + LeftOut(outcome.leftOut);
    ShowMessageBox(this, QMessageBox::Information, RunWords::DoneCaption(), text, QMessageBox::Ok,
                   QMessageBox::Ok);
  } else {
    CDialogPrompts(this).Report(outcome);
  }
}

void CConverterDlg::ChooseDirectory(QString& directory, const QString& prompt, bool input) {
  QFileDialog chooser(this, prompt, Absolute(directory));
  chooser.setFileMode(QFileDialog::Directory);
  if (input) {
    // The catalogue files show, so that the user sees the folder is the right one.
    chooser.setNameFilter(tr("Catalogue (MPCORB.DAT MPCORB.DAT.gz MPCORB.ZIP)"));
  } else {
    chooser.setOption(QFileDialog::ShowDirsOnly);
  }
  // Ctrl+H shows and hides hidden folders, as in the desktops' own dialogs:
  // Lumivale's folder under Wine lies below ~/.wine.
  auto* hidden = new QAction(&chooser);
  hidden->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
  connect(hidden, &QAction::triggered, &chooser,
          [&chooser] { chooser.setFilter(chooser.filter() ^ QDir::Hidden); });
  chooser.addAction(hidden);
  AddPrompt(chooser, prompt);
  if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return;
  QString chosen = chooser.selectedFiles().constFirst();
  // A catalogue file chosen in the input chooser stands for its folder.
  if (QFileInfo(chosen).isFile()) chosen = QFileInfo(chosen).absolutePath();
  directory = chosen;
  ComposePaths();
}

}  // namespace tarnwick
