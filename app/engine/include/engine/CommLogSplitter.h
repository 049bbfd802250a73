#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace engine::commlog {

// Cuts a log that arrives in pieces of any size into its lines, so that a
// file of any length is read with a fixed amount of memory: a line that
// lies whole inside a piece is handed on where it lies; only a line that
// runs across pieces is collected, up to kMaxLineLength. A longer line is
// skipped and reported once with its length. Lines end with LF; a CR before
// it is dropped.
class LogLineSplitter {
  public:
    // Far longer than any line the library writes (a full entry is under 1600 characters).
    static constexpr std::size_t kMaxLineLength = 64 * 1024;

    struct Line {
        std::string_view text;      // without its line end; empty when tooLong
        std::uint64_t number = 0;   // 1 for the first line
        std::uint64_t length = 0;   // characters before the line end
        bool tooLong = false;       // longer than kMaxLineLength: text is not kept
        bool unterminated = false;  // the last line of the input, without a line end
    };

    LogLineSplitter() { carry_.reserve(kMaxLineLength); }

    template <typename OnLine>
    void feed(std::span<const char> piece, OnLine&& onLine) {
        const char* at = piece.data();
        const char* const end = at + piece.size();
        while (at < end) {
            const char* newline =
                static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
            const char* lineEnd = newline != nullptr ? newline : end;
            const std::size_t part = static_cast<std::size_t>(lineEnd - at);
            if (newline == nullptr) {
                keep(at, part);
                return;
            }
            if (skipping_ || !carry_.empty()) {
                keep(at, part);
                deliverKept(false, onLine);
            } else {
                deliver(std::string_view(at, part), part, false, onLine);
            }
            at = newline + 1;
        }
    }

    // The end of the input: a last line without a line end is handed on too.
    template <typename OnLine>
    void finish(OnLine&& onLine) {
        if (skipping_ || !carry_.empty()) {
            deliverKept(true, onLine);
        }
    }

    std::uint64_t lines() const { return lineNumber_; }

  private:
    void keep(const char* text, std::size_t size) {
        pendingLength_ += size;
        if (size != 0) {
            endsWithReturn_ = text[size - 1] == '\r';
        }
        if (skipping_) {
            return;
        }
        if (carry_.size() + size > kMaxLineLength + 1) {
            // One character of room for the CR that may end it.
            skipping_ = true;
            carry_.clear();
            return;
        }
        carry_.append(text, size);
    }

    template <typename OnLine>
    void deliverKept(bool unterminated, OnLine&& onLine) {
        const std::uint64_t length = pendingLength_;
        if (skipping_) {
            Line line;
            line.number = ++lineNumber_;
            line.length = endsWithReturn_ ? length - 1 : length;
            line.tooLong = true;
            line.unterminated = unterminated;
            onLine(line);
        } else {
            deliver(std::string_view(carry_), static_cast<std::size_t>(length), unterminated, onLine);
        }
        carry_.clear();
        skipping_ = false;
        endsWithReturn_ = false;
        pendingLength_ = 0;
    }

    template <typename OnLine>
    void deliver(std::string_view text, std::uint64_t length, bool unterminated, OnLine&& onLine) {
        if (!text.empty() && text.back() == '\r') {
            text.remove_suffix(1);
            --length;
        }
        Line line;
        line.number = ++lineNumber_;
        line.length = length;
        line.unterminated = unterminated;
        if (length > kMaxLineLength) {
            line.tooLong = true;
        } else {
            line.text = text;
        }
        onLine(line);
    }

    std::string carry_;
    bool skipping_ = false;
    bool endsWithReturn_ = false;
    std::uint64_t pendingLength_ = 0;
    std::uint64_t lineNumber_ = 0;
};

}  // namespace engine::commlog
