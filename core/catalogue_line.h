// Small helpers on catalogue lines shared by the record builders.
#pragma once

#include <string_view>

namespace tarnwick::line {

/// Mid(p, n): at most n characters from position p; empty when p is at or
/// beyond the end, shorter when the line ends early.
inline std::string_view Mid(std::string_view line, std::size_t pos, std::size_t count) noexcept {
  if (pos >= line.size()) return {};
  return line.substr(pos, count);
}

/// From position p to the end of the line.
inline std::string_view From(std::string_view line, std::size_t pos) noexcept {
  return pos >= line.size() ? std::string_view{} : line.substr(pos);
}

/// Copies the text of Mid(pos, count) -- up to its first zero byte -- to
/// `out` and returns how many bytes were copied (at most `count`).
inline std::size_t CopyText(std::string_view line, std::size_t pos, std::size_t count,
                            char* out) noexcept {
  if (pos >= line.size()) return 0;
  const std::size_t available = line.size() - pos < count ? line.size() - pos : count;
  const char* in = line.data() + pos;
  std::size_t n = 0;
  while (n < available && in[n] != '\0') {
    out[n] = in[n];
    ++n;
  }
  return n;
}

/// The plain ASCII classes, whatever the locale.
inline bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }
inline bool IsLetter(char c) noexcept { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool IsSpace(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

/// `c` in lower case when it is an ASCII capital letter, else `c` itself.
inline char AsciiLower(char c) noexcept {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

/// Whether `a` and `b` hold the same text, ASCII letters compared without case.
inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

/// `piece` without leading and trailing white space.
inline std::string_view Trim(std::string_view piece) noexcept {
  while (!piece.empty() && IsSpace(piece.front())) piece.remove_prefix(1);
  while (!piece.empty() && IsSpace(piece.back())) piece.remove_suffix(1);
  return piece;
}

}  // namespace tarnwick::line
