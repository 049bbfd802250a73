#include "core/PortNotes.h"

namespace core {

namespace {

void appendWord(std::string& text, const std::string& word) {
    if (!word.empty()) {
        text += (text.empty() ? "" : " ") + word;
    }
}

}  // namespace

std::string PortNotes::label(const platform::PortDescription& description, std::size_t maxLength) {
    std::string text = description.friendlyName;
    if (text.empty()) {
        appendWord(text, description.manufacturer);
        appendWord(text, description.product);
        if (text.empty() && !description.usbVendorId.empty()) {
            text = "USB " + description.usbVendorId + ":" + description.usbProductId;
        }
        appendWord(text, description.serialNumber);
    }
    if (text.size() > maxLength) {
        // Cut on a character boundary of the UTF-8 text, and say that it was cut.
        std::size_t end = maxLength >= 3 ? maxLength - 3 : 0;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
            --end;
        }
        while (end > 0 && text[end - 1] == ' ') {
            --end;
        }
        text = text.substr(0, end) + (maxLength >= 3 ? "..." : "");
    }
    return text;
}

std::string PortNotes::latencyWarning(const platform::PortDescription& description) {
    if (!description.latencyTimerFixed || !description.latencyTimerMs ||
        *description.latencyTimerMs <= kLongestGoodLatencyMs) {
        return {};
    }
    return description.port + ": the adapter's latency timer is " +
           std::to_string(*description.latencyTimerMs) +
           " ms: a write can take twice as long; set it to 1 ms in Device Manager \u25b8 Port Settings "
           "\u25b8 "
           "Advanced";
}

}  // namespace core
