// The command-line helpers of the programs (dwrender, dwview, the peer benchmark): the number
// check (a number in a closed range, NaN and infinities refused) and the guard around main.
#pragma once

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
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

// Runs ARun() and lets nothing escape: input faults are reported where they are found (exit 2);
// what reaches here is the program's own failure, reported with AFail(message, 1).
template <class TRun, class TFail>
int GuardedMain(TRun ARun, TFail AFail) {
  try {
    return ARun();
  } catch (const std::bad_alloc&) {
    return AFail("out of memory", 1);
  } catch (const std::exception& e) {
    return AFail(std::string("internal error: ") + e.what(), 1);
  } catch (...) {
    return AFail("internal error", 1);
  }
}

}  // namespace dw::apps
