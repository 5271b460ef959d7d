// The desktop's words for what a conversion reports: the questions, events
// and outcomes of a run and the file-error box's text. English here, German
// in tarnwick_de.ts; the German texts of questions, outcomes and file-error
// causes are those the program has always shown.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <exception>

#include "conversion_run.h"

namespace tarnwick {

class RunWords {
  Q_DECLARE_TR_FUNCTIONS(tarnwick::RunWords)

 public:
  /// The caption of the overwrite question and of every warning.
  static QString Attention();
  /// The overwrite question for `path`.
  static QString Overwrite(const QString& path);
  /// The completion message and its caption.
  static QString Done();
  static QString DoneCaption();
  /// The warning for a run that ended without writing: `outcome` is
  /// CannotOpen, NoOrbitData or TooManyRecords. Empty for the other outcomes.
  static QString Warning(const ConversionOutcome& outcome);
  /// Why the run refused the output `path` for safety; empty where the
  /// warning alone says enough.
  static QString Refusal(OutputRefusal refusal, const QString& path);
  /// What the run tells on its way about `path`.
  static QString Event(RunEvent event, const QString& path);
  /// The file-error box's text: what the cause (or the problem, where the
  /// cause says too little) means for the file, then the system's reason
  /// where it gave one.
  static QString FileError(const FileException& error);
  /// The box's text for any other failure that ended a handler.
  static QString Unexpected(const std::exception& error);
};

}  // namespace tarnwick
