#pragma once

#include <array>
#include <cstdint>

// A colour as the drawing layer stores it: either a red-green-blue value or a
// reference to a named system colour, which is resolved only when drawing so
// that a page or a control follows the desktop's palette.
//
// The 32-bit value keeps the classic layout: 0x00BBGGRR for RGB (the byte
// order of an EMF ColorRef) and 0x80000000 | index for a system colour.
enum class TSystemColor : std::uint8_t {
  Window = 5,
  WindowText = 8,
  BtnFace = 15,
  BtnShadow = 16,
  GrayText = 17,
  BtnText = 18,
  BtnHighlight = 20,
};

struct TRgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const TRgb&, const TRgb&) = default;
};

class TColor {
 public:
  constexpr TColor() = default;
  static constexpr TColor Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return TColor(std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16);
  }
  static constexpr TColor System(TSystemColor c) {
    return TColor(kSystemBit | std::uint32_t(c));
  }
  // Rebuilds a colour from its stored 32-bit value.
  static constexpr TColor FromValue(std::uint32_t v) { return TColor(v); }

  constexpr std::uint32_t Value() const { return value_; }
  constexpr bool IsSystem() const { return (value_ & kSystemBit) != 0; }
  constexpr TSystemColor SystemColor() const { return TSystemColor(value_ & 0xFF); }
  // The RGB components; meaningful only when !IsSystem().
  constexpr TRgb RgbValue() const {
    return {std::uint8_t(value_), std::uint8_t(value_ >> 8), std::uint8_t(value_ >> 16)};
  }

  friend constexpr bool operator==(TColor, TColor) = default;

 private:
  static constexpr std::uint32_t kSystemBit = 0x80000000u;
  constexpr explicit TColor(std::uint32_t v) : value_(v) {}
  std::uint32_t value_ = 0;
};

namespace colors {
inline constexpr TColor Black = TColor::Rgb(0, 0, 0);
inline constexpr TColor White = TColor::Rgb(255, 255, 255);
inline constexpr TColor Red = TColor::Rgb(255, 0, 0);
inline constexpr TColor Blue = TColor::Rgb(0, 0, 255);
inline constexpr TColor Navy = TColor::Rgb(0, 0, 128);
inline constexpr TColor BtnFace = TColor::System(TSystemColor::BtnFace);
inline constexpr TColor BtnHighlight = TColor::System(TSystemColor::BtnHighlight);
inline constexpr TColor BtnShadow = TColor::System(TSystemColor::BtnShadow);
inline constexpr TColor GrayText = TColor::System(TSystemColor::GrayText);
inline constexpr TColor Window = TColor::System(TSystemColor::Window);
inline constexpr TColor WindowText = TColor::System(TSystemColor::WindowText);
}  // namespace colors

// The RGB values that system colours stand for at drawing time. The platform
// layer fills one from the desktop's palette; Classic() is the fallback used
// wherever no desktop is involved (recorded pages, tests).
class TSystemPalette {
 public:
  static const TSystemPalette& Classic();

  TRgb Get(TSystemColor c) const { return entries_[std::size_t(c) & 31]; }
  void Set(TSystemColor c, TRgb rgb) { entries_[std::size_t(c) & 31] = rgb; }

  // An RGB colour as it is; a system colour looked up here.
  TRgb Resolve(TColor c) const { return c.IsSystem() ? Get(c.SystemColor()) : c.RgbValue(); }

 private:
  std::array<TRgb, 32> entries_{};
};
