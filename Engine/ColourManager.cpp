#include "Engine/ColourManager.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <sstream>
#include <vector>

#include "Engine/FilePath.h"
#include "Engine/GameFiles.h"
#include "Engine/SaveData.h"

namespace {

// Paths longer than this are treated as a failed open, like any other unusable name.
constexpr std::size_t kPathBufferSize = 1024;
// The temporary file sits beside the table so the final rename stays on one file system.
constexpr const char* kTemporarySuffix = ".tmp";

// Longest component text accepted: "%f" writes far fewer digits for any colour worth having.
constexpr std::size_t kMaxNumberLength = 64;

// A whole token as a float; false when anything but a number is in it, or when it is too long.
bool parseFloat(const std::string& token, float& value) {
    if (token.empty() || token.size() > kMaxNumberLength)
        return false;
    char* end = nullptr;
    value = std::strtof(token.c_str(), &end);
    return end == token.c_str() + token.size();
}

}  // namespace

ColourManager::ColourManager(GameSystem* gameSystem, std::string fileName)
    : EngineModule(gameSystem), fileName_(std::move(fileName)) {
    addTypeName("ColourManager");
}

ColourManager::~ColourManager() = default;

bool ColourManager::init() {
    load();
    return EngineModule::init();
}

bool ColourManager::load(const std::string& fileName) {
    fileName_ = fileName;
    return load();
}

bool ColourManager::load() {
    clear();
    std::optional<std::string> path = getDataFilePath();
    std::error_code code;
    if (!path || !std::filesystem::is_regular_file(*path, code))
        path = makeFilePath(fileName_, kPathBufferSize);
    std::vector<uint8_t> bytes;
    if (!path || readGameFile(*path, bytes) != GameFiles::Read::kRead)
        return false;
    std::istringstream file(std::string(bytes.begin(), bytes.end()));
    // Any white space separates the fields; a line that does not yield all four ends the reading.
    // Every field is read with a width one past its limit, so an over-long one is seen whole as
    // too long instead of being split into the next field.
    std::string name, red, green, blue;
    while (file >> std::setw(kMaxNameLength + 1) >> name >> std::setw(kMaxNumberLength + 1) >> red >>
           std::setw(kMaxNumberLength + 1) >> green >> std::setw(kMaxNumberLength + 1) >> blue) {
        float r = 0.0f, g = 0.0f, b = 0.0f;
        if (!isValidName(name) || !parseFloat(red, r) || !parseFloat(green, g) || !parseFloat(blue, b))
            break;
        setColour(name, Colour(r, g, b));
    }
    return true;
}

bool ColourManager::save() const {
    const std::optional<std::string> dataPath = getDataFilePath();
    std::error_code code;
    // Once the table lives in the data folder, that copy is the one loaded: it is the one to keep.
    if (dataPath && std::filesystem::exists(*dataPath, code))
        return writeTable(*dataPath);
    // An archive's game folder never takes a write: the table goes to the data folder.
    const std::optional<std::string> path = makeFilePath(fileName_, kPathBufferSize);
    if (path && getGameFiles().isWritable() && writeTable(*path))
        return true;
    if (!dataPath)
        return false;
    std::filesystem::create_directories(std::filesystem::path(*dataPath).parent_path(), code);
    return !code && writeTable(*dataPath);
}

std::optional<std::string> ColourManager::getDataFilePath() const {
    if (dataFolder_.empty() || !isValidSaveName(fileName_))
        return std::nullopt;
    std::string path = dataFolder_ + "/" + fileName_;
    if (path.size() + 1 > kPathBufferSize)
        return std::nullopt;
    return path;
}

bool ColourManager::writeTable(const std::string& path) const {
    const std::string temporaryPath = path + kTemporarySuffix;
    std::FILE* file = std::fopen(temporaryPath.c_str(), "w");
    if (file == nullptr)
        return false;
    bool written = true;
    for (const auto& [name, id] : names_) {
        const Colour& c = colours_[static_cast<std::size_t>(id)];
        if (std::fprintf(file, "%s %f %f %f\n", name.c_str(), c.getRed(), c.getGreen(), c.getBlue()) < 0) {
            written = false;
            break;
        }
    }
    if (std::fclose(file) != 0)
        written = false;
    if (!written || std::rename(temporaryPath.c_str(), path.c_str()) != 0) {
        std::remove(temporaryPath.c_str());
        return false;
    }
    return true;
}

void ColourManager::clear() {
    colours_.clear();
    names_.clear();
}

bool ColourManager::isValidName(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameLength)
        return false;
    for (const char c : name) {
        // A NUL would cut the name short when it is written, turning it into another name.
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == '\0')
            return false;
    }
    return true;
}

int ColourManager::getColourID(const std::string& name) {
    const auto found = names_.find(name);
    if (found != names_.end())
        return found->second;
    if (!isValidName(name))
        return -1;
    const int id = getNumColours();
    colours_.emplace_back();
    names_.emplace(name, id);
    return id;
}

Colour ColourManager::getColour(const std::string& name) {
    return getColour(getColourID(name));
}

Colour ColourManager::getColour(int id) {
    if (id < 0 || id >= getNumColours())
        return Colour();
    return colours_[static_cast<std::size_t>(id)];
}

bool ColourManager::setColour(const std::string& name, const Colour& colour) {
    const int id = getColourID(name);
    if (id < 0)
        return false;
    setColour(id, colour);
    return true;
}

void ColourManager::setColour(int id, const Colour& colour) {
    if (id < 0 || id >= getNumColours())
        return;
    colours_[static_cast<std::size_t>(id)] = colour;
}

std::vector<std::string> ColourManager::getColourNames() const {
    std::vector<std::string> names;
    names.reserve(names_.size());
    for (const auto& entry : names_) names.push_back(entry.first);
    return names;
}
