#include "tools/Command.h"

int main(int argc, char** argv) { return velmora::tool::RunCommandLine(argc, argv); }
