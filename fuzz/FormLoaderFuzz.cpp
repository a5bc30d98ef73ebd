// Fuzz target for the form loader, property paths and painting, with the real package and the
// framework's test classes registered. Input: a JSON form, optionally followed by lines
// "\n--set Path=Value" applied to the first component of a loaded form.
//
// Properties checked on every input: no crash or sanitizer report; a refused form gives one
// message that starts with the JSON path ("$"); a loaded form paints at several sizes, runs in
// virtual time, and then saves, reloads and saves again to the identical text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "FormRender.h"
#include "TestClasses.h"
#include "dialworks/framework/Form.h"

namespace {

void Check(bool ACondition, const char* AWhat, std::string_view AInput) {
  if (ACondition) return;
  std::fprintf(stderr, "fuzz check failed: %s\ninput: %.*s\n", AWhat, int(std::min<size_t>(AInput.size(), 4096)),
               AInput.data());
  std::abort();
}

// Every control at its own size (kept small: inputs may ask for huge controls) and at a few
// small ones, then back.
void PaintAtSizes(dw::TDWForm& AForm) {
  for (size_t i = 0; i < AForm.ComponentCount(); ++i) {
    auto* control = dynamic_cast<dw::TKVBasicControl*>(&AForm.Components(i));
    if (!control) continue;
    const int w = control->Width(), h = control->Height();
    const int sizes[][2] = {{std::min(w, 160), std::min(h, 160)}, {37, 23}, {7, 7}, {1, 1}, {0, 0}};
    for (const auto& s : sizes) {
      control->SetBounds(control->Left(), control->Top(), s[0], s[1]);
      (void)dw::apps::RenderControl(*control);
    }
    control->SetBounds(control->Left(), control->Top(), w, h);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  static bool registered = (dwtest::RegisterTestClasses(), true);
  (void)registered;
  std::string_view input(reinterpret_cast<const char*>(AData), ASize);
  std::string_view formText = input;
  std::string_view sets;
  if (size_t cut = input.find("\n--set "); cut != std::string_view::npos) {
    formText = input.substr(0, cut);
    sets = input.substr(cut + 1);
  }
  // The session registers the package and runs the form's timers and animations in virtual time.
  dw::apps::TFormSession session;
  std::string error;
  if (!session.Load(std::string(formText), error)) {
    Check(!error.empty() && error[0] == '$', "refusal message names a JSON path", input);
    Check(error.find('\n') == std::string::npos, "one-line message", input);
    return 0;
  }
  dw::TDWForm& form = *session.Form();
  // Property paths on the first component.
  while (!sets.empty() && form.ComponentCount() > 0) {
    size_t end = sets.find('\n');
    std::string_view line = sets.substr(0, end);
    sets = end == std::string_view::npos ? std::string_view{} : sets.substr(end + 1);
    if (line.rfind("--set ", 0) != 0) continue;
    line.remove_prefix(6);
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    dw::SetPropertyText(form.Components(0), line.substr(0, eq), line.substr(eq + 1), &error);
    (void)dw::GetPropertyValue(form.Components(0), line.substr(0, eq), &error);
  }
  PaintAtSizes(form);
  session.Advance(250);
  PaintAtSizes(form);
  session.Advance(5000);
  // The form itself, when it is small enough to paint often.
  if (double(form.Width()) * form.Height() <= 512.0 * 512.0) (void)session.Render(0.5f);

  std::string first = dw::SaveForm(form);
  dw::TFormLoadResult again = dw::LoadForm(first);
  Check(static_cast<bool>(again), "a saved form loads again", input);
  std::string second = dw::SaveForm(*again.Form);
  dw::TFormLoadResult third = dw::LoadForm(second);
  Check(static_cast<bool>(third) && dw::SaveForm(*third.Form) == second, "save -> load -> save is identical", input);
  return 0;
}
