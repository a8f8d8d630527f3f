#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Page tools over saved-report files, working without a report printer.
// Targets are always written uncompressed, sources read as uncompressed;
// target records are numbered 1, 2, 3 ... in the order written.

// Writes to target a saved report holding pages first to last of source:
// every page when first is 0, else the pages i with first <= i <= last (a
// range outside the source copies what lies inside it, possibly nothing).
// Returns true. Throws EReportError when the source cannot be read or the
// target cannot be written, and "Metafile is not valid" when any record of
// a page to copy is not valid; no target is written then.
bool ExtractPages(const std::string& source, const std::string& target, std::int32_t first,
                  std::int32_t last);

// Writes to target a saved report holding all pages of every source in list
// order (a name listed twice contributes its pages twice). Returns 0 when
// done, -1 when target is empty, -2 when sources is null, -3 when it has no
// entries; on a non-zero result no file is touched. Throws EReportError as
// ExtractPages does.
std::int32_t JoinReports(const std::string& target, const std::vector<std::string>* sources);
