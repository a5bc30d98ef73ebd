#include "dialworks/package/FormRender.h"

#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/framework/Control.h"
#include "dialworks/framework/PropertyTable.h"
#include "dialworks/package/DialworksPkg.h"

namespace dw {

namespace {

// Recursive: a session opened while another lives on the same thread nests; other threads wait.
std::recursive_mutex& SessionTurn() {
  static std::recursive_mutex turn;
  return turn;
}

// The sessions alive on the thread holding SessionTurn(), oldest first (under SessionTurn()).
std::vector<TFormSession*>& LiveSessions() {
  static std::vector<TFormSession*> live;
  return live;
}

int ScaledSide(int ASide, float AScale) { return int(float(ASide) * AScale + 0.5f); }

// The part of a control inside a picture of APictureWidth x APictureHeight form pixels, in form
// pixels (0: none).
double VisibleArea(const TKVBasicControl& AControl, double APictureWidth, double APictureHeight) {
  const double left = std::max(double(AControl.Left()), 0.0);
  const double top = std::max(double(AControl.Top()), 0.0);
  const double right = std::min(double(AControl.Left()) + AControl.Width(), APictureWidth);
  const double bottom = std::min(double(AControl.Top()) + AControl.Height(), APictureHeight);
  return right > left && bottom > top ? (right - left) * (bottom - top) : 0;
}

}  // namespace

TFormSession::TFormSession() : FTurn(SessionTurn()) {
  RegisterDialworksPackage();
  FPrevious = &HostServices();
  SetHostServices(&FHost);
  LiveSessions().push_back(this);
}

TFormSession::~TFormSession() {
  // Components hold timers and clock subscriptions of the host: they go first.
  FForm.reset();
  // Sessions may end in any order: the one that ends gives its place in the chain of hosts to
  // the session after it, and the installed host changes only when it is this session's.
  if (&HostServices() == &FHost) SetHostServices(FPrevious);
  std::vector<TFormSession*>& live = LiveSessions();
  for (TFormSession* s : live)
    if (s->FPrevious == &FHost) s->FPrevious = FPrevious;
  std::erase(live, this);
}

bool TFormSession::Load(std::string_view AText, std::string& AError) {
  TFormLoadResult result = LoadForm(AText);
  if (!result) {
    AError = result.Error;
    return false;
  }
  FForm = std::move(result.Form);
  return true;
}

bool SetFormProperty(TDWForm* AForm, const std::string& AAssignment, std::string& AError) {
  const size_t eq = AAssignment.find('=');
  const size_t dot = AAssignment.find('.');
  if (eq == std::string::npos || dot == std::string::npos || dot > eq) {
    AError = "--set " + AAssignment + ": expected Component.Property=Value";
    return false;
  }
  const std::string name = AAssignment.substr(0, dot);
  const std::string path = AAssignment.substr(dot + 1, eq - dot - 1);
  TComponent* component = AForm ? AForm->FindComponent(name) : nullptr;
  if (!component) {
    AError = "--set " + AAssignment + ": the form has no component named \"" + name + "\"";
    return false;
  }
  std::string why;
  if (!SetPropertyText(*component, path, AAssignment.substr(eq + 1), &why)) {
    AError = "--set " + name + "." + path + ": " + why;
    return false;
  }
  return true;
}

bool TFormSession::Set(const std::string& AAssignment, std::string& AError) {
  return SetFormProperty(FForm.get(), AAssignment, AError);
}

void TFormSession::Advance(double AMilliseconds) {
  FHost.Advance(AMilliseconds);
  while (FHost.RunPosted() > 0) {}
}

bool TFormSession::Apply(const TFormRenderOptions& AOptions, std::string& AError) {
  int width = 0, height = 0;
  if (!RenderSize(AOptions.Scale, AOptions.MaxPixels, width, height, AError)) return false;
  if (!(AOptions.Time >= 0 && AOptions.Time <= TFormRenderOptions::MaxTime)) {
    AError = "--time must be 0..1e9 milliseconds";
    return false;
  }
  for (const std::string& s : AOptions.Sets)
    if (!Set(s, AError)) return false;
  if (AOptions.Time > 0) Advance(AOptions.Time);
  return CheckPaintedArea(AOptions.Scale, AOptions.MaxPixels, AError);
}

bool TFormSession::CheckPaintedArea(float AScale, double AMaxPixels, std::string& AError) const {
  int width = 0, height = 0;
  if (!RenderSize(AScale, AMaxPixels, width, height, AError)) return false;
  double area = 0;
  for (size_t i = 0; i < FForm->ComponentCount(); ++i) {
    auto* control = dynamic_cast<TKVBasicControl*>(&FForm->Components(i));
    if (control && control->Visible()) area += VisibleArea(*control, width / AScale, height / AScale);
  }
  area *= double(AScale) * double(AScale);
  const double limit = TFormRenderOptions::MaxPaintedPictures * AMaxPixels;
  if (!(area <= limit)) {
    char text[320];
    std::snprintf(text, sizeof text,
                  "the form is %d x %d at scale %g: its visible controls cover %.0f pixels of the picture, more "
                  "than %g times the limit of %.0f pixels (raise the limit with --max-pixels)",
                  FForm->Width(), FForm->Height(), double(AScale), area, TFormRenderOptions::MaxPaintedPictures,
                  AMaxPixels);
    AError = text;
    return false;
  }
  return true;
}

bool TFormSession::RenderSize(float AScale, double AMaxPixels, int& AWidth, int& AHeight, std::string& AError) const {
  AWidth = AHeight = 0;
  if (!FForm) {
    AError = "no form is loaded";
    return false;
  }
  if (!(AScale > 0 && AScale <= 16)) {
    AError = "--scale must be more than 0 and at most 16";
    return false;
  }
  char size[96];
  std::snprintf(size, sizeof size, "%d x %d at scale %g", FForm->Width(), FForm->Height(), double(AScale));
  // The sides Render makes (float rounding); form sides are limited, so they stay inside int.
  AWidth = ScaledSide(FForm->Width(), AScale);
  AHeight = ScaledSide(FForm->Height(), AScale);
  if (AWidth <= 0 || AHeight <= 0) {
    AError = std::string("the form is ") + size + ": the picture would be empty";
    return false;
  }
  if (AWidth > MaxBitmapSide || AHeight > MaxBitmapSide) {
    AError = std::string("the form is ") + size + ": a side of the picture would be over " + std::to_string(MaxBitmapSide) +
             " pixels";
    return false;
  }
  const double pixels = double(AWidth) * double(AHeight);
  if (!(pixels <= AMaxPixels)) {
    AError = std::string("the form is ") + size + ": " + std::to_string(int64_t(pixels)) + " pixels are more than " +
             std::to_string(int64_t(AMaxPixels)) + " (raise the limit with --max-pixels)";
    return false;
  }
  return true;
}

gp::Bitmap TFormSession::Render(float AScale, bool AOneShot) const {
  FPainted = 0;
  if (!FForm) return gp::Bitmap();
  if (!(AScale > 0 && AScale <= 16)) AScale = 1;
  gp::Bitmap bitmap(ScaledSide(FForm->Width(), AScale), ScaledSide(FForm->Height(), AScale));
  gp::CairoGraphics g(bitmap);
  g.Clear(FForm->Color());
  g.ScaleTransform(AScale, AScale);
  const double width = bitmap.Width() / double(AScale), height = bitmap.Height() / double(AScale);
  for (size_t i = 0; i < FForm->ComponentCount(); ++i) {
    auto* control = dynamic_cast<TKVBasicControl*>(&FForm->Components(i));
    if (!control || !control->Visible() || VisibleArea(*control, width, height) <= 0) continue;
    const gp::GraphicsState state = g.Save();
    g.TranslateTransform(float(control->Left()), float(control->Top()));
    control->Paint(g);
    g.Restore(state);
    ++FPainted;
    if (AOneShot) control->ReleaseCaches();
  }
  g.Flush();
  return bitmap;
}

bool EncodePng(const gp::Bitmap& ABitmap, std::string& APng, std::string& AError) {
  APng.clear();
  if (ABitmap.Empty()) {
    AError = "the picture is empty (0 pixels)";
    return false;
  }
  cairo_surface_flush(ABitmap.Surface());
  auto append = [](void* AClosure, const unsigned char* AData, unsigned int ALength) {
    static_cast<std::string*>(AClosure)->append(reinterpret_cast<const char*>(AData), ALength);
    return CAIRO_STATUS_SUCCESS;
  };
  const cairo_status_t status = cairo_surface_write_to_png_stream(ABitmap.Surface(), append, &APng);
  if (status != CAIRO_STATUS_SUCCESS) {
    AError = std::string("PNG encoding failed: ") + cairo_status_to_string(status);
    return false;
  }
  return true;
}

gp::Bitmap RenderForm(std::string_view AFormText, const TFormRenderOptions& AOptions) {
  TFormSession session;
  if (AOptions.Now) session.Host().SetNow(*AOptions.Now);
  std::string error;
  if (!session.Load(AFormText, error) || !session.Apply(AOptions, error)) throw TFormRenderError(error);
  gp::Bitmap bitmap = session.Render(AOptions.Scale, true);
  // The size passed the checks in Apply: an empty bitmap means no drawing surface could be had.
  if (bitmap.Empty()) throw TFormRenderError("no drawing surface could be made for the picture");
  return bitmap;
}

std::string RenderFormPng(std::string_view AFormText, const TFormRenderOptions& AOptions) {
  std::string png, error;
  if (!EncodePng(RenderForm(AFormText, AOptions), png, error)) throw TFormRenderError(error);
  return png;
}

}  // namespace dw
