#pragma once

#include "graphics/canvas.h"

// Sample pages for the tools, tests and benchmarks: drawn on any canvas in
// device pixels of a landscape A4 page at 96 dpi (1123 x 794).

// A page in the manner of the record sheet: a header line, rules, a filled
// cell, a rectangle, an ellipse, horizontal and downward (270 degree) text.
void DrawSampleSheet(TCanvas& c);

// Page `number` of a `count`-page sample report: its number in large type,
// ruled rows and a few lines of text.
void DrawNumberedPage(TCanvas& c, int number, int count);
