#include "cli/CommandLineParser.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <map>
#include <memory>
#include <sstream>

namespace cli {

namespace {

constexpr const char* kProgramName = "flashkit-cli";

// The full help lists the commands with their arguments in one table, then
// each command's own options under a heading of its own: a layout that
// reads well in a terminal and that help2man turns into the manual page
// (and that the shell completion reads).
class HelpLayout : public CLI::Formatter {
  public:
    HelpLayout() {
        label("SUBCOMMAND", "COMMAND");
        label("Subcommands", "Commands");
    }

    std::string make_subcommands(const CLI::App* app, CLI::AppFormatMode mode) const override {
        if (mode != CLI::AppFormatMode::All) {
            return CLI::Formatter::make_subcommands(app, mode);
        }
        const std::vector<const CLI::App*> commands = app->get_subcommands({});
        std::ostringstream out;
        out << "\n" << get_label("Subcommands") << ":\n";
        for (const CLI::App* command : commands) {
            std::string usage = command->get_name();
            for (const CLI::Option* argument :
                 command->get_options([](const CLI::Option* option) { return option->get_positional(); })) {
                usage += " " + make_option_usage(argument);
            }
            CLI::detail::format_help(out, usage, command->get_description(), column_width_);
        }
        for (const CLI::App* command : commands) {
            const std::vector<const CLI::Option*> options =
                command->get_options([command](const CLI::Option* option) {
                    return option->nonpositional() && option != command->get_help_ptr();
                });
            if (options.empty()) {
                continue;
            }
            out << "\nOptions of " << command->get_name() << ":\n";
            for (const CLI::Option* option : options) {
                out << make_option(option, false);
            }
        }
        return out.str();
    }
};

ParseOutcome usageError(const std::string& reason) {
    ParseOutcome outcome;
    outcome.errorText = std::string(kProgramName) + ": " + reason;
    outcome.exitStatus = 2;
    return outcome;
}

}  // namespace

std::optional<std::uint32_t> CommandLineParser::parseNumber(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

ParseOutcome CommandLineParser::parse(const std::vector<std::string>& arguments) {
    CLI::App app{"Reads the firmware versions of the units of a QX7A console and rewrites their flash.",
                 kProgramName};
    app.formatter(std::make_shared<HelpLayout>());
    // --version alone needs no command; everything else needs exactly one.
    app.require_subcommand(0, 1);
    app.fallthrough();

    CliOptions options;
    std::string iniFile;
    std::string listFile;
    std::vector<std::string> portNames;
    std::string portsFile;
    std::string connection;
    std::string mode = "host";
    app.add_option("--ini", iniFile, "settings file (default: FLASHKIT.INI beside the program)")
        ->type_name("FILE");
    app.add_option("--list", listFile, "unit list (default: DATA/DEFAULT of the settings)")
        ->type_name("FILE");
    app.add_option("--port", portNames,
                   "serial port, one of the usable ports, a /dev/serial/by-id link to one, or a port of "
                   "a network serial server: rfc2217://HOST:PORT or socket://HOST:PORT; update and "
                   "getver take it more than once and then work on every console at once")
        ->type_name("NAME")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--ports-file", portsFile,
                   "update and getver on the ports listed in FILE (one a line, # starts a comment), "
                   "every console at once")
        ->type_name("FILE");
    // Set by flashkit-cli itself for each console it starts; not for people.
    app.add_flag("--fleet-child", options.fleetChild)->group("");
    app.add_option("--connection", connection, "connection point: SRF7 or ENG7")
        ->type_name("SRF7|ENG7")
        ->check(CLI::IsMember({"SRF7", "ENG7"}).description(""));
    app.add_option("--mode", mode, "writing port: host (Host I/F) or card (Card Direct)")
        ->type_name("host|card")
        ->check(CLI::IsMember({"host", "card"}).description(""));
    app.add_flag("--json", options.json, "print one JSON object instead of text");
    bool version = false;
    app.add_flag("--version", version, "print the program's and its libraries' versions");

    CLI::App* ports = app.add_subcommand(
        "ports", "usable serial ports, in menu order, and what the system tells of each one's device");
    ports->add_flag("--no-probe", options.noProbe,
                    "list the candidate ports without opening any (what shell completion offers)");
    CLI::App* units =
        app.add_subcommand("units", "units and their image rows: CPU, file version, file name, addresses");
    units->add_flag("--names", options.namesOnly,
                    "only the unit names, one a line; reads the settings and the unit list, opens no port");

    CLI::App* image = app.add_subcommand("image", "load an S-record file as the engine would");
    std::string base;
    std::string window;
    image->add_option("FILE", options.imageFile, "S-record file")->required()->type_name("");
    image->add_option("--base", base, "address of the window's first byte (default 0x200000)")
        ->type_name("ADDR");
    image->add_option("--window", window, "window size in bytes (default 0x80000)")->type_name("BYTES");
    image->add_flag("--clip", options.clip, "drop data outside the window instead of failing");

    CLI::App* getver = app.add_subcommand("getver", "read the versions of UNIT, or of all units");
    getver->add_option("UNIT", options.unitName, "unit name")->type_name("");

    CLI::App* write = app.add_subcommand("write", "write UNIT's selected images");
    write->add_option("UNIT", options.unitName, "unit name")->required()->type_name("");
    write->add_option("--cpu", options.cpuNames, "CPU to write (repeatable; default: the initial selection)")
        ->type_name("NAME")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);

