// Fuzz target: bytes as the colour table file. Loading always succeeds and keeps only names the file
// can hold; the table saved and loaded again has the same names, and the colours as the file
// writes them ("%f").
#include "FuzzSupport.h"

#include "Engine/ColourManager.h"

#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The table reads paths relative to the working directory; libFuzzer's own paths may be relative
// too, so instead of changing directory the files are reached by climbing to the root.
std::string tableFile;
std::string savedFile;
std::string tableName;  // the same files as the table names them
std::string savedName;

std::string relativeToRoot(const std::string& absolute) {
    std::vector<char> cwd(4096);
    fuzzCheck(getcwd(cwd.data(), cwd.size()) != nullptr, "no working directory");
    std::string up;
    for (const char* c = cwd.data(); *c != '\0'; ++c) {
        if (*c == '/') {
            up += "../";
        }
    }
    return up + absolute.substr(1);
}

bool sameComponent(float loaded, float reread) {
    char text[128];
    std::snprintf(text, sizeof text, "%f", loaded);
    const float expected = std::strtof(text, nullptr);
    return (std::isnan(expected) && std::isnan(reread)) || expected == reread;
}

bool writeFile(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Memory-backed when there is one: on a disk the per-input writes and renames cost 50 times more.
    const char* base = std::getenv("TMPDIR");
    if (base == nullptr || base[0] != '/') {
        base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    }
    std::string folder = std::string(base) + "/tact-fuzz-colours-XXXXXX";
    fuzzCheck(mkdtemp(folder.data()) != nullptr, "cannot make a temporary folder");
    tableFile = folder + "/colours.dat";
    savedFile = folder + "/saved.dat";
    tableName = relativeToRoot(tableFile);
    savedName = relativeToRoot(savedFile);
    std::atexit([] {
        std::remove(tableFile.c_str());
        std::remove(savedFile.c_str());
        std::remove(tableFile.substr(0, tableFile.rfind('/')).c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzCheck(writeFile(tableFile, data, size), "cannot write the table file");
    ColourManager table(nullptr, tableName);
    fuzzCheck(table.load(), "an existing table file failed to load");
    const std::vector<std::string> names = table.getColourNames();
    for (const std::string& name : names) {
        fuzzCheck(ColourManager::isValidName(name), "a loaded name cannot be written back");
    }

    // save() writes to the table's own file, so a second table under the other name holds the copy.
    ColourManager writer(nullptr, savedName);
    for (const std::string& name : names) {
        writer.setColour(name, table.getColour(name));
    }
    fuzzCheck(writer.save(), "the table could not be saved");
    ColourManager reread(nullptr, savedName);
    fuzzCheck(reread.load(), "the saved table failed to load");
    fuzzCheck(reread.getColourNames() == names, "the saved table has other names");
    for (const std::string& name : names) {
        const Colour a = table.getColour(name);
        const Colour b = reread.getColour(name);
        fuzzCheck(sameComponent(a.getRed(), b.getRed()) && sameComponent(a.getGreen(), b.getGreen()) &&
                      sameComponent(a.getBlue(), b.getBlue()),
                  "a saved colour reads back as another");
    }
    return 0;
}
