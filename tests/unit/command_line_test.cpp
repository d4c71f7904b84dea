// The "/inicio" option: found as a word of its own, in any case and quoting, never inside another.
#include <gtest/gtest.h>

#include "app/core/command_line.h"

TEST(CommandLine, LogonOptionIsAWordOfItsOwn) {
    for (const char* line : {"/inicio", "/INICIO", "-Inicio", "  /inicio  ", "\"/inicio\"", "/x /inicio",
                             "\"C:\\Program Files\\a b\" /inicio", "/inicio\t/otra"})
        EXPECT_TRUE(hasLogonOption(line)) << "[" << line << "]";
    for (const char* line : {"", "   ", "inicio", "/inicio2", "/inici", "//inicio", "C:\\inicio",
                             "\"/inicio x\"", "/ inicio", "\"C:\\a /inicio\\b\""})
        EXPECT_FALSE(hasLogonOption(line)) << "[" << line << "]";
    EXPECT_FALSE(hasLogonOption(nullptr));
}
