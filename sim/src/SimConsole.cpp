#include "sim/SimConsole.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "trx/frame/FramePacker.h"
#include "trx/frame/FrameUnpacker.h"

namespace sim {

namespace {

constexpr std::string_view kTextCommands[] = {"exit", "VER"};

enum class TextMatch { None, Partial, Complete };

TextMatch matchText(std::span<const std::uint8_t> bytes, std::string& command) {
    for (const std::string_view candidate : kTextCommands) {
        const std::size_t needed = candidate.size() + 1;
        const std::size_t compared = std::min(bytes.size(), needed);
        bool same = true;
        for (std::size_t i = 0; i < compared && same; ++i) {
            const char expected = i < candidate.size() ? candidate[i] : SimConsole::kCarriageReturn;
            same = bytes[i] == static_cast<std::uint8_t>(expected);
        }
        if (!same) {
            continue;
        }
        if (compared < needed) {
            return TextMatch::Partial;
        }
        command = candidate;
        return TextMatch::Complete;
    }
    return TextMatch::None;
}

}  // namespace

SimConsole::SimConsole(ConsoleDescription description)
    : state_(std::move(description)), host_(state_), bootLoader_(state_) {}

void SimConsole::handleHostFrame(std::span<const std::uint8_t> betweenMarkers) {
    std::array<std::uint8_t, trx::frame::kMaxMessageLength> message{};
    const trx::frame::UnpackResult result = trx::frame::unpackFrame(betweenMarkers, message);
    if (result.status != trx::frame::UnpackStatus::Ok) {
        auto& event = state_.events().add("bad-frame");
        event["bytes"] = betweenMarkers.size();
        event["status"] = static_cast<int>(result.status);
        return;
    }
    host_.handle(std::span<const std::uint8_t>(message.data(), result.length), replies_);
}

void SimConsole::receive(std::span<const std::uint8_t> bytes, double nowMs, std::vector<Transmission>& out) {
    state_.events().setTime(nowMs);
    if (!bytes.empty()) {
        lastInputMs_ = nowMs;
    }
    take(bytes);
    for (Reply& reply : replies_) {
        emit(std::move(reply), out);
    }
    replies_.clear();
}

void SimConsole::take(std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t byte : bytes) {
        if (!hostFrame_.empty()) {
            continueHostFrame(byte);
            continue;
        }
        if (pending_.empty() && byte == trx::frame::kFrameStart) {
            hostFrame_.push_back(byte);
            continue;
        }
        pending_.push_back(byte);
        processPending();
    }
}

void SimConsole::continueHostFrame(std::uint8_t byte) {
    // Start marker, two length bytes (which may be any value), the body, in
    // which the markers never appear plain, and the end marker right behind it.
    hostFrame_.push_back(byte);
    const std::size_t size = hostFrame_.size();
    if (size < 1 + trx::frame::kLengthFieldSize) {
        return;
    }
    const std::size_t bodyLength = (static_cast<std::size_t>(hostFrame_[1]) << 8) | hostFrame_[2];
    const std::size_t frameLength = bodyLength + trx::frame::kFrameOverhead;
    if (size == 1 + trx::frame::kLengthFieldSize) {
        if (bodyLength == 0 || frameLength > trx::frame::kMaxFrameLength) {
            abandonHostFrame();
        }
        return;
    }
    if (size < frameLength) {
        if (byte == trx::frame::kFrameStart || byte == trx::frame::kFrameEnd) {
            abandonHostFrame();
        }
        return;
    }
    if (byte != trx::frame::kFrameEnd) {
        abandonHostFrame();
        return;
    }
    const std::vector<std::uint8_t> frame = std::move(hostFrame_);
    hostFrame_.clear();
    handleHostFrame(std::span<const std::uint8_t>(frame).subspan(1, frame.size() - 2));
}

void SimConsole::abandonHostFrame() {
    // The start marker was a data byte of other traffic (the rest of a frame
    // that was partly lost); the bytes after it are looked at again.
    state_.events().add("not-a-frame")["bytes"] = hostFrame_.size();
    const std::vector<std::uint8_t> rest(hostFrame_.begin() + 1, hostFrame_.end());
    hostFrame_.clear();
    take(rest);
}

void SimConsole::processPending() {
    while (!pending_.empty()) {
        if (pending_[0] == trx::frame::kFrameStart) {
            // What came before was noise; this may start a TRX frame.
            const std::vector<std::uint8_t> rest = std::move(pending_);
            pending_.clear();
            take(rest);
            return;
        }
        std::string command;
        const TextMatch text = matchText(pending_, command);
        if (text == TextMatch::Partial) {
            return;
        }
        if (text == TextMatch::Complete) {
            pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(command.size() + 1));
            bootLoader_.handleText(command, replies_);
            continue;
        }
        const std::size_t frameLength = static_cast<std::size_t>(pending_[0]) + 1;
        const bool plausible = pending_.size() < 2 ? frameLength >= BootLoader::kShortestFrame &&
                                                         frameLength <= BootLoader::kLongestFrame
                                                   : BootLoader::plausibleHeader(pending_[0], pending_[1]);
        if (!plausible) {
            pending_.erase(pending_.begin());  // cannot start a boot-loader frame: line noise
            continue;
        }
        if (pending_.size() < frameLength) {
            return;
        }
        const std::span<const std::uint8_t> frame(pending_.data(), frameLength);
        if (BootLoader::checkByte(frame.first(frameLength - 1)) != frame.back()) {
            state_.events().add("bad-check-byte")["first"] = pending_[0];
            // Resynchronise one byte later; the header test skips quickly
            // over the rest of a spoilt frame.
            pending_.erase(pending_.begin());
            continue;
        }
        bootLoader_.handleFrame(frame, replies_);
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(frameLength));
    }
}

