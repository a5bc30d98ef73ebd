// Fonts through Pango and fontconfig. Unknown families fall back to what fontconfig substitutes
// (DejaVu Sans on the reference system), so text always renders.
#pragma once

#include <string>

#include "dialworks/Export.h"
#include "dialworks/draw/Types.h"

namespace dw::gp {

class DW_API FontFamily {
 public:
  FontFamily() : name_("DejaVu Sans") {}
  explicit FontFamily(std::string name) : name_(std::move(name)) {}
  const std::string& GetFamilyName() const { return name_; }
  // True when fontconfig has a font of exactly this family (not a substitute).
  bool IsAvailable() const;
  static FontFamily GenericSansSerif() { return FontFamily("DejaVu Sans"); }
  static FontFamily GenericSerif() { return FontFamily("DejaVu Serif"); }
  static FontFamily GenericMonospace() { return FontFamily("DejaVu Sans Mono"); }

 private:
  std::string name_;
};

class DW_API Font {
 public:
  // size in `unit`; style a FontStyle set. 1 pt = 96/72 px. Non-positive or non-finite sizes
  // make a font that draws nothing.
  Font(const FontFamily& family, float size, int style = FontStyleRegular, Unit unit = UnitPoint)
      : family_(family), size_(size), style_(style), unit_(unit) {}
  Font(const std::string& familyName, float size, int style = FontStyleRegular, Unit unit = UnitPoint)
      : Font(FontFamily(familyName), size, style, unit) {}

  const FontFamily& GetFamily() const { return family_; }
  float GetSize() const { return size_; }
  int GetStyle() const { return style_; }
  Unit GetUnit() const { return unit_; }
  // The em size in pixels at 96 dpi.
  float GetSizeInPixels() const;
  bool IsUsable() const;

 private:
  FontFamily family_;
  float size_;
  int style_;
  Unit unit_;
};

class DW_API StringFormat {
 public:
  explicit StringFormat(int formatFlags = 0, int language = 0) : flags_(formatFlags), language_(language) {}
  static StringFormat GenericDefault() { return StringFormat(); }
  static StringFormat GenericTypographic() {
    return StringFormat(StringFormatFlagsNoClip | StringFormatFlagsLineLimit | StringFormatFlagsNoFitBlackBox);
  }

  // Horizontal placement in the layout rectangle (or around the origin point).
  void SetAlignment(StringAlignment a) { align_ = a; }
  StringAlignment GetAlignment() const { return align_; }
  // Vertical placement.
  void SetLineAlignment(StringAlignment a) { lineAlign_ = a; }
  StringAlignment GetLineAlignment() const { return lineAlign_; }
  void SetFormatFlags(int f) { flags_ = f; }
  int GetFormatFlags() const { return flags_; }
  void SetTrimming(StringTrimming t) { trimming_ = t; }
  StringTrimming GetTrimming() const { return trimming_; }
  int GetLanguage() const { return language_; }

 private:
  int flags_;
  int language_;
  StringAlignment align_ = StringAlignmentNear;
  StringAlignment lineAlign_ = StringAlignmentNear;
  StringTrimming trimming_ = StringTrimmingCharacter;
};

}  // namespace dw::gp
