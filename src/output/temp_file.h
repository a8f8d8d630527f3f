#pragma once

#include <string>

// Creates a new, empty, uniquely named file in the temporary directory
// (TMPDIR or /tmp) whose name starts with "RPT", and returns its full path.
// The file exists when the name is returned, so no other process can take
// the name, and only its owner may read it. The caller deletes the file,
// and should do so as soon as no step needs it by name any more: a name
// outlives a process that is killed. Throws EReportError "Cannot create
// file %s", naming the directory and the pattern of the intended name, when
// the file cannot be created.
std::string TempFileName();

// Opens a new, empty file in the temporary directory that no name leads
// to, so that it goes with the process however the process ends, a kill
// included: made with O_TMPFILE, or, where the file system has no unnamed
// files, made as TempFileName makes one and unlinked at once. Only its
// owner may read it. Returns the descriptor (read-write, close-on-exec),
// which the caller closes. Throws as TempFileName.
int OpenUnnamedTempFile();

// The pattern TempFileName fills in: the temporary directory and "RPTXXXXXX";
// names an unnamed temporary file in messages.
std::string TempFilePattern();
