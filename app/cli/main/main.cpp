#include <iostream>
#include <string>
#include <vector>

#include "cli/CliApplication.h"
#include "cli/CommandLineParser.h"
#include "platform/ProgramArguments.h"
#include "platform/Terminal.h"

int main(int argc, char** argv) {
    platform::keepRunningWhenOutputCloses();
    platform::useUtf8ConsoleOutput();
    const std::vector<std::string> arguments = platform::programArguments(argc, argv);
    cli::ParseOutcome parsed = cli::CommandLineParser::parse(arguments);
    if (!parsed.options) {
        if (!parsed.errorText.empty()) {
            std::cerr << parsed.errorText << std::endl;
        } else {
            std::cout << parsed.helpText;
        }
        return parsed.exitStatus;
    }
    if (argc > 0 && argv[0] != nullptr) {
        parsed.options->invokedAs = argv[0];
    }
    auto style = platform::isTerminal(platform::StandardStream::Output)
                     ? cli::ProgressDisplay::Style::Redrawn
                     : cli::ProgressDisplay::Style::PlainLines;
    if (parsed.options->fleetChild) {
        // The program that started this one shows the progress.
        style = cli::ProgressDisplay::Style::Feed;
    }
    int status = cli::kExitSuccess;
    {
        cli::CliApplication application(*parsed.options, std::cout, std::cerr, style);
        status = application.run();
    }
    // The operation has ended cleanly whatever happened to the output; a
    // result the caller never saw is still not a success.
    std::cout.flush();
    if (!std::cout && status == cli::kExitSuccess) {
        std::cerr << "flashkit-cli: standard output could not be written" << std::endl;
        status = cli::kExitOperationFailed;
    }
    return status;
}
