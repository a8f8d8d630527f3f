#pragma once

#include <string>

// Creates a new, empty, uniquely named file in the temporary directory
// (TMPDIR or /tmp) whose name starts with "RPT", and returns its full path.
// The file exists when the name is returned, so no other process can take
// the name. The caller deletes the file. Throws EReportError "Cannot create
// file %s", naming the directory and the pattern of the intended name, when
// the file cannot be created.
std::string TempFileName();
