// vlnedla-assets: builds, lists and extracts the game's data files; dispatches to the
// command family named by the first argument.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "Commands.h"

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
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(kUsage.data(), stderr);
        return 2;
    }
    const std::string family = args.front();
    args.erase(args.begin());
    if (family == "--help" || family == "-h" || family == "help") {
        std::fputs(kUsage.data(), stdout);
        return 0;
    }
    if (family == "bank") return vl::tools::RunBank(args);
    if (family == "pics") return vl::tools::RunPics(args);
    std::fprintf(stderr, "vlnedla-assets: unknown command '%s'\n\n%s", family.c_str(),
                 kUsage.data());
    return 2;
}
