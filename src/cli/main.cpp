#include <string>
#include <vector>

#include "cli/batch_main.h"
#include "runtime/fs/file_system.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return tesselon::runBatchCli(args, tesselon::executableFolder());
}
