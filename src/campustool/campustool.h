#pragma once

#include <string>
#include <vector>

// aulavox-campus: lists the campus's rooms or switches their projectors
// through the broker (see ToolHelpText). Returns the exit status.
int RunCampusTool(const std::vector<std::string>& args, const std::string& version);
