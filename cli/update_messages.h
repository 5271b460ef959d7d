// The typed results of the shared update run put into words for the
// command line, from its message table.
#pragma once

#include <cstdint>
#include <string>

#include "update_run.h"

namespace tarnwick::cli {

/// "Up to date…", with the catalogue's date when the kept copy has one.
std::string UpToDateText(const std::string& outputDir, const std::string& lastModified);

/// "Download of ADDRESS failed: …" with the kind of failure and the library's detail.
std::string NetworkFailureText(const std::string& address, const NetworkFailure& failure);

/// A warning of the run, the conversion's events among them.
std::string UpdateWarningText(const UpdateWarning& warning);

/// The catalogue `input` gave more than `limit` orbit lines; nothing written.
std::string TooManyRecordsText(const std::string& input, std::uint64_t limit);

/// The environment variable `name` holds `value`, which is not a whole number from 1.
std::string BadVariableText(const std::string& name, const std::string& value);

/// The address in TARNWICK_URL is not https://.
std::string UrlVariableNotHttpsText(const std::string& value);

/// The run was cancelled; nothing changed.
std::string CancelledText();

}  // namespace tarnwick::cli
