// `tact-script lsp` as an editor sees it, over its pipes: the time from sending a change of the
// demo's largest script to its diagnostics arriving, and from a completion request to its answer
// (after "Video." and at the start of a statement, where every global is offered). Real time: the
// work is done in the server's process.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "tools/LspMessageReader.h"

namespace fs = std::filesystem;
using json = nlohmann::json;

namespace {

class ServerProcess {
  public:
    ServerProcess() {
        int toServer[2], fromServer[2];
        if (pipe(toServer) != 0 || pipe(fromServer) != 0)
            std::abort();
        pid_ = fork();
        if (pid_ == 0) {
            dup2(toServer[0], 0);
            dup2(fromServer[1], 1);
            close(toServer[1]);
            close(fromServer[0]);
            execl(TACT_SCRIPT, "tact-script", "lsp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(toServer[0]);
        close(fromServer[1]);
        in_ = toServer[1];
        out_ = fromServer[0];
    }
    ~ServerProcess() {
        close(in_);
        close(out_);
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }

    void send(const json& message) {
        const std::string framed = lspFrame(message.dump());
        for (size_t done = 0; done < framed.size();) {
            const ssize_t n = write(in_, framed.data() + done, framed.size() - done);
            if (n <= 0)
                std::abort();
            done += static_cast<size_t>(n);
        }
    }
    json next() {
        std::string body, error;
        char buffer[1 << 16];
        while (reader_.next(body, error) != LspMessageReader::Result::Message) {
            const ssize_t n = read(out_, buffer, sizeof(buffer));
            if (n <= 0) {
                std::fprintf(stderr, "the server stopped\n");
                std::abort();
            }
            reader_.feed(buffer, static_cast<size_t>(n));
        }
        return json::parse(body);
    }
    json response(int id) {
        for (;;) {
            json message = next();
            if (message.contains("id") && message["id"] == id)
                return message;
        }
    }
    json diagnostics(const std::string& uri, int version) {
        for (;;) {
            json message = next();
            if (message.value("method", "") == "textDocument/publishDiagnostics" &&
                message["params"]["uri"] == uri && message["params"].value("version", -1) == version)
                return message["params"]["diagnostics"];
        }
    }

  private:
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
    LspMessageReader reader_;
};

// The server with the demo's largest script open.
struct Session {
    ServerProcess server;
    std::string uri;
    std::string text;
    int version = 1;
    int id = 1;

    Session() {
        fs::path largest;
        for (const auto& entry : fs::directory_iterator(TACT_DEMO_DIR)) {
            if (entry.path().extension() == ".gm" &&
                (largest.empty() || entry.file_size() > fs::file_size(largest)))
                largest = entry.path();
        }
        std::ifstream file(largest);
        std::ostringstream contents;
        contents << file.rdbuf();
        text = contents.str();
        uri = "file://" + largest.string();
        server.send(
            {{"jsonrpc", "2.0"},
             {"id", id},
             {"method", "initialize"},
             {"params",
              {{"rootUri", std::string("file://") + TACT_DEMO_DIR}, {"capabilities", json::object()}}}});
        server.response(id++);
        server.send({{"jsonrpc", "2.0"},
                     {"method", "textDocument/didOpen"},
                     {"params",
                      {{"textDocument",
                        {{"uri", uri}, {"languageId", "gm"}, {"version", version}, {"text", text}}}}}});
        server.diagnostics(uri, version);
        std::fprintf(stderr, "language server bench: %s, %zu bytes\n", largest.filename().c_str(),
                     text.size());
    }

    json complete(int line, int character) {
        server.send(
            {{"jsonrpc", "2.0"},
             {"id", id},
             {"method", "textDocument/completion"},
             {"params",
              {{"textDocument", {{"uri", uri}}}, {"position", {{"line", line}, {"character", character}}}}}});
        return server.response(id++);
    }
};

Session& session() {
    static Session s;
    return s;
}

// A keystroke: the script with one character more or less at its end, as the editor sends it.
void BM_DiagnosticsAfterChange(benchmark::State& state) {
    Session& s = session();
    for (auto _ : state) {
        ++s.version;
        const std::string changed = s.version % 2 == 0 ? s.text + " " : s.text;
        s.server.send({{"jsonrpc", "2.0"},
                       {"method", "textDocument/didChange"},
                       {"params",
                        {{"textDocument", {{"uri", s.uri}, {"version", s.version}}},
                         {"contentChanges", {{{"text", changed}}}}}}});
        benchmark::DoNotOptimize(s.server.diagnostics(s.uri, s.version));
    }
}
BENCHMARK(BM_DiagnosticsAfterChange)->Unit(benchmark::kMillisecond)->UseRealTime();

// Where "Video." first stands, the cursor after its dot.
void BM_CompletionAfterVideoDot(benchmark::State& state) {
    Session& s = session();
    const size_t at = s.text.find("Video.");
    const int line =
        static_cast<int>(std::count(s.text.begin(), s.text.begin() + static_cast<long>(at), '\n'));
    const int character = static_cast<int>(at - (s.text.rfind('\n', at) + 1)) + 6;
    size_t items = 0;
    for (auto _ : state) items = s.complete(line, character)["result"].size();
    state.counters["items"] = static_cast<double>(items);
}
BENCHMARK(BM_CompletionAfterVideoDot)->Unit(benchmark::kMillisecond)->UseRealTime();

// The first column of the second line: every global, keyword and folder name is offered.
void BM_CompletionEveryGlobal(benchmark::State& state) {
    Session& s = session();
    size_t items = 0;
    for (auto _ : state) items = s.complete(1, 0)["result"].size();
    state.counters["items"] = static_cast<double>(items);
}
BENCHMARK(BM_CompletionEveryGlobal)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
