// The indices of the standard 16-colour table that the pads and the icon are painted in.
#pragma once

#include <cstdint>

namespace standard {

constexpr std::uint8_t kBlack = 0;
constexpr std::uint8_t kMaroon = 1;
constexpr std::uint8_t kDarkGreen = 2;
constexpr std::uint8_t kOlive = 3;
constexpr std::uint8_t kNavy = 4;
constexpr std::uint8_t kPurple = 5;
constexpr std::uint8_t kTeal = 6;
constexpr std::uint8_t kLightGrey = 7;
constexpr std::uint8_t kGrey = 8;
constexpr std::uint8_t kRed = 9;
constexpr std::uint8_t kGreen = 10;
constexpr std::uint8_t kYellow = 11;
constexpr std::uint8_t kBlue = 12;
constexpr std::uint8_t kMagenta = 13;
constexpr std::uint8_t kCyan = 14;
constexpr std::uint8_t kWhite = 15;

} // namespace standard
