#include "platform/job_handover.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include "platform/cups_library.h"

#include <atomic>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "definition/report_error.h"
#include "platform/program_host.h"

namespace {

std::int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// What a thread aside shares with the interface thread that waits for it.
// The thread's results are read only once `done` is set.
struct TAside {
  std::atomic<bool> done{false};
  std::atomic<std::int64_t> moved{NowMs()};  // the last sign of life
  void Moved() { moved = NowMs(); }
};

// Engine messages that came up while a hand-over waited, in their order.
// A hand-over that began inside the delivery of an engine message (a print
// request) keeps them back until that delivery has returned: the report is
// still busy with the print until then and would drop a second request.
struct THeldMessages {
  int holds = 0, deliveries = 0;
  bool until_delivered = false;
  std::vector<std::function<void()>> reposts;
  void Release() {
    if (holds > 0 || until_delivered) return;
    std::vector<std::function<void()>> now = std::move(reposts);
    reposts.clear();
    for (auto& repost : now) repost();
  }
};
THeldMessages& Held() {
  static THeldMessages held;
  return held;
}

// Holds the engine's messages for as long as it lives.
struct THold {
  THold() {
    ++Held().holds;
    if (Held().deliveries > 0) Held().until_delivered = true;
  }
  ~THold() {
    --Held().holds;
    Held().Release();
  }
};

// Runs the interface thread's loop until the thread is done, or until it
// has shown no sign of life for the patience: the user hears then, whatever
// CUPS does with a connection that gave no answer (it may try once more).
// True when it is done.
bool Await(const TAside& aside, int patienceMs) {
  auto stalled = [&] { return NowMs() - aside.moved > patienceMs; };
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || QThread::currentThread() != app->thread()) {
    // No loop to keep going: a plain wait, as bounded.
    while (!aside.done && !stalled()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return aside.done;
  }
  const THold hold;
  QEventLoop loop;
  QTimer tick;
  tick.setInterval(15);
  QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
    if (aside.done || stalled()) loop.quit();
  });
  tick.start();
  if (!aside.done) loop.exec();
  return aside.done;
}

int TimedOut(http_t*, void* flag) {
  *static_cast<std::atomic<bool>*>(flag) = true;
  return 0;  // give up rather than wait on
}

// The service as the calling thread is set to reach it (CUPS keeps that per
// thread), taken along to the thread aside.
struct TServer {
  std::string host = Cups().cupsServer();
  int port = Cups().ippPort();
  http_encryption_t encryption = Cups().cupsEncryption();
};

// A connection to the service, or null; `silent` tells a connection that
// never completed from one refused at once.
http_t* Connect(const TServer& server, int patienceMs, bool* silent) {
  const std::int64_t start = NowMs();
  int cancel = 0;
  http_t* http = Cups().httpConnect2(server.host.c_str(), server.port, nullptr, AF_UNSPEC, server.encryption, 1, patienceMs,
                              &cancel);
  *silent = http == nullptr && NowMs() - start >= patienceMs * 9 / 10;
  return http;
}

// The job goes as one Print-Job request of a stated length: the service
// makes a job only once the request has come whole, so a hand-over cut short
// before its last byte leaves nothing behind in any queue (a job made first
// and sent its document after could outlive the window's "nothing was
// printed", waiting in its queue for a document that never comes).
enum : int { kConnecting, kSending, kFinishing };

struct THandOverAside : TAside {
  THandOverResult result;
  std::atomic<bool> timed_out{false};
  int patience_ms = 0;

  // Once the window has told the user, the thread goes no further than the
  // stage it had reached then: a service that wakes a moment later must not
  // print what the user read was not printed.
  std::mutex mutex;
  std::atomic<int> stage{kConnecting};
  // Our own descriptor of the connection's socket as first opened: a
  // reconnect CUPS makes on its own is not shut, but Patient still ends
  // its waits.
  int socket = -1;
  std::atomic<bool> abandoned{false};

  bool Reach(int next) {
    std::lock_guard<std::mutex> lock(mutex);
    if (abandoned) return false;
    stage = next;
    return true;
  }
  // The stage the thread had reached. Before the last byte went, a wait it
  // is in ends at once; a request that went whole keeps its chance (the
  // user reads that the job may or may not have been queued).
  int Abandon() {
    std::lock_guard<std::mutex> lock(mutex);
    abandoned = true;
    if (socket >= 0 && stage < kFinishing) ::shutdown(socket, SHUT_RDWR);
    return stage;
  }
  bool Stopped() const { return abandoned && stage < kFinishing; }
  // A descriptor of our own, so that the one shut is never one CUPS closed
  // and the process reused meanwhile.
  void Opened(http_t* http) {
    std::lock_guard<std::mutex> lock(mutex);
    socket = ::fcntl(Cups().httpGetFd(http), F_DUPFD_CLOEXEC, 0);
    if (Stopped() && socket >= 0) ::shutdown(socket, SHUT_RDWR);
  }
  void Close(http_t* http) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (socket >= 0) ::close(socket);
      socket = -1;
    }
    Cups().httpClose(http);
  }
};

