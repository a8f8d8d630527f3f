#pragma once

class QString;

// Asks the desktop to open target (a web address, a document or a program)
// with its associated program, without waiting for it. The answer is not
// examined. An empty target opens nothing.
void ShellOpen(const QString& target);
