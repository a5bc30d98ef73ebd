// The render command's work, apart from its command line: load a form, set properties by path,
// move virtual time, draw the form into a bitmap, describe classes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dialworks/draw/Bitmap.h"
#include "dialworks/framework/Control.h"
#include "dialworks/framework/Form.h"
#include "dialworks/host/ManualHost.h"

namespace dw::apps {

constexpr int MaxBitmapSide = 32767;  // the widest and tallest picture a drawing surface holds

// A loaded form with the manual host it runs on. The host is installed for the session's
// lifetime, so timers and the animation clock of the form's components run in virtual time.
class TFormSession {
 public:
  TFormSession();
  ~TFormSession();
  TFormSession(const TFormSession&) = delete;
  TFormSession& operator=(const TFormSession&) = delete;

  TManualHost& Host() { return FHost; }
  // Loads a form from JSON text (replacing any loaded one); false with the message in AError.
  bool Load(const std::string& AText, std::string& AError);
  // Any kind of file (FIFOs and devices are read as streams) of at most AMaxBytes.
  bool LoadFile(const std::string& APath, std::string& AError, size_t AMaxBytes = DefaultMaxFormBytes);
  static constexpr size_t DefaultMaxFormBytes = 16u << 20;
  TDWForm* Form() const { return FForm.get(); }

  // "Component.Path=Value": sets a property of a named component of the form through its setter.
  bool Set(const std::string& AAssignment, std::string& AError);
  // Moves virtual time, firing timers and animation ticks, and runs what they posted.
  void Advance(double AMilliseconds);
  // The whole form at ADeviceScale (2 = twice the pixels in each direction).
  gp::Bitmap Render(float ADeviceScale = 1) const;
  // The pixel size Render gives at ADeviceScale; false with the reason when that picture would be
  // empty, wider or taller than a drawing surface allows, or more than AMaxPixels.
  bool RenderSize(float ADeviceScale, double AMaxPixels, int& AWidth, int& AHeight, std::string& AError) const;
  static constexpr double DefaultMaxPixels = 64e6;

 private:
  TManualHost FHost;
  IHostServices* FPrevious = nullptr;
  std::unique_ptr<TDWForm> FForm;
};

// One control alone at its current size, as the form render draws it (empty for a size of 0).
gp::Bitmap RenderControl(TKVBasicControl& AControl);

// Writes a bitmap as PNG to APath ("-": standard output) as WriteOutputFile does: a failed write
// leaves the old file as it was; false with "<path>: <reason>" in AError.
bool SavePng(const gp::Bitmap& ABitmap, const std::string& APath, std::string& AError);

// The registered classes, one line each: unit, kind, family, category, class.
std::string ListRegistrations();
// The whole property tree of a new object of a registered class, every property with its
// current (default) value; false with the message in AError for unknown classes.
bool DescribeDefaults(const std::string& AClassName, std::string& AJson, std::string& AError);

// Expands one printf-style "%d"/"%03d" in a frame file pattern; patterns without one get
// "_NNN" before the extension. Widths beyond MaxFrameDigits count as MaxFrameDigits
// (CheckFramePattern refuses them).
std::string FrameFileName(const std::string& APattern, int AIndex);
constexpr int MaxFrameDigits = 12;
bool CheckFramePattern(const std::string& APattern, std::string& AError);

}  // namespace dw::apps
