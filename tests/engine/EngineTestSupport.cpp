#include "EngineTestSupport.h"

#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace engine::testing {

void writeSRecordFile(const std::filesystem::path& path, std::uint32_t address,
                      const std::vector<std::uint8_t>& data) {
    std::ofstream out(path);
    out << "S00600004844521B\n";
    for (std::size_t at = 0; at < data.size(); at += 32) {
        const std::size_t length = std::min<std::size_t>(32, data.size() - at);
        const std::uint32_t recordAddress = address + static_cast<std::uint32_t>(at);
        const std::uint8_t count = static_cast<std::uint8_t>(length + 5);
        unsigned sum = count;
        char text[8];
        std::snprintf(text, sizeof text, "%02X", count);
        std::string line = std::string("S3") + text;
        for (int shift = 24; shift >= 0; shift -= 8) {
            const std::uint8_t byte = static_cast<std::uint8_t>(recordAddress >> shift);
            sum += byte;
            std::snprintf(text, sizeof text, "%02X", byte);
            line += text;
        }
        for (std::size_t i = 0; i < length; ++i) {
            sum += data[at + i];
            std::snprintf(text, sizeof text, "%02X", data[at + i]);
            line += text;
        }
        std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(~sum & 0xFF));
        out << line << text << "\n";
    }
    out << "S70500000000FA\n";
}

std::vector<std::uint8_t> patternBytes(std::size_t length, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 7 + (i >> 7) * 13 + seed) & 0xFF);
    }
    return bytes;
}

UnitFiles::UnitFiles() {
    char pattern[] = "/tmp/flashkit-engine-XXXXXX";
    root_ = ::mkdtemp(pattern);
}

UnitFiles::~UnitFiles() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

std::filesystem::path UnitFiles::addUnit(const std::string& name, const std::string& settings) {
    const std::filesystem::path directory = root_ / name;
    std::filesystem::create_directories(directory);
    std::ofstream(directory / (name + ".SET")) << settings;
    names_.push_back(name);
    return directory;
}

bool UnitFiles::load(data::UnitList& list, data::WritingPort port) {
    std::ostringstream text;
    for (const std::string& name : names_) {
        text << name << ", " << (root_ / name).string() << "\n";
    }
    std::istringstream source(text.str());
    return list.load(source, port);
}

void RecordingFrontEnd::showMessage(const std::string& text, core::MessageIcon) {
    std::lock_guard lock(mutex_);
    messages_.push_back(text);
    events_.push_back("message:" + text);
}

void RecordingFrontEnd::setMainWindowEnabled(bool enabled) {
    std::lock_guard lock(mutex_);
    events_.push_back(enabled ? "main-enabled" : "main-disabled");
}

void RecordingFrontEnd::showStatusWindow(StatusModel&, OperationControl& control) {
    std::lock_guard lock(mutex_);
    control_ = &control;
    events_.push_back("status-window");
}

bool RecordingFrontEnd::askForOk(const StatusModel& status) {
    std::lock_guard lock(mutex_);
    finalStatusText = status.statusText();
    finalErrorFlag = status.errorFlag();
    events_.push_back("final-ok");
    // The OK button of the progress window, pressed at once; without a
    // window there is nobody to ask.
    if (control_ == nullptr) {
        return false;
    }
    doneBeforeFinalOk = control_->isDone();
    control_->giveOk();
    return true;
}

std::vector<std::string> RecordingFrontEnd::events() {
    std::lock_guard lock(mutex_);
    return events_;
}

std::vector<std::string> RecordingFrontEnd::messages() {
    std::lock_guard lock(mutex_);
    return messages_;
}

StatusRecorder::StatusRecorder(StatusModel& status) : status_(status) {
    thread_ = std::thread([this] {
        while (!stop_) {
            std::string text = status_.statusText();
            const std::int32_t overall = status_.overallPos();
            {
                std::lock_guard lock(mutex_);
                if (overall_.empty() || overall_.back() != overall) {
                    overall_.push_back(overall);
                }
                if (!text.empty() && (seen_.empty() || seen_.back() != text)) {
                    seen_.push_back(std::move(text));
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
}

StatusRecorder::~StatusRecorder() {
    stop();
}

std::vector<std::string> StatusRecorder::stop() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    std::lock_guard lock(mutex_);
    return seen_;
}

std::vector<std::int32_t> StatusRecorder::overallPositions() {
    std::lock_guard lock(mutex_);
    return overall_;
}

}  // namespace engine::testing
