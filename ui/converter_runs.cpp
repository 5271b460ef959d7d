// The main dialog's runs: starting a conversion or an update on a thread of
// its own, showing its progress, cancelling it and telling how it ended.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>

#include "conversion_run.h"
#include "converter_dlg.h"
#include "dialog_language.h"
#include "dialog_paths.h"
#include "dialog_prompts.h"
#include "file_layer.h"
#include "posix_file_system.h"
#include "run_words.h"
#include "run_worker.h"
#include "update_run.h"

namespace tarnwick {

namespace {

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

}  // namespace

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

}  // namespace tarnwick
