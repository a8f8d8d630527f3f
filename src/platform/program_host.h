#pragma once

#include <exception>

// What the platform's services ask of the program they run in: whether it
// is ending, and how it shows an error the user must see. The program's
// application object answers (TApplication); a tool that has no windows
// has no host, and then nothing is ending and errors go to standard error.
// Kept apart so that the drawing and printing services need no widgets.
class TProgramHost {
 public:
  virtual ~TProgramHost();
  // True once the program has been asked to end.
  virtual bool Ending() const = 0;
  // Shows the message of an error and returns; the caller goes on.
  virtual void ShowError(const std::exception& e) = 0;

  // The application object, where it is a host; nullptr otherwise.
  static TProgramHost* Current();
};

// Whether the host, if any, is ending.
bool ProgramEnding();
// The error shown by the host, or written to standard error without one.
void ShowProgramError(const std::exception& e);
