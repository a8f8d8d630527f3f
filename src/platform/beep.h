#pragma once

#include <functional>

// The default system beep, sounded for rejected input.
void MessageBeep();

// Replaces what MessageBeep does (tests count beeps); an empty handler
// restores the system beep.
void SetBeepHandler(std::function<void()> handler);
