#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "ScratchFolder.h"
#include "platform/Directory.h"
#include "platform/FileOpen.h"
#include "platform/InstanceLock.h"
#include "platform/LocalTime.h"
#include "platform/NewFile.h"
#include "platform/Paths.h"
#include "platform/PortDiscovery.h"
#include "platform/PortProbe.h"
#include "platform/ProgramArguments.h"
#include "platform/SerialPort.h"
#include "platform/SystemError.h"
#include "platform/TextFile.h"

TEST(WindowsSystemError, CarriesTheSystemsTextWithoutItsLineEnd) {
    const platform::SystemError missing = platform::SystemError::fromCode(ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(missing.failed());
    EXPECT_TRUE(missing.isNotFound());
    EXPECT_FALSE(missing.notSupportedByDevice());
    const std::string text = missing.text();
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), '\r');
    EXPECT_TRUE(platform::SystemError::fromCode(ERROR_NOT_SUPPORTED).notSupportedByDevice());
    ::SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(platform::SystemError::last().code(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(platform::SystemError().failed());
}

TEST(WindowsPaths, DriveAndShareNamesAreAbsoluteAndBothSlashesSeparate) {
    EXPECT_TRUE(platform::isAbsolutePath("C:\\FLASHKIT\\UNIT.LST"));
    EXPECT_TRUE(platform::isAbsolutePath("c:/data"));
    EXPECT_TRUE(platform::isAbsolutePath("\\\\server\\share\\x"));
    EXPECT_FALSE(platform::isAbsolutePath("C:relative"));
    EXPECT_FALSE(platform::isAbsolutePath("DATA\\UNIT.LST"));
    EXPECT_FALSE(platform::isAbsolutePath(""));
    EXPECT_EQ(platform::joinPath("C:\\X", "TRX.DLL"), "C:\\X\\TRX.DLL");
    EXPECT_EQ(platform::joinPath("C:\\X\\", "TRX.DLL"), "C:\\X\\TRX.DLL");
    EXPECT_EQ(platform::parentDirectory("C:\\X\\TRX.DLL"), "C:\\X");
    EXPECT_EQ(platform::fileName("C:/X/TRX.DLL"), "TRX.DLL");
    EXPECT_EQ(platform::Directory::nativePath("SRF7\\IMG"), "SRF7\\IMG");
}

TEST(WindowsPaths, TheProgramKnowsItsOwnFile) {
    const std::string program = platform::executablePath();
    ASSERT_GT(program.size(), 4u);
    EXPECT_EQ(program.substr(program.size() - 4), ".exe");
    EXPECT_TRUE(platform::isAbsolutePath(program));
    EXPECT_EQ(platform::fileKind(platform::executableDirectory()), platform::FileKind::Directory);
}

TEST(WindowsPaths, Utf8FolderNamesReachTheSystemAndComeBack) {
    ScratchFolder folder;
    const std::string before = platform::currentDirectory();
    EXPECT_EQ(platform::fileKind(folder.path()), platform::FileKind::Directory);
    ASSERT_TRUE(platform::setCurrentDirectory(folder.path()));
    EXPECT_EQ(platform::currentDirectory(), folder.path());
    const std::optional<std::string> absolute = platform::absolutePath(".");
    ASSERT_TRUE(absolute.has_value());
    EXPECT_EQ(*absolute, folder.path());
    ASSERT_TRUE(platform::setCurrentDirectory(before));

    const platform::Result<void> missing = platform::setCurrentDirectory(folder / "none");
    ASSERT_FALSE(missing);
    EXPECT_TRUE(missing.error().isNotFound());
    EXPECT_FALSE(platform::absolutePath(folder / "none").has_value());
}

TEST(WindowsFiles, ReadWriteAndListUnderUtf8Names) {
    ScratchFolder folder;
    const std::string file = folder.writeFile("\xC3\xA9t\xC3\xA9.SET", "[A]\r\nB=1\r\n");
    const platform::TextFileContent content = platform::TextFile::read(file);
    ASSERT_TRUE(content.ok()) << content.reason();
    EXPECT_EQ(content.text, "[A]\r\nB=1\r\n");
    EXPECT_EQ(platform::TextFile::read(folder.path()).error, platform::TextFileError::NotRegular);
    EXPECT_EQ(platform::TextFile::read(folder / "none").error, platform::TextFileError::Missing);
    EXPECT_EQ(platform::TextFile::read(file, 4).error, platform::TextFileError::TooLarge);

    std::FILE* log = platform::openFile(folder / "COMMU.LOG", "wb");
    ASSERT_NE(log, nullptr);
    std::fputs("x", log);
    std::fclose(log);
    folder.writeFile("B.mot", "");
    folder.writeFile("a.MOT", "");
    folder.writeFile("c.txt", "");
    EXPECT_EQ(platform::Directory::listFiles(folder.path(), "*.mot"),
              (std::vector<std::string>{"a.MOT", "B.mot"}));
    const platform::Result<std::string> place = platform::Directory::resolve(folder.path());
    ASSERT_TRUE(place.ok());
    EXPECT_EQ(*place, folder.path());
    const platform::Result<std::string> missing = platform::Directory::resolve(folder / "none");
    ASSERT_FALSE(missing.ok());
    EXPECT_TRUE(missing.error().isNotFound());
    EXPECT_EQ(platform::Directory::errorText(missing.error()).back(), '\n');
    EXPECT_FALSE(platform::Directory::resolve(file).ok()) << "a file is no directory";
}

TEST(WindowsNewFile, AnExistingFileFailsAsOneThatExists) {
    ScratchFolder folder;
    const std::string path = folder / "REPORT.TXT";
    ASSERT_TRUE(platform::writeNewFile(path, "the first report"));
    const platform::Result<void> second = platform::writeNewFile(path, "a second report");
    ASSERT_FALSE(second);
    EXPECT_EQ(second.error().code(), ERROR_FILE_EXISTS);
    EXPECT_TRUE(second.error().alreadyExists());
    const platform::TextFileContent kept = platform::TextFile::read(path);
    EXPECT_EQ(kept.text, "the first report");
    const platform::Result<void> nowhere = platform::writeNewFile(folder / "none\\REPORT.TXT", "text");
    ASSERT_FALSE(nowhere);
    EXPECT_TRUE(nowhere.error().isNotFound());
    EXPECT_FALSE(nowhere.error().alreadyExists());
}

TEST(WindowsInstanceLock, TheNamedMutexTellsASecondHolder) {
    const std::string name = "Check [QX7A LOAD] already running.";
    ScratchFolder place;
    platform::Result<platform::InstanceLock> first = platform::InstanceLock::acquire(name, place.path());
    ASSERT_TRUE(first && first->held());
    const platform::Result<platform::InstanceLock> second =
        platform::InstanceLock::acquire(name, place.path());
    ASSERT_FALSE(second);
    EXPECT_EQ(second.error().code(), ERROR_ALREADY_EXISTS);
    first->release();
    const platform::Result<platform::InstanceLock> third =
        platform::InstanceLock::acquire(name, place.path());
    EXPECT_TRUE(third && third->held()) << "released: the next start is not refused";
}

TEST(WindowsSerialPort, AMissingPortFailsWithTheSystemsReason) {
    platform::SerialPort port;
    const platform::Result<void> opened = port.open("COM254");
    ASSERT_FALSE(opened);
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(opened.error().failed());
    EXPECT_TRUE(opened.error().isNotFound()) << opened.error().code();
    EXPECT_EQ(opened.error().text(), platform::systemErrorText(opened.error().code()));
    EXPECT_FALSE(opened.error().text().empty());
    std::uint8_t buffer[4];
    EXPECT_EQ(port.read(buffer).error().code(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(port.setModemLine(platform::ModemLine::Dtr, true).error().code(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(port.waitReadable(10).error().code(), ERROR_INVALID_HANDLE);
    port.cancelWaits();  // harmless on a closed port
    const platform::PortProbeResult probe = platform::probePort("COM254");
    EXPECT_FALSE(probe.usable());
    EXPECT_FALSE(platform::portUsabilityReason(probe).empty());
}

TEST(WindowsPortDiscovery, ExtraPortsAreSeparatedBySemicolons) {
    platform::PortDiscoveryOptions options;
    options.extraPorts = "COM250;;COM251;COM250";
    const platform::PortTable table = platform::discoverPorts(options);
    ASSERT_GE(table.ports.size(), 2u);
    EXPECT_EQ(table.ports[table.ports.size() - 2], "COM250");
    EXPECT_EQ(table.ports.back(), "COM251");
    EXPECT_TRUE(platform::naturalLess("COM2", "COM10"));
}

TEST(WindowsLocalTime, IsTheSystemsLocalTime) {
    SYSTEMTIME system{};
    ::GetLocalTime(&system);
    const platform::LocalTime local = platform::localTimeNow();
    EXPECT_EQ(local.year, system.wYear);
    EXPECT_GE(local.month, 1);
    EXPECT_LE(local.month, 12);
    EXPECT_LE(local.hour, 23);
}

TEST(WindowsProgramArguments, AreTheWideCommandLineAfterTheProgramsName) {
    // ctest starts every case with its filter as an argument.
    const std::vector<std::string> arguments = platform::programArguments(0, nullptr);
    ASSERT_FALSE(arguments.empty());
    EXPECT_EQ(arguments.front().rfind("--gtest", 0), 0u) << arguments.front();
    for (const std::string& argument : arguments) {
        EXPECT_EQ(argument.find("windows_platform_test"), std::string::npos) << "the program's own name";
    }
}
