#include "dialworks/framework/Spelling.h"

#include <algorithm>
#include <cctype>

namespace dw {

namespace {

int HexDigit(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

bool ParseHex(std::string_view ADigits, uint32_t& AValue) {
  uint32_t v = 0;
  for (char ch : ADigits) {
    const int d = HexDigit(ch);
    if (d < 0) return false;
    v = (v << 4) | uint32_t(d);
  }
  AValue = v;
  return true;
}

char Lower(char ch) { return char(std::tolower(static_cast<unsigned char>(ch))); }

bool SameIgnoringCase(std::string_view A, std::string_view B) {
  return A.size() == B.size() &&
         std::equal(A.begin(), A.end(), B.begin(), [](char a, char b) { return Lower(a) == Lower(b); });
}

}  // namespace

const std::vector<std::pair<const char*, TAlphaColor>>& NamedColors() {
  static const std::vector<std::pair<const char*, TAlphaColor>> names = {
      {"black", 0xFF000000},  {"silver", 0xFFC0C0C0}, {"gray", 0xFF808080},   {"white", 0xFFFFFFFF},
      {"maroon", 0xFF800000}, {"red", 0xFFFF0000},    {"purple", 0xFF800080}, {"fuchsia", 0xFFFF00FF},
      {"green", 0xFF008000},  {"lime", 0xFF00FF00},   {"olive", 0xFF808000},  {"yellow", 0xFFFFFF00},
      {"navy", 0xFF000080},   {"blue", 0xFF0000FF},   {"teal", 0xFF008080},   {"aqua", 0xFF00FFFF},
      {"transparent", 0x00000000},
  };
  return names;
}

bool ParseColorText(std::string_view AText, TAlphaColor& AColor) {
  uint32_t v = 0;
  if (AText.size() == 10 && AText[0] == '0' && (AText[1] == 'x' || AText[1] == 'X')) {
    if (!ParseHex(AText.substr(2), v)) return false;
    AColor = v;
    return true;
  }
  if (!AText.empty() && AText[0] == '#') {
    if (AText.size() == 7 && ParseHex(AText.substr(1), v)) {
      AColor = 0xFF000000u | v;
      return true;
    }
    if (AText.size() == 9 && ParseHex(AText.substr(1), v)) {
      AColor = v;
      return true;
    }
    return false;
  }
  for (const auto& [name, color] : NamedColors()) {
    if (SameIgnoringCase(AText, name)) {
      AColor = color;
      return true;
    }
  }
  return false;
}

std::string ColorExpectation() {
  std::vector<std::string> names;
  for (const auto& n : NamedColors()) names.emplace_back(n.first);
  return "expected a colour \"0xAARRGGBB\", \"#RRGGBB\", \"#AARRGGBB\" or one of " + JoinNames(names);
}

size_t EditDistance(std::string_view A, std::string_view B) {
  // Optimal string alignment: three rows of the table are enough for the neighbour swap.
  const size_t n = B.size();
  std::vector<size_t> before(n + 1), prev(n + 1), cur(n + 1);
  for (size_t j = 0; j <= n; ++j) prev[j] = j;
  for (size_t i = 1; i <= A.size(); ++i) {
    cur[0] = i;
    for (size_t j = 1; j <= n; ++j) {
      const bool same = Lower(A[i - 1]) == Lower(B[j - 1]);
      cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + (same ? 0 : 1)});
      if (i > 1 && j > 1 && Lower(A[i - 1]) == Lower(B[j - 2]) && Lower(A[i - 2]) == Lower(B[j - 1]))
        cur[j] = std::min(cur[j], before[j - 2] + 1);
    }
    std::swap(before, prev);
    std::swap(prev, cur);
  }
  return prev[n];
}

std::vector<std::string> NearestNames(std::string_view AName, const std::vector<std::string>& ACandidates,
                                      size_t AMax) {
  std::vector<std::pair<size_t, const std::string*>> near;
  for (const std::string& c : ACandidates) {
    if (c == AName) continue;
    const size_t longer = std::max(c.size(), AName.size());
    const size_t limit = std::clamp<size_t>(longer / 3, 1, 4);
    // The distance is at least the difference in length: a name far longer than every candidate
    // (a hostile form's) costs nothing.
    if (longer - std::min(c.size(), AName.size()) > limit) continue;
    const size_t d = EditDistance(AName, c);
    if (d <= limit) near.emplace_back(d, &c);
  }
  std::stable_sort(near.begin(), near.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> out;
  for (const auto& [d, name] : near) {
    if (out.size() == AMax) break;
    if (std::find(out.begin(), out.end(), *name) == out.end()) out.push_back(*name);
  }
  return out;
}

std::string DidYouMean(std::string_view AName, const std::vector<std::string>& ACandidates) {
  const std::vector<std::string> near = NearestNames(AName, ACandidates);
  if (near.empty()) return {};
  std::string text = " (did you mean ";
  for (size_t i = 0; i < near.size(); ++i) {
    if (i > 0) text += i + 1 == near.size() ? " or " : ", ";
    text += "'" + near[i] + "'";
  }
  return text + "?)";
}

std::string JoinNames(const std::vector<std::string>& ANames) {
  std::string text;
  for (size_t i = 0; i < ANames.size(); ++i) text += (i ? ", " : "") + ANames[i];
  return text;
}

}  // namespace dw
