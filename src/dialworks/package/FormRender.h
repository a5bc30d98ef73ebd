// Rendering stored forms to pictures, as the render command does: load a form, set properties by
// path, move virtual time, draw it at a device scale, encode PNG. A server renders forms with one
// call:
//
//   dw::TFormRenderOptions options;
//   options.Sets = {"Speed.Value=120"};
//   options.Time = 3000;                          // let the hands arrive
//   std::string png = dw::RenderFormPng(formText, options);  // throws dw::TFormRenderError
//
// Every fault gives one message naming where it lies: the JSON path of the form
// ("$.components[0].properties.Scale.Count: value 500 is outside 0..100"), the --set assignment,
// or the size that is too large; nothing is rendered then.
//
// Host services are process-wide: while a session lives, its manual host is the installed one
// (so the form's timers and animations run in its virtual time) and the host installed before
// comes back when it ends. Sessions on different threads take turns (each waits for the one
// alive to end); instruments of the program's own that run on another host at the same time would
// see the session's host, so a program showing instruments renders forms in a process of its own.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Bitmap.h"
#include "dialworks/framework/Form.h"
#include "dialworks/host/DateTime.h"
#include "dialworks/host/ManualHost.h"

namespace dw {

constexpr int MaxBitmapSide = 32767;  // the widest and tallest picture a drawing surface holds

// What to do with a form before rendering it (the render command's options).
struct DW_API TFormRenderOptions {
  static constexpr double DefaultMaxPixels = 64e6;
  static constexpr double MaxTime = 1e9;  // milliseconds
  // The most control area one render paints, in pictures of MaxPixels: the visible controls'
  // areas inside the picture (device pixels) add up to at most this many times MaxPixels.
  static constexpr double MaxPaintedPictures = 16;
  // "Component.Path=Value" assignments, applied in order through the properties' setters.
  std::vector<std::string> Sets;
  // Virtual milliseconds advanced after the assignments (0..MaxTime): timers fire, hands move.
  double Time = 0;
  // The host's clock time while the form loads and runs (unset: TDateTime 0).
  std::optional<TDateTime> Now;
  // Device scale: 2 renders twice the pixels in each direction (more than 0, at most 16).
  float Scale = 1;
  // The most pixels the picture may have.
  double MaxPixels = DefaultMaxPixels;
};

// A form that cannot be rendered: what() is the one message naming the path or option at fault.
class DW_API TFormRenderError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Loads AFormText, applies AOptions and draws the form; throws TFormRenderError.
DW_API gp::Bitmap RenderForm(std::string_view AFormText, const TFormRenderOptions& AOptions = {});
// The same encoded as PNG.
DW_API std::string RenderFormPng(std::string_view AFormText, const TFormRenderOptions& AOptions = {});

// The PNG encoding of a bitmap; false (and AError) for an empty bitmap or an encoder failure.
DW_API bool EncodePng(const gp::Bitmap& ABitmap, std::string& APng, std::string& AError);

// "Component.Path=Value": sets a property of a named component of AForm through its setter; false
// with the message naming the assignment in AError. The render command's --set, shared with the
// live viewer.
DW_API bool SetFormProperty(TDWForm* AForm, const std::string& AAssignment, std::string& AError);

// A loaded form with the manual host it runs on, for callers that render more than one picture
// of a form (frame sequences) or step it themselves. Registers every class of the library.
class DW_API TFormSession {
 public:
  TFormSession();
  ~TFormSession();
  TFormSession(const TFormSession&) = delete;
  TFormSession& operator=(const TFormSession&) = delete;

  TManualHost& Host() { return FHost; }
  // Loads a form from JSON text (replacing any loaded one); false with the message in AError.
  bool Load(std::string_view AText, std::string& AError);
  TDWForm* Form() const { return FForm.get(); }

  // "Component.Path=Value": sets a property of a named component of the form through its setter.
  bool Set(const std::string& AAssignment, std::string& AError);
  // Moves virtual time, firing timers and animation ticks, and runs what they posted.
  void Advance(double AMilliseconds);
  // Checks the picture size for AOptions, then applies its assignments and time (its Now is the
  // caller's to set before loading) and checks the area the render would paint
  // (CheckPaintedArea); false with the message in AError.
  bool Apply(const TFormRenderOptions& AOptions, std::string& AError);
  // The whole form at ADeviceScale (2 = twice the pixels in each direction). Controls wholly
  // outside the picture are not painted. AOneShot frees each control's caches once it is painted
  // (ReleaseCaches), so memory does not grow with the number of controls; frame sequences keep
  // them for the next frame.
  gp::Bitmap Render(float ADeviceScale = 1, bool AOneShot = false) const;
  // The controls the last Render painted.
  size_t Painted() const { return FPainted; }
  // False with the reason when the visible controls' areas inside the picture at ADeviceScale
  // (device pixels) add up to more than TFormRenderOptions::MaxPaintedPictures times AMaxPixels.
  bool CheckPaintedArea(float ADeviceScale, double AMaxPixels, std::string& AError) const;
  // The pixel size Render gives at ADeviceScale; false with the reason when that picture would be
  // empty, wider or taller than a drawing surface allows, or more than AMaxPixels.
  bool RenderSize(float ADeviceScale, double AMaxPixels, int& AWidth, int& AHeight, std::string& AError) const;

 private:
  std::unique_lock<std::recursive_mutex> FTurn;  // sessions take turns at the process's host
  TManualHost FHost;
  IHostServices* FPrevious = nullptr;
  std::unique_ptr<TDWForm> FForm;
  mutable size_t FPainted = 0;
};

}  // namespace dw
