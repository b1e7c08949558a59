#include "runtime/process/command_line.h"

#include <gtest/gtest.h>

namespace tesselon {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, BlanksSeparateAndQuotesGroup) {
    EXPECT_EQ(splitCommandLine(""), Args{});
    EXPECT_EQ(splitCommandLine("  \t "), Args{});
    EXPECT_EQ(splitCommandLine("-v -o - -O \"/tmp/mis fotos/x.dat\" https://h/p?a=1"),
              (Args{"-v", "-o", "-", "-O", "/tmp/mis fotos/x.dat", "https://h/p?a=1"}));
    EXPECT_EQ(splitCommandLine("  a\t\tb  "), (Args{"a", "b"}));
    EXPECT_EQ(splitCommandLine("a\"b c\"d e"), (Args{"ab cd", "e"}));
    EXPECT_EQ(splitCommandLine("\"\" x \"\""), (Args{"", "x", ""}));
    EXPECT_EQ(splitCommandLine("\"sin cierre"), (Args{"sin cierre"}));
    EXPECT_EQ(splitCommandLine("--file-allocation=none -d \"/a/\" -o \"b.txt\""),
              (Args{"--file-allocation=none", "-d", "/a/", "-o", "b.txt"}));
}

}  // namespace
}  // namespace tesselon
