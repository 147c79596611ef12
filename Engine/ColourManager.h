// The named colour table (script global ColourManager), loaded from "colours.dat" at init and
// saved only when asked (by the colour editor). With a data folder set, a table file of a plain name
// (no path) there wins over the game folder's, and a table the game folder cannot take (an
// installed game's folder or archive) is saved there.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Engine/Colour.h"
#include "Engine/EngineModule.h"

class ColourManager : public EngineModule {
  public:
    // The table file the game system starts with.
    static constexpr const char* kDefaultFileName = "colours.dat";
    // Longest name the table file holds. A longer name read from the file ends the reading like a
    // malformed line, so the setters refuse such names rather than write them.
    static constexpr std::size_t kMaxNameLength = 255;

    explicit ColourManager(GameSystem* gameSystem, std::string fileName = kDefaultFileName);
    ~ColourManager() override;

    // Loads the current file, then the module's own init; always true (a missing file leaves an
    // empty table).
    bool init() override;

    // Makes [fileName] current when given, empties the table and reads the file (from the data
    // folder when it has one of that name, else from the game folder). Reading stops at the first
    // line without a name and three numbers; the lines before it stay. False when the file cannot
    // be opened.
    bool load();
    bool load(const std::string& fileName);
    // Writes every named colour, in name order, to the current file: the data folder's copy when
    // there is one, else the game folder's, and when that cannot be written a new copy in the data
    // folder. The table is written to a temporary file that then replaces the old one, so a failed
    // write leaves the old file whole.
    bool save() const;
    // The player's data folder of the game (absolute; made when first saved to); empty: none.
    void setDataFolder(const std::string& folder) { dataFolder_ = folder; }
    const std::string& getDataFolder() const { return dataFolder_; }
    void clear();

    // The id of [name], adding it as black with the next id when absent. -1 for a name the file
    // could not hold (empty, with white space or a NUL, or too long); nothing is added then.
    int getColourID(const std::string& name);
    // By name: adds the name when absent (black for a refused name). By id: black when out of
    // range, never adds.
    Colour getColour(const std::string& name);
    Colour getColour(int id);
    // By name: adds the name when absent; false (and nothing stored) for a refused name.
    bool setColour(const std::string& name, const Colour& colour);
    // By id: ignored when out of range.
    void setColour(int id, const Colour& colour);
    // The names in byte-wise order.
    std::vector<std::string> getColourNames() const;
    int getNumColours() const { return static_cast<int>(colours_.size()); }
    const std::string& getCurrentFilename() const { return fileName_; }

    // Interpolation between two colours; the binding turns names and ids into colours first.
    static Colour makeInterpolatedColour(float t, const Colour& a, const Colour& b) {
        return Colour::makeInterpolated(t, a, b);
    }

    // True for names the table file can round-trip.
    static bool isValidName(const std::string& name);

  private:
    // Ids are dense indexes into colours_ and never reused within one table.
    std::vector<Colour> colours_;
    // std::string orders byte-wise (upper case before lower case), which is the file's order.
    std::map<std::string, int> names_;
    std::string fileName_;
    std::string dataFolder_;

    // The current file in the data folder; nothing without a data folder or for a name with a path.
    std::optional<std::string> getDataFilePath() const;
    bool writeTable(const std::string& path) const;
};
