#include "tools/LanguageServer.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <system_error>

#include <nlohmann/json.hpp>

#include "tools/LspMessageReader.h"
#include "tools/ScriptOutline.h"

namespace fs = std::filesystem;
using json = nlohmann::json;

namespace {

// The protocol's error codes.
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kInternalError = -32603;
constexpr int kServerNotInitialized = -32002;

// A game folder is walked at most this far, so that a file opened outside any game (a home
// folder's script) does not make the server read a whole disk.
constexpr int kMaxFolderEntries = 20000;
constexpr int kMaxFolderDepth = 12;
// Scripts larger than this on disk are left out of a folder's check (open files are always
// checked): no game script is near it, and a stray data file named .gm should not stall typing.
constexpr uintmax_t kMaxDiskScriptBytes = uintmax_t{16} << 20;

// ---- Paths and positions ----------------------------------------------------------------------

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The local path of a "file://" URI (percent escapes decoded), or "" for any other URI.
std::string uriToPath(const std::string& uri) {
    const std::string scheme = "file://";
    if (uri.compare(0, scheme.size(), scheme) != 0)
        return "";
    std::string path;
    size_t at = scheme.size();
    // "file://host/path": only the local host is a path here.
    if (at < uri.size() && uri[at] != '/') {
        const size_t slash = uri.find('/', at);
        if (slash == std::string::npos || uri.compare(at, slash - at, "localhost") != 0)
            return "";
        at = slash;
    }
    for (; at < uri.size(); ++at) {
        if (uri[at] == '%' && at + 2 < uri.size() && hexValue(uri[at + 1]) >= 0 &&
            hexValue(uri[at + 2]) >= 0) {
            path += static_cast<char>(hexValue(uri[at + 1]) * 16 + hexValue(uri[at + 2]));
            at += 2;
        } else if (uri[at] == '?' || uri[at] == '#') {
            break;
        } else {
            path += uri[at];
        }
    }
    if (path.empty() || path[0] != '/' || path.find('\0') != std::string::npos)
        return "";
    return fs::path(path).lexically_normal().generic_string();
}

std::string pathToUri(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char c : path) {
        const unsigned char u = static_cast<unsigned char>(c);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[u >> 4];
            uri += kHex[u & 15];
        }
    }
    return uri;
}

// Positions count UTF-16 code units within a line, as the protocol's default encoding does.
size_t utf8SequenceLength(unsigned char c) {
    return c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xe ? 3 : (c >> 3) == 0x1e ? 4 : 1;
}

struct LineIndex {
    const std::string& text;
    std::vector<size_t> starts;
    explicit LineIndex(const std::string& t) : text(t), starts(scriptLineStarts(t)) {}

    size_t lineEnd(size_t line) const {
        size_t end = line + 1 < starts.size() ? starts[line + 1] - 1 : text.size();
        if (end > starts[line] && text[end - 1] == '\r')
            --end;
        return end;
    }
    // The byte offset of ([line], [character]); positions past a line's end are its end.
    size_t offsetOf(int64_t line, int64_t character) const {
        if (line < 0)
            return 0;
        if (static_cast<size_t>(line) >= starts.size())
            return text.size();
        size_t at = starts[static_cast<size_t>(line)];
        const size_t end = lineEnd(static_cast<size_t>(line));
        int64_t units = 0;
        while (at < end && units < character) {
            const size_t length = utf8SequenceLength(static_cast<unsigned char>(text[at]));
            units += length == 4 ? 2 : 1;
            at = std::min(end, at + length);
        }
        return at;
    }
    json positionOf(size_t offset) const {
        offset = std::min(offset, text.size());
        const size_t line =
            static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin()) - 1;
        int64_t units = 0;
        for (size_t at = starts[line]; at < offset;) {
            const size_t length = utf8SequenceLength(static_cast<unsigned char>(text[at]));
            units += length == 4 ? 2 : 1;
            at += length;
        }
        return {{"line", line}, {"character", units}};
    }
    json rangeOf(size_t from, size_t to) const {
        return {{"start", positionOf(from)}, {"end", positionOf(to)}};
    }
};

// "Ship" is Ship.gm, "enemies_Rock" enemies/Rock.gm, as the engine finds a type's file.
std::string fileOfTypeName(std::string typeName) {
    std::replace(typeName.begin(), typeName.end(), '_', '/');
    return typeName + ".gm";
}

std::string typeNameOfFile(const std::string& file) {
    std::string name = file.substr(0, file.rfind('.'));
    std::replace(name.begin(), name.end(), '/', '_');
    return name;
}

// The engine calls that take a type's name, and those that take a file's.
bool takesTypeName(const std::string& call) {
    return call == "createEntity" || call == "createParticle" || call == "runProcess" ||
           call == "startNewProcessList";
}
bool takesFileName(const std::string& call) {
    return call == "loadScript" || call == "loadSound" || call == "playSound" || call == "loadTexture";
}

