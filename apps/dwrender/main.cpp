// dwrender: renders Dialworks drawings to PNG files.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "TestCard.h"

int main(int argc, char** argv) {
  CLI::App app{"dwrender: render Dialworks drawings to PNG"};
  std::string testCard;
  app.add_option("--test-card", testCard, "render the drawing-surface test card to this PNG file");
  CLI11_PARSE(app, argc, argv);
  if (testCard.empty()) {
    std::fprintf(stderr, "nothing to do (try --test-card out.png)\n");
    return 2;
  }
  if (!dw::apps::RenderTestCard(testCard)) {
    std::fprintf(stderr, "could not write %s\n", testCard.c_str());
    return 1;
  }
  std::printf("wrote %s\n", testCard.c_str());
  return 0;
}
