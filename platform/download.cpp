// The transfer thread: libcurl's callbacks append the body to the copy and
// tell the reader, which reads it back from the copy on its own thread, so
// that the network never waits for it. Without a copy the body goes through
// a socket pair instead, which the reader reads once it has read what is in
// the copy.
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

/// The copy is written in pieces of this size (or after kPendingAge).
constexpr std::size_t kCopyPiece = std::size_t{1} << 18;
constexpr auto kPendingAge = std::chrono::milliseconds(20);

struct CurlFree {
  void operator()(CURL* handle) const noexcept { curl_easy_cleanup(handle); }
};
struct MultiFree {
  void operator()(CURLM* handle) const noexcept { curl_multi_cleanup(handle); }
};
struct ListFree {
  void operator()(curl_slist* list) const noexcept { curl_slist_free_all(list); }
};

/// The value of header `name` in the header line `line`, or nullptr.
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

std::string SizeLimitText(std::uint64_t maxBytes) {
  return "the file is larger than the limit of " + std::to_string(maxBytes >> 20) + " MiB";
}

/// The kind of failure that libcurl's result `rc` tells.
DownloadFailure FailureOf(CURLcode rc) noexcept {
  switch (rc) {
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_USE_SSL_FAILED:
      return DownloadFailure::Tls;
    case CURLE_HTTP_RETURNED_ERROR:
      return DownloadFailure::HttpStatus;
    case CURLE_FILESIZE_EXCEEDED:  // announced by the server beforehand
      return DownloadFailure::SizeLimit;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_TOO_MANY_REDIRECTS:
      return DownloadFailure::RedirectRefused;
    case CURLE_PARTIAL_FILE:
      return DownloadFailure::Incomplete;
    default:
      return DownloadFailure::Connection;
  }
}

}  // namespace

