#pragma once

// The print tests' own CUPS (scripts/cups_lab.sh, started and stopped by the
// cups_lab test fixture): where it is, which jobs the scheduler and the IPP
// Everywhere printer received, and what the queues' devices got.

#include <cups/cups.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace cups_lab {

// CI sets BROODLOG_REQUIRE_CUPS=1: there a missing lab fails the tests.
inline bool Required() {
  const char* v = std::getenv("BROODLOG_REQUIRE_CUPS");
  return v != nullptr && std::string(v) == "1";
}

// Why the lab cannot be used, or empty when it can: the tests skip with it.
// Points this process's CUPS clients (Qt's included) at the lab's socket.
inline std::string Unavailable() {
  const char* lab = std::getenv("CUPS_LAB");
  if (lab == nullptr)
    return "no CUPS lab for this run: cupsd, lpadmin or ippeveprinter is not installed "
           "(scripts/setup.sh installs cups, cups-client and cups-ipp-utils)";
  const std::string server = std::string(lab) + "/run/cups.sock";
  if (!std::filesystem::exists(server))
    return "the CUPS lab did not start: no socket " + server + " (see the cups_lab_start test)";
  ::setenv("CUPS_SERVER", server.c_str(), 1);
  cupsSetServer(server.c_str());
  return {};
}

inline std::filesystem::path Dir() { return std::getenv("CUPS_LAB"); }
inline std::filesystem::path OutDir() { return Dir() / "out"; }
// Where the file-pdf queue writes every job (each job overwrites it).
inline std::filesystem::path PdfOut() { return OutDir() / "out.pdf"; }

// The script that makes the lab; "stop" and "start" it to take the
// scheduler away and bring it back (the lab is then made anew).
inline std::string Script() { return std::string(BROODLOG_SOURCE_DIR) + "/scripts/cups_lab.sh"; }

// The driverless queue and the address of the IPP Everywhere printer behind it.
inline constexpr const char* kEverywhere = "ipp-everywhere";
inline std::string EverywhereUri() {
  std::ifstream in(Dir() / "run" / "everywhere-uri");
  std::string uri;
  std::getline(in, uri);
  return uri;
}

struct Job {
  int id = 0;
  std::string queue;
  std::string name;
  int copies = 1;
  int state = 0;           // IPP job-state: 9 completed, 7 cancelled, 8 aborted
  int impressions = -1;    // pages in the document, as the spooler counted them
};

// Every job a printer or scheduler at `uri` knows, oldest first.
inline std::vector<Job> JobsAt(http_t* http, const std::string& uri, const std::string& resource) {
  ipp_t* request = ippNewRequest(IPP_OP_GET_JOBS);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "all");
  static const char* const attrs[] = {"job-id", "job-name", "copies", "job-state",
                                      "job-printer-uri", "job-impressions-completed"};
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 6, nullptr, attrs);
  std::vector<Job> jobs;
  ipp_t* response = cupsDoRequest(http, request, resource.c_str());
  if (response == nullptr) return jobs;
  Job job;
  bool any = false;
  for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response)) {
    const char* name = ippGetName(a);
    if (name == nullptr) {  // a group separator: one job ends
      if (any) jobs.push_back(job);
      job = Job{};
      any = false;
      continue;
    }
    const std::string n = name;
    if (n == "job-id") job.id = ippGetInteger(a, 0), any = true;
    else if (n == "job-name") job.name = ippGetString(a, 0, nullptr);
    else if (n == "copies") job.copies = ippGetInteger(a, 0);
    else if (n == "job-state") job.state = ippGetInteger(a, 0);
    else if (n == "job-impressions-completed") job.impressions = ippGetInteger(a, 0);
    else if (n == "job-printer-uri") {
      const std::string u = ippGetString(a, 0, nullptr);
      job.queue = u.substr(u.rfind('/') + 1);
    }
  }
  if (any) jobs.push_back(job);
  ippDelete(response);
  std::sort(jobs.begin(), jobs.end(), [](const Job& a, const Job& b) { return a.id < b.id; });
  return jobs;
}

// Every job the lab's scheduler knows for a queue (or all queues when
// empty), oldest first.
inline std::vector<Job> Jobs(const std::string& queue = {}) {
  return JobsAt(CUPS_HTTP_DEFAULT, queue.empty() ? "ipp://localhost/" : "ipp://localhost/printers/" + queue, "/");
}

// Every job the IPP Everywhere printer received, oldest first.
inline std::vector<Job> EverywhereJobs() {
  const std::string uri = EverywhereUri();
  char scheme[32], user[64], host[256], resource[256];
  int port = 0;
  if (httpSeparateURI(HTTP_URI_CODING_ALL, uri.c_str(), scheme, sizeof scheme, user, sizeof user, host,
                      sizeof host, &port, resource, sizeof resource) < HTTP_URI_STATUS_OK)
    return {};
  http_t* http = httpConnect2(host, port, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
  if (http == nullptr) return {};
  std::vector<Job> jobs = JobsAt(http, uri, resource);
  httpClose(http);
  return jobs;
}

// The document the queue's device received last: the file a file queue
// wrote, or the one the IPP Everywhere printer kept (named "<job>-<name>.pdf").
inline std::filesystem::path Printed(const std::string& queue) {
  if (queue == "letter-pdf") return OutDir() / "letter.pdf";
  if (queue != kEverywhere) return PdfOut();
  std::filesystem::path last;
  int last_id = 0;
  for (const auto& e : std::filesystem::directory_iterator(Dir() / "everywhere")) {
    const std::string name = e.path().filename().string();
    const int id = std::atoi(name.c_str());
    if (e.path().extension() == ".pdf" && id > last_id) last_id = id, last = e.path();
  }
  return last;
}

// The highest job id the lab has given so far.
inline int LastJobId() {
  int last = 0;
  for (const Job& j : Jobs()) last = std::max(last, j.id);
  return last;
}

// Waits until every job after `after` has finished (at most 30 s) and
// returns them, oldest first.
inline std::vector<Job> FinishedJobsAfter(int after) {
  using namespace std::chrono;
  const auto until = steady_clock::now() + seconds(30);
  for (;;) {
    std::vector<Job> out;
    bool pending = false;
    for (const Job& j : Jobs()) {
      if (j.id <= after) continue;
      out.push_back(j);
      pending |= j.state < IPP_JSTATE_CANCELED;
    }
    if (!pending || steady_clock::now() > until) return out;
    std::this_thread::sleep_for(milliseconds(50));
  }
}

// Output of a command, or empty when it cannot run.
inline std::string Run(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
  }
  return out;
}

// The number of pages of a PDF (pdfinfo), -1 when it cannot be read.
inline int PdfPages(const std::filesystem::path& pdf) {
  const std::string info = Run("pdfinfo '" + pdf.string() + "' 2>/dev/null");
  const auto at = info.find("Pages:");
  if (at == std::string::npos) return -1;
  return std::atoi(info.c_str() + at + 6);
}

}  // namespace cups_lab

// In a fixture's SetUp: skips the test where the lab cannot run, or fails it
// where the lab is required (CI).
#define CUPS_LAB_REQUIRE()                                  \
  do {                                                      \
    const std::string why_ = cups_lab::Unavailable();       \
    if (!why_.empty()) {                                    \
      if (cups_lab::Required()) FAIL() << why_;             \
      GTEST_SKIP() << why_;                                 \
    }                                                       \
  } while (false)