void SimConsole::tick(double nowMs) {
    if ((!pending_.empty() || !hostFrame_.empty()) && nowMs - lastInputMs_ > kStaleInputMs) {
        state_.events().setTime(nowMs);
        state_.events().add("stale-input")["bytes"] = pending_.size() + hostFrame_.size();
        pending_.clear();
        hostFrame_.clear();
    }
}

void SimConsole::emit(Reply reply, std::vector<Transmission>& out) {
    const int number = ++replyCounts_[reply.faultOwner];
    const FaultSwitches& faults = reply.faults;
    const bool droppedEvery = faults.dropEvery > 0 && number % faults.dropEvery == 0;
    if (droppedEvery || number == faults.dropNth) {
        auto& event = state_.events().add("fault");
        event["fault"] = droppedEvery ? "drop-every" : "drop-nth";
        event["reply"] = number;
        return;
    }
    if (faults.corruptEvery > 0 && number % faults.corruptEvery == 0 && !reply.bytes.empty()) {
        // Host messages lose their last payload byte, boot-loader frames their
        // answer code, text its version digits' first character.
        std::size_t at = reply.bytes.size() - 1;
        if (reply.form == Reply::Form::BootLoaderFrame) {
            at = 1;
        } else if (reply.form == Reply::Form::Text) {
            const auto zero = std::find(reply.bytes.begin(), reply.bytes.end(), std::uint8_t{0});
            at = zero != reply.bytes.end() && zero + 1 != reply.bytes.end()
                     ? static_cast<std::size_t>(zero + 1 - reply.bytes.begin())
                     : 0;
        }
        reply.bytes[at] ^= 0xFF;
        auto& event = state_.events().add("fault");
        event["fault"] = "corrupt-every";
        event["reply"] = number;
        event["byte"] = at;
    }
    Transmission transmission;
    transmission.delayMs = faults.delayMs;
    if (reply.form == Reply::Form::HostMessage) {
        std::array<std::uint8_t, trx::frame::kMaxFrameLength> frame{};
        const std::size_t length = trx::frame::packFrame(reply.bytes, frame);
        if (length == 0) {
            state_.events().add("unsendable-reply")["bytes"] = reply.bytes.size();
            return;
        }
        transmission.bytes.assign(frame.begin(), frame.begin() + static_cast<long>(length));
    } else {
        transmission.bytes = std::move(reply.bytes);
    }
    out.push_back(std::move(transmission));
}

bool SimConsole::writeDump(const std::string& directory, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code failure;
    fs::create_directories(directory, failure);
    if (failure) {
        error = "cannot create " + directory + ": " + failure.message();
        return false;
    }
    nlohmann::ordered_json devices = nlohmann::ordered_json::array();
    for (const FlashDevice& device : state_.devices()) {
        // Unit and CPU names come from the unit list: keep them inside the folder.
        std::string file = device.name() + ".bin";
        std::replace_if(
            file.begin(), file.end(), [](char c) { return c == '/' || c == '\\' || c == ':'; }, '_');
        if (file.front() == '.') {
            file.front() = '_';
        }
        std::ofstream out(fs::path(directory) / file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(device.bytes().data()),
                  static_cast<std::streamsize>(device.bytes().size()));
        if (!out) {
            error = "cannot write " + file + " in " + directory;
            return false;
        }
        nlohmann::ordered_json entry;
        entry["file"] = file;
        entry["base"] = device.base();
        entry["size"] = device.size();
        entry["checksum"] = device.windowChecksum();
        nlohmann::ordered_json cpus = nlohmann::ordered_json::array();
        for (const CpuSlot& slot : state_.cpusOf(&device)) {
            cpus.push_back(state_.cpuLabel(slot));
        }
        entry["cpus"] = cpus;
        devices.push_back(entry);
    }
    nlohmann::ordered_json console;
    console["connectionPoint"] = state_.description().connectionPoint;
    console["bootMode"] = state_.bootMode;
    nlohmann::ordered_json units = nlohmann::ordered_json::object();
    for (const SimUnit& unit : state_.description().units) {
        nlohmann::ordered_json entry;
        entry["type"] = unit.type;
        entry["versionWord"] = unit.versionWord;
        nlohmann::ordered_json cpus = nlohmann::ordered_json::object();
        for (const SimCpu& cpu : unit.cpus) {
            cpus[cpu.name] = {
                {"bus", cpu.busAddress}, {"idByte", cpu.idByte}, {"versionWord", cpu.versionWord}};
        }
        entry["cpus"] = cpus;
        units[unit.name] = entry;
    }
    console["units"] = units;

    const std::pair<const char*, nlohmann::ordered_json*> files[] = {{"flash.json", &devices},
                                                                     {"console.json", &console}};
    for (const auto& [name, json] : files) {
        std::ofstream out(fs::path(directory) / name);
        out << json->dump(2) << "\n";
        if (!out) {
            error = std::string("cannot write ") + name + " in " + directory;
            return false;
        }
    }
    std::ofstream events(fs::path(directory) / "events.json");
    events << state_.events().toJson().dump(1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    if (!events) {
        error = "cannot write events.json in " + directory;
        return false;
    }
    return true;
}

}  // namespace sim
