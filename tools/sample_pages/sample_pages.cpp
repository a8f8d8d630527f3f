#include "sample_pages.h"

#include <string>

void DrawSampleSheet(TCanvas& c) {
  c.SetBrush({TBrushStyle::Solid, TColor::Rgb(255, 240, 200)});
  c.FillRect({40, 20, 1084, 50});
  TLogFont label;
  label.height = 13;  // 10 pt at 96 dpi
  c.SetFont(label);
  c.SetBkMode(TBkMode::Transparent);
  c.TextOut(40, 30, "Apiary : Les Tilleuls");
  c.SetTextAlign({THorzTextAlign::Right, TVertTextAlign::Top, false});
  c.TextOut(1083, 30, "Date : 08/12/2026");
  c.SetTextAlign({});

  c.SetPen({TPenStyle::Solid, 1, colors::Black});
  for (int y = 200; y <= 740; y += 60) {
    c.MoveTo(40, y);
    c.LineTo(1083, y);
  }
  for (int x = 40; x <= 1083; x += 149) {
    c.MoveTo(x, 60);
    c.LineTo(x, 740);
  }
  TLogFont heading = label;
  heading.height = 11;
  heading.escapement = 2700;
  c.SetFont(heading);
  const char* headings[] = {"Hive", "Queen seen", "Eggs", "Brood", "Stores", "Temper", "Notes"};
  for (int i = 0; i < 7; ++i) c.TextOut(40 + 149 * i + 80, 70, headings[i]);

  c.SetBrush({TBrushStyle::Solid, TColor::Rgb(230, 230, 230)});
  c.SetPen({TPenStyle::Clear, 1, colors::Black});
  c.Rectangle({860, 200, 1084, 260});  // a filled cell without outline
  c.SetPen({TPenStyle::Solid, 2, colors::Navy});
  c.Rectangle({860, 80, 1060, 180});
  c.SetBrush({TBrushStyle::Clear, colors::White});
  c.SetPen({TPenStyle::Solid, 1, colors::Red});
  c.Ellipse({880, 95, 1040, 165});
  c.SetFont(label);
  c.SetTextColor(colors::Navy);
  c.SetTextAlign({THorzTextAlign::Center, TVertTextAlign::Baseline, false});
  c.TextOut(960, 135, "Broodlog");
}

void DrawNumberedPage(TCanvas& c, int number, int count) {
  TLogFont big;
  big.height = 40;
  big.weight = 700;
  c.SetFont(big);
  c.SetBkMode(TBkMode::Transparent);
  c.TextOut(40, 20, "Page " + std::to_string(number));
  TLogFont small;
  small.height = 13;
  c.SetFont(small);
  c.SetTextAlign({THorzTextAlign::Right, TVertTextAlign::Top, false});
  c.TextOut(1083, 30, "Sample report, " + std::to_string(count) + " pages");
  c.SetTextAlign({});
  c.SetPen({TPenStyle::Solid, 1, colors::Black});
  for (int y = 100; y <= 760; y += 22) {
    c.MoveTo(40, y);
    c.LineTo(1083, y);
  }
  for (int x = 40; x <= 1083; x += 149) {
    c.MoveTo(x, 100);
    c.LineTo(x, 760);
  }
  for (int row = 0; row < 6; ++row) {
    c.TextOut(44, 104 + 22 * row,
              "Page " + std::to_string(number) + ", row " + std::to_string(row + 1) +
                  ": brood, stores and temper noted at the hive");
  }
}