    CLI::App* erase = app.add_subcommand("erase", "erase UNIT's selected images");
    erase->add_option("UNIT", options.unitName, "unit name")->required()->type_name("");

    CLI::App* update = app.add_subcommand(
        "update", "bring UNITs (default: every unit) up to their image files: read, write, verify");
    update->add_option("UNIT", options.unitNames, "unit name (repeatable)")->type_name("");
    update->add_flag("--dry-run", options.dryRun, "read the versions and show the plan, write nothing");
    update->add_flag("--force", options.force, "write the named units even when their versions match");
    std::string reportFile;
    update->add_option("--report", reportFile, "write a service report into FILE, which must not exist")
        ->type_name("FILE");

    CLI::App* trace = app.add_subcommand(
        "trace", "read a communication log (COMMU.LOG): operations, steps, what went wrong");
    trace->add_option("FILE", options.traceFile, "communication log")->required()->type_name("");
    trace->add_flag("--all", options.traceAll, "also every message, one a line");

    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) {
            ParseOutcome outcome;
            // Every command with its options and arguments: the manual
            // page and the shell completion are made from this text.
            outcome.helpText = app.help("", CLI::AppFormatMode::All);
            return outcome;
        }
        return usageError(error.what());
    }

    if (app.get_subcommands().empty()) {
        if (!version) {
            return usageError("a command is required (run with --help for the list)");
        }
        options.command = CommandKind::Version;
    } else if (version) {
        return usageError("--version takes no command");
    } else {
        const std::map<CLI::App*, CommandKind> kinds = {
            {ports, CommandKind::Ports},       {units, CommandKind::Units}, {image, CommandKind::Image},
            {getver, CommandKind::GetVersion}, {write, CommandKind::Write}, {erase, CommandKind::Erase},
            {update, CommandKind::Update},     {trace, CommandKind::Trace}};
        options.command = kinds.at(app.get_subcommands().front());
    }

    if (app.count("--ini") != 0) {
        options.iniFile = iniFile;
    }
    if (app.count("--list") != 0) {
        options.listFile = listFile;
    }
    options.arguments = arguments;
    options.ports = portNames;
    if (portNames.size() == 1) {
        options.port = portNames.front();
    }
    if (app.count("--ports-file") != 0) {
        if (portsFile.empty()) {
            return usageError("--ports-file: the file name is empty");
        }
        options.portsFile = portsFile;
    }
    const bool severalPorts = portNames.size() > 1 || options.portsFile.has_value();
    if (severalPorts && options.command != CommandKind::Update &&
        options.command != CommandKind::GetVersion) {
        return usageError(
            "several ports (--port more than once, --ports-file) work with update and getver only");
    }
    if (severalPorts && options.fleetChild) {
        return usageError("--fleet-child works on one port");
    }
    if (update->count("--report") != 0) {
        if (reportFile.empty()) {
            return usageError("--report: the file name is empty");
        }
        options.reportFile = reportFile;
    }
    if (options.command == CommandKind::Update && options.force && options.unitNames.empty()) {
        return usageError("--force writes only units named on the command line");
    }
    if (app.count("--connection") != 0) {
        options.connection = connection == "ENG7" ? ConnectionChoice::ENG7 : ConnectionChoice::SRF7;
    }
    options.mode = mode == "card" ? WritingPortChoice::CardDirect : WritingPortChoice::HostInterface;

    if (image->count("--base") != 0) {
        const auto value = parseNumber(base);
        if (!value) {
            return usageError("--base: not a 32-bit address: " + base);
        }
        options.imageBase = *value;
    }
    if (image->count("--window") != 0) {
        const auto value = parseNumber(window);
        if (!value || *value < 2 || *value > CliOptions::kMaxImageWindow) {
            return usageError("--window: not a size of 2 to " + std::to_string(CliOptions::kMaxImageWindow) +
                              " bytes: " + window);
        }
        options.imageWindow = *value;
    }
    if (options.command == CommandKind::Image &&
        std::uint64_t{options.imageBase} + options.imageWindow > std::uint64_t{1} << 32) {
        return usageError("--base and --window: the window runs past the 32-bit address space");
    }

    ParseOutcome outcome;
    outcome.options = std::move(options);
    return outcome;
}

}  // namespace cli
