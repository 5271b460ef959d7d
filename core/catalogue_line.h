// Small helpers on catalogue lines shared by the record builders.
#pragma once

#include <cstring>
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

/// The text of a piece of a line as a C string sees it: up to its first zero byte.
inline std::string_view Text(std::string_view piece) noexcept {
  const void* zero = piece.empty() ? nullptr : std::memchr(piece.data(), 0, piece.size());
  return zero == nullptr ? piece
                         : piece.substr(0, static_cast<std::size_t>(static_cast<const char*>(zero) -
                                                                    piece.data()));
}

/// The plain ASCII classes, whatever the locale.
inline bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }
inline bool IsLetter(char c) noexcept { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool IsSpace(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

/// `piece` without leading and trailing white space.
inline std::string_view Trim(std::string_view piece) noexcept {
  while (!piece.empty() && IsSpace(piece.front())) piece.remove_prefix(1);
  while (!piece.empty() && IsSpace(piece.back())) piece.remove_suffix(1);
  return piece;
}

}  // namespace tarnwick::line
