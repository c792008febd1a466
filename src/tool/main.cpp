// larkmoor-tool: the program's entry point. Everything else is the tool's
// library (tool.h), which the tests use as it stands.
#include "tool/platform.h"
#include "tool/tool.h"

int main(int argc, char** argv) {
    platform::PrepareStandardStreams();
    return RunTool(platform::Arguments(argc, argv));
}
