#pragma once

#include <QFont>

// Maps the Windows font names the program's windows and pages ask for onto
// metric-compatible Linux fonts: "Arial" and "MS Sans Serif" to Liberation
// Sans, "Times New Roman" to Liberation Serif, "Courier New" to Liberation
// Mono. Called once at start-up, before any window is created.
void RegisterFontSubstitutions();

// Where the desktop's user-interface font resolves to a typewriter face (a
// minimal system whose fontconfig finds no proportional sans-serif and
// falls back to Liberation Mono), uses Liberation Sans at the same size
// instead for every window and message box. A proportional font is left as
// the desktop chose it. The application object calls it once its first
// window is up: that window has its own font (WindowFont). Being the
// windows' font, it comes with them: it is defined in
// broodlog::platform_widgets (ui_font.cpp), the rest here in
// broodlog::platform.
void UseProportionalUiFont();

// The font of the program's windows: "MS Sans Serif" at 8 points, which is
// 11 pixels at 96 pixels per inch.
QFont WindowFont();
