// SPDX-License-Identifier: GPL-3.0-or-later
// vlnedla-assets: builds, lists and extracts the game's data files; dispatches to the
// command family named by the first argument.
#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "Commands.h"
#include "Common.h"

namespace {

constexpr std::string_view kUsage =
    "usage: vlnedla-assets COMMAND ...\n"
    "\n"
    "Builds, lists and extracts the game's data files.\n"
    "\n"
    "commands:\n"
    "  bank list FILE [--json]     the items of a sound bank file\n"
    "  bank build MANIFEST OUT     a sound bank file from a manifest and WAV files\n"
    "  bank extract FILE DIR       each item's sound as DIR/NAME.wav\n"
    "  pics ...                    picture files\n"
    "\n"
    "Run 'vlnedla-assets bank --help' or 'vlnedla-assets pics --help' for more.\n";

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) { // no problem to name: the usage alone says what is wanted
        std::fputs(kUsage.data(), stderr);
        return 2;
    }
    static constexpr std::array<vl::tools::Command, 2> kFamilies = {
        {{"bank", vl::tools::RunBank}, {"pics", vl::tools::RunPics}}};
    return vl::tools::RunFamily({kUsage, "", "unknown command '%s'", kFamilies}, args);
}