// Asked by CUPS each quarter second that nothing came: wait on while the
// service showed a sign of life within the patience, else give up.
int Patient(http_t*, void* data) {
  auto* s = static_cast<THandOverAside*>(data);
  if (!s->Stopped() && NowMs() - s->moved < s->patience_ms) return 1;
  s->timed_out = true;
  return 0;
}

// A request about a queue, addressed to it.
ipp_t* QueueRequest(ipp_op_t op, const std::string& queue) {
  char uri[1024];
  Cups().httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                          queue.c_str());
  ipp_t* request = Cups().ippNewRequest(op);
  Cups().ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  return request;
}

// The Print-Job request of a ticket, without its document.
ipp_t* PrintJobRequest(const TJobTicket& t) {
  ipp_t* request = QueueRequest(IPP_OP_PRINT_JOB, t.queue);
  Cups().ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, Cups().cupsUser());
  Cups().ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, t.title.c_str());
  // The format as an option: encoding the options for the operation would
  // otherwise add a second, "application/octet-stream".
  cups_option_t* options = nullptr;
  int count = Cups().cupsAddOption("document-format", CUPS_FORMAT_PDF, 0, &options);
  for (const auto& [name, value] : t.options) count = Cups().cupsAddOption(name.c_str(), value.c_str(), count, &options);
  Cups().cupsEncodeOptions2(request, count, options, IPP_TAG_OPERATION);
  Cups().cupsEncodeOptions2(request, count, options, IPP_TAG_JOB);
  Cups().cupsFreeOptions(count, options);
  return request;
}

void RunHandOver(THandOverAside& s, const TServer& server, const TJobTicket& t, int patienceMs) {
  THandOverResult& r = s.result;
  struct stat st {};
  if (::fstat(t.fd, &st) != 0) {
    r.detail = std::strerror(errno);
    return;
  }
  bool silent = false;
  http_t* http = Connect(server, patienceMs, &silent);
  if (http == nullptr) {
    r.outcome = silent ? THandOverResult::SilentBeforeDocument : THandOverResult::NotRunning;
    return;
  }
  s.Opened(http);
  s.Moved();
  s.patience_ms = patienceMs;
  Cups().httpSetTimeout(http, 0.25, &Patient, &s);
  // Cut short before the request was whole: nothing was made of it.
  auto abandon = [&] {
    r.outcome = THandOverResult::SilentBeforeDocument;
    s.Close(http);
  };
  // A sign of life before any of the job goes: all of a small one fits in
  // the connection's buffers, so a service that went silent since the
  // printers were listed would otherwise be known only once it may print.
  ipp_t* ask = QueueRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, t.queue);
  Cups().ippAddString(ask, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "printer-state");
  Cups().ippDelete(Cups().cupsDoRequest(http, ask, "/"));
  if (s.timed_out || !s.Reach(kSending)) return abandon();
  s.Moved();
  const std::string resource = "/printers/" + t.queue;
  const auto size = std::size_t(st.st_size);
  ipp_t* request = PrintJobRequest(t);
  // The length is the whole request's: the service takes it as made only
  // once it has all of it.
  http_status_t status = Cups().cupsSendRequest(http, request, resource.c_str(), Cups().ippLength(request) + size);
  Cups().ippDelete(request);
  std::vector<char> chunk(std::size_t(1) << 16);
  std::size_t at = 0;
  int read_error = 0;
  while (status == HTTP_STATUS_CONTINUE && at < size) {
    const ssize_t n = ::pread(t.fd, chunk.data(), std::min(chunk.size(), size - at), off_t(at));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {  // the request stays short, and the service makes nothing of it
      read_error = n < 0 ? errno : EIO;
      break;
    }
    // The last bytes go only while the user has not yet been told that
    // nothing was printed.
    if (at + std::size_t(n) == size && !s.Reach(kFinishing)) break;
    status = Cups().cupsWriteRequestData(http, chunk.data(), std::size_t(n));
    if (status == HTTP_STATUS_CONTINUE) at += std::size_t(n);
    s.Moved();
  }
  if (s.Stopped()) return abandon();
  if (read_error != 0) {
    r.detail = std::strerror(read_error);
    return s.Close(http);
  }
  const bool whole = at == size;
  const bool answered = status == HTTP_STATUS_CONTINUE || status == HTTP_STATUS_OK;
  ipp_t* response = answered ? Cups().cupsGetResponse(http, resource.c_str()) : nullptr;
  // No verdict at all: the connection broke (a service restarted, say).
  const bool lost = response == nullptr && (answered ? Cups().httpGetStatus(http) : status) == HTTP_STATUS_ERROR;
  if (response != nullptr && Cups().cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE) {
    if (ipp_attribute_t* id = Cups().ippFindAttribute(response, "job-id", IPP_TAG_INTEGER))
      r.job = Cups().ippGetInteger(id, 0);
    r.outcome = THandOverResult::Queued;
  } else if (s.timed_out || (lost && whole)) {
    // A request that went whole may have been spooled before the answer.
    r.outcome = whole ? THandOverResult::SilentAfterDocument : THandOverResult::SilentBeforeDocument;
  } else {
    // Why the service said no, in its words. Asked plainly whether the queue
    // is still there: deleted meanwhile, it is gone, whatever words the
    // refusal came in.
    const char* said = Cups().cupsLastErrorString();
    r.detail = lost       ? std::strerror(Cups().httpError(http))
               : answered ? (said ? said : "")
                          : Cups().httpStatus(status);
    cups_dest_t* dest = Cups().cupsGetNamedDest(http, t.queue.c_str(), nullptr);
    r.outcome = dest != nullptr || s.timed_out ? THandOverResult::Refused
                : Cups().cupsLastError() == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE ? THandOverResult::NotRunning
                                                                                 : THandOverResult::Gone;
    if (dest) Cups().cupsFreeDests(1, dest);
  }
  if (response) Cups().ippDelete(response);
  s.Close(http);
}

