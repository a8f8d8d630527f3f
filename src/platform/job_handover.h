#pragma once

#include <QString>

#include <functional>
#include <string>
#include <utility>
#include <vector>

// Handing a finished print job to the print service (CUPS) without the
// window waiting on it: every exchange runs on a thread of its own with each
// wait bounded by the print service's patience, while the interface thread
// goes on running its message loop, so the window keeps painting and
// answering. The same bounds as the listing of the printers (TPrintService).

// Whether the service takes connections at all, asked aside.
enum class TServiceProbe {
  Up,      // it took the connection
  Gone,    // refused at once: no scheduler runs
  Silent,  // the connection never completed within the patience
};
TServiceProbe ProbeService(int patienceMs);

// One job: the destination, its title and job attributes, and the finished
// document as a descriptor of a file without a name, which the hand-over
// takes over and closes.
struct TJobTicket {
  std::string queue;
  std::string title;
  std::vector<std::pair<std::string, std::string>> options;
  int fd = -1;
};

struct THandOverResult {
  enum TOutcome {
    Queued,                // the service took the whole document; `job` is its id
    NotRunning,            // nothing takes the connection
    Gone,                  // the service has no such queue (deleted meanwhile)
    SilentBeforeDocument,  // no answer before the document was whole: nothing prints
    SilentAfterDocument,   // the document went whole, its receipt never came
    Refused,               // the service said no; `detail` is its reason
  } outcome = Refused;
  int job = 0;
  std::string detail;
};

// Hands the job over, running the interface thread's message loop until the
// service has answered or gave no sign of life for the patience.
THandOverResult HandOver(TJobTicket ticket, int patienceMs);

// Watches a queued job for up to `patienceMs`, aside: where its printer
// stops meanwhile (a backend that failed), the user is told, with the
// service's reason (printer-state-message) when it gives one.
void WatchJob(int job, const std::string& queue, const std::string& printer, int patienceMs);

// While a hand-over waits, the engine's own posted messages (the next print
// request, page notices) wait too, so nothing of the engine runs in the
// middle of the print being handed over, while the window still paints and
// answers. The engine's dispatcher asks EngineMessagesHeld() and hands such
// a message to HoldEngineMessage, which runs `repost` once the wait is over
// (or, for a wait within the delivery of an engine message, once that
// delivery has returned); it marks each delivery with the two calls below.
bool EngineMessagesHeld();
void HoldEngineMessage(std::function<void()> repost);
void EngineDeliveryBegins();
void EngineDeliveryEnds();

// Whether the folder has no room left for a file (asked after a write there
// failed): next to no free space, or no free inode, for this user.
bool NoRoomIn(const QString& dir);
