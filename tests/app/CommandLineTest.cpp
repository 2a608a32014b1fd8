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
        {{"quorlin", "--platform=offscreen", "-reverse"}, CommandLineAction::Run},
        {{"quorlin", "--versions"}, CommandLineAction::UsageError},
        {{"quorlin", "-style", "fusion", "--version"}, CommandLineAction::PrintVersion},
        {{"quorlin", "-?"}, CommandLineAction::PrintHelp},
        {{"quorlin", "--help", "--version"}, CommandLineAction::PrintHelp},
        {{"quorlin", "--headless", "--help"}, CommandLineAction::PrintHelp},
        {{"quorlin", "--", "--help"}, CommandLineAction::Run},
        {{"--help"}, CommandLineAction::Run},  // the program's own name is no option
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseCommandLine(c.args).action, c.expected) << c.args.join(u' ').toStdString();
    }
}

TEST(CommandLine, headlessOptionsTakeTheirValues_eitherSpelling) {
    const CommandLine c = parseCommandLine({"quorlin",
                                            "--headless",
                                            "--config",
                                            "/etc/quorlin/a.cfg",
                                            "--device=/dev/ttyUSB0",
                                            "--data-file",
                                            "/var/lib/quorlin/a/a.csv",
                                            "--daily",
                                            "--interval=250",
                                            "--peak",
                                            "--duration",
                                            "1.5",
                                            "--status-every",
                                            "5",
                                            "--mqtt",
                                            "mqtts://broker:8883",
                                            "--mqtt-topic=lab/rig1",
                                            "--mqtt-qos",
                                            "1",
                                            "--mqtt-credentials",
                                            "/etc/q/cred"});
    ASSERT_EQ(c.action, CommandLineAction::RunHeadless) << c.error.toStdString();
    const HeadlessOptions& o = c.headless;
    EXPECT_EQ(o.configFile, "/etc/quorlin/a.cfg");
    EXPECT_EQ(o.device, "/dev/ttyUSB0");
    EXPECT_EQ(o.port, 0);
    EXPECT_EQ(o.dataFile, "/var/lib/quorlin/a/a.csv");
    EXPECT_TRUE(o.daily);
    EXPECT_TRUE(o.peak);
    EXPECT_EQ(o.intervalMs, 250);
    EXPECT_EQ(o.durationSeconds, 1.5);
    EXPECT_EQ(o.statusEverySeconds, 5);
    // Kept as given, in order: the run checks them together.
    const QList<QPair<QString, QString>> mqtt = {{"--mqtt", "mqtts://broker:8883"},
                                                 {"--mqtt-topic", "lab/rig1"},
                                                 {"--mqtt-qos", "1"},
                                                 {"--mqtt-credentials", "/etc/q/cred"}};
    EXPECT_EQ(o.mqtt, mqtt);

    const CommandLine d = parseCommandLine({"quorlin", "--headless", "--port", "3"});
    ASSERT_EQ(d.action, CommandLineAction::RunHeadless);
    EXPECT_EQ(d.headless.port, 3);
    EXPECT_EQ(d.headless.statusEverySeconds, 60);
    EXPECT_TRUE(d.headless.dataFile.isEmpty());
}

TEST(CommandLine, badOptionsAndValues_areUsageErrorsSayingWhat) {
    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"quorlin", "--headless", "--bogus"}, "unknown option '--bogus'"},
        {{"quorlin", "--headless", "-x"}, "unknown option '-x'"},
        {{"quorlin", "--headless", "stray"}, "unexpected argument 'stray'"},
        {{"quorlin", "--headless", "--port", "17"}, "--port: bad number '17'"},
        {{"quorlin", "--headless", "--port", "2.5"}, "--port: bad number"},
        {{"quorlin", "--headless", "--interval=-1"}, "--interval: bad number '-1'"},
        {{"quorlin", "--headless", "--duration", "soon"}, "--duration: bad number 'soon'"},
        {{"quorlin", "--headless", "--duration", "nan"}, "--duration: bad number 'nan'"},
        {{"quorlin", "--headless", "--config"}, "--config needs a value"},
        {{"quorlin", "--headless", "--peak=1"}, "--peak takes no value"},
        {{"quorlin", "--headless", "--port", "1", "--device", "/dev/x"}, "exclude each other"},
        {{"quorlin", "--headless", "--daily"}, "--daily needs --data-file"},
        {{"quorlin", "--data-file", "a.csv"}, "--data-file needs --headless"},
        {{"quorlin", "--mqtt", "mqtt://h"}, "--mqtt needs --headless"},
        {{"quorlin", "--headless", "--mqtt-topic"}, "--mqtt-topic needs a value"},
        {{"quorlin", "--headless", "--bogus", "--help"}, "unknown option '--bogus'"},
    };
    for (const auto& c : cases) {
        const CommandLine r = parseCommandLine(c.args);
        EXPECT_EQ(r.action, CommandLineAction::UsageError) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.says)))
            << c.args.join(u' ').toStdString() << " said: " << r.error.toStdString();
    }
}
