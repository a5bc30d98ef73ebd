// Guide: docs/forms.md. A form written by hand, loaded, changed by path, painted and saved.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "Probe.h"
#include "dialworks/dialworks.h"

namespace {

const char* kForm = R"({
  "format": "dialworks-form", "version": 1, "width": 220, "height": 220, "color": "#202428",
  "components": [
    {"class": "TDWAngularGauge", "name": "Speed", "left": 10, "top": 10, "properties": {
      "Width": 200, "Height": 200, "Max": 200, "Value": 50,
      "Glass": {"Visible": false},
      "Caption": {"Text": "km/h"},
      "Ranges": {"Ranges": [{"Range": 0.6, "Color": "transparent"}, {"Range": 0.2, "Color": "yellow"},
                            {"Range": 0.2, "Color": "red"}]},
      "Elements": [{"class": "TDWGaugeMinMaxHandElement", "Hand": {"Color": "#80FFFFFF"}}]
    }}
  ]
})";

// The form's controls painted at their places, as dwrender does.
dw::gp::Bitmap Picture(const dw::TDWForm& AForm) {
  dw::gp::Bitmap bitmap(AForm.Width(), AForm.Height());
  dw::gp::CairoGraphics g(bitmap);
  g.Clear(AForm.Color());
  for (size_t i = 0; i < AForm.ComponentCount(); ++i) {
    auto* control = dynamic_cast<dw::TKVBasicControl*>(&AForm.Components(i));
    if (!control) continue;
    const dw::gp::GraphicsState state = g.Save();
    g.TranslateTransform(float(control->Left()), float(control->Top()));
    control->Paint(g);
    g.Restore(state);
  }
  g.Flush();
  return bitmap;
}

}  // namespace

int main() {
  dw::RegisterDialworksPackage();  // forms create classes by their registered names
  dw::TManualHost host;
  dw::SetHostServices(&host);

  dw::TFormLoadResult loaded = dw::LoadForm(kForm);
  if (!loaded) {
    std::printf("refused: %s\n", loaded.Error.c_str());  // "<JSON path>: <reason>"
    return 1;
  }
  dw::TDWForm& form = *loaded.Form;

  // Properties by path, as `dwrender --set Speed.Value=170` does; refusals say why.
  auto* speed = dynamic_cast<dw::TDWAngularGauge*>(form.FindComponent("Speed"));
  std::string error;
  if (!speed || !dw::SetPropertyText(*speed, "Value", "170", &error)) return 1;
  const bool refused = !dw::SetPropertyText(*speed, "Hand.Colour", "red", &error) &&
                       error.find("did you mean 'Color'") != std::string::npos;

  host.Advance(3000);  // the loaded value jumped; 170 animates: let it settle
  const dw::gp::Bitmap bitmap = Picture(form);
  if (!bitmap.SavePng("form.png")) return 1;

  // Saving writes what differs from the defaults, colours as 0xAARRGGBB; it loads back.
  const std::string saved = dw::SaveForm(form);
  std::ofstream file("form-saved.json");
  const bool written = static_cast<bool>(file << saved << std::flush);
  if (!written) std::printf("form-saved.json: cannot be written\n");
  const bool canonical = saved.find("\"0xFFFFFF00\"") != std::string::npos && saved.find('#') == std::string::npos;
  const bool reloads = static_cast<bool>(dw::LoadForm(saved));

  // The examples folder's forms load the same way.
  std::ifstream in(std::string(DW_EXAMPLE_FORMS) + "/angular-speedometer.json");
  std::stringstream text;
  text << in.rdbuf();
  const bool exampleLoads = static_cast<bool>(dw::LoadForm(text.str()));

  dw::gp::Bitmap gauge(200, 200);  // the gauge's own area of the form picture
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 200; ++x) gauge.SetPixel(x, y, bitmap.GetPixel(x + 10, y + 10));
  const bool ok = written && refused && canonical && reloads && exampleLoads && example::RedAtValue(gauge, *speed, 170);
  std::printf("form.png: %s\n", ok ? "ok" : "unexpected");
  loaded.Form.reset();  // components go before the host their timers belong to
  dw::SetHostServices(nullptr);
  return ok ? 0 : 1;
}