// Where the watch of a queued job tells the interface thread: an object of
// that thread's, forgotten (under the lock) when it goes, so a watch that
// ends late tells no one.
struct TNoticeShared {
  std::mutex mutex;
  QObject* target = nullptr;
};

class TJobNotices : public QObject {
 public:
  explicit TJobNotices(QObject* parent) : QObject(parent), shared_(std::make_shared<TNoticeShared>()) {
    shared_->target = this;
  }
  ~TJobNotices() override {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->target = nullptr;
  }
  std::shared_ptr<TNoticeShared> Shared() const { return shared_; }

 private:
  std::shared_ptr<TNoticeShared> shared_;
};

std::shared_ptr<TNoticeShared> Notices() {
  static QPointer<TJobNotices> notices;
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return nullptr;
  if (!notices) notices = new TJobNotices(app);
  return notices->Shared();
}

// One attribute of the printer or job at `resource`, asked with `op`.
struct TStates {
  int printer = 0, job = 0;
  std::string message;
};

TStates AskStates(http_t* http, const std::string& queue, int job) {
  TStates out;
  ipp_t* request = QueueRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, queue);
  static const char* const printer_attrs[] = {"printer-state", "printer-state-message"};
  Cups().ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr, printer_attrs);
  if (ipp_t* response = Cups().cupsDoRequest(http, request, "/")) {
    if (ipp_attribute_t* a = Cups().ippFindAttribute(response, "printer-state", IPP_TAG_ENUM)) out.printer = Cups().ippGetInteger(a, 0);
    if (ipp_attribute_t* a = Cups().ippFindAttribute(response, "printer-state-message", IPP_TAG_TEXT))
      if (const char* m = Cups().ippGetString(a, 0, nullptr)) out.message = m;
    Cups().ippDelete(response);
  }
  request = QueueRequest(IPP_OP_GET_JOB_ATTRIBUTES, queue);
  Cups().ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job);
  static const char* const job_attrs[] = {"job-state", "job-printer-state-message"};
  Cups().ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr, job_attrs);
  if (ipp_t* response = Cups().cupsDoRequest(http, request, "/")) {
    if (ipp_attribute_t* a = Cups().ippFindAttribute(response, "job-state", IPP_TAG_ENUM)) out.job = Cups().ippGetInteger(a, 0);
    if (ipp_attribute_t* a = Cups().ippFindAttribute(response, "job-printer-state-message", IPP_TAG_TEXT))
      if (const char* m = Cups().ippGetString(a, 0, nullptr); m && out.message.empty()) out.message = m;
    Cups().ippDelete(response);
  }
  return out;
}

}  // namespace

