// Fuzz target: bytes from an editor through the language server's message reader, in chunks of
// the sizes the first byte picks, and every message it frames through the server (which reads
// no disk here). Whatever arrives, each framed body reframes to itself, and every reply is one
// JSON object.
#include "FuzzSupport.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/LanguageServer.h"
#include "tools/LspMessageReader.h"

namespace {
const LanguageServerNames& names() {
    static const LanguageServerNames n = [] {
        LanguageServerNames out;
        out.check.names = {"KEYBOARD_A", "print"};
        out.check.functions = {{"REALPOINT", "() or (n x, n y) -> REALPOINT"}};
        out.check.objects["Video"] = {{"setColour", "(c) or (n r, n g, n b) -> nothing"}};
        out.check.objects["EntityManager"] = {{"createEntity", "() or (s type name) -> ENTITY"}};
        out.globals = {
            {"EntityManager", EngineName::Kind::Object, "ENTITYMANAGER", "entities"},
            {"KEYBOARD_A", EngineName::Kind::Constant, "65", ""},
            {"REALPOINT", EngineName::Kind::Constructor, "() or (n x, n y) -> REALPOINT", "a point"},
            {"Video", EngineName::Kind::Object, "VIDEO", "drawing"}};
        out.objectMethods["Video"] = {
            {"setColour", EngineName::Kind::Method, "(c) or (n r, n g, n b) -> nothing", "colour"}};
        out.typeMethods["ENTITY"] = {{"getHP", EngineName::Kind::Method, "() -> float", "hit points"}};
        out.callbacks = {{"update", EngineName::Kind::Method, "", "each tick"}};
        return out;
    }();
    return n;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // Chunks of 1 to 64 bytes: the reader must not care where reads end.
    const size_t chunk = (data[0] & 63) + 1;
    const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);

    LanguageServer server(
        names(),
        [](const std::string& reply) {
            const nlohmann::json parsed = nlohmann::json::parse(reply, nullptr, false);
            fuzzCheck(!parsed.is_discarded() && parsed.is_object(), "a reply is not a JSON object");
        },
        LanguageServerOptions{.readDisk = false});
    // A small limit, so that the over-long path runs on small inputs too.
    LspMessageReader reader(1024);
    for (size_t at = 0; at < input.size() && !server.isExiting(); at += chunk) {
        reader.feed(input.data() + at, std::min(chunk, input.size() - at));
        std::string body, error;
        for (;;) {
            const LspMessageReader::Result result = reader.next(body, error);
            if (result == LspMessageReader::Result::NeedMore)
                break;
            if (result == LspMessageReader::Result::Error) {
                fuzzCheck(!error.empty(), "an error without a reason");
                server.reportFramingError(error);
                continue;
            }
            fuzzCheck(body.size() <= 1024, "a body over the limit was framed");
            LspMessageReader again;
            const std::string framed = lspFrame(body);
            again.feed(framed.data(), framed.size());
            std::string same, ignored;
            fuzzCheck(again.next(same, ignored) == LspMessageReader::Result::Message && same == body,
                      "a framed body does not read back as itself");
            server.handle(body);
        }
        server.publishPendingDiagnostics();
    }
    return 0;
}
