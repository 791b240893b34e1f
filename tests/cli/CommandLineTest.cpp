// The argument handling of brenvaldor, in process: usage errors in plain words with a pointer to
// the right help, one JSON object for them with --json, and standard output that could not be
// written.
#include "cli/CommandLine.h"
#include "cli/Usage.h"
#include "tests/firmware/FirmwareTestUtil.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <nlohmann/json.hpp>
#include <sstream>

namespace bf::cli {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome Brenvaldor(std::vector<std::string> args, std::ostream* out = nullptr) {
    args.insert(args.begin(), "brenvaldor");
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    std::ostringstream text;
    std::ostringstream err;
    Outcome run;
    run.status = Main(static_cast<int>(argv.size()), argv.data(), out ? *out : text, err, false);
    run.out = text.str();
    run.err = err.str();
    return run;
}

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
    const char* message; // the first line on standard error, after the prefix
    const char* hint;    // the second line
};

const UsageCase kUsageCases[] = {
    {"MisspelledSubcommand",
     {"updte", "fw.hex"},
     "unknown subcommand 'updte'; did you mean 'update'?",
     "Run 'brenvaldor --help' for the subcommands and their options."},
    {"ShortVersionOption",
     {"-V"},
     "unknown option '-V'; did you mean '--version'?",
     "Run 'brenvaldor --help' for the subcommands and their options."},
    {"NoSubcommandNamesThemAll",
     {},
     "a subcommand is required: ports, detect, info, convert, update, verify, backup, param-backup, "
     "param-update, param-erase, reset",
     "Run 'brenvaldor --help' for the subcommands and their options."},
    {"MisspelledOptionOfTheSubcommand",
     {"update", "fw.hex", "--jsn"},
     "unknown option '--jsn' for update; did you mean '--json'?",
     "Run 'brenvaldor update --help' for its options."},
    {"OptionTheSubcommandDoesNotTake",
     {"info", "fw.hex", "--port", "COM1"},
     "unknown option '--port' for info",
     "Run 'brenvaldor info --help' for its options."},
    {"OptionBeforeTheSubcommandIsCheckedAgainstIt",
     {"--force", "reset"},
     "unknown option '--force' for reset",
     "Run 'brenvaldor reset --help' for its options."},
    {"NegativeWait",
     {"reset", "--wait", "-1"},
     "--wait: must be a number of seconds, 0 or more, not '-1'",
     "Run 'brenvaldor reset --help' for its options."},
    {"WaitOfNoNumber",
     {"reset", "--wait", "nan"},
     "--wait: must be a number of seconds, 0 or more, not 'nan'",
     "Run 'brenvaldor reset --help' for its options."},
    {"PortTwice",
     {"reset", "--port", "COM1", "--port=COM2"},
     "--port is given more than once; give it once",
     "Run 'brenvaldor reset --help' for its options."},
    {"ArgumentTooMany",
     {"reset", "x"},
     "unexpected argument 'x'",
     "Run 'brenvaldor reset --help' for its options."},
    {"HelpOfAnUnknownSubcommand",
     {"help", "updat"},
     "unknown subcommand 'updat'; did you mean 'update'?",
     "Run 'brenvaldor --help' for the subcommands and their options."},
};

class UsageErrors : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageErrors, SayWhatIsWrongAndWhereTheHelpIs) {
    const UsageCase& c = GetParam();
    const Outcome run = Brenvaldor(c.args);
    EXPECT_EQ(run.status, 64);
    EXPECT_EQ(run.err, "brenvaldor: error: " + std::string(c.message) + "\n" + c.hint + "\n");
    EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(Cases, UsageErrors, ::testing::ValuesIn(kUsageCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UsageErrorsWithJson, PrintOneReportObjectWhereverJsonStands) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"info", "--json"},
                                                 {"reset", "--baud", "12345", "--json"},
                                                 {"--json", "updte"}}) {
        const Outcome run = Brenvaldor(args);
        ASSERT_EQ(run.status, 64) << args[0];
        const auto report = nlohmann::json::parse(run.out);
        EXPECT_EQ(report["result"], 64);
        EXPECT_EQ(report["port"], "");
        EXPECT_EQ(report["baud"], 0);
        EXPECT_EQ(report["message"], run.err.substr(19, run.err.find('\n') - 19)) << run.err;
    }
}

