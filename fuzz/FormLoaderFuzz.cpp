// Fuzz target for the form loader and property paths. Input: a JSON form, optionally followed by
// a line "\n--set Path=Value" lines applied to the first component of a loaded form.
//
// Properties checked on every input: no crash or sanitizer report; a refused form gives one
// message that starts with the JSON path ("$"); a loaded form saves, reloads and saves again to
// the identical text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "TestClasses.h"
#include "dialworks/framework/Form.h"

namespace {

void Check(bool ACondition, const char* AWhat, std::string_view AInput) {
  if (ACondition) return;
  std::fprintf(stderr, "fuzz check failed: %s\ninput: %.*s\n", AWhat, int(AInput.size()), AInput.data());
  std::abort();
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
  dw::TFormLoadResult r = dw::LoadForm(formText);
  if (!r) {
    Check(!r.Error.empty() && r.Error[0] == '$', "refusal message names a JSON path", input);
    Check(r.Error.find('\n') == std::string::npos, "one-line message", input);
    return 0;
  }
  // Property paths on the first component.
  while (!sets.empty() && r.Form->ComponentCount() > 0) {
    size_t end = sets.find('\n');
    std::string_view line = sets.substr(0, end);
    sets = end == std::string_view::npos ? std::string_view{} : sets.substr(end + 1);
    if (line.rfind("--set ", 0) != 0) continue;
    line.remove_prefix(6);
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string error;
    dw::SetPropertyText(r.Form->Components(0), line.substr(0, eq), line.substr(eq + 1), &error);
    (void)dw::GetPropertyValue(r.Form->Components(0), line.substr(0, eq), &error);
  }
  std::string first = dw::SaveForm(*r.Form);
  dw::TFormLoadResult again = dw::LoadForm(first);
  Check(static_cast<bool>(again), "a saved form loads again", input);
  std::string second = dw::SaveForm(*again.Form);
  dw::TFormLoadResult third = dw::LoadForm(second);
  Check(static_cast<bool>(third) && dw::SaveForm(*third.Form) == second, "save -> load -> save is identical", input);
  return 0;
}
