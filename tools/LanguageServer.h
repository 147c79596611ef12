// `tact-script lsp`: a language server for game scripts over standard input and output. It checks
// the game folder of every open file with the checker (the open files' text in memory, the
// folder's other files as they are on disk), completes and describes the engine's names from
// the binding tables, and finds the folder's own globals and type files. One thread: messages
// are handled in order, and the checks wait until no more input is waiting.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tools/ScriptChecker.h"

// One engine name as editors show it.
struct EngineName {
    enum class Kind { Object, Function, Constructor, Constant, Library, Method };
    std::string name;
    Kind kind = Kind::Function;
    std::string forms;        // "(c) or (n r, n g, n b) -> nothing"; a constant's value
    std::string description;  // for game makers; may be empty
};

struct LanguageServerNames {
    ScriptEngineNames check;          // what the checker needs
    std::vector<EngineName> globals;  // objects, functions, constructors, constants, the library
    // The methods of each global object ("Video"), and of each script type ("ENTITY").
    std::map<std::string, std::vector<EngineName>> objectMethods;
    std::map<std::string, std::vector<EngineName>> typeMethods;
    // The functions the engine calls on a type function's table, with what it passes.
    std::vector<EngineName> callbacks;
};

// The names from the engine's binding tables (LanguageServerNames.cpp).
LanguageServerNames languageServerNames();

struct LanguageServerOptions {
    // Off for the fuzz target: every folder is empty, and no file is read.
    bool readDisk = true;
};

class LanguageServer {
  public:
    // [send] receives every outgoing message's JSON body, in order.
    LanguageServer(const LanguageServerNames& names, std::function<void(const std::string&)> send,
                   LanguageServerOptions options = {});
    ~LanguageServer();

    // Handles one message body. Malformed JSON and invalid requests are answered with the
    // protocol's errors; nothing a client sends throws out of here.
    void handle(const std::string& body);
    // Answers a message the reader could not frame (a parse error with no id).
    void reportFramingError(const std::string& reason);

    // Checks the folders whose files changed since the last call and publishes their diagnostics.
    void publishPendingDiagnostics();
    bool hasPendingDiagnostics() const;

    // After "exit": the process ends with exitStatus() (0 when "shutdown" came first).
    bool isExiting() const;
    int exitStatus() const;

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

// The protocol loop over [inFd] and [outFd]: returns the exit status when the client says "exit"
// or closes the input.
int runLanguageServer(const LanguageServerNames& names, int inFd, int outFd);

// `tact-script lsp`: runs the server on standard input and output with the engine's names.
int languageServerCommand(int argc, char** argv);
