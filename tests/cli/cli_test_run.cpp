#include "cli/cli_test_run.h"

#include <cstdio>

#include "cli/batch_main.h"

namespace tesselon::testing {

CliCapture runCli(const std::vector<std::string>& args, const std::string& programFolder) {
    CliCapture c;
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    c.code = runBatchCli(args, programFolder, out, err);
    for (auto [file, text] : {std::pair{out, &c.out}, std::pair{err, &c.err}}) {
        std::rewind(file);
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, file)) > 0) text->append(buf, n);
        std::fclose(file);
    }
    return c;
}

}  // namespace tesselon::testing
