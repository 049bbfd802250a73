#include "platform/ChildProgram.h"

#include <windows.h>

#include <mutex>

#include "WideText.h"
#include "platform/CommandLine.h"

namespace platform {

namespace {

// Handles become inheritable only for the moment a child is created, and
// children are created one at a time: no child gets another's pipe ends.
std::mutex creationLock;

std::size_t readSome(HANDLE pipe, std::span<char> buffer) {
    if (pipe == nullptr || buffer.empty()) {
        return 0;
    }
    DWORD count = 0;
    // A broken pipe is the end of the child's writing.
    if (!::ReadFile(pipe, buffer.data(), static_cast<DWORD>(buffer.size()), &count, nullptr)) {
        return 0;
    }
    return count;
}

bool sameName(std::wstring_view entry, std::wstring_view name) {
    return entry.size() > name.size() && entry[name.size()] == L'=' &&
           ::CompareStringOrdinal(entry.data(), static_cast<int>(name.size()), name.data(),
                                  static_cast<int>(name.size()), TRUE) == CSTR_EQUAL;
}

// This process's environment block with the launch's entries in place.
std::wstring environmentBlock(const ChildProgram::Launch& launch) {
    std::wstring block;
    wchar_t* current = ::GetEnvironmentStringsW();
    for (const wchar_t* entry = current; entry != nullptr && *entry != L'\0'; entry += wcslen(entry) + 1) {
        bool replaced = false;
        for (const auto& [name, value] : launch.environment) {
            replaced = replaced || sameName(entry, widen(name));
        }
        if (!replaced) {
            block.append(entry);
            block.push_back(L'\0');
        }
    }
    if (current != nullptr) {
        ::FreeEnvironmentStringsW(current);
    }
    for (const auto& [name, value] : launch.environment) {
        block += widen(name + "=" + value);
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

// A pipe whose child end is inheritable and whose own end is not.
struct Pipe {
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    bool create(bool childReads) {
        SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        if (!::CreatePipe(&read, &write, &security, 0)) {
            return false;
        }
        return ::SetHandleInformation(childReads ? write : read, HANDLE_FLAG_INHERIT, 0) != 0;
    }
    void close() {
        for (HANDLE* handle : {&read, &write}) {
            if (*handle != nullptr) {
                ::CloseHandle(*handle);
                *handle = nullptr;
            }
        }
    }
};

}  // namespace

struct ChildProgram::Process {
    UniqueHandle process;
    HANDLE input = nullptr;
    HANDLE output = nullptr;
    HANDLE error = nullptr;
    std::mutex inputLock;
    std::mutex waitLock;
    bool finished = false;
    int status = -1;

    ~Process() {
        for (HANDLE handle : {input, output, error}) {
            if (handle != nullptr) {
                ::CloseHandle(handle);
            }
        }
    }
};

ChildProgram::ChildProgram() = default;

ChildProgram::~ChildProgram() {
    if (process_) {
        closeInput();
        wait();
    }
}

bool ChildProgram::started() const {
    return process_ != nullptr;
}

Result<void> ChildProgram::start(const Launch& launch) {
    std::lock_guard lock(creationLock);
    Pipe input;
    Pipe output;
    Pipe error;
    auto closeAll = [&] {
        input.close();
        output.close();
        error.close();
    };
    if (!input.create(true) || !output.create(false) || !error.create(false)) {
        const SystemError failure = SystemError::last();
        closeAll();
        return failure;
    }

    std::vector<std::string> arguments{launch.program};
    arguments.insert(arguments.end(), launch.arguments.begin(), launch.arguments.end());
    std::wstring commandText = widen(commandLine(arguments));
    std::wstring environment = environmentBlock(launch);
    const std::wstring program = widen(launch.program);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.read;
    startup.hStdOutput = output.write;
    startup.hStdError = error.write;
    PROCESS_INFORMATION created{};
    if (!::CreateProcessW(program.c_str(), commandText.data(), nullptr, nullptr, TRUE,
                          CREATE_NEW_PROCESS_GROUP | CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr,
                          &startup, &created)) {
        const SystemError failure = SystemError::last();
        closeAll();
        return failure;
    }
    ::CloseHandle(created.hThread);
    auto process = std::make_unique<Process>();
    process->process = UniqueHandle(created.hProcess);
    process->input = std::exchange(input.write, nullptr);
    process->output = std::exchange(output.read, nullptr);
    process->error = std::exchange(error.read, nullptr);
    // The child's ends now belong to the child alone: its exit ends our reads.
    closeAll();
    process_ = std::move(process);
    return {};
}

std::size_t ChildProgram::readOutput(std::span<char> buffer) {
    return process_ ? readSome(process_->output, buffer) : 0;
}

std::size_t ChildProgram::readError(std::span<char> buffer) {
    return process_ ? readSome(process_->error, buffer) : 0;
}

void ChildProgram::closeInput() {
    if (process_) {
        std::lock_guard lock(process_->inputLock);
        if (process_->input != nullptr) {
            ::CloseHandle(process_->input);
            process_->input = nullptr;
        }
    }
}

int ChildProgram::wait() {
    if (!process_) {
        return -1;
    }
    std::lock_guard lock(process_->waitLock);
    if (!process_->finished) {
        ::WaitForSingleObject(process_->process.get(), INFINITE);
        DWORD code = 0;
        process_->status = ::GetExitCodeProcess(process_->process.get(), &code) ? static_cast<int>(code) : -1;
        process_->finished = true;
    }
    return process_->status;
}

}  // namespace platform
