// The transfer thread: libcurl's callbacks append the body to the copy and
// pass what is in the copy on to the stream without ever blocking; once the
// transfer has ended, the rest of a complete body is passed on, and the
// stream is closed.
#include "download.h"

#include <curl/curl.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <stdexcept>

#include "catalogue_line.h"
#include "quiet_thread.h"

namespace tarnwick {
namespace {

constexpr std::size_t kFeedBlock = std::size_t{1} << 16;

struct CurlFree {
  void operator()(CURL* handle) const noexcept { curl_easy_cleanup(handle); }
};
struct ListFree {
  void operator()(curl_slist* list) const noexcept { curl_slist_free_all(list); }
};

/// Whether the header line `line` is header `name`; if so, its value goes to `value`.
bool HeaderValue(std::string_view line, std::string_view name, std::string& value) {
  if (line.size() <= name.size() || line[name.size()] != ':' ||
      !line::EqualsIgnoringCase(line.substr(0, name.size()), name))
    return false;
  line.remove_prefix(name.size() + 1);
  const auto first = line.find_first_not_of(" \t");
  const auto last = line.find_last_not_of(" \t\r\n");
  value = first == std::string_view::npos ? std::string()
                                          : std::string(line.substr(first, last - first + 1));
  return true;
}

/// Why libcurl ended a transfer with `rc`; `connected`: a connection was made.
DownloadFailure FailureOf(CURLcode rc, bool connected) noexcept {
  switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
      return DownloadFailure::Connection;
    case CURLE_OPERATION_TIMEDOUT:  // no overall timeout is set: connecting, or the stall limit
      return connected ? DownloadFailure::Stall : DownloadFailure::Connection;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
      return DownloadFailure::Interrupted;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_USE_SSL_FAILED:
      return DownloadFailure::Tls;
    case CURLE_HTTP_RETURNED_ERROR:
      return DownloadFailure::HttpStatus;
    case CURLE_FILESIZE_EXCEEDED:  // announced by the server beforehand
      return DownloadFailure::SizeLimit;
    case CURLE_UNSUPPORTED_PROTOCOL:  // the first address is checked: a redirect
      return DownloadFailure::RedirectRefused;
    default:
      return DownloadFailure::Other;
  }
}

}  // namespace

Download::Download(DownloadRequest request, int copy) : request_(std::move(request)), copy_(copy) {
  static std::once_flag global;
  std::call_once(global, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
    throw std::runtime_error(std::string("socketpair: ") + std::strerror(errno));
  reader_ = Descriptor(ends[0]);
  writer_ = Descriptor(ends[1]);
  // Signals stay with the main thread, also while it commits the pair.
  thread_ = StartThreadWithSignalsBlocked([this] { Run(); });
}

Download::~Download() {
  Abort();
  if (thread_.joinable()) thread_.join();
}

bool Download::WaitForBody() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return bodyStarted_ || ended_.load(); });
  return bodyStarted_ || outcome_.state == DownloadState::Complete;
}

const DownloadOutcome& Download::Finish() {
  if (thread_.joinable()) thread_.join();
  return outcome_;
}

void Download::SetBodyStarted() noexcept {
  std::lock_guard lock(mutex_);
  bodyStarted_ = true;
  changed_.notify_all();
}

bool Download::Feed(bool untilDone) noexcept {
  char block[kFeedBlock];
  while (fed_ < received_.load()) {
    if (streamStopped_.load()) {
      fed_ = received_.load();
      return true;
    }
    const std::size_t want = std::min<std::uint64_t>(kFeedBlock, received_.load() - fed_);
    const ssize_t got = ::pread(copy_, block, want, static_cast<off_t>(fed_));
    if (got <= 0) {
      if (got < 0 && errno == EINTR) continue;
      failure_ = DownloadFailure::Stopped;  // the copy could not be read back
      return false;
    }
    std::size_t sent = 0;
    while (sent < static_cast<std::size_t>(got)) {
      const ssize_t n = ::send(writer_.get(), block + sent, static_cast<std::size_t>(got) - sent,
                               MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        sent += static_cast<std::size_t>(n);
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        if (!untilDone) {
          fed_ += sent;
          return true;
        }
        pollfd wait{writer_.get(), POLLOUT, 0};
        ::poll(&wait, 1, 100);
        if (abort_.load()) return false;
        if (streamStopped_.load()) break;
      } else {
        abort_.store(true);  // the reader has gone
        return false;
      }
    }
    fed_ += sent;
  }
  return true;
}

