#pragma once

#include <cups/cups.h>

#include <string>

// The print service's client library (libcups), opened the first time
// something asks the service and not before: it and the 18 libraries it
// brings (TLS, Kerberos, Avahi) cost the program's start a third of its time
// and are not needed until the user prints. The program calls CUPS through
// this table only; cups/cups.h gives the types and constants.
#define BROODLOG_CUPS_FUNCTIONS(X)                                                                \
  X(cupsAddOption) X(cupsCopyDestInfo) X(cupsDoRequest) X(cupsEncodeOptions2) X(cupsEncryption)   \
  X(cupsFindDestDefault) X(cupsFindDestSupported) X(cupsFreeDestInfo) X(cupsFreeDests)            \
  X(cupsFreeOptions) X(cupsGetDestMediaByIndex) X(cupsGetDestMediaCount) X(cupsGetDests2)         \
  X(cupsGetNamedDest) X(cupsGetOption) X(cupsGetResponse) X(cupsLastError) X(cupsLastErrorString) \
  X(cupsSendRequest) X(cupsServer) X(cupsUser) X(cupsWriteRequestData) X(httpAssembleURIf)        \
  X(httpClose) X(httpConnect2) X(httpError) X(httpGetFd) X(httpGetStatus) X(httpSetTimeout)       \
  X(httpStatus) X(ippAddInteger) X(ippAddString) X(ippAddStrings) X(ippDelete)                    \
  X(ippFindAttribute) X(ippGetCount) X(ippGetInteger) X(ippGetRange) X(ippGetResolution)          \
  X(ippGetString) X(ippGetValueTag) X(ippLength) X(ippNewRequest) X(ippPort)

struct TCupsLibrary {
#define BROODLOG_CUPS_FIELD(name) decltype(&::name) name = nullptr;
  BROODLOG_CUPS_FUNCTIONS(BROODLOG_CUPS_FIELD)
#undef BROODLOG_CUPS_FIELD
};

// The library, opened on the first call (from any thread); null when it
// cannot be opened or lacks a function, with the loader's reason in
// CupsLibraryError().
const TCupsLibrary* CupsLibrary();
std::string CupsLibraryError();

// The table, for code that runs only after CupsLibrary() answered.
inline const TCupsLibrary& Cups() { return *CupsLibrary(); }
