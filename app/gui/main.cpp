// The desktop program. It takes no options; everything it needs lies beside it.
#include "platform/platform.h"
#include "shell/startup.h"

int main(int argc, char** argv) {
    const auto system = rq::createSystemServices();
    return rq::runDesktopProgram(argc, argv, *system, rq::executablePath());
}
