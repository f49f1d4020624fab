// SPDX-License-Identifier: GPL-3.0-or-later
// Resources: the program's data files, in the program's own form of a path (relative to
// the folder it runs in; ProgramDataPath turns the backslashes into the system's).
#pragma once

#include <array>
#include <string_view>

namespace vl::settings {

inline constexpr std::string_view kMenuBank = "snd\\menu.dat";
inline constexpr std::string_view kGuideBank = "snd\\guide.dat";
inline constexpr std::string_view kGameBank = "snd\\game.dat";
inline constexpr std::string_view kGamePictures = "pics\\game.dat";

// Every data file of the game in Czech (another language adds its banks: BankPath).
inline constexpr std::array<std::string_view, 4> kDataFiles = {kGameBank, kMenuBank, kGuideBank,
                                                               kGamePictures};

} // namespace vl::settings
