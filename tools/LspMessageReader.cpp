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

LspMessageReader::Result LspMessageReader::fail(std::string& error, std::string reason, size_t resumeAt) {
    error = std::move(reason);
    start_ = std::min(resumeAt, buffer_.size());
    resyncing_ = true;
    resync();
    return Result::Error;
}

bool LspMessageReader::resync() {
    const size_t next = findContentLength(buffer_, start_);
    if (next != std::string::npos) {
        start_ = next;
        resyncing_ = false;
        compact();
        return true;
    }
    // Keep the longest tail that may be the start of the next header's name.
    static const char kName[] = "content-length";
    size_t keep = std::min(buffer_.size() - start_, sizeof(kName) - 2);
    for (; keep > 0; --keep) {
        size_t i = 0;
        while (i < keep &&
               std::tolower(static_cast<unsigned char>(buffer_[buffer_.size() - keep + i])) == kName[i])
            ++i;
        if (i == keep)
            break;
    }
    start_ = buffer_.size() - keep;
    compact();
    return false;
}

LspMessageReader::Result LspMessageReader::next(std::string& body, std::string& error) {
    if (skipping_ > 0 || (resyncing_ && !resync()))
        return Result::NeedMore;
    // Blank lines between messages carry nothing.
    while (start_ < buffer_.size() && (buffer_[start_] == '\r' || buffer_[start_] == '\n')) ++start_;
    // The header block ends at the first empty line ("\r\n\r\n", or bare "\n"s).
    size_t blockEnd = std::string::npos;
    for (size_t at = buffer_.find('\n', start_); at != std::string::npos; at = buffer_.find('\n', at + 1)) {
        size_t next = at + 1;
        if (next < buffer_.size() && buffer_[next] == '\r')
            ++next;
        if (next < buffer_.size() && buffer_[next] == '\n') {
            blockEnd = next + 1;
            break;
        }
        if (at - start_ > kMaxHeaderBytes)
            break;
    }
    const std::string tooLong = "the header is longer than " + std::to_string(kMaxHeaderBytes) + " bytes";
    if (blockEnd == std::string::npos) {
        if (buffer_.size() - start_ > kMaxHeaderBytes)
            return fail(error, tooLong, start_ + 1);
        return Result::NeedMore;
    }
    if (blockEnd - start_ > kMaxHeaderBytes)
        return fail(error, tooLong, blockEnd);

    bool haveLength = false;
    size_t length = 0;
    for (size_t at = start_; at < blockEnd;) {
        const size_t newline = buffer_.find('\n', at);
        std::string line = buffer_.substr(at, newline - at);
        at = newline + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        const size_t colon = line.find(':');
        if (colon == std::string::npos)
            return fail(error, "a header line without ':'", blockEnd);
        const std::string name = trimmed(line.substr(0, colon));
        const std::string value = trimmed(line.substr(colon + 1));
        if (!equalsIgnoringCase(name, "Content-Length"))
            continue;  // Content-Type and any other field: the body is read as UTF-8 JSON anyway
        // Twenty digits overflow 64 bits; no body that size is kept anyway.
        if (value.empty() || value.size() > 19 ||
            !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return fail(error, "the Content-Length \"" + value.substr(0, 40) + "\" is not a number",
                        blockEnd);
        const size_t parsed = std::stoull(value);
        if (haveLength && parsed != length)
            return fail(error, "two different Content-Length headers", blockEnd);
        haveLength = true;
        length = parsed;
    }
    if (!haveLength)
        return fail(error, "a header without Content-Length", blockEnd);
    if (length > maxBody_) {
        const size_t held = std::min(buffer_.size() - blockEnd, length);
        start_ = blockEnd + held;
        skipping_ = length - held;
        compact();
        error = "a message of " + std::to_string(length) + " bytes is over the limit of " +
                std::to_string(maxBody_) + " bytes";
        return Result::Error;
    }
    if (buffer_.size() - blockEnd < length)
        return Result::NeedMore;
    body.assign(buffer_, blockEnd, length);
    start_ = blockEnd + length;
    compact();
    return Result::Message;
}

std::string lspFrame(const std::string& body) {
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}