// ---- Completion kinds -------------------------------------------------------------------------

// The protocol's CompletionItemKind values.
int completionKind(EngineName::Kind kind) {
    switch (kind) {
        case EngineName::Kind::Object:
            return 9;  // Module
        case EngineName::Kind::Function:
        case EngineName::Kind::Library:
            return 3;  // Function
        case EngineName::Kind::Constructor:
            return 4;  // Constructor
        case EngineName::Kind::Constant:
            return 21;  // Constant
        case EngineName::Kind::Method:
            return 2;  // Method
    }
    return 1;
}

const char* kindWord(EngineName::Kind kind) {
    switch (kind) {
        case EngineName::Kind::Object:
            return "engine object";
        case EngineName::Kind::Function:
            return "engine function";
        case EngineName::Kind::Library:
            return "library function";
        case EngineName::Kind::Constructor:
            return "constructor";
        case EngineName::Kind::Constant:
            return "constant";
        case EngineName::Kind::Method:
            return "method";
    }
    return "";
}

// What a hover shows for an engine name: its forms in a code block, then its description.
std::string engineMarkdown(const std::string& shownName, const EngineName& name) {
    std::string text = "```\n" + shownName;
    if (!name.forms.empty()) {
        const bool value = name.kind == EngineName::Kind::Constant;
        text += (value ? " = " : name.kind == EngineName::Kind::Object ? ": " : " ") + name.forms;
    }
    text += "\n```\n";
    text += name.description.empty() ? std::string(kindWord(name.kind)) : name.description;
    return text;
}

json completionItem(const EngineName& name, const char* sortGroup) {
    json item = {{"label", name.name},
                 {"kind", completionKind(name.kind)},
                 {"sortText", std::string(sortGroup) + name.name}};
    if (!name.forms.empty())
        item["detail"] = name.kind == EngineName::Kind::Constant ? "= " + name.forms : name.forms;
    else
        item["detail"] = kindWord(name.kind);
    if (!name.description.empty())
        item["documentation"] = {{"kind", "markdown"}, {"value", name.description}};
    return item;
}

// Whether [name] could be what [prefix] starts to spell: its letters in order, any case, the
// first one first. Clients filter again; this keeps a list of hundreds of constants short.
bool matchesPrefix(const std::string& name, const std::string& prefix) {
    if (prefix.empty())
        return true;
    if (name.empty() || std::tolower(static_cast<unsigned char>(name[0])) !=
                            std::tolower(static_cast<unsigned char>(prefix[0])))
        return false;
    size_t at = 0;
    for (const char c : name) {
        if (at < prefix.size() && std::tolower(static_cast<unsigned char>(c)) ==
                                      std::tolower(static_cast<unsigned char>(prefix[at])))
            ++at;
    }
    return at == prefix.size();
}

struct InvalidParams : std::runtime_error {
    using std::runtime_error::runtime_error;
};

constexpr const char* kKeywords[] = {"and",     "break",    "continue", "dowhile", "else", "false", "for",
                                     "foreach", "function", "global",   "if",      "in",   "local", "member",
                                     "null",    "or",       "return",   "table",   "this", "true",  "while"};

}  // namespace

// ---- The server -------------------------------------------------------------------------------

class LanguageServer::Impl {
  public:
    Impl(const LanguageServerNames& names, std::function<void(const std::string&)> send,
         LanguageServerOptions options)
        : names_(names), send_(std::move(send)), options_(options) {
        for (const EngineName& name : names_.globals) globals_.emplace(name.name, &name);
    }

    void handle(const std::string& body);
    void reportFramingError(const std::string& reason) {
        sendError(nullptr, kParseError, "Parse error: " + reason);
    }
    void publishPending();
    bool hasPending() const { return !pending_.empty(); }
    bool exiting = false;
    bool shutdown = false;

  private:
    struct Document {
        std::string text;
        std::string path;  // "" for a document with no file ("untitled:...")
        std::string root;  // its game folder, or the URI itself for a document with no file
        int64_t version = 0;
    };
    // One game folder as read for a check or a request: its scripts with the open documents'
    // text, and where each script's URI is.
    struct Snapshot {
        ScriptFolder folder;
        std::map<std::string, std::string> uris;  // script name -> URI
    };
    struct Definition {
        std::string file;  // the script name in its folder
        std::string uri;
        ScriptSymbol symbol;
        std::string lineText;
        json range;
    };
    struct CachedFile {
        fs::file_time_type time;
        uintmax_t size = 0;
        std::string text;
    };

