#include "app/program.h"

int main(int argc, char** argv) { return zarn::RunProgram(argc, argv); }
