// Guide: docs/render.md ("Rendering forms in a server"). Each request names values for a stored
// form; the answer is a PNG, or one message naming what is wrong with the request.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "dialworks/dialworks.h"

namespace {

struct TRequest {
  std::vector<std::string> Sets;  // "Component.Path=Value", as `dwrender --set`
  double Scale = 1;
};

struct TResponse {
  int Status = 200;
  std::string Body;  // the PNG, or the message
};

// One request: the library loads the form, applies the values, lets the hands arrive and
// encodes the picture. Nothing of one request survives into the next.
TResponse Handle(const std::string& AForm, const TRequest& ARequest) {
  dw::TFormRenderOptions options;
  options.Sets = ARequest.Sets;
  options.Scale = float(ARequest.Scale);
  options.Time = 3000;        // virtual milliseconds: animations run out without waiting
  options.MaxPixels = 4e6;    // what one request may cost
  try {
    return {200, dw::RenderFormPng(AForm, options)};
  } catch (const dw::TFormRenderError& e) {
    return {400, e.what()};   // one line naming the path: "--set Speed.Valeu: ..."
  }
}

}  // namespace

int main() {
  std::ifstream in(std::string(DW_EXAMPLE_FORMS) + "/angular-speedometer.json");
  std::stringstream text;
  text << in.rdbuf();
  const std::string form = text.str();

  const TResponse slow = Handle(form, {{"Speed.Value=40"}, 1});
  const TResponse fast = Handle(form, {{"Speed.Value=210"}, 2});
  const TResponse typo = Handle(form, {{"Speed.Valeu=40"}, 1});
  const TResponse huge = Handle(form, {{"Speed.Value=40"}, 16});

  for (const auto& [name, response] : {std::pair{"server-slow.png", &slow}, std::pair{"server-fast.png", &fast}}) {
    if (response->Status != 200) {
      std::printf("%s: %s\n", name, response->Body.c_str());
      return 1;
    }
    std::ofstream file(name, std::ios::binary);
    if (!(file << response->Body << std::flush)) {
      std::printf("%s: cannot be written\n", name);
      return 1;
    }
  }
  const auto big = dw::gp::Bitmap::LoadPng("server-fast.png");
  const bool ok = slow.Body != fast.Body && big && big->GetWidth() == 640 && typo.Status == 400 &&
                  typo.Body.rfind("--set Speed.Valeu", 0) == 0 && huge.Status == 400;
  std::printf("400: %s\n400: %s\nserver-slow.png, server-fast.png: %s\n", typo.Body.c_str(), huge.Body.c_str(),
              ok ? "ok" : "unexpected answers");
  return ok ? 0 : 1;
}
