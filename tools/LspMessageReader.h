// The language server's framing: each message is a header block ("Content-Length: N", other fields
// ignored, each line ended by "\r\n", the block by an empty line) and N bytes of JSON. The reader
// takes bytes as they arrive and hands out whole bodies; it never trusts the sender.
#pragma once

#include <cstddef>
#include <string>

class LspMessageReader {
  public:
    // A body past [maxBodyBytes] is skipped (reported as an error) rather than buffered.
    static constexpr size_t kDefaultMaxBodyBytes = size_t{64} << 20;
    // A header block that does not end within this many bytes is malformed: real ones are short.
    static constexpr size_t kMaxHeaderBytes = 8192;

    explicit LspMessageReader(size_t maxBodyBytes = kDefaultMaxBodyBytes) : maxBody_(maxBodyBytes) {}

    void feed(const char* data, size_t size);

    enum class Result { Message, NeedMore, Error };
    // The next whole message's body ([body]), NeedMore until one has arrived, or Error with the
    // reason in [error]. After an error the reader drops bytes up to the next "Content-Length"
    // header (reporting no more errors until it finds one), so one damaged message costs only
    // itself and one error; calling next again goes on from there.
    Result next(std::string& body, std::string& error);

    // True while bytes of an unfinished message are held (or a skipped body is still arriving).
    bool isPartial() const { return buffer_.size() > start_ || skipping_ > 0; }

  private:
    // Reports [reason] and looks for the next header from [resumeAt].
    Result fail(std::string& error, std::string reason, size_t resumeAt);
    // Moves to the next "Content-Length" held; false (keeping only a tail that may begin one) when
    // none has arrived yet.
    bool resync();
    void compact();

    std::string buffer_;
    size_t start_ = 0;        // the first byte not yet consumed
    size_t skipping_ = 0;     // bytes of an over-long body still to drop
    bool resyncing_ = false;  // after an error, until the next header is found
    size_t maxBody_;
};

// [body] framed for the wire: "Content-Length: N\r\n\r\n" and the body.
std::string lspFrame(const std::string& body);
