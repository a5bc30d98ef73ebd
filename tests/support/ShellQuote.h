// A path or argument quoted for /bin/sh (tests run the programs through a shell, and the clone's
// folder may hold spaces or quotes).
#pragma once

#include <string>

namespace dwtest {

inline std::string ShellQuoted(const std::string& AText) {
  std::string out = "'";
  for (const char c : AText) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace dwtest