TServiceProbe ProbeService(int patienceMs) {
  struct TProbe : TAside {
    TServiceProbe result = TServiceProbe::Silent;
  };
  if (!CupsLibrary()) return TServiceProbe::Gone;  // no client library: no service to reach
  auto probe = std::make_shared<TProbe>();
  std::thread([probe, server = TServer(), patienceMs] {
    bool silent = false;
    http_t* http = Connect(server, patienceMs, &silent);
    if (http) Cups().httpClose(http);
    probe->result = http ? TServiceProbe::Up : silent ? TServiceProbe::Silent : TServiceProbe::Gone;
    probe->done = true;
  }).detach();
  return Await(*probe, patienceMs) ? probe->result : TServiceProbe::Silent;
}

THandOverResult HandOver(TJobTicket ticket, int patienceMs) {
  if (!CupsLibrary()) {
    ::close(ticket.fd);
    THandOverResult refused;
    refused.detail = CupsLibraryError();
    return refused;
  }
  auto aside = std::make_shared<THandOverAside>();
  // Left to finish on its own (its waits are bounded) should the window
  // stop waiting first; it closes the document's descriptor when done.
  std::thread([aside, server = TServer(), ticket = std::move(ticket), patienceMs] {
    RunHandOver(*aside, server, ticket, patienceMs);
    ::close(ticket.fd);
    aside->done = true;
  }).detach();
  if (Await(*aside, patienceMs)) return aside->result;
  const int reached = aside->Abandon();
  if (aside->done) return aside->result;  // it ended as the wait did
  THandOverResult silent;
  silent.outcome = reached < kFinishing ? THandOverResult::SilentBeforeDocument : THandOverResult::SilentAfterDocument;
  return silent;
}

void WatchJob(int job, const std::string& queue, const std::string& printer, int patienceMs) {
  if (!CupsLibrary()) return;  // nothing was queued without it
  std::shared_ptr<TNoticeShared> notices = Notices();
  if (notices == nullptr || job <= 0) return;
  std::thread([notices, server = TServer(), job, queue, printer, patienceMs] {
    bool silent = false;
    http_t* http = Connect(server, patienceMs, &silent);
    if (http == nullptr) return;
    std::atomic<bool> timed_out{false};
    Cups().httpSetTimeout(http, patienceMs / 1000.0, &TimedOut, &timed_out);
    const std::int64_t until = NowMs() + patienceMs;
    std::string stopped;
    bool stop_seen = false, processing_seen = false;
    while (!timed_out && NowMs() < until) {
      const TStates states = AskStates(http, queue, job);
      // The queue stopped, the job stopped, or the job was held or went back
      // to wait after its printer failed it (a backend that gave up; this
      // program never asks for a job to be held).
      const bool back = processing_seen && states.job == IPP_JSTATE_PENDING;
      if (states.printer == IPP_PSTATE_STOPPED || states.job == IPP_JSTATE_STOPPED || states.job == IPP_JSTATE_HELD ||
          back) {
        stop_seen = true;
        stopped = states.message;
        break;
      }
      processing_seen |= states.job == IPP_JSTATE_PROCESSING;
      // Printed, cancelled or aborted: nothing more to tell.
      if (states.job >= IPP_JSTATE_CANCELED) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    Cups().httpClose(http);
    if (!stop_seen) return;
    const EReportError message =
        stopped.empty() ? EReportError("The printer %1 has stopped, and the print job waits in its queue", {printer})
                        : EReportError("The printer %1 has stopped, and the print job waits in its queue: %2", {printer, stopped});
    std::lock_guard<std::mutex> lock(notices->mutex);
    if (QObject* target = notices->target)
      QMetaObject::invokeMethod(
          target, [message] { ShowProgramError(message); }, Qt::QueuedConnection);
  }).detach();
}

bool EngineMessagesHeld() { return Held().holds > 0 || Held().until_delivered; }

void HoldEngineMessage(std::function<void()> repost) { Held().reposts.push_back(std::move(repost)); }

void EngineDeliveryBegins() { ++Held().deliveries; }

void EngineDeliveryEnds() {
  THeldMessages& held = Held();
  if (--held.deliveries > 0) return;
  held.until_delivered = false;
  held.Release();
}

bool NoRoomIn(const QString& dir) {
  struct statvfs st {};
  if (::statvfs(QFile::encodeName(dir).constData(), &st) != 0) return false;
  // Asked after a write failed there: a few megabytes left is a full disk
  // for a print job (writes fail before the last block is taken), and so is
  // no inode left where the file system counts them.
  constexpr unsigned long long kLittle = 4ull << 20;
  return (unsigned long long)st.f_bavail * st.f_frsize < kLittle || (st.f_files > 0 && st.f_favail == 0);
}
