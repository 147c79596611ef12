#include "tools/LspMessageReader.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool equalsIgnoringCase(const std::string& a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// The first "Content-Length" (any case) in [text] at or after [from], or npos.
size_t findContentLength(const std::string& text, size_t from) {
    static const char kName[] = "content-length";
    const size_t n = sizeof(kName) - 1;
    for (size_t at = from; at + n <= text.size(); ++at) {
        size_t i = 0;
        while (i < n && std::tolower(static_cast<unsigned char>(text[at + i])) == kName[i]) ++i;
        if (i == n)
            return at;
    }
    return std::string::npos;
}

}  // namespace

void LspMessageReader::feed(const char* data, size_t size) {
    if (skipping_ > 0) {
        const size_t dropped = std::min(skipping_, size);
        skipping_ -= dropped;
        data += dropped;
        size -= dropped;
    }
    buffer_.append(data, size);
}

void LspMessageReader::compact() {
    // Consumed bytes are dropped in bulk, so a stream of small messages does not move the buffer
    // at every one.
    if (start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    } else if (start_ > (size_t{1} << 16) && start_ > buffer_.size() / 2) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
}

LspMessageReader::Result LspMessageReader::fail(std::string& error, std::string reason) {
    error = std::move(reason);
    const size_t next = findContentLength(buffer_, start_ + 1);
    if (next != std::string::npos) {
        start_ = next;
    } else {
        // Keep a tail that may be the start of the next header's name.
        const size_t keep = std::min(buffer_.size() - start_, std::strlen("Content-Length") - 1);
        start_ = buffer_.size() - keep;
    }
    compact();
    return Result::Error;
}

LspMessageReader::Result LspMessageReader::next(std::string& body, std::string& error) {
    if (skipping_ > 0)
        return Result::NeedMore;
    size_t at = start_;
    bool haveLength = false;
    size_t length = 0;
    bool sawField = false;
    for (;;) {
        const size_t newline = buffer_.find('\n', at);
        if (newline == std::string::npos) {
            if (buffer_.size() - start_ > kMaxHeaderBytes)
                return fail(error, "the header is longer than " + std::to_string(kMaxHeaderBytes) + " bytes");
            return Result::NeedMore;
        }
        if (newline - start_ > kMaxHeaderBytes)
            return fail(error, "the header is longer than " + std::to_string(kMaxHeaderBytes) + " bytes");
        std::string line = buffer_.substr(at, newline - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        at = newline + 1;
        if (line.empty()) {
            if (sawField)
                break;
            start_ = at;  // blank lines between messages carry nothing
            continue;
        }
        sawField = true;
        const size_t colon = line.find(':');
        if (colon == std::string::npos)
            return fail(error, "a header line without ':'");
        const std::string name = trimmed(line.substr(0, colon));
        const std::string value = trimmed(line.substr(colon + 1));
        if (!equalsIgnoringCase(name, "Content-Length"))
            continue;  // Content-Type and any other field: the body is read as UTF-8 JSON anyway
        // Twenty digits overflow 64 bits; no body that size is kept anyway.
        if (value.empty() || value.size() > 19 ||
            !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return fail(error, "the Content-Length \"" + value.substr(0, 40) + "\" is not a number");
        const size_t parsed = std::stoull(value);
        if (haveLength && parsed != length)
            return fail(error, "two different Content-Length headers");
        haveLength = true;
        length = parsed;
    }
    if (!haveLength)
        return fail(error, "a header without Content-Length");
    if (length > maxBody_) {
        start_ = at;
        const size_t held = std::min(buffer_.size() - start_, length);
        start_ += held;
        skipping_ = length - held;
        compact();
        error = "a message of " + std::to_string(length) + " bytes is over the limit of " +
                std::to_string(maxBody_) + " bytes";
        return Result::Error;
    }
    if (buffer_.size() - at < length)
        return Result::NeedMore;
    body.assign(buffer_, at, length);
    start_ = at + length;
    compact();
    return Result::Message;
}

std::string lspFrame(const std::string& body) {
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}
