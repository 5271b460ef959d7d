// Small helpers of the main dialog: paths in the file system's encoding,
// the dates it shows, the locale of its numbers and its plain labels.
#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <string>

class QLabel;

namespace tarnwick {

/// `path` in the file system's own encoding, as Qt's file classes pass it.
std::string Encoded(const QString& path);

/// A folder made absolute by the one rule every path the user sees follows.
QString Absolute(const QString& path);

/// `name` in `directory`, with one slash between them.
QString Join(const QString& directory, const QString& name);

/// The environment variable `name`; empty when it is not set.
std::string Variable(const char* name);

/// An HTTP date ("Mon, 07 Dec 2026 06:00:00 GMT") as a date; invalid when it is none.
QDate HttpDate(const std::string& text);

/// The Last-Modified of the kept copy of the catalogue's address when the
/// pair is one made from it; invalid otherwise. Creates nothing: a missing
/// cache folder is no reason to make one.
QDate KeptCopyDate(const std::string& orbitPath, const std::string& infoPath);

/// The locale of the dialog's language, for numbers.
QLocale SessionLocale();

/// A label showing `text` as plain text, wrapped.
QLabel* Text(const QString& text);

}  // namespace tarnwick
