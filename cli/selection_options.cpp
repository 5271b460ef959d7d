#include "selection_options.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <optional>

#include "commands.h"
#include "messages.h"

namespace tarnwick::cli {
namespace {

/// A magnitude as typed: a finite decimal number, with "." or "," as its point.
std::optional<double> ReadMagnitude(std::string text) {
  for (char& c : text) {
    if (c == ',') c = '.';
  }
  double value = 0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value, std::chars_format::fixed);
  if (text.empty() || result.ec != std::errc{} || result.ptr != end || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

/// A count of 1 or more, digits only.
std::optional<std::uint64_t> ReadCount(const std::string& text) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  if (text.empty() || result.ec != std::errc{} || result.ptr != end || value == 0) {
    return std::nullopt;
  }
  return value;
}

std::string ClassNames(std::string_view separator) {
  std::string names;
  for (int c = 0; c < kOrbitClassCount; ++c) {
    if (!names.empty()) names += separator;
    names += OrbitClassName(static_cast<OrbitClass>(c));
  }
  return names;
}

/// A magnitude with at least one decimal: 15 as "15.0", 12.25 as "12.25".
std::string Magnitude(double value, char decimalPoint) {
  char buffer[32];
  std::string text(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
  if (text.find_first_of(".e") == std::string::npos) text += ".0";
  for (char& c : text) {
    if (c == '.') c = decimalPoint;
  }
  return text;
}

}  // namespace

void AddSelectionOptions(CLI::App& command, Selection& selection) {
  const auto magnitude = [](const std::string& text) {
    return ReadMagnitude(text) ? std::string() : Say(Message::ExpectMagnitude, {text});
  };
  command
      .add_option_function<std::string>(
          "--max-h",
          [&selection](const std::string& text) { selection.maxH = ReadMagnitude(text); },
          Say(Message::HelpMaxH))
      ->type_name("MAG")
      ->check(magnitude)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  command
      .add_option_function<std::string>(
          "--brighter-than",
          [&selection](const std::string& text) { selection.brighterThan = ReadMagnitude(text); },
          Say(Message::HelpBrighterThan))
      ->type_name("MAG")
      ->check(magnitude)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  command
      .add_option_function<std::string>(
          "--class",
          [&selection](const std::string& text) {
            selection.classes = ParseOrbitClassList(text).value_or(0);
          },
          Say(Message::HelpClass, {ClassNames(", ")}))
      ->type_name("LIST")
      ->check([](const std::string& text) {
        return ParseOrbitClassList(text) ? std::string()
                                         : Say(Message::ExpectClasses, {text, ClassNames(", ")});
      })
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  command.add_flag("--numbered", selection.numberedOnly, Say(Message::HelpNumbered));
  command
      .add_option_function<std::string>(
          "--first",
          [&selection](const std::string& text) { selection.first = ReadCount(text).value_or(0); },
          Say(Message::HelpFirst))
      ->type_name("N")
      ->check([](const std::string& text) {
        return ReadCount(text) ? std::string() : Say(Message::ExpectCount, {text});
      })
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

std::string DescribeSelection(const Selection& selection, char decimalPoint) {
  std::string text;
  const auto add = [&text](const std::string& part) {
    if (!text.empty()) text += ", ";
    text += part;
  };
  if (selection.maxH) add(Say(Message::SelectionMaxH, {Magnitude(*selection.maxH, decimalPoint)}));
  if (selection.brighterThan) {
    add(Say(Message::SelectionBrighter, {Magnitude(*selection.brighterThan, decimalPoint)}));
  }
  if (selection.classes != 0) {
    std::string names;
    for (int c = 0; c < kOrbitClassCount; ++c) {
      if (!selection.Has(static_cast<OrbitClass>(c))) continue;
      if (!names.empty()) names += ',';
      names += OrbitClassName(static_cast<OrbitClass>(c));
    }
    add(Say(Message::SelectionClasses, {names}));
  }
  if (selection.numberedOnly) add(Say(Message::SelectionNumbered));
  if (selection.first != 0) add(Say(Message::SelectionFirst, {std::to_string(selection.first)}));
  return text;
}

std::string RunSummaryText(const ConversionOutcome& stats, const Selection& selection,
                           double seconds, char decimalPoint) {
  const std::string read = std::to_string(stats.linesRead);
  const std::string written = std::to_string(stats.recordsWritten);
  const std::string skipped =
      std::to_string(stats.linesRead - stats.recordsWritten - stats.leftOut);
  const std::string time = FormatFixed(seconds, 2, decimalPoint);
  if (!selection.Any()) return Say(Message::RunSummary, {read, written, skipped, time});
  return Say(Message::SelectedRunSummary,
             {read, written, DescribeSelection(selection, decimalPoint),
              std::to_string(stats.leftOut), skipped, time});
}

}  // namespace tarnwick::cli
