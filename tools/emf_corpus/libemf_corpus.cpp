// Writes EMF files through libEMF, calling the Windows metafile API as a
// Windows program would. Each scene is drawn over a 60 x 40 mm frame.
//   c++ libemf_corpus.cpp -I/usr/include/libEMF -lEMF -o libemf_corpus && ./libemf_corpus OUTDIR
#include <emf.h>
#include <wine/w16.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

std::string gOut;
int gFiles = 0;

// Logical drawing space of every scene: 600 x 400 units across the frame.
void Scene(const std::string& name, int mapMode, const std::function<void(HDC)>& draw) {
  RECT frame = {0, 0, 6000, 4000};
  const std::string path = gOut + "/" + name + ".emf";
  HDC dc = CreateEnhMetaFileA(0, path.c_str(), &frame, nullptr);
  if (!dc) { std::fprintf(stderr, "cannot create %s\n", path.c_str()); return; }
  const int devW = GetDeviceCaps(dc, HORZRES), devH = GetDeviceCaps(dc, VERTRES);
  const int mmW = GetDeviceCaps(dc, HORZSIZE), mmH = GetDeviceCaps(dc, VERTSIZE);
  const int fw = 60 * devW / mmW, fh = 40 * devH / mmH;  // the frame in device pixels
  SetMapMode(dc, mapMode);
  switch (mapMode) {
    case MM_ANISOTROPIC:
    case MM_ISOTROPIC:
      SetWindowExtEx(dc, 600, 400, nullptr);
      SetViewportExtEx(dc, fw, fh, nullptr);
      break;
    case MM_TEXT: {
      XFORM x = {float(fw) / 600, 0, 0, float(fh) / 400, 0, 0};
      SetWorldTransform(dc, &x);
      break;
    }
    default: {
      // Metric and English modes run upwards: put the origin at the top left
      // and scale the 600 x 400 units onto the frame by the world transform.
      double perUnitMm = mapMode == MM_LOMETRIC ? 0.1 : mapMode == MM_HIMETRIC ? 0.01
                       : mapMode == MM_LOENGLISH ? 0.254 : mapMode == MM_HIENGLISH ? 0.0254 : 25.4 / 1440;
      const double units = 60.0 / perUnitMm / 600;  // logical units per scene unit
      XFORM x = {float(units), 0, 0, float(-units), 0, 0};
      SetWorldTransform(dc, &x);
      break;
    }
  }
  draw(dc);
  HENHMETAFILE m = CloseEnhMetaFile(dc);
  DeleteEnhMetaFile(m);
  ++gFiles;
}

void Picture(HDC dc, int variant) {
  HPEN pen = CreatePen(PS_SOLID, 4 + variant, RGB(0, 0, 0));
  HBRUSH brush = CreateSolidBrush(RGB(200, 40 * variant % 256, 40));
  HGDIOBJ op = SelectObject(dc, pen), ob = SelectObject(dc, brush);
  Rectangle(dc, 30, 30, 280, 200);
  Ellipse(dc, 320, 40, 570, 240);
  POINT pts[] = {{30, 380}, {150, 250}, {270, 380}, {390, 250}, {570, 380}};
  Polyline(dc, pts, 5);
  SelectObject(dc, op); SelectObject(dc, ob);
  DeleteObject(pen); DeleteObject(brush);
}

void Pixels(int w, int h, int bpp, std::vector<unsigned char>& bits, BITMAPINFO*& info, std::vector<unsigned char>& infoBytes) {
  const int stride = ((w * bpp + 31) / 32) * 4;
  bits.assign(size_t(stride) * h, 0);
  const int colors = bpp <= 8 ? (1 << bpp) : 0;
  infoBytes.assign(sizeof(BITMAPINFOHEADER) + colors * 4, 0);
  info = reinterpret_cast<BITMAPINFO*>(infoBytes.data());
  info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info->bmiHeader.biWidth = w;
  info->bmiHeader.biHeight = h;
  info->bmiHeader.biPlanes = 1;
  info->bmiHeader.biBitCount = bpp;
  info->bmiHeader.biCompression = BI_RGB;
  info->bmiHeader.biClrUsed = colors;
  for (int i = 0; i < colors; ++i) {
    info->bmiColors[i].rgbRed = (unsigned char)(i * 255 / std::max(1, colors - 1));
    info->bmiColors[i].rgbGreen = (unsigned char)(255 - i * 255 / std::max(1, colors - 1));
    info->bmiColors[i].rgbBlue = 60;
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      unsigned char* row = bits.data() + size_t(y) * stride;
      const int v = (x * 7 + y * 3) % 256;
      if (bpp == 24) { row[x * 3] = (unsigned char)(y * 255 / h); row[x * 3 + 1] = (unsigned char)v; row[x * 3 + 2] = (unsigned char)(x * 255 / w); }
      else if (bpp == 32) { row[x * 4] = (unsigned char)(y * 255 / h); row[x * 4 + 1] = (unsigned char)v; row[x * 4 + 2] = (unsigned char)(x * 255 / w); row[x * 4 + 3] = 255; }
      else if (bpp == 8) row[x] = (unsigned char)((x + y) % 256);
      else if (bpp == 4) row[x / 2] |= (unsigned char)(((x / 3 + y / 3) % 16) << (x % 2 ? 0 : 4));
      else if (bpp == 1) { if ((x / 4 + y / 4) % 2) row[x / 8] |= (unsigned char)(0x80 >> (x % 8)); }
    }
}

}  // namespace

