#include "tools/ScriptCheck.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "tools/ScriptChecker.h"
#include "tools/ScriptCheckerNames.h"

namespace fs = std::filesystem;

namespace {

bool isScriptName(const fs::path& path) {
    return path.extension() == ".gm";
}

// Every file under [root], named relative to it with '/'; the .gm files read into [folder]'s
// scripts. Returns false (with a message) when [root] cannot be walked.
bool readFolder(const fs::path& root, ScriptFolder& folder) {
    std::error_code error;
    fs::recursive_directory_iterator walk(root, fs::directory_options::skip_permission_denied, error);
    if (error) {
        std::fprintf(stderr, "tact-script: cannot read the folder \"%s\": %s\n", root.c_str(),
                     error.message().c_str());
        return false;
    }
    for (const fs::recursive_directory_iterator end; walk != end; walk.increment(error)) {
        if (error)
            break;
        std::error_code typeError;
        if (!walk->is_regular_file(typeError))
            continue;
        const std::string name = walk->path().lexically_relative(root).generic_string();
        folder.files.insert(name);
        if (!isScriptName(walk->path()))
            continue;
        ScriptSource source{name, {}};
        if (!readScriptFile(walk->path(), source.text)) {
            std::fprintf(stderr, "tact-script: cannot read \"%s\"\n", walk->path().c_str());
            continue;
        }
        folder.scripts.push_back(std::move(source));
    }
    if (error) {
        std::fprintf(stderr, "tact-script: cannot read the folder \"%s\": %s\n", root.c_str(),
                     error.message().c_str());
        return false;
    }
    std::sort(folder.scripts.begin(), folder.scripts.end(),
              [](const ScriptSource& a, const ScriptSource& b) { return a.name < b.name; });
    return true;
}

}  // namespace

int checkCommand(int argc, char** argv) {
    bool json = false;
    std::vector<std::string> paths;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") == 0)
            json = true;
        else
            paths.emplace_back(argv[i]);
    }
    if (paths.empty())
        paths.emplace_back(".");

    // A folder is checked whole; files are checked within the folder of the first, whose other
    // scripts still count for the names they define.
    std::error_code error;
    const bool oneFolder = paths.size() == 1 && fs::is_directory(paths[0], error);
    fs::path root = oneFolder ? fs::path(paths[0]) : fs::path(paths[0]).parent_path();
    if (root.empty())
        root = ".";
    std::set<std::string> wanted;  // the scripts to report on, relative to [root]; empty: all
    ScriptFolder folder;
    if (!readFolder(root, folder))
        return 1;
    if (!oneFolder) {
        for (const std::string& path : paths) {
            const std::string name = fs::path(path).lexically_relative(root).generic_string();
            const bool inFolder = !name.empty() && name.rfind("..", 0) != 0 && folder.files.contains(name);
            if (inFolder) {
                wanted.insert(name);
                continue;
            }
            ScriptSource source{path, {}};
            if (!readScriptFile(path, source.text)) {
                std::fprintf(stderr, "tact-script: cannot open \"%s\"\n", path.c_str());
                return 1;
            }
            wanted.insert(path);
            folder.scripts.push_back(std::move(source));
        }
    }

    std::vector<ScriptDiagnostic> diagnostics = checkScripts(folder, scriptEngineNames());
    if (!wanted.empty()) {
        std::erase_if(diagnostics, [&](const ScriptDiagnostic& d) { return !wanted.contains(d.file); });
    }
    // Shown as paths from the current folder, as the command line gave the folder.
    const bool here = root == ".";
    for (ScriptDiagnostic& diagnostic : diagnostics) {
        if (!here && folder.files.contains(diagnostic.file))
            diagnostic.file = (root / diagnostic.file).generic_string();
    }
    bool failed = false;
    for (const ScriptDiagnostic& diagnostic : diagnostics)
        failed = failed || diagnostic.severity == ScriptDiagnostic::Severity::Error;
    if (json) {
        std::fputs(diagnosticsJson(diagnostics).c_str(), stdout);
    } else {
        for (const ScriptDiagnostic& diagnostic : diagnostics)
            std::printf("%s\n", formatDiagnostic(diagnostic).c_str());
    }
    return failed ? 1 : 0;
}
