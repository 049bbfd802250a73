#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cli {

enum class CommandKind { Version, Ports, Units, Image, GetVersion, Write, Erase, Update, Trace };

// The bus unit the PC is plugged into, as the Connection Point menu offers it.
enum class ConnectionChoice { SRF7, ENG7 };

// The writing port of the mode dialog.
enum class WritingPortChoice { HostInterface, CardDirect };

// Everything the command line asked for, already checked for form.
struct CliOptions {
    static constexpr std::uint32_t kDefaultImageBase = 0x200000;
    static constexpr std::uint32_t kDefaultImageWindow = 0x80000;
    // Largest window the image command allocates (the 1 MB segmented window fits with room).
    static constexpr std::uint32_t kMaxImageWindow = 0x1000000;

    // The command line after the program's name, as given (for the retry
    // line of several consoles, which keeps every option but the ports).
    std::vector<std::string> arguments;
    // The program as it was called (argv[0]), for command lines it prints.
    std::string invokedAs;

    std::optional<std::string> iniFile;
    std::optional<std::string> listFile;
    // The port when one --port was given; every --port in order, and the
    // ports file (one port a line), when update or getver works on several.
    std::optional<std::string> port;
    std::vector<std::string> ports;
    std::optional<std::string> portsFile;
    // This program was started by another one as one console of several: it
    // reports its progress as records on standard error and stops when its
    // standard input ends.
    bool fleetChild = false;
    std::optional<ConnectionChoice> connection;
    WritingPortChoice mode = WritingPortChoice::HostInterface;
    bool json = false;

    CommandKind command = CommandKind::Ports;
    // ports --no-probe: the candidate ports as the system lists them, none opened.
    bool noProbe = false;
    // units --names: the unit names alone, from the settings and the unit list;
    // no port is listed or opened and no library is loaded.
    bool namesOnly = false;
    std::string unitName;               // getver (empty: all units), write, erase
    std::vector<std::string> cpuNames;  // write --cpu, in the order given

    // update: the units named (empty: every unit), --dry-run, --force, --report.
    std::vector<std::string> unitNames;
    bool dryRun = false;
    bool force = false;
    std::optional<std::string> reportFile;

    std::string imageFile;
    std::uint32_t imageBase = kDefaultImageBase;
    std::uint32_t imageWindow = kDefaultImageWindow;
    bool clip = false;

    // trace: the communication log to read, and --all (every message one a line).
    std::string traceFile;
    bool traceAll = false;
};

}  // namespace cli
