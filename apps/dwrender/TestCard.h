// The drawing-surface test card: gradients, path gradients, every shaded-shape helper, clipping,
// text and outlined text on one image.
#pragma once

#include <string>

#include "dialworks/draw/Graphics.h"

namespace dw::apps {

constexpr int kTestCardWidth = 1200;
constexpr int kTestCardHeight = 720;

void DrawTestCard(gp::Graphics& g);
// Renders the card to a PNG file ("-": standard output); false with the reason when the file
// cannot be written.
bool RenderTestCard(const std::string& path, std::string& error);

}  // namespace dw::apps
