#include "app/CommandLine.h"

#include <gtest/gtest.h>

using namespace quorlin;

TEST(CommandLine, informationalOptionsAreFoundAmongQtOptions_notAfterDoubleDash) {
    const struct {
        QStringList args;
        CommandLineAction expected;
    } cases[] = {
        {{"quorlin"}, CommandLineAction::Run},
        {{"quorlin", "-platform", "offscreen"}, CommandLineAction::Run},
        {{"quorlin", "--versions"}, CommandLineAction::Run},
        {{"quorlin", "-style", "fusion", "--version"}, CommandLineAction::PrintVersion},
        {{"quorlin", "-?"}, CommandLineAction::PrintHelp},
        {{"quorlin", "--help", "--version"}, CommandLineAction::PrintHelp},
        {{"quorlin", "--", "--help"}, CommandLineAction::Run},
        {{"--help"}, CommandLineAction::Run},  // the program's own name is no option
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseCommandLine(c.args), c.expected) << c.args.join(u' ').toStdString();
    }
}
