#include "graphics/color.h"

const TSystemPalette& TSystemPalette::Classic() {
  static const TSystemPalette palette = [] {
    TSystemPalette p;
    p.Set(TSystemColor::Window, {255, 255, 255});
    p.Set(TSystemColor::WindowText, {0, 0, 0});
    p.Set(TSystemColor::BtnFace, {240, 240, 240});
    p.Set(TSystemColor::BtnShadow, {160, 160, 160});
    p.Set(TSystemColor::GrayText, {109, 109, 109});
    p.Set(TSystemColor::BtnText, {0, 0, 0});
    p.Set(TSystemColor::BtnHighlight, {255, 255, 255});
    return p;
  }();
  return palette;
}
