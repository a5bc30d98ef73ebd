// The command-line number check of the programs (dwrender, dwview): a number in a closed range,
// NaN and infinities refused.
#pragma once

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace dw::apps {

// AWhole: a whole number only (1e6 is one, 1.5 not), for counts that must not be truncated.
inline CLI::Validator Number(double ALo, double AHi, bool AWhole = false) {
  char text[64];
  std::snprintf(text, sizeof text, "%g..%g", ALo, AHi);
  const std::string range = text;
  return CLI::Validator(
      [=](std::string& AText) -> std::string {
        char* end = nullptr;
        const double v = std::strtod(AText.c_str(), &end);
        if (AText.empty() || end == nullptr || *end != '\0') return "'" + AText + "' is not a number";
        if (!(std::isfinite(v) && v >= ALo && v <= AHi)) return "value " + AText + " is outside " + range;
        if (AWhole && v != std::floor(v)) return "value " + AText + " is not a whole number";
        return {};
      },
      (AWhole ? "INTEGER in " : "NUMBER in ") + range);
}

}  // namespace dw::apps