TEST(Arguments, OptionsBeforeTheSubcommandAreTakenAsIfAfterIt) {
    test::TempDir dir;
    const std::string file = dir / "fw.hex";
    test::WriteText(file, test::S3(0x110000, test::Bytes(32, 0x5A)) + "\n");
    const Outcome run = Brenvaldor({"--json", "-q", "info", file});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(nlohmann::json::parse(run.out)["command"], "info");
}

TEST(Arguments, HelpWordShowsTheProgramsOrTheSubcommandsHelp) {
    const Outcome all = Brenvaldor({"help"});
    EXPECT_EQ(all.status, 0);
    EXPECT_THAT(all.out, HasSubstr("Subcommands:"));
    const Outcome update = Brenvaldor({"help", "update"});
    EXPECT_EQ(update.status, 0);
    EXPECT_THAT(update.out, HasSubstr("Usage: brenvaldor update"));
}

TEST(Arguments, EachSubcommandsHelpListsTheStatusesItCanEndWith) {
    const Outcome info = Brenvaldor({"info", "--help"});
    EXPECT_THAT(info.out, HasSubstr("  66   the input file is missing"));
    EXPECT_THAT(info.out, Not(HasSubstr("  9    serial port"))) << "info opens no port";
    EXPECT_THAT(info.out, Not(HasSubstr("  130 ")));
    const Outcome update = Brenvaldor({"update", "--help"});
    EXPECT_THAT(update.out, HasSubstr("  9    serial port"));
    EXPECT_THAT(update.out, HasSubstr("  130  interrupted"));
    EXPECT_THAT(update.out, Not(HasSubstr("  73 ")));
    // The program's help has the whole table and says which subcommand takes which option.
    const Outcome all = Brenvaldor({"--help"});
    EXPECT_THAT(all.out, HasSubstr("  73   the output file"));
    EXPECT_THAT(
        all.out,
        HasSubstr("--force           replace an existing output file (convert, backup, param-backup)"));
    EXPECT_THAT(all.out, HasSubstr("--dry-run"));
    EXPECT_THAT(all.out, HasSubstr("--param"));
}

TEST(Suggestions, CloseWordsAndPrefixesOnly) {
    const std::vector<std::string> names{"update", "verify", "param-update", "param-erase"};
    EXPECT_EQ(Suggestion("updaet", names), "update");
    EXPECT_EQ(Suggestion("PARAM-ERAS", names), "param-erase");
    EXPECT_EQ(Suggestion("param", names), "param-update") << "the first that starts with it";
    EXPECT_EQ(Suggestion("flash", names), std::nullopt);
    EXPECT_EQ(Suggestion("--", names), std::nullopt);
}

// A stream whose every write fails with `error`, as standard output on a full disk or a closed pipe.
class FailingOutput : public std::streambuf {
  public:
    explicit FailingOutput(int error) : m_error(error) {}

  protected:
    int_type overflow(int_type) override {
        errno = m_error;
        return traits_type::eof();
    }
    std::streamsize xsputn(const char*, std::streamsize) override {
        errno = m_error;
        return 0;
    }

  private:
    int m_error;
};

TEST(Output, AFullDiskIsStatus74AndAClosedPipeEndsNothing) {
    test::TempDir dir;
    const std::string file = dir / "fw.hex";
    test::WriteText(file, test::S3(0x110000, test::Bytes(32, 0x5A)) + "\n");
    for (const bool json : {false, true}) {
        FailingOutput full(ENOSPC);
        std::ostream out(&full);
        std::vector<std::string> args{"info", file};
        if (json)
            args.push_back("--json");
        const Outcome run = Brenvaldor(args, &out);
        EXPECT_EQ(run.status, 74) << json;
        EXPECT_THAT(run.err,
                    HasSubstr("brenvaldor: error: cannot write standard output: No space left on device"));
    }
    FailingOutput closed(EPIPE);
    std::ostream out(&closed);
    const Outcome run = Brenvaldor({"info", file}, &out);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    FailingOutput fullHelp(ENOSPC);
    std::ostream helpOut(&fullHelp);
    EXPECT_EQ(Brenvaldor({"--help"}, &helpOut).status, 74);
}

} // namespace
} // namespace bf::cli