std::size_t Download::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
  auto& d = *static_cast<Download*>(self);
  const std::size_t bytes = size * count;
  if (d.abort_.load()) return 0;
  if (d.received_.load() + bytes > d.request_.maxBytes) {
    d.failure_ = DownloadFailure::SizeLimit;
    return 0;
  }
  for (std::size_t done = 0; done < bytes;) {
    const ssize_t n = ::write(d.copy_, data + done, bytes - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      d.copyError_ = n < 0 ? errno : ENOSPC;
      d.failure_ = DownloadFailure::CopyNotWritten;
      return 0;
    }
    done += static_cast<std::size_t>(n);
  }
  d.received_.fetch_add(bytes);
  if (!d.bodyStarted_) d.SetBodyStarted();
  return d.Feed(false) ? bytes : 0;
}

std::size_t Download::OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
  auto& d = *static_cast<Download*>(self);
  const std::string_view line(data, size * count);
  // Each response of a redirect chain starts again with its status line.
  if (line.rfind("HTTP/", 0) == 0) {
    d.outcome_.etag.clear();
    d.outcome_.lastModified.clear();
  }
  if (!HeaderValue(line, "etag", d.outcome_.etag))
    HeaderValue(line, "last-modified", d.outcome_.lastModified);
  return size * count;
}

int Download::OnProgress(void* self, std::int64_t total, std::int64_t, std::int64_t, std::int64_t) {
  auto& d = *static_cast<Download*>(self);
  if (d.abort_.load()) return 1;
  d.expected_.store(total > 0 ? total : -1);
  return d.Feed(false) ? 0 : 1;
}

void Download::Run() noexcept {
  DownloadOutcome outcome;
  char errorText[CURL_ERROR_SIZE] = "";
  CURLcode rc = CURLE_FAILED_INIT;
  long status = 0;
  curl_off_t connectTime = 0;
  std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
  std::unique_ptr<curl_slist, ListFree> headers;
  if (curl != nullptr) {
    CURL* c = curl.get();
    const auto add = [&](const std::string& header) {
      // Appending returns the list's head, which is new only for the first entry.
      if (curl_slist* list = curl_slist_append(headers.get(), header.c_str())) {
        static_cast<void>(headers.release());
        headers.reset(list);
      }
    };
    if (!request_.etag.empty()) add("If-None-Match: " + request_.etag);
    if (!request_.lastModified.empty()) add("If-Modified-Since: " + request_.lastModified);
    curl_easy_setopt(c, CURLOPT_URL, request_.url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!request_.caBundle.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, request_.caBundle.c_str());
    curl_easy_setopt(c, CURLOPT_USERAGENT, request_.userAgent.c_str());
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, request_.connectTimeoutSeconds);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, request_.stallTimeoutSeconds);
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request_.maxBytes));
    curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Download::OnBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &Download::OnHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &Download::OnProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    rc = curl_easy_perform(c);
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(c, CURLINFO_CONNECT_TIME_T, &connectTime);
  }

  outcome.etag = std::move(outcome_.etag);
  outcome.lastModified = std::move(outcome_.lastModified);
  outcome.state = DownloadState::Failed;
  outcome.copyError = copyError_;
  outcome.httpStatus = status;
  if (failure_ != DownloadFailure::None) {
    outcome.failure = failure_;
  } else if (abort_.load()) {
    outcome.failure = DownloadFailure::Stopped;
  } else if (rc != CURLE_OK) {
    outcome.failure = FailureOf(rc, connectTime > 0);
    outcome.detail = *errorText != '\0' ? errorText : curl_easy_strerror(rc);
  } else if (status == 304 && !(request_.etag.empty() && request_.lastModified.empty())) {
    outcome.state = DownloadState::NotModified;
  } else if (status != 200) {
    outcome.failure = DownloadFailure::HttpStatus;
  } else if (!Feed(true)) {
    outcome.failure = failure_ != DownloadFailure::None ? failure_ : DownloadFailure::Stopped;
  } else {
    outcome.state = DownloadState::Complete;
  }
  {
    std::lock_guard lock(mutex_);
    outcome_ = std::move(outcome);
    ended_.store(true);
    changed_.notify_all();
  }
  writer_.Close();
}

}  // namespace tarnwick
