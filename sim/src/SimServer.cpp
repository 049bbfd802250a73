#include "sim/SimServer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iostream>

namespace sim {

namespace {
constexpr double kNever = 1e18;
// Longest wait of one loop pass, so that stop requests and stale input are seen.
constexpr double kLongestWaitMs = 50;
// Paced traffic moves in slices of about this much line time, in both
// directions: often enough to look like a line, rarely enough not to spin.
constexpr double kSliceMs = 4;
// On a paced line the last stretch before a due time is waited out actively.
constexpr double kPacedSpinMs = 0.3;
}  // namespace

SimServer::SimServer(SimConsole& console, ServerOptions options)
    : console_(console), options_(std::move(options)), start_(Clock::now()) {}

double SimServer::nowMs() const {
    return std::chrono::duration<double, std::milli>(Clock::now() - start_).count();
}

namespace {
std::size_t sliceBytes(double byteTime) {
    return std::max<std::size_t>(1, static_cast<std::size_t>(kSliceMs / byteTime));
}
}  // namespace

double SimServer::byteTimeMs() const {
    return options_.paceBaud > 0 ? terminal_.bitsPerByte() * 1000.0 / static_cast<double>(options_.paceBaud)
                                 : 0;
}

bool SimServer::open(std::string& error) {
    if (const platform::Result<void> opened = terminal_.open(); !opened) {
        error = opened.error().text();
        return false;
    }
    if (!options_.linkPath.empty()) {
        if (const platform::Result<void> linked = terminal_.createLink(options_.linkPath); !linked) {
            error = "cannot link " + options_.linkPath + ": " + linked.error().text();
            return false;
        }
    }
    start_ = Clock::now();
    auto& event = console_.events().add("start");
    event["port"] = terminal_.slavePath();
    if (options_.paceBaud > 0) {
        event["pace"] = options_.paceBaud;
    }
    return true;
}

void SimServer::schedule(std::vector<Transmission>& transmissions, double now) {
    for (Transmission& transmission : transmissions) {
        Scheduled item;
        item.dueMs = now + transmission.delayMs;
        item.bytes = std::move(transmission.bytes);
        // Keep the queue in due order; equal times keep their order.
        const auto at =
            std::upper_bound(outgoing_.begin(), outgoing_.end(), item.dueMs,
                             [](double due, const Scheduled& other) { return due < other.dueMs; });
        outgoing_.insert(at, std::move(item));
    }
    transmissions.clear();
}

platform::Result<void> SimServer::sendDue(double now, double& nextDueMs) {
    nextDueMs = kNever;
    const double byteTime = byteTimeMs();
    while (!outgoing_.empty()) {
        Scheduled& head = outgoing_.front();
        if (head.dueMs > now) {
            nextDueMs = head.dueMs;
            return {};
        }
        if (byteTime <= 0) {
            if (platform::Result<void> written = terminal_.writeAll(head.bytes.data(), head.bytes.size());
                !written) {
                return written;
            }
            outgoing_.pop_front();
            continue;
        }
        // A slice leaves the line only once its last byte would have arrived.
        const std::size_t count = std::min(sliceBytes(byteTime), head.bytes.size() - head.sent);
        const double lineStart = std::max(outputLineFreeMs_, head.dueMs);
        const double arrival = lineStart + static_cast<double>(count) * byteTime;
        if (arrival > now) {
            nextDueMs = arrival;
            return {};
        }
        if (platform::Result<void> written = terminal_.writeAll(head.bytes.data() + head.sent, count);
            !written) {
            return written;
        }
        outputLineFreeMs_ = arrival;
        head.sent += count;
        if (head.sent == head.bytes.size()) {
            outgoing_.pop_front();
        }
    }
    return {};
}

void SimServer::reportEvents() {
    if (!options_.verbose) {
        reportedEvents_ = console_.events().events().size();
        return;
    }
    const auto& events = console_.events().events();
    for (; reportedEvents_ < events.size(); ++reportedEvents_) {
        // Names in events come from description files: bytes that are not UTF-8 become U+FFFD.
        std::cerr << "qx7a-sim: "
                  << events[reportedEvents_].dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
                  << "\n";
    }
}

void SimServer::readLine() {
    std::array<std::uint8_t, 4096> buffer{};
    std::vector<Transmission> transmissions;
    // Once the stop has come, what the host had already written is still
    // taken, without waiting: those bytes were on the line before the stop.
    // A host that keeps writing cannot hold the stop up: this many reads at most.
    constexpr int kReadsAfterStop = 16;
    int readsAfterStop = 0;
    for (;;) {
        const bool stopping = stopReading_.load();
        if (stopping && ++readsAfterStop > kReadsAfterStop) {
            return;
        }
        const platform::Result<std::size_t> count =
            terminal_.readSome(buffer.data(), buffer.size(), stopping ? 0 : static_cast<int>(kLongestWaitMs));
        if (count == 0u) {
            if (stopping) {
                return;
            }
            continue;
        }
        const std::lock_guard<std::mutex> guard(lock_);
        if (!count) {
            lineError_ = "reading the line failed: " + count.error().text();
            wakeServer_.notify_one();
            return;
        }
        const double now = nowMs();
        const std::span<const std::uint8_t> bytes(buffer.data(), *count);
        const double byteTime = byteTimeMs();
        if (byteTime > 0) {
            // Paced input reaches the console no faster than the line carries
            // it, byte after byte, behind what is still on the line.
            Arrival arrival;
            arrival.lineStartMs = std::max(inputLineFreeMs_, now);
            arrival.byteMs = byteTime;
            arrival.bytes.assign(bytes.begin(), bytes.end());
            inputLineFreeMs_ = arrival.arrivalOf(arrival.bytes.size());
            incoming_.push_back(std::move(arrival));
        } else {
            console_.receive(bytes, now, transmissions);
            schedule(transmissions, now);
            double nextDue = kNever;
            if (const platform::Result<void> sent = sendDue(now, nextDue); !sent) {
                lineError_ = "writing the line failed: " + sent.error().text();
                wakeServer_.notify_one();
                return;
            }
            reportEvents();
        }
        wakeServer_.notify_one();
    }
}

double SimServer::deliverArrived(double now, std::vector<Transmission>& transmissions) {
    while (!incoming_.empty()) {
        Arrival& head = incoming_.front();
        const std::size_t nextSliceEnd =
            head.delivered + std::min(sliceBytes(head.byteMs), head.bytes.size() - head.delivered);
        const double nextSliceMs = head.arrivalOf(nextSliceEnd);
        if (nextSliceMs > now) {
            return nextSliceMs;
        }
        // Everything that has arrived by now goes to the console, each byte
        // stamped with its own arrival: an answer leaves when the request has
        // arrived on the modelled line, however late this thread woke up, and
        // unfinished input ages from its newest byte.
        const auto carried = static_cast<std::size_t>((now - head.lineStartMs) / head.byteMs);
        const std::size_t upTo = std::clamp(carried, nextSliceEnd, head.bytes.size());
        for (std::size_t at = head.delivered; at < upTo; ++at) {
            const double arrived = head.arrivalOf(at + 1);
            console_.receive(std::span<const std::uint8_t>(head.bytes).subspan(at, 1), arrived,
                             transmissions);
            schedule(transmissions, arrived);
        }
        head.delivered = upTo;
        if (head.delivered == head.bytes.size()) {
            incoming_.pop_front();
        }
    }
    return kNever;
}

bool SimServer::run(const std::function<bool()>& stopRequested, std::string& error) {
    std::vector<Transmission> transmissions;
    const double lifetimeMs = options_.lifetimeSeconds > 0 ? options_.lifetimeSeconds * 1000 : kNever;
    stopReading_ = false;
    std::thread reader([this] { readLine(); });
    std::unique_lock<std::mutex> guard(lock_);
    while (!stopRequested() && lineError_.empty()) {
        const double now = nowMs();
        if (now >= lifetimeMs) {
            break;
        }
        const double nextInput = deliverArrived(now, transmissions);
        console_.tick(now);
        double nextOutput = kNever;
        if (const platform::Result<void> sent = sendDue(now, nextOutput); !sent) {
            lineError_ = "writing the line failed: " + sent.error().text();
            break;
        }
        reportEvents();
        const double wake = std::min({nextOutput, nextInput, lifetimeMs, now + kLongestWaitMs});
        if (byteTimeMs() > 0 && wake - now <= kPacedSpinMs) {
            // A timed wait would wake too late for a paced line; the reader
            // may work meanwhile.
            guard.unlock();
            while (nowMs() < wake && !stopRequested()) {
                std::this_thread::yield();
            }
            guard.lock();
        } else {
            const double waitMs = byteTimeMs() > 0 ? wake - now - kPacedSpinMs : wake - now;
            wakeServer_.wait_for(guard, std::chrono::duration<double, std::milli>(std::max(0.0, waitMs)));
        }
    }
    error = lineError_;
    guard.unlock();
    stopReading_ = true;
    reader.join();
    if (error.empty()) {
        // Bytes that were already on the paced line when the stop came reach
        // the console as they would on a real line; it answers no more.
        deliverArrived(inputLineFreeMs_ + 1, transmissions);
    }

    console_.events().setTime(nowMs());
    console_.events().add("stop");
    reportEvents();
    if (!options_.dumpDirectory.empty()) {
        std::string dumpError;
        if (!console_.writeDump(options_.dumpDirectory, dumpError)) {
            error = error.empty() ? dumpError : error + "; " + dumpError;
            return false;
        }
    }
    return error.empty();
}

}  // namespace sim
