#pragma once

// A test canvas that writes one line per drawing call together with the
// drawing state in effect (resolved colours, clip), so that two ways of
// reaching a canvas can be compared call by call.

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "graphics/canvas.h"

class TCanvasLog : public TCanvas {
 public:
  std::vector<std::string> lines;        // drawing calls with their state
  std::vector<std::vector<int>> dxs;     // the Dx of each TextOut, in order
  int saves = 0, restores = 0;

  void SetPen(const TPen& p) override { s_.pen = p; }
  void SetBrush(const TBrush& b) override { s_.brush = b; }
  void SetFont(const TLogFont& f) override { s_.font = f; }
  void SetTextColor(TColor c) override { s_.text = c; }
  void SetBkColor(TColor c) override { s_.bk = c; }
  void SetBkMode(TBkMode m) override { s_.mode = m; }
  void SetTextAlign(TTextAlign a) override { s_.align = a; }
  void FillRect(const TRect& r) override { Add("FillRect" + R(r) + Brush()); }
  void Rectangle(const TRect& r) override { Add("Rectangle" + R(r) + Pen() + Brush()); }
  void Ellipse(const TRect& r) override { Add("Ellipse" + R(r) + Pen() + Brush()); }
  void MoveTo(int x, int y) override { s_.pos = {x, y}; }
  void LineTo(int x, int y) override {
    Add("Line(" + std::to_string(s_.pos.x) + "," + std::to_string(s_.pos.y) + "->" + std::to_string(x) +
        "," + std::to_string(y) + ")" + Pen());
    s_.pos = {x, y};
  }
  void TextOut(int x, int y, std::string_view text, const TTextOutOptions& o,
               std::span<const int> dx) override {
    const TLogFont& f = s_.font;
    std::string line = "Text(" + std::to_string(x) + "," + std::to_string(y) + ",\"" + std::string(text) +
                       "\") font=" + f.name + "/" + std::to_string(f.height) + "/" + std::to_string(f.weight) +
                       (f.italic ? "/i" : "") + (f.underline ? "/u" : "") + (f.strikeOut ? "/s" : "") + "/cs" +
                       std::to_string(f.charSet) + "/esc" + std::to_string(f.escapement) +
                       " color=" + Hex(s_.text) + " align=" + std::to_string(int(s_.align.horz)) +
                       std::to_string(int(s_.align.vert)) + (s_.align.rtlReading ? "r" : "") +
                       " mode=" + std::to_string(int(s_.mode));
    if (s_.mode == TBkMode::Opaque || o.opaque) line += " bk=" + Hex(s_.bk);
    line += std::string(" opt=") + (o.opaque ? "o" : "") + (o.clipped ? "c" : "") + (o.rtlReading ? "r" : "");
    if (o.opaque || o.clipped) line += R(o.rect);
    Add(line);
    dxs.emplace_back(dx.begin(), dx.end());
  }
  void DrawPath(const TPath& p, bool stroke, bool fill) override {
    std::string line = "Path(" + std::to_string(p.elements.size()) + (p.winding ? ",w" : "");
    for (const TPathElement& e : p.elements) {
      line += " " + std::to_string(int(e.op)) + ":" + std::to_string(std::lround(e.p.x)) + "," +
              std::to_string(std::lround(e.p.y));
    }
    Add(line + ")" + (stroke ? Pen() : std::string()) + (fill ? Brush() : std::string()));
  }
  void DrawImage(const TImage& image, TPointF a, TPointF b, TPointF c) override {
    Add("Image(" + std::to_string(image.width) + "x" + std::to_string(image.height) + " " +
        std::to_string(std::lround(a.x)) + "," + std::to_string(std::lround(a.y)) + " " +
        std::to_string(std::lround(b.x)) + "," + std::to_string(std::lround(b.y)) + " " +
        std::to_string(std::lround(c.x)) + "," + std::to_string(std::lround(c.y)) + ")");
  }
  void SetRop2(TRop2 mode) override { s_.rop = mode; }
  // A clip by path is logged by its kind only; rectangles stay exact.
  void ClipPath(const TPath& p, TClipMode mode) override {
    s_.clip = TRect{-1, -1, -1, -1};
    s_.clipNote = "path" + std::to_string(int(mode)) + "/" + std::to_string(p.elements.size());
  }
  void OffsetClip(double dx, double dy) override {
    if (!s_.clip) return;
    s_.clip->left += int(std::lround(dx)), s_.clip->right += int(std::lround(dx));
    s_.clip->top += int(std::lround(dy)), s_.clip->bottom += int(std::lround(dy));
  }
  void IntersectClipRect(const TRect& r) override {
    if (!s_.clip) {
      s_.clip = r;
    } else {
      TRect& c = *s_.clip;
      c = {std::max(c.left, r.left), std::max(c.top, r.top), std::min(c.right, r.right),
           std::min(c.bottom, r.bottom)};
    }
  }
  void RemoveClip() override {
    s_.clip.reset();
    s_.clipNote.clear();
  }
  void Save() override {
    ++saves;
    stack_.push_back(s_);
  }
  void Restore() override {
    ++restores;
    if (stack_.empty()) return;
    s_ = stack_.back();
    stack_.pop_back();
  }

 private:
  struct TState {
    TPen pen;
    TBrush brush;
    TLogFont font;
    TColor text = colors::Black, bk = colors::White;
    TBkMode mode = TBkMode::Opaque;
    TTextAlign align;
    TPoint pos;
    std::optional<TRect> clip;
    std::string clipNote;
    TRop2 rop = TRop2::CopyPen;
  };
  static std::string Hex(TColor c) {
    const TRgb v = TSystemPalette::Classic().Resolve(c);
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02x%02x%02x", v.r, v.g, v.b);
    return buf;
  }
  static std::string R(const TRect& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
  }
  std::string Pen() const {
    const TPen& p = s_.pen;
    std::string out = " pen=" + std::to_string(int(p.style)) + "/" + std::to_string(p.width) + "/" + Hex(p.color);
    if (p.cap != TLineCap::Flat || p.join != TLineJoin::Miter) {
      out += "/c" + std::to_string(int(p.cap)) + "j" + std::to_string(int(p.join));
    }
    for (double d : p.dashes) out += "/" + std::to_string(std::lround(d));
    return out;
  }
  std::string Brush() const {
    const TBrush& b = s_.brush;
    std::string out = " brush=" + std::to_string(int(b.style));
    if (b.style == TBrushStyle::Solid) out += "/" + Hex(b.color);
    if (b.style == TBrushStyle::Hatched) out += "/h" + std::to_string(int(b.hatch)) + "/" + Hex(b.color);
    if (b.style == TBrushStyle::Pattern && b.pattern) {
      out += "/" + std::to_string(b.pattern->width) + "x" + std::to_string(b.pattern->height);
    }
    return out;
  }
  void Add(std::string line) {
    if (s_.clip) line += " clip=" + R(*s_.clip) + s_.clipNote;
    if (s_.rop != TRop2::CopyPen) line += " rop=" + std::to_string(int(s_.rop));
    lines.push_back(std::move(line));
  }
  TState s_;
  std::vector<TState> stack_;
};