int main(int argc, char** argv) {
  gOut = argc > 1 ? argv[1] : ".";
  const int modes[] = {MM_TEXT, MM_LOMETRIC, MM_HIMETRIC, MM_LOENGLISH, MM_HIENGLISH, MM_TWIPS, MM_ISOTROPIC, MM_ANISOTROPIC};
  const char* modeNames[] = {"text", "lometric", "himetric", "loenglish", "hienglish", "twips", "isotropic", "anisotropic"};
  for (int m = 0; m < 8; ++m) Scene(std::string("mapmode-") + modeNames[m], modes[m], [&](HDC dc) { Picture(dc, m); });

  // Window and viewport origins, and extents scaled after they are set.
  for (int v = 0; v < 4; ++v) {
    Scene("origins" + std::to_string(v), MM_ANISOTROPIC, [&](HDC dc) {
      SetWindowOrgEx(dc, -50 * v, 20 * v, nullptr);
      if (v >= 2) ScaleWindowExtEx(dc, 3, 2, 3, 2, nullptr);
      if (v == 3) ScaleViewportExtEx(dc, 1, 2, 1, 2, nullptr);
      SetViewportOrgEx(dc, 10 * v, 5 * v, nullptr);
      Picture(dc, v);
    });
  }
  // World transforms set, multiplied on either side, saved and restored.
  for (int v = 0; v < 6; ++v) {
    Scene("world" + std::to_string(v), MM_ANISOTROPIC, [&](HDC dc) {
      const double a = (v * 15 + 10) * M_PI / 180;
      XFORM rot = {float(std::cos(a)), float(std::sin(a)), float(-std::sin(a)), float(std::cos(a)), 300, 200};
      XFORM back = {0.7f, 0, 0, 0.7f, -200, -130};
      SaveDC(dc);
      if (v % 2) { SetWorldTransform(dc, &rot); ModifyWorldTransform(dc, &back, MWT_LEFTMULTIPLY); }
      else { SetWorldTransform(dc, &back); ModifyWorldTransform(dc, &rot, MWT_RIGHTMULTIPLY); }
      Picture(dc, v);
      RestoreDC(dc, -1);
      HPEN pen = CreatePen(PS_SOLID, 3, RGB(0, 0, 255));
      SelectObject(dc, pen);
      MoveToEx(dc, 10, 390, nullptr); LineTo(dc, 590, 390);
      SelectObject(dc, GetStockObject(BLACK_PEN)); DeleteObject(pen);
    });
  }
  // Poly-shapes in both widths, Béziers and the current position.
  for (int v = 0; v < 6; ++v) {
    Scene("poly" + std::to_string(v), MM_ANISOTROPIC, [&](HDC dc) {
      HPEN pen = CreatePen(PS_SOLID, 2 + v, RGB(40 * v, 0, 120));
      HBRUSH brush = CreateSolidBrush(RGB(120, 200, 40 * v));
      SelectObject(dc, pen); SelectObject(dc, brush);
      SetPolyFillMode(dc, v % 2 ? ALTERNATE : WINDING);
      POINT star[] = {{300, 20}, {380, 220}, {180, 90}, {420, 90}, {220, 220}};
      POINT bez[] = {{20, 380}, {100, 200 + v * 20}, {200, 400}, {280, 300}, {350, 200}, {450, 380}, {580, 250}};
      POINT poly[] = {{20, 20}, {150, 20}, {150, 150}, {20, 150}, {40, 40}, {130, 40}, {130, 130}, {40, 130}};
      INT counts[] = {4, 4};
      switch (v) {
        case 0: Polygon(dc, star, 5); PolyBezier(dc, bez, 7); break;
        case 1: PolyPolygon(dc, poly, counts, 2); Polyline(dc, bez, 7); break;
        case 2: MoveToEx(dc, 20, 380, nullptr); PolyBezierTo(dc, bez + 1, 6); PolylineTo(dc, star, 5); break;
        default: {
          POINT16 s16[5], b16[7], p16[8];
          for (int i = 0; i < 5; ++i) s16[i] = {short(star[i].x), short(star[i].y)};
          for (int i = 0; i < 7; ++i) b16[i] = {short(bez[i].x), short(bez[i].y)};
          for (int i = 0; i < 8; ++i) p16[i] = {short(poly[i].x), short(poly[i].y)};
          if (v == 3) { Polygon16(HDC16(dc), s16, 5); PolyBezier16(HDC16(dc), b16, 7); }
          if (v == 4) { PolyPolygon16(HDC16(dc), p16, counts, 2); Polyline16(HDC16(dc), b16, 7); }
          if (v == 5) { MoveToEx(dc, 20, 380, nullptr); PolyBezierTo16(HDC16(dc), b16 + 1, 6); PolylineTo16(HDC16(dc), s16, 5); }
        }
      }
      SelectObject(dc, GetStockObject(BLACK_PEN)); SelectObject(dc, GetStockObject(WHITE_BRUSH));
      DeleteObject(pen); DeleteObject(brush);
    });
  }
  // Paths: filled, stroked, both; closed figures; both fill modes.
  for (int v = 0; v < 6; ++v) {
    Scene("path" + std::to_string(v), MM_ANISOTROPIC, [&](HDC dc) {
      HPEN pen = CreatePen(PS_SOLID, 6, RGB(0, 0, 0));
      HBRUSH brush = CreateSolidBrush(RGB(60, 120, 220));
      SelectObject(dc, pen); SelectObject(dc, brush);
      SetPolyFillMode(dc, v < 3 ? ALTERNATE : WINDING);
      BeginPath(dc);
      MoveToEx(dc, 50, 50, nullptr);
      LineTo(dc, 550, 50); LineTo(dc, 550, 350); LineTo(dc, 50, 350);
      CloseFigure(dc);
      MoveToEx(dc, 150, 120, nullptr);
      POINT b[] = {{250, 20}, {350, 380}, {450, 120}};
      PolyBezierTo(dc, b, 3);
      LineTo(dc, 150, 280);
      CloseFigure(dc);
      Rectangle(dc, 200, 150, 400, 250);
      EndPath(dc);
      if (v % 3 == 0) FillPath(dc);
      else if (v % 3 == 1) StrokePath(dc);
      else StrokeAndFillPath(dc);
      SelectObject(dc, GetStockObject(BLACK_PEN)); SelectObject(dc, GetStockObject(WHITE_BRUSH));
      DeleteObject(pen); DeleteObject(brush);
    });
  }
  // Extended pens: geometric widths with caps, joins and dashes; cosmetic.
  const DWORD caps[] = {PS_ENDCAP_ROUND, PS_ENDCAP_SQUARE, PS_ENDCAP_FLAT};
  const DWORD joins[] = {PS_JOIN_ROUND, PS_JOIN_BEVEL, PS_JOIN_MITER};
  const DWORD styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_USERSTYLE};
  for (int v = 0; v < 9; ++v) {
    Scene("extpen" + std::to_string(v), MM_ANISOTROPIC, [&](HDC dc) {
      LOGBRUSH lb = {BS_SOLID, RGB(30 * v, 80, 160), 0};
      DWORD user[] = {30, 10, 5, 10};
      const DWORD style = styles[v % 6];
      HPEN pen = ExtCreatePen(PS_GEOMETRIC | style | caps[v % 3] | joins[(v / 3) % 3], 14 + v * 2, &lb,
                              style == PS_USERSTYLE ? 4 : 0, style == PS_USERSTYLE ? user : nullptr);
      SelectObject(dc, pen);
      POINT z[] = {{40, 340}, {150, 60}, {260, 340}, {370, 60}, {480, 340}, {560, 100}};
      Polyline(dc, z, 6);
      LOGBRUSH thin = {BS_SOLID, RGB(0, 0, 0), 0};
      HPEN cosmetic = ExtCreatePen(PS_COSMETIC | PS_SOLID, 1, &thin, 0, nullptr);
      SelectObject(dc, cosmetic);
      MoveToEx(dc, 20, 20, nullptr); LineTo(dc, 580, 20);
      SelectObject(dc, GetStockObject(BLACK_PEN));
      DeleteObject(pen); DeleteObject(cosmetic);
    });
  }
  // Hatched brushes, opaque and transparent backgrounds.
  for (int v = 0; v < 6; ++v) {
    Scene("hatch" + std::to_string(v), MM_ANISOTROPIC, [&](HDC dc) {
      LOGBRUSH lb = {BS_HATCHED, RGB(0, 0, 160), ULONG_PTR(v)};
      HBRUSH brush = CreateBrushIndirect(&lb);
      SelectObject(dc, brush);
      SetBkMode(dc, v % 2 ? TRANSPARENT : OPAQUE);
      SetBkColor(dc, RGB(255, 255, 180));
      Rectangle(dc, 40, 40, 560, 360);
      SelectObject(dc, GetStockObject(WHITE_BRUSH)); DeleteObject(brush);
    });
  }
  // Text: fonts, alignment, rotation, character spacing.
  const char* faces[] = {"Liberation Sans", "Liberation Serif", "DejaVu Sans", "Liberation Mono"};
  for (int v = 0; v < 8; ++v) {
    Scene("text" + std::to_string(v), MM_ANISOTROPIC, [&](HDC dc) {
      HFONT font = CreateFontA(-(40 + v * 4), 0, v * 150, v * 150, v % 2 ? FW_BOLD : FW_NORMAL, v == 3, 0, 0,
                               ANSI_CHARSET, 0, 0, 0, 0, faces[v % 4]);
      SelectObject(dc, font);
      SetTextColor(dc, RGB(v * 30, 0, 100));
      SetBkMode(dc, TRANSPARENT);
      SetTextAlign(dc, v % 3 == 0 ? TA_BASELINE : v % 3 == 1 ? TA_TOP | TA_CENTER : TA_BOTTOM | TA_RIGHT);
      const int x = v % 3 == 0 ? 40 : v % 3 == 1 ? 300 : 560;
      const char* s = "Brood frames";
      if (v < 4) TextOutA(dc, x, 150, s, int(std::strlen(s)));
      else ExtTextOutA(dc, x, 150, 0, nullptr, s, UINT(std::strlen(s)), nullptr);
      const WCHAR w[] = {'Q', 'u', 'e', 'e', 'n', ' ', 0xE9, 't', 0xE9};
      TextOutW(dc, x, 300, w, 9);
      SelectObject(dc, GetStockObject(SYSTEM_FONT)); DeleteObject(font);
    });
  }
  // Device-independent bitmaps: stretched and set to the device, 1 to 32 bits.
  const int bpps[] = {24, 8, 4, 1, 32, 24};
  for (int v = 0; v < 6; ++v) {
    Scene("dib" + std::to_string(v), MM_ANISOTROPIC, [&](HDC dc) {
      std::vector<unsigned char> bits, infoBytes;
      BITMAPINFO* info = nullptr;
      Pixels(40 + v * 4, 30 + v * 2, bpps[v], bits, info, infoBytes);
      const int w = info->bmiHeader.biWidth, h = info->bmiHeader.biHeight;
      if (v < 5) StretchDIBits(dc, 40, 40, 500, 300, 0, 0, w, h, bits.data(), info, DIB_RGB_COLORS, SRCCOPY);
      else SetDIBitsToDevice(dc, 100, 100, w, h, 0, 0, 0, h, bits.data(), info, DIB_RGB_COLORS);
    });
  }
  // Arcs, pixels and saved states.
  for (int v = 0; v < 4; ++v) {
    Scene("arc" + std::to_string(v), MM_ANISOTROPIC, [&](HDC dc) {
      HPEN pen = CreatePen(PS_SOLID, 5, RGB(160, 0, 0));
      SelectObject(dc, pen);
      Arc(dc, 40, 40, 560, 360, 560, 200 - v * 40, 40, 200 + v * 30);
      MoveToEx(dc, 300, 380, nullptr);
      ArcTo(dc, 150, 100, 450, 380, 450, 240, 150, 240);
      LineTo(dc, 300, 200);
      for (int i = 0; i < 50; ++i) SetPixel(dc, 20 + i * 10, 20 + (i * 37) % 60, RGB(0, 0, 0));
      SelectObject(dc, GetStockObject(BLACK_PEN)); DeleteObject(pen);
    });
  }
  std::printf("%d files\n", gFiles);
  return 0;
}