bool IsCleanValidator(const std::string& value) noexcept {
  if (value.empty() || value.size() > 512) return false;
  return std::none_of(value.begin(), value.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

Download::Download(DownloadRequest request, int copy)
    : request_(std::move(request)), copy_(copy), direct_(copy < 0) {
  static std::once_flag global;
  std::call_once(global, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
    throw std::runtime_error(std::string("socketpair: ") + std::strerror(errno));
  reader_ = Descriptor(ends[0]);
  writer_ = Descriptor(ends[1]);
  if (!direct_) pending_.reserve(kCopyPiece + (std::size_t{1} << 16));
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

bool Download::WaitForBytes(std::uint64_t bytes, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout,
                           [&] { return inCopy_ >= bytes || direct_ || ended_.load(); });
}

bool Download::Stopping() noexcept {
  if (!abort_.load() && request_.cancelled && request_.cancelled()) abort_.store(true);
  return abort_.load();
}

bool Download::Send(const char* data, std::size_t size) noexcept {
  for (std::size_t sent = 0; sent < size;) {
    const ssize_t n = ::send(writer_.get(), data + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (streamStopped_.load()) return true;
      pollfd wait{writer_.get(), POLLOUT, 0};
      ::poll(&wait, 1, 100);
      if (Stopping()) return false;
    } else {
      abort_.store(true);  // the reader has gone
      return false;
    }
  }
  return true;
}

const DownloadOutcome& Download::Finish() {
  if (thread_.joinable()) thread_.join();
  return outcome_;
}

long Download::ReadBody(void* buffer, std::size_t size) noexcept {
  std::uint64_t available = 0;
  {
    std::unique_lock lock(mutex_);
    // Woken when `size` bytes are in rather than for every piece libcurl hands on.
    readerWants_ = readAt_ + size;
    bodyReady_.wait(
        lock, [&] { return interrupted_ || ended_.load() || direct_ || inCopy_ >= readerWants_; });
    if (interrupted_) return 0;
    // Once direct_, the copy grows no more: the rest comes through the socket.
    if (direct_ && readAt_ >= inCopy_) {
      lock.unlock();
      return ReceiveBody(buffer, size);
    }
    available = inCopy_ - readAt_;
  }
  if (available == 0) return 0;  // the transfer has ended
  const ssize_t got =
      ::pread(copy_, buffer, std::min<std::uint64_t>(size, available), static_cast<off_t>(readAt_));
  if (got > 0) readAt_ += static_cast<std::uint64_t>(got);
  if (got == 0) {
    errno = EIO;  // the copy is shorter than what was written to it
    return -1;
  }
  return got;
}

long Download::ReceiveBody(void* buffer, std::size_t size) noexcept {
  for (;;) {
    pollfd wait{reader_.get(), POLLIN, 0};
    const int ready = ::poll(&wait, 1, 100);
    {
      std::lock_guard lock(mutex_);
      if (interrupted_) return 0;
    }
    if (ready < 0 && errno != EINTR) return -1;
    if (ready <= 0) continue;
    const ssize_t got = ::recv(reader_.get(), buffer, size, 0);
    if (got > 0) readAt_ += static_cast<std::uint64_t>(got);
    if (got >= 0 || errno != EINTR) return got;
  }
}

void Download::InterruptBody() noexcept {
  std::lock_guard lock(mutex_);
  interrupted_ = true;
  bodyReady_.notify_all();
}

std::size_t Download::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
  auto& d = *static_cast<Download*>(self);
  const std::size_t bytes = size * count;
  if (d.Stopping()) return 0;
  if (d.received_.load() + bytes > d.request_.maxBytes) {
    d.failure_ = SizeLimitText(d.request_.maxBytes);
    d.failureKind_ = DownloadFailure::SizeLimit;
    return 0;
  }
  d.lastArrival_ = std::chrono::steady_clock::now();
  {
    std::lock_guard lock(d.mutex_);
    d.received_.fetch_add(bytes);
    d.bodyStarted_ = true;
    d.changed_.notify_all();
  }
  if (d.direct_) return d.Send(data, bytes) ? bytes : 0;  // direct_ is written by this thread alone
  // libcurl hands on a TLS record at a time: the copy is written in larger
  // pieces, the first at once so that the reader can start.
  if (d.pending_.empty()) d.pendingSince_ = d.lastArrival_;
  d.pending_.insert(d.pending_.end(), data, data + bytes);
  if (d.pending_.size() >= kCopyPiece || d.inCopy_ == 0) d.WritePending();
  return d.direct_ && d.abort_.load() ? 0 : bytes;
}

void Download::WritePending() noexcept {
  std::size_t done = 0;
  int error = 0;
  while (done < pending_.size()) {
    const ssize_t n = ::write(copy_, pending_.data() + done, pending_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : ENOSPC;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  {
    std::lock_guard lock(mutex_);
    inCopy_ += done;
    if (done < pending_.size()) {
      // The copy is lost, not the run: the reader reads what is in it, and
      // the rest of the body through the socket.
      copyError_ = error;
      direct_ = true;
    }
    changed_.notify_all();
    if (direct_ || inCopy_ >= readerWants_) bodyReady_.notify_all();
  }
  if (direct_ && !Send(pending_.data() + done, pending_.size() - done)) abort_.store(true);
  pending_.clear();
  // Write-behind, as for the pair; a response without validators leaves
  // nothing to keep.
  const bool kept = !outcome_.etag.empty() || !outcome_.lastModified.empty();
  if (request_.writeBehind && kept && !direct_) behind_.Wrote(copy_, done);
}

std::size_t Download::OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
  auto& d = *static_cast<Download*>(self);
  const std::string_view line(data, size * count);
  d.lastArrival_ = std::chrono::steady_clock::now();
  // Each response of a redirect chain starts again with its status line.
  if (line.rfind("HTTP/", 0) == 0) {
    d.outcome_.etag.clear();
    d.outcome_.lastModified.clear();
  }
  // A validator with control characters is dropped: it would be stored and
  // sent back as a header of its own making.
  for (std::string* value : {&d.outcome_.etag, &d.outcome_.lastModified}) {
    const char* name = value == &d.outcome_.etag ? "etag" : "last-modified";
    if (HeaderValue(line, name, *value) && !IsCleanValidator(*value)) value->clear();
  }
  return size * count;
}

int Download::OnProgress(void* self, std::int64_t total, std::int64_t, std::int64_t, std::int64_t) {
  auto& d = *static_cast<Download*>(self);
  if (d.Stopping()) return 1;
  d.expected_.store(total > 0 ? total : -1);
  return 0;
}

void Download::Run() noexcept {
  DownloadOutcome outcome;
  char errorText[CURL_ERROR_SIZE] = "";
  CURLcode rc = CURLE_FAILED_INIT;
  long status = 0;
  bool stalled = false;
  std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
  std::unique_ptr<CURLM, MultiFree> multi(curl_multi_init());
  std::unique_ptr<curl_slist, ListFree> headers;
  if (curl != nullptr && multi != nullptr) {
    CURL* c = curl.get();
    const auto add = [&](const std::string& header) {
      // Appending returns the list's head, which is new only for the first entry.
      if (curl_slist* list = curl_slist_append(headers.get(), header.c_str())) {
        static_cast<void>(headers.release());
        headers.reset(list);
      }
    };
    if (IsCleanValidator(request_.etag)) add("If-None-Match: " + request_.etag);
    if (IsCleanValidator(request_.lastModified)) add("If-Modified-Since: " + request_.lastModified);
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
    // The transfer is driven here, so that a stop and the stall rule are
    // noticed within 100 ms: the stall rule is nothing at all received for
    // its time (the connection has its own timeout before that).
    curl_multi_add_handle(multi.get(), c);
    const auto start = std::chrono::steady_clock::now();
    lastArrival_ = start;
    const std::chrono::seconds stall(request_.stallTimeoutSeconds);
    const std::chrono::seconds connect(request_.connectTimeoutSeconds);
    for (int running = 1;;) {
      if (curl_multi_perform(multi.get(), &running) != CURLM_OK || running == 0) break;
      const auto now = std::chrono::steady_clock::now();
      if (Stopping()) break;
      if (now - lastArrival_ > (lastArrival_ == start ? stall + connect : stall)) {
        stalled = true;
        break;
      }
      if (!pending_.empty() && now - pendingSince_ > kPendingAge) WritePending();
      curl_multi_poll(multi.get(), nullptr, 0, 100, nullptr);
    }
    if (!pending_.empty()) WritePending();
    int left = 0;
    while (const CURLMsg* message = curl_multi_info_read(multi.get(), &left)) {
      if (message->msg == CURLMSG_DONE) rc = message->data.result;
    }
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    curl_multi_remove_handle(multi.get(), c);
  }

  outcome.etag = std::move(outcome_.etag);
  outcome.lastModified = std::move(outcome_.lastModified);
  outcome.state = DownloadState::Failed;
  outcome.copyError = copyError_;
  outcome.httpStatus = status;
  outcome.failure = failureKind_;
  if (!failure_.empty()) {
    outcome.error = failure_;
  } else if (abort_.load()) {
    outcome.failure = DownloadFailure::Stopped;
    outcome.error = "stopped before the end";
  } else if (stalled) {
    outcome.failure = DownloadFailure::Stall;
    outcome.error = "nothing received for " + std::to_string(request_.stallTimeoutSeconds) + " s";
  } else if (rc != CURLE_OK) {
    outcome.failure = FailureOf(rc);
    outcome.error = rc == CURLE_FILESIZE_EXCEEDED ? SizeLimitText(request_.maxBytes)
                    : rc == CURLE_UNSUPPORTED_PROTOCOL
                        ? "redirected to an address that is not https:// (only HTTPS is followed)"
                    : *errorText != '\0' ? errorText
                                         : curl_easy_strerror(rc);
  } else if (status == 304 && !(request_.etag.empty() && request_.lastModified.empty())) {
    outcome.state = DownloadState::NotModified;
  } else if (status != 200) {
    outcome.failure = DownloadFailure::HttpStatus;
    outcome.error = "the server answered with HTTP status " + std::to_string(status);
  } else {
    outcome.state = DownloadState::Complete;
  }
  if (outcome.state == DownloadState::Failed && outcome.failure == DownloadFailure::None)
    outcome.failure = DownloadFailure::Local;
  {
    std::lock_guard lock(mutex_);
    outcome_ = std::move(outcome);
    ended_.store(true);
    changed_.notify_all();
    bodyReady_.notify_all();
  }
  writer_.Close();
}

}  // namespace tarnwick
