// pics_commands: the picture-file commands of the data tool (not built yet).
#include <cstdio>

#include "Commands.h"

namespace vl::tools {

int RunPics(const std::vector<std::string>& /*args*/) {
    std::fputs("pics: not built yet\n", stderr);
    return 2;
}

} // namespace vl::tools