    void send(const json& message) { send_(message.dump(-1, ' ', false, json::error_handler_t::replace)); }
    void sendError(const json& id, int code, const std::string& text) {
        send({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", text}}}});
    }
    void sendResult(const json& id, const json& result) {
        send({{"jsonrpc", "2.0"}, {"id", id}, {"result", result}});
    }

    void dispatch(const std::string& method, const json& message, bool isRequest);
    json initialize(const json& params);
    void didOpen(const json& params);
    void didChange(const json& params);
    void didClose(const json& params);
    json completion(const json& params);
    json hover(const json& params);
    json definition(const json& params);
    json documentSymbols(const json& params);

    Document& documentOf(const json& params);
    std::string gameFolderOf(const std::string& path) const;
    Snapshot snapshotOf(const std::string& root);
    std::vector<Definition> definitionsOf(const Snapshot& snapshot) const;
    void check(const std::string& root);

    const LanguageServerNames& names_;
    std::function<void(const std::string&)> send_;
    LanguageServerOptions options_;
    bool initialized_ = false;
    std::map<std::string, const EngineName*> globals_;
    std::string workspace_;                                   // the client's root folder, or ""
    std::map<std::string, Document> documents_;               // by URI
    std::set<std::string> pending_;                           // folders to check
    std::map<std::string, std::set<std::string>> published_;  // folder -> URIs with diagnostics
    std::map<std::string, CachedFile> cache_;                 // disk scripts by path
    Document unopened_;  // the last file a request named without opening it
};

void LanguageServer::Impl::handle(const std::string& body) {
    json message;
    try {
        message = json::parse(body);
    } catch (const json::parse_error& error) {
        sendError(nullptr, kParseError, std::string("Parse error: ") + error.what());
        return;
    }
    if (!message.is_object()) {
        sendError(nullptr, kInvalidRequest, "Invalid request: a message is a JSON object");
        return;
    }
    const auto id = message.find("id");
    const bool isRequest = id != message.end();
    if (isRequest && !id->is_number_integer() && !id->is_string() && !id->is_null()) {
        sendError(nullptr, kInvalidRequest, "Invalid request: an id is a number or a string");
        return;
    }
    const auto method = message.find("method");
    if (method == message.end() || !method->is_string()) {
        // A response to a request of ours (this server sends none), or nothing at all.
        if (!(isRequest && (message.contains("result") || message.contains("error"))))
            sendError(isRequest ? *id : json(nullptr), kInvalidRequest, "Invalid request: no method");
        return;
    }
    const std::string name = method->get<std::string>();
    if (name == "exit") {
        exiting = true;
        return;
    }
    if (!initialized_ && name != "initialize") {
        if (isRequest)
            sendError(*id, kServerNotInitialized, "the server is not initialized");
        return;
    }
    if (shutdown && isRequest) {
        sendError(*id, kInvalidRequest, "Invalid request: the server is shutting down");
        return;
    }
    try {
        dispatch(name, message, isRequest);
    } catch (const InvalidParams& error) {
        if (isRequest)
            sendError(*id, kInvalidParams, std::string("Invalid params: ") + error.what());
        else
            std::fprintf(stderr, "tact-script lsp: %s: invalid params: %s\n", name.c_str(), error.what());
    } catch (const json::exception& error) {
        if (isRequest)
            sendError(*id, kInvalidParams, std::string("Invalid params: ") + error.what());
        else
            std::fprintf(stderr, "tact-script lsp: %s: invalid params: %s\n", name.c_str(), error.what());
    } catch (const std::exception& error) {
        if (isRequest)
            sendError(*id, kInternalError, std::string("Internal error: ") + error.what());
        else
            std::fprintf(stderr, "tact-script lsp: %s: %s\n", name.c_str(), error.what());
    }
}

void LanguageServer::Impl::dispatch(const std::string& method, const json& message, bool isRequest) {
    static const json kNoParams = json::object();
    const auto found = message.find("params");
    const json& params = found != message.end() ? *found : kNoParams;
    const json id = isRequest ? message.at("id") : json(nullptr);
    if (method == "initialize") {
        sendResult(id, initialize(params));
        initialized_ = true;
    } else if (method == "shutdown") {
        shutdown = true;
        sendResult(id, nullptr);
    } else if (method == "textDocument/didOpen") {
        didOpen(params);
    } else if (method == "textDocument/didChange") {
        didChange(params);
    } else if (method == "textDocument/didSave") {
        pending_.insert(documentOf(params).root);
    } else if (method == "textDocument/didClose") {
        didClose(params);
    } else if (method == "workspace/didChangeWatchedFiles") {
        for (const auto& [uri, document] : documents_) pending_.insert(document.root);
    } else if (method == "textDocument/completion") {
        sendResult(id, completion(params));
    } else if (method == "textDocument/hover") {
        sendResult(id, hover(params));
    } else if (method == "textDocument/definition") {
        sendResult(id, definition(params));
    } else if (method == "textDocument/documentSymbol") {
        sendResult(id, documentSymbols(params));
    } else if (isRequest) {
        sendError(id, kMethodNotFound, "Method not found: " + method);
    }
    // Other notifications ("initialized", "$/cancelRequest", "$/setTrace"...) need nothing.
}

json LanguageServer::Impl::initialize(const json& params) {
    std::string root;
    if (params.contains("rootUri") && params["rootUri"].is_string())
        root = uriToPath(params["rootUri"].get<std::string>());
    else if (params.contains("rootPath") && params["rootPath"].is_string())
        root = fs::path(params["rootPath"].get<std::string>()).lexically_normal().generic_string();
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    workspace_ = root;
    return {{"capabilities",
             {{"textDocumentSync", {{"openClose", true}, {"change", 1}, {"save", {{"includeText", false}}}}},
              {"completionProvider", {{"triggerCharacters", {"."}}, {"resolveProvider", false}}},
              {"hoverProvider", true},
              {"definitionProvider", true},
              {"documentSymbolProvider", true}}},
            {"serverInfo", {{"name", "tact-script lsp"}}}};
}

LanguageServer::Impl::Document& LanguageServer::Impl::documentOf(const json& params) {
    const std::string uri = params.at("textDocument").at("uri").get<std::string>();
    const auto found = documents_.find(uri);
    if (found != documents_.end())
        return found->second;
    // A request on a file the client did not open: read it as it is on disk.
    Document document;
    document.path = uriToPath(uri);
    if (document.path.empty() || !options_.readDisk || !readScriptFile(document.path, document.text))
        throw InvalidParams("the document " + uri + " is not open");
    document.root = gameFolderOf(document.path);
    unopened_ = std::move(document);
    return unopened_;
}

// The nearest folder up from [path] with a Main.gm (or its library): the game the file belongs to.
// Without one, the client's root folder when the file is in it, or else the file's own folder.
std::string LanguageServer::Impl::gameFolderOf(const std::string& path) const {
    const fs::path file(path);
    const fs::path directory = file.parent_path();
    const bool inWorkspace =
        !workspace_.empty() && (path.rfind(workspace_ + "/", 0) == 0 || workspace_ == "/");
    if (options_.readDisk) {
        std::error_code error;
        for (fs::path at = directory;; at = at.parent_path()) {
            if (fs::exists(at / "Main.gm", error) || fs::exists(at / "Main.gmc", error))
                return at.generic_string();
            if ((inWorkspace && at.generic_string() == workspace_) || at == at.parent_path())
                break;
        }
    }
    return inWorkspace ? workspace_ : directory.generic_string();
}

LanguageServer::Impl::Snapshot LanguageServer::Impl::snapshotOf(const std::string& root) {
    Snapshot snapshot;
    std::map<std::string, std::string> texts;
    const bool isFolder = root.rfind('/', 0) == 0;
    if (isFolder && options_.readDisk) {
        std::error_code error;
        fs::recursive_directory_iterator walk(root, fs::directory_options::skip_permission_denied, error);
        int entries = 0;
        for (const fs::recursive_directory_iterator end; !error && walk != end && entries < kMaxFolderEntries;
             walk.increment(error)) {
            ++entries;
            const fs::path& path = walk->path();
            std::error_code typeError;
            if (path.filename().string().rfind('.', 0) == 0 || walk.depth() >= kMaxFolderDepth) {
                if (walk->is_directory(typeError))
                    walk.disable_recursion_pending();
                continue;
            }
            if (!walk->is_regular_file(typeError))
                continue;
            const std::string name = path.lexically_relative(root).generic_string();
            snapshot.folder.files.insert(name);
            if (path.extension() != ".gm")
                continue;
            const uintmax_t size = walk->file_size(typeError);
            const fs::file_time_type time = walk->last_write_time(typeError);
            if (typeError || size > kMaxDiskScriptBytes)
                continue;
            CachedFile& cached = cache_[path.generic_string()];
            if (cached.time != time || cached.size != size || cached.text.size() != size) {
                cached.time = time;
                cached.size = size;
                if (!readScriptFile(path, cached.text))
                    continue;
            }
            texts[name] = cached.text;
            snapshot.uris[name] = pathToUri(path.generic_string());
        }
    }
    for (const auto& [uri, document] : documents_) {
        if (document.root != root)
            continue;
        std::string name;
        if (document.path.empty()) {
            name = uri.substr(uri.find_last_of("/:") + 1);
            if (name.empty())
                name = "untitled.gm";
        } else {
            name = fs::path(document.path).lexically_relative(root).generic_string();
        }
        texts[name] = document.text;
        snapshot.uris[name] = uri;
        snapshot.folder.files.insert(name);
    }
    for (auto& [name, text] : texts) snapshot.folder.scripts.push_back({name, std::move(text)});
    return snapshot;
}

void LanguageServer::Impl::check(const std::string& root) {
    const Snapshot snapshot = snapshotOf(root);
    std::map<std::string, json> byUri;  // URI -> diagnostics
    std::map<std::string, const std::string*> textOf;
    for (const ScriptSource& source : snapshot.folder.scripts) textOf[source.name] = &source.text;
    std::map<std::string, std::unique_ptr<LineIndex>> lines;
    for (const ScriptDiagnostic& diagnostic : checkScripts(snapshot.folder, names_.check)) {
        const auto uri = snapshot.uris.find(diagnostic.file);
        if (uri == snapshot.uris.end())
            continue;
        std::unique_ptr<LineIndex>& index = lines[diagnostic.file];
        if (!index)
            index = std::make_unique<LineIndex>(*textOf.at(diagnostic.file));
        // The whole line, or the name the message quotes when the line holds it.
        const size_t line = static_cast<size_t>(
            std::clamp<int64_t>(diagnostic.line - 1, 0, int64_t(index->starts.size()) - 1));
        size_t from = index->starts[line];
        size_t to = index->lineEnd(line);
        const std::string& text = index->text;
        while (from < to && (text[from] == ' ' || text[from] == '\t')) ++from;
        const size_t quote = diagnostic.message.find('"');
        const size_t close = quote == std::string::npos ? quote : diagnostic.message.find('"', quote + 1);
        if (close != std::string::npos) {
            std::string quoted = diagnostic.message.substr(quote + 1, close - quote - 1);
            quoted = quoted.substr(quoted.rfind('.') == std::string::npos ? 0 : quoted.rfind('.') + 1);
            const size_t at = quoted.empty() ? std::string::npos : text.find(quoted, from);
            if (at != std::string::npos && at + quoted.size() <= to) {
                from = at;
                to = at + quoted.size();
            }
        }
        byUri[uri->second].push_back(
            {{"range", index->rangeOf(from, to)},
             {"severity", diagnostic.severity == ScriptDiagnostic::Severity::Error ? 1 : 2},
             {"source", "tact-script"},
             {"message", diagnostic.message}});
    }
    std::set<std::string>& published = published_[root];
    for (const std::string& uri : published) byUri.try_emplace(uri, json::array());
    for (const auto& [uri, document] : documents_) {
        if (document.root == root)
            byUri.try_emplace(uri, json::array());
    }
    published.clear();
    for (auto& [uri, diagnostics] : byUri) {
        if (!diagnostics.empty())
            published.insert(uri);
        json params = {{"uri", uri}, {"diagnostics", std::move(diagnostics)}};
        const auto open = documents_.find(uri);
        if (open != documents_.end())
            params["version"] = open->second.version;
        send({{"jsonrpc", "2.0"},
              {"method", "textDocument/publishDiagnostics"},
              {"params", std::move(params)}});
    }
}

void LanguageServer::Impl::publishPending() {
    const std::set<std::string> roots = std::move(pending_);
    pending_.clear();
    for (const std::string& root : roots) check(root);
}

void LanguageServer::Impl::didOpen(const json& params) {
    const json& item = params.at("textDocument");
    const std::string uri = item.at("uri").get<std::string>();
    Document document;
    document.text = item.at("text").get<std::string>();
    document.version =
        item.contains("version") && item["version"].is_number_integer() ? item["version"].get<int64_t>() : 0;
    document.path = uriToPath(uri);
    document.root = document.path.empty() ? uri : gameFolderOf(document.path);
    pending_.insert(document.root);
    documents_[uri] = std::move(document);
}

void LanguageServer::Impl::didChange(const json& params) {
    const std::string uri = params.at("textDocument").at("uri").get<std::string>();
    const auto found = documents_.find(uri);
    if (found == documents_.end())
        return;  // a change to a document that was never opened: nothing to change
    Document& document = found->second;
    for (const json& change : params.at("contentChanges")) {
        const std::string text = change.at("text").get<std::string>();
        if (change.contains("range")) {
            // Sent by clients that ignore the full-text sync this server asks for.
            const LineIndex index(document.text);
            const json& range = change["range"];
            const size_t from = index.offsetOf(range.at("start").at("line").get<int64_t>(),
                                               range.at("start").at("character").get<int64_t>());
            const size_t to = std::max(from, index.offsetOf(range.at("end").at("line").get<int64_t>(),
                                                            range.at("end").at("character").get<int64_t>()));
            document.text.replace(from, to - from, text);
        } else {
            document.text = text;
        }
    }
    const auto version = params["textDocument"].find("version");
    if (version != params["textDocument"].end() && version->is_number_integer())
        document.version = version->get<int64_t>();
    pending_.insert(document.root);
}

void LanguageServer::Impl::didClose(const json& params) {
    const std::string uri = params.at("textDocument").at("uri").get<std::string>();
    const auto found = documents_.find(uri);
    if (found == documents_.end())
        return;
    // The folder is checked again with the file as it is on disk.
    pending_.insert(found->second.root);
    documents_.erase(found);
}

std::vector<LanguageServer::Impl::Definition> LanguageServer::Impl::definitionsOf(
    const Snapshot& snapshot) const {
    std::vector<Definition> out;
    for (const ScriptSource& source : snapshot.folder.scripts) {
        const auto uri = snapshot.uris.find(source.name);
        if (uri == snapshot.uris.end())
            continue;
        const LineIndex index(source.text);
        std::vector<const ScriptSymbol*> work;
        const std::vector<ScriptSymbol> symbols = scriptSymbols(source.text);
        for (const ScriptSymbol& symbol : symbols) work.push_back(&symbol);
        while (!work.empty()) {
            const ScriptSymbol* symbol = work.back();
            work.pop_back();
            for (const ScriptSymbol& child : symbol->children) work.push_back(&child);
            if (!symbol->isGlobal)
                continue;
            const size_t line = static_cast<size_t>(symbol->line);
            std::string lineText =
                source.text.substr(index.starts[line], index.lineEnd(line) - index.starts[line]);
            out.push_back({source.name, uri->second, *symbol, std::move(lineText),
                           index.rangeOf(symbol->nameOffset, symbol->nameEnd)});
        }
    }
    // The file named after a global first (Ship in Ship.gm), then in file order.
    std::stable_sort(out.begin(), out.end(), [](const Definition& a, const Definition& b) {
        const bool aOwn = typeNameOfFile(a.file) == a.symbol.name,
                   bOwn = typeNameOfFile(b.file) == b.symbol.name;
        return aOwn != bOwn ? aOwn : false;
    });
    return out;
}

json LanguageServer::Impl::completion(const json& params) {
    Document& document = documentOf(params);
    const LineIndex index(document.text);
    const json& position = params.at("position");
    const size_t offset =
        index.offsetOf(position.at("line").get<int64_t>(), position.at("character").get<int64_t>());
    const ScriptCursor cursor = scriptCursor(document.text, offset);
    json items = json::array();
    if (cursor.inCommentOrString)
        return items;
    if (cursor.afterDot) {
        // Methods of a global object the folder does not replace; nothing is known of other values.
        const auto methods = names_.objectMethods.find(cursor.object);
        if (methods == names_.objectMethods.end())
            return items;
        for (const EngineName& method : methods->second) {
            if (matchesPrefix(method.name, cursor.prefix))
                items.push_back(completionItem(method, "1"));
        }
        return items;
    }
    if (cursor.atCallbackField) {
        for (const EngineName& callback : names_.callbacks) {
            if (matchesPrefix(callback.name, cursor.prefix)) {
                json item = completionItem(callback, "0");
                item["kind"] = 23;  // Event
                items.push_back(std::move(item));
            }
        }
    }
    std::set<std::string> seen;
    const Snapshot snapshot = snapshotOf(document.root);
    for (const Definition& definition : definitionsOf(snapshot)) {
        if (!matchesPrefix(definition.symbol.name, cursor.prefix) ||
            !seen.insert(definition.symbol.name).second)
            continue;
        const bool function = definition.symbol.kind == ScriptSymbol::Kind::Function;
        items.push_back({{"label", definition.symbol.name},
                         {"kind", definition.symbol.returnsTable ? 7
                                  : function                     ? 3
                                                                 : 6},  // Class, Function, Variable
                         {"detail", definition.file + ":" + std::to_string(definition.symbol.line + 1)},
                         {"sortText", "2" + definition.symbol.name}});
    }
    for (const EngineName& name : names_.globals) {
        if (matchesPrefix(name.name, cursor.prefix) && !seen.contains(name.name))
            items.push_back(completionItem(name, "3"));
    }
    for (const char* keyword : kKeywords) {
        if (matchesPrefix(keyword, cursor.prefix))
            items.push_back({{"label", keyword}, {"kind", 14}, {"sortText", std::string("4") + keyword}});
    }
    return items;
}

json LanguageServer::Impl::hover(const json& params) {
    Document& document = documentOf(params);
    const LineIndex index(document.text);
    const json& position = params.at("position");
    const size_t offset =
        index.offsetOf(position.at("line").get<int64_t>(), position.at("character").get<int64_t>());
    size_t start = 0, end = 0;
    if (!scriptWordAt(document.text, offset, start, end))
        return nullptr;
    const std::string word = document.text.substr(start, end - start);
    const ScriptCursor before = scriptCursor(document.text, start);
    if (before.inCommentOrString)
        return nullptr;
    std::string value;
    if (before.afterDot) {
        const auto methods = names_.objectMethods.find(before.object);
        if (methods != names_.objectMethods.end()) {
            for (const EngineName& method : methods->second) {
                if (method.name == word)
                    value = engineMarkdown(before.object + "." + word, method);
            }
        } else {
            // A value whose type is not known here: the methods of that name on every type.
            int shown = 0;
            for (const auto& [type, methods] : names_.typeMethods) {
                for (const EngineName& method : methods) {
                    if (method.name == word && shown++ < 6)
                        value += (value.empty() ? "" : "\n\n") + engineMarkdown(type + "." + word, method);
                }
            }
        }
    } else {
        const Snapshot snapshot = snapshotOf(document.root);
        for (const Definition& definition : definitionsOf(snapshot)) {
            if (definition.symbol.name == word) {
                std::string line = definition.lineText;
                line.erase(0, std::min(line.size(), line.find_first_not_of(" \t")));
                value = "```\n" + line + "\n```\ndefined in " + definition.file + ", line " +
                        std::to_string(definition.symbol.line + 1);
                break;
            }
        }
        const auto engine = globals_.find(word);
        if (value.empty() && engine != globals_.end())
            value = engineMarkdown(word, *engine->second);
        if (value.empty() && before.atCallbackField) {
            for (const EngineName& callback : names_.callbacks) {
                if (callback.name == word)
                    value = engineMarkdown(word, callback);
            }
        }
    }
    if (value.empty())
        return nullptr;
    return {{"contents", {{"kind", "markdown"}, {"value", value}}}, {"range", index.rangeOf(start, end)}};
}

json LanguageServer::Impl::definition(const json& params) {
    Document& document = documentOf(params);
    const LineIndex index(document.text);
    const json& position = params.at("position");
    const size_t offset =
        index.offsetOf(position.at("line").get<int64_t>(), position.at("character").get<int64_t>());
    const Snapshot snapshot = snapshotOf(document.root);
    const std::vector<Definition> definitions = definitionsOf(snapshot);
    auto locationOfFile = [&](const std::string& file) -> json {
        std::string uri;
        const auto found = snapshot.uris.find(file);
        if (found != snapshot.uris.end())
            uri = found->second;
        else if (snapshot.folder.files.contains(file) && document.root.rfind('/', 0) == 0)
            uri = pathToUri(document.root + "/" + file);
        if (uri.empty())
            return nullptr;
        // The type function itself when the file defines it, else the file's top.
        for (const Definition& definition : definitions) {
            if (definition.file == file && definition.symbol.name == typeNameOfFile(file))
                return {{"uri", uri}, {"range", definition.range}};
        }
        return {{"uri", uri},
                {"range",
                 {{"start", {{"line", 0}, {"character", 0}}}, {"end", {{"line", 0}, {"character", 0}}}}}};
    };

    // A type or file name in a string: createEntity("Ship") goes to Ship.gm.
    const ScriptTokens tokens = scriptTokens(document.text);
    for (size_t i = 2; i < tokens.tokens.size(); ++i) {
        const ScriptToken& token = tokens.tokens[i];
        if (token.offset > offset)
            break;
        if (token.kind != ScriptToken::Kind::String || offset < token.offset || offset > token.end)
            continue;
        const ScriptToken& call = tokens.tokens[i - 2];
        if (tokens.tokens[i - 1].text != "(" || call.kind != ScriptToken::Kind::Identifier)
            return nullptr;
        if (takesTypeName(call.text))
            return locationOfFile(fileOfTypeName(token.text));
        if (takesFileName(call.text))
            return locationOfFile(token.text);
        return nullptr;
    }
    size_t start = 0, end = 0;
    if (!scriptWordAt(document.text, offset, start, end))
        return nullptr;
    const std::string word = document.text.substr(start, end - start);
    if (scriptCursor(document.text, start).afterDot)
        return nullptr;
    for (const Definition& definition : definitions) {
        if (definition.symbol.name == word)
            return {{"uri", definition.uri}, {"range", definition.range}};
    }
    // A function or table of this file that is not global.
    std::vector<const ScriptSymbol*> work;
    const std::vector<ScriptSymbol> symbols = scriptSymbols(document.text);
    for (const ScriptSymbol& symbol : symbols) work.push_back(&symbol);
    while (!work.empty()) {
        const ScriptSymbol* symbol = work.back();
        work.pop_back();
        if (symbol->name == word && symbol->offset <= offset)
            return {{"uri", params.at("textDocument").at("uri")},
                    {"range", index.rangeOf(symbol->nameOffset, symbol->nameEnd)}};
        for (const ScriptSymbol& child : symbol->children) work.push_back(&child);
    }
    return nullptr;
}

json LanguageServer::Impl::documentSymbols(const json& params) {
    Document& document = documentOf(params);
    const LineIndex index(document.text);
    std::function<json(const ScriptSymbol&)> toJson = [&](const ScriptSymbol& symbol) -> json {
        // SymbolKind: Class for a type function, Function, Object for a table, Variable.
        const int kind = symbol.returnsTable                           ? 5
                         : symbol.kind == ScriptSymbol::Kind::Function ? 12
                         : symbol.kind == ScriptSymbol::Kind::Table    ? 19
                                                                       : 13;
        json children = json::array();
        for (const ScriptSymbol& child : symbol.children) children.push_back(toJson(child));
        json out = {{"name", symbol.name},
                    {"kind", kind},
                    {"range", index.rangeOf(symbol.offset, std::max(symbol.end, symbol.nameEnd))},
                    {"selectionRange", index.rangeOf(symbol.nameOffset, symbol.nameEnd)},
                    {"children", std::move(children)}};
        if (symbol.isGlobal)
            out["detail"] = "global";
        return out;
    };
    json out = json::array();
    for (const ScriptSymbol& symbol : scriptSymbols(document.text)) out.push_back(toJson(symbol));
    return out;
}

// ---- The public face --------------------------------------------------------------------------

LanguageServer::LanguageServer(const LanguageServerNames& names, std::function<void(const std::string&)> send,
                               LanguageServerOptions options)
    : impl_(std::make_unique<Impl>(names, std::move(send), options)) {}
LanguageServer::~LanguageServer() = default;
void LanguageServer::handle(const std::string& body) {
    try {
        impl_->handle(body);
    } catch (const std::exception& error) {
        // Only running out of memory gets here (every handler catches its own errors).
        std::fprintf(stderr, "tact-script lsp: %s\n", error.what());
    }
}
void LanguageServer::reportFramingError(const std::string& reason) {
    impl_->reportFramingError(reason);
}
void LanguageServer::publishPendingDiagnostics() {
    try {
        impl_->publishPending();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tact-script lsp: checking: %s\n", error.what());
    }
}
bool LanguageServer::hasPendingDiagnostics() const {
    return impl_->hasPending();
}
bool LanguageServer::isExiting() const {
    return impl_->exiting;
}
int LanguageServer::exitStatus() const {
    return impl_->shutdown ? 0 : 1;
}

// ---- The loop ---------------------------------------------------------------------------------

namespace {
bool writeAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<size_t>(written);
    }
    return true;
}

// A typist's pause is shorter than this; a client that never pauses still gets its diagnostics.
constexpr std::chrono::milliseconds kMaxDiagnosticsWait{250};

bool inputWaiting(int fd) {
    pollfd poller{fd, POLLIN, 0};
    return ::poll(&poller, 1, 0) > 0;
}
}  // namespace

