#pragma once

// Maps the Windows font names the program's windows and pages ask for onto
// metric-compatible Linux fonts: "Arial" and "MS Sans Serif" to Liberation
// Sans, "Times New Roman" to Liberation Serif, "Courier New" to Liberation
// Mono. Called once at start-up, before any window is created.
void RegisterFontSubstitutions();

#include <QFont>

// The font of the program's windows: "MS Sans Serif" at 8 points, which is
// 11 pixels at 96 pixels per inch.
QFont WindowFont();
