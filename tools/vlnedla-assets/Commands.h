// SPDX-License-Identifier: GPL-3.0-or-later
// Commands: the command families of the data tool, each in its own source file.
#pragma once

#include <string>
#include <vector>

namespace vl::tools {

// Each takes the arguments after its family's name ("list", "FILE", ...) and returns
// the process exit code: 0 done, 1 failed (message on standard error), 2 bad usage.
int RunBank(const std::vector<std::string>& args);
int RunPics(const std::vector<std::string>& args);

} // namespace vl::tools
