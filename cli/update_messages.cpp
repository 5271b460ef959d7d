#include "update_messages.h"

#include <cstring>

#include "messages.h"
#include "outcome.h"

namespace tarnwick::cli {

std::string UpToDateText(const std::string& outputDir, const std::string& lastModified) {
  std::string text = Say(Message::UpToDate, {outputDir});
  if (!lastModified.empty()) text += Say(Message::CatalogueOf, {lastModified});
  return text;
}

std::string NetworkFailureText(const std::string& address, const NetworkFailure& failure) {
  std::string cause;
  switch (failure.kind) {
    case NetworkFailureKind::Connection:
      cause = Say(Message::NetConnection, {failure.detail});
      break;
    case NetworkFailureKind::Tls:
      cause = Say(Message::NetTls, {failure.detail});
      break;
    case NetworkFailureKind::HttpStatus:
      cause = Say(Message::NetHttpStatus, {std::to_string(failure.httpStatus)});
      break;
    case NetworkFailureKind::Stall:
      cause = Say(Message::NetStall, {std::to_string(failure.limit)});
      break;
    case NetworkFailureKind::SizeLimit:
      cause = Say(Message::NetSizeLimit, {std::to_string(failure.limit >> 20)});
      break;
    case NetworkFailureKind::RedirectRefused:
      cause = Say(Message::NetRedirectRefused, {failure.detail});
      break;
    case NetworkFailureKind::Incomplete:
      cause = Say(Message::NetIncomplete, {failure.detail});
      break;
  }
  return Say(Message::DownloadFailed, {address, cause});
}

std::string UpdateWarningText(const UpdateWarning& warning) {
  switch (warning.kind) {
    case UpdateWarningKind::CacheNotUsable: {
      const std::string why =
          warning.cacheProblem == CacheRefusal::NotOwned       ? Say(Message::CacheNotOwned)
          : warning.cacheProblem == CacheRefusal::OpenToOthers ? Say(Message::CacheOpenToOthers)
          : warning.cacheProblem == CacheRefusal::ForeignLink  ? Say(Message::CacheForeignLink)
                                                               : std::strerror(warning.systemError);
      return Say(Message::CacheNotUsed, {warning.path, why});
    }
    case UpdateWarningKind::CopyNotKept:
      return Say(Message::CopyNotKept, {warning.path, std::strerror(warning.systemError)});
    case UpdateWarningKind::Conversion:
      break;
  }
  return EventText(warning.event, warning.path);
}

std::string TooManyRecordsText(const std::string& input, std::uint64_t limit) {
  return Say(Message::TooManyRecords, {input, std::to_string(limit)});
}

std::string BadVariableText(const std::string& name, const std::string& value) {
  return Say(Message::BadVariable, {name, value});
}

std::string UrlVariableNotHttpsText(const std::string& value) {
  return Say(Message::UrlNotHttps, {value});
}

std::string CancelledText() { return Say(Message::Cancelled); }

}  // namespace tarnwick::cli
