#pragma once

namespace zarn {

// The program entry: application, windows in their fixed order, message loop.
int RunProgram(int argc, char** argv);

}  // namespace zarn
