#pragma once

// Maps the Windows font names the program's windows and pages ask for onto
// metric-compatible Linux fonts: "Arial" and "MS Sans Serif" to Liberation
// Sans, "Times New Roman" to Liberation Serif, "Courier New" to Liberation
// Mono. Called once at start-up, before any window is created.
void RegisterFontSubstitutions();