int runLanguageServer(const LanguageServerNames& names, int inFd, int outFd) {
    // A client that goes away makes writes fail rather than end the process mid-message.
    ::signal(SIGPIPE, SIG_IGN);
    bool outputOpen = true;
    LanguageServer server(names, [&](const std::string& body) {
        if (outputOpen)
            outputOpen = writeAll(outFd, lspFrame(body));
    });
    LspMessageReader reader;
    std::vector<char> buffer(size_t{1} << 16);
    std::optional<std::chrono::steady_clock::time_point> pendingSince;
    for (;;) {
        std::string body, error;
        for (;;) {
            const LspMessageReader::Result result = reader.next(body, error);
            if (result == LspMessageReader::Result::NeedMore)
                break;
            if (result == LspMessageReader::Result::Error) {
                std::fprintf(stderr, "tact-script lsp: %s\n", error.c_str());
                server.reportFramingError(error);
            } else {
                server.handle(body);
            }
            if (server.isExiting())
                return server.exitStatus();
        }
        if (!outputOpen)
            return 1;
        // Diagnostics wait until the client pauses, so a burst of changes is checked once, but
        // never longer than kMaxDiagnosticsWait while the input keeps coming.
        if (!server.hasPendingDiagnostics()) {
            pendingSince.reset();
        } else {
            const auto now = std::chrono::steady_clock::now();
            if (!pendingSince)
                pendingSince = now;
            if (!inputWaiting(inFd) || now - *pendingSince > kMaxDiagnosticsWait) {
                server.publishPendingDiagnostics();
                pendingSince.reset();
            }
        }
        const ssize_t got = ::read(inFd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return server.exitStatus();
        reader.feed(buffer.data(), static_cast<size_t>(got));
    }
}
