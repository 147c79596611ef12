// Writes the script API reference (docs/api.md) from the binding tables, so the reference game
// makers read is the list the engine registers. Usage: tact-api-doc [OUTPUT] (stdout without one).
#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <span>
#include <sstream>
#include <string>

#include "Engine/ScriptAPI/ScriptRegistry.h"
#include "script/gmScriptMachine.h"

namespace {
constexpr const char* kIntroduction = R"(# Tact script API

Everything a game's scripts can reach in the engine: the script types with their methods, the
global objects, the global functions and the constants. This file is written by
`tools/tact-api-doc` from the engine's binding tables (`Engine/ScriptAPI/`), so do not edit it by
hand: after changing a table, run `cmake --build build --target api-doc`. A test fails while this
file and the tables disagree.

## Scripts and the engine

A game is a set of GM scripts beside the program. The engine starts the process "Main" from
`Main.gm`; a script process or entity is a function of that name returning a table whose
functions the engine calls (`constructor`, `init`, `update`, `onKeyPress`...):

```
global Main = function(process) {
    return table(
        ship = null,
        constructor = function() {
            .ship = EntityManager.createEntity("Ship");     // global object . method (Ship.gm)
            .ship.getPhysicsData().setPos(REALPOINT(0, 0)); // ENTITY, then PHYSICSDATA methods
        },
        update = function(dt) {
            if (Input.isKeyPressed(KEYBOARD_LEFT)) { .ship.getPhysicsData().rotateLeft(); }
            GameSystem.trace("speed ", .ship.getPhysicsData().getSpeed());
        }
    );
};
```

- **Script types** have upper-case names (`REALPOINT`, `ENTITY`, `SEQUENCER`). A method is called
  on a value with a dot: `p.length()`. Some types also have members read and written with a dot
  (`p.x = 3`) or operators (`p + q`); each type lists them.
- **Constructors** are global functions named after their type (`REALPOINT(1, 2)`, `ALARM(500)`).
  What they make belongs to the script and is freed when no script value holds it ("new" below).
  Every other object value is a reference to an object the engine keeps: an `ENTITY` from
  `createEntity` stays the engine's, and calls on it after the entity is gone are errors.
- **Global objects** are the engine's modules, always there under fixed names (`Video`,
  `EntityManager`, `GameBoard`, `Input`...).
- **Global functions** (`MATH_SQRT(2)`) and **constants** (`KEYBOARD_A`, `QUARTER_NOTE`, `PI`)
  need no object.

**Errors.** A call whose arguments fit none of its forms, or whose object no longer exists, stops
the script thread with a message such as `"setPos" expecting parameters (REALPOINT) or
(float,float)`. The message goes to the engine's log and to standard error under a header naming
the script file and function, the console opens, and the method that failed is switched off for
that object until the scripts are reloaded (F7); the game goes on. A member written with a value
of the wrong type logs its message without stopping the thread. Scripts read the log with
`Logger.getOutput()` and write it to a file with `Logger.outputToFile(name)`.

**Reading the forms.** Each entry lists its argument forms and its result:
`(n x, n y) or (REALPOINT) -> nothing` takes two numbers or one point and returns nothing
(null). `n` is an int or a float (a float where the engine needs a whole number is truncated
toward zero), `i` an int, `b` a bool (an int, non-zero is true), `s` a string; upper-case names
are values of that script type; `any...` is any number of values of any type. `bool` results are
the ints 0 and 1.
)";

// The models the methods assume, printed as they are after the introduction.
constexpr const char* kModels = R"md(
## The models behind the methods

The functions the engine calls on a game's processes, entities, particles and sequencer actions,
and the order of one tick, are in [callbacks.md](callbacks.md); the script language itself is in
[language.md](language.md). The methods below assume these models.

### The board and the camera

Entities live on the game board, a rectangle in board units: by default from (-2399, -1339) to
(2399, 1339), so (0, 0) is its middle and y points up (`GameBoard.setMinPos`, `setMaxPos` change
it). An entity bounded to the board (the default) is put back inside when its body crosses an
edge, and its `onEntityCollideWithGameBoard` is called.

The world is seen through a camera looking down the z axis from `Video.setCameraPos(x, y, z)`
(default (0, 0, 2688)). At height z the view shows a region z board units high and z times the
aspect ratio wide, centred on (x, y): the default z with the engine's 16:9 shows about 4779 x
2688, the whole default board. Halve z to zoom in twice as close. The four views, each of which
resets the transformation (`translate`, `rotateZ`... start again from it):

| view | coordinates | used for |
|---|---|---|
| `setupWorldView` | board units, in perspective through the camera | the world; `draw` and `drawAlpha` of entities and particles run in it |
| `setupWorldOrthoView` | board units, the whole board from min to max, no perspective, no camera | maps, overviews |
| `setupOrthoView` | the drawing area from (0, 0) bottom left to (1, 1) top right | text and panels in `postDraw` |
| `setupAspectRatioOrthoView` | x from -aspect/2 to aspect/2, y from -0.5 to 0.5, (0, 0) the middle | shapes that must stay square on the screen |

### The body

Every entity has a body (`getPhysicsData()`): a circle (`setAsCircle(radius)`) or a rectangle
(`setAsRect(width, height)`) in board units. Positions are board units, velocities and speeds
**board units per millisecond** (a speed of 0.5 moves 8.33 units a tick), accelerations units
per millisecond per millisecond, turning speeds radians per millisecond.

- **Steering.** `thrust()`, `reverseThrust()`, `rotateLeft()`, `rotateRight()` and `brake()` ask
  for one tick's worth; the body applies them at the physics step of that tick, with
  `setThrustAcc`, `setRotateAcc` and `setBrakeAcc`, up to `setMaxSpeed` (default 0.7) and
  `setMaxRotateSpeed` (default one turn in three seconds). A body faster than its maximum (after
  `setVel`, or a push) keeps a share exp(-rate x 16.67) of the excess each tick, with the rate of
  `setMaxVelocityDecayRate`; by default it keeps none, so a body set to move faster than its
  maximum is cut down to it at once: raise `setMaxSpeed` for fast bullets.
- **Velocity decay** is on by default: every tick the velocity is multiplied by
  exp(-rate x 16.67) with a rate of 0.0033 per ms, about 5% lost a tick, so a pushed body slows
  down and stops. `setVelocityDecayRate(0)` turns it off (a body keeps its velocity for ever);
  `setRotationDecayRate` does the same for turning.
- **Static bodies.** `setMass(0)` makes a body static: it never moves and pushes what hits it.
  The default mass is 0.001.
- **Body kinds.** `setBodyKind(BODY_STATIC)` does the same whatever the mass (walls, bricks);
  `BODY_KINEMATIC` makes a body that moves at the velocity it is given and that contacts never
  change (a paddle, a moving platform): it pushes dynamic bodies, and meets neither static nor
  other kinematic ones. Steering and decay still apply to it: `setVelocityDecayRate(0)` keeps
  its velocity. `BODY_DYNAMIC` (the default) moves and is pushed.
- **Bounce and friction.** `setRestitution(0..1)` (default 0): at 1 a hit keeps all its speed
  along the normal, two bodies bounce with the larger of theirs, and impacts slower than 0.02
  units/ms do not bounce. `setFriction` (default 0.2) slows sliding; two bodies rub with the
  square root of the product of theirs, so a body of friction 0 slides along anything. A ball
  that keeps its speed for ever: restitution 1, friction 0, `setVelocityDecayRate(0)`.
- **Gravity.** `GameBoard.setGravity(x, y)` in units/ms², the unit of thrust (y points up, so
  (0, -0.0005) pulls down; default (0, 0)). Each tick it adds gravity x 16.67 ms x the body's
  `setGravityScale` (default 1; 0 floats) to the velocity of every dynamic body, before the speed
  limit (a falling body's top speed is its maximum speed) and after the decay. With no decay, a
  body dropped from rest has fallen g x 16.67² x k(k+1)/2 units after k ticks. Static and
  kinematic bodies feel no gravity.
- **Refused values.** A setter given a value that is not finite or out of its range (restitution
  outside 0..1, a negative friction, an unknown kind) stops the script with `"setRestitution"
  refused the value (not finite or out of range)` and the body keeps its old value.
- **Sensors.** `setIsSensor(true)`: the body reports `onEntityCollide` and `onEntityTouch` but
  pushes nothing and is not pushed. `setIsCollidable(false)`: no contacts at all.
- **Collision categories.** A body is in the categories of `setCollisionCategory(bits)` (default
  1) and meets the categories of `setCategoriesToCollideWith(bits)` (default 65535, all 16). Two
  bodies touch only when each one's category is among the other's: put the enemies in category
  4, give bullets category 2 and let them collide with 4 only, and the bullets pass through each
  other and the player.

### The sampler

`Audio.playSound` starts a voice of a sound file (loaded by `loadSound`, or on first use) and
returns its id. A note says the pitch in semitones: `BASE_NOTE` (96) always plays the sound at its
own pitch; any other note plays it at note minus the sound's base note semitones (the base note
is `loadSound`'s second argument, 48 by default): with the default, note 60 is an octave up and
36 an octave down. Pan goes from -1 (left) to 1 (right), volume from 0 to 1 (times the SFX
volume).

The gate time is how long the voice plays, in milliseconds: once it has played that long, it is
muted and removed 100 ms later. `playSound(name)` and `playSound(name, pan, volume)` have no
gate, nor does a gate time of 0: **a voice without a gate loops until it is stopped**
(`stopVoice(id)`, `stopAllVoices()`, or unloading its sound). For a sound played once, give the
gate time of its length: `Audio.playSound("shoot.wav", BASE_NOTE, 270, 0, 1)`; `setVoiceGateTime`
sets it later.

**One-shot sounds.** `Audio.setSoundLooping("shoot.wav", 0)` (once the sound is loaded) makes
every voice started from then on play the sound once, at any pitch, and end by itself at its last
frame: `isVoiceValid` turns 0 in the update that played it, and even the short `playSound` forms
are safe. Loading the sound again makes it loop again.

**Which to use.**
- A shot, a hit, a pickup, an explosion: a **one-shot sound**. It ends where the file ends,
  whatever its pitch, and nothing has to stop it.
- A note of a given length, an engine hum while a key is held, a sound cut short: a **gated
  voice** (a looping sound with a gate time, or `stopVoice` when it should end). A looping sound
  with no gate plays until stopped.
- Background music and anything long: **streamed music**. `Audio.playMusic("theme.ogg")` decodes
  the file as it plays (a few hundred kilobytes whatever its length, where a loaded sound is held
  whole), loops it without a gap (`playMusic(file, 0)` plays it once; `isMusicPlaying` then
  turns 0 at its end), plays at the music volume (`setMusicVolume`) and replaces the music
  playing; `stopMusic()` stops it. One piece of music plays at a time. A file that cannot be
  played, or whose data turn out damaged as it plays, stops the music with "ERROR: could not
  play music NAME" in the log. Music starts at the next rendered frame rather than on a
  sequencer step: to keep a sequencer in time with it, start both in the same tick.

### The sequencer

A sequencer plays triggers in time with music: `MainSequencer`, which the engine starts with the
game, or one made with `SEQUENCER(GameSystem)`, which stands before its first step until
`start()`. Its time is counted in steps of a thirty-second note: 8 steps a beat, at `setBPM`
beats a minute (default 120, so a step is 62.5 ms). Steps make patterns of `setNumStepsPerPattern` steps
(default 32, one bar of four beats), and `setLoopLen` patterns (default 1) make the loop it plays
round and round; `stop()` holds it, `start()` goes on and `restart()` starts from the top.

- `setTrigger(step, action)` puts an action on a step counted in thirty-seconds from the start of
  the loop (`setTrigger(pattern, step, action)` within a pattern); with `looped` true it runs on
  every round, otherwise once and it is removed.
- `setTrigger16` takes its step in sixteenth notes (step 4 is the second beat), so a 16-step
  drum pattern is written as it reads; `getCurrentStep16` and `gotoStep16` count the same way.
- `setTriggerOnNext(noteLength, action)` puts it on the next boundary of a note length
  (`THIRTYSECOND_NOTE` 1 step, `SIXTEENTH_NOTE` 2, `EIGHTH_NOTE` 4, `QUARTER_NOTE` 8,
  `HALF_NOTE` 16, `WHOLE_NOTE` 32): an explosion lands on the beat.

The sequencer's clock runs at 120 updates a second, apart from the ticks, and stops while the
game is paused; see callbacks.md for the action's `execute`.

### The log

The engine's log is kept in memory: engine messages (sounds loaded, files missing), script errors
with their call stack, `GameSystem.trace(...)` and `Logger.logText(...)`. The console (`~`) shows
its last lines, and script errors also go to standard error; `print` goes only to standard
output. `Logger.getOutput()` gives the lines to a script, and `Logger.outputToFile(name)` writes
them all to a file of that name in the game folder (it logs "Writing output to NAME" first).
Failures of the engine itself that it cannot log (a sound that cannot play) go to `debug.log` in
the game folder.

A headless run (`tact --headless --ticks N --input FILE`, see the README) logs "Headless run:
virtual clock, random seeds fixed at 5489" among its first lines. With the same game and the same
keys two headless runs print and log the same; write the log with `Logger.outputToFile` before the
last tick to compare runs.

### The player's data

A game keeps high scores, settings and progress between runs with
`GameSystem.saveTable(name, data)` and `GameSystem.loadTable(name)`:

```
best = GameSystem.loadTable("scores");            // null on the first run
if (best == null) { best = table(score = 0, name = "---"); }
if (score > best.score) {
    best.score = score;
    best.name = "ACE";
    GameSystem.saveTable("scores", best);         // 1 when written
}
```

- A saved table holds ints, floats, strings and tables of them, with int, float or string keys, at
  most 1 MiB and 32 tables deep. A function, an engine object (an `ENTITY`, a `REALPOINT`...) or a
  table that contains itself is a script error naming its key (`"saveTable": cannot store the
  function under key "player.onHit"`), and nothing is written. A table reached twice (not inside
  itself) is saved twice and loads as two tables.
- The name is 1 to 64 letters, digits, spaces, `_`, `-` and `.`, without `..` and not starting
  with `.`; any other name (a path) is a script error.
- The file is `NAME.sav` in the player's data folder, `$XDG_DATA_HOME/tact/GAME/` (else
  `~/.local/share/tact/GAME/`). GAME is the name of the game folder (or of the archive, without
  `.tact`), or what `GameSystem.setGameName(name)` set: name the game before its first save when
  its folder's name could change.
- A save replaces the old file whole (it writes a new file and renames it over the old one), so a
  crash mid-save keeps the old data. `saveTable` answers 0, with a log line, when the file cannot
  be written (no data folder, a full disk).
- `loadTable` gives null when nothing was saved under the name, and also, with one log line
  ("Save data: cannot load 'scores' (PATH): damaged (checksum mismatch)"), when the file is
  damaged, truncated, larger than 1 MiB, not a save file or written by a newer format version.
- The colour table follows the same folder: `ColourManager.load` reads a table file of a plain
  name (`colours.dat`) from the data folder when it is there, before the game folder's, and
  `ColourManager.save` writes that copy, or the game folder's, or, when the game folder cannot
  take it (an installed game), a new copy in the data folder.
)md";

// A table cell: pipes would end the cell.
std::string cell(const char* text) {
    std::string out;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '|')
            out += '\\';
        out += *c;
    }
    return out;
}

std::string formsOf(const ScriptMethod& entry) {
    return entry.forms != nullptr ? cell(entry.forms) : "(not documented yet)";
}

std::string anchor(const char* typeName) {
    std::string out;
    for (const char* c = typeName; *c != '\0'; ++c) out += static_cast<char>(std::tolower(*c));
    return out;
}

// The shortest text that reads back as the same float.
std::string floatText(float value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return std::string(buffer, result.ptr);
}

std::string descriptionOf(const char* description) {
    return description != nullptr ? cell(description) : "";
}

void writeFunctionTable(std::ostream& out, const char* heading, std::span<const ScriptMethod> entries) {
    out << "| " << heading << " | arguments -> result | what it does |\n|---|---|---|\n";
    for (const ScriptMethod& entry : entries)
        out << "| `" << entry.name << "` | " << formsOf(entry) << " | " << descriptionOf(entry.description)
            << " |\n";
}

void writeTypes(std::ostream& out) {
    out << "\n## Script types\n\nIn the order the engine registers them; a type's id is what "
           "argument errors name (\"expecting param 0 as user type 7\" asks for a REALPOINT).\n\n";
    out << "| type | id | methods | constructors |\n|---|---|---|---|\n";
    for (const ScriptTypeTable* table : scriptTypeTables()) {
        out << "| [" << table->name << "](#" << anchor(table->name) << ") | " << scriptTypeId(table->type)
            << " | " << table->methods.size() << " | ";
        const char* separator = "";
        for (const ScriptFunction& constructor : table->constructors) {
            out << separator << '`' << constructor.name << '`';
            separator = ", ";
        }
        out << " |\n";
    }
    for (const ScriptTypeTable* table : scriptTypeTables()) {
        out << "\n### " << table->name << "\n\nType id " << scriptTypeId(table->type) << ".\n";
        if (!table->constructors.empty()) {
            out << '\n';
            writeFunctionTable(out, "constructor", table->constructors);
        }
        if (!table->operators.empty()) {
            out << "\nOperators (";
            const char* separator = "";
            for (const ScriptOperator& op : table->operators) {
                out << separator << gmOperatorName(op.operatorId);
                separator = ", ";
            }
            out << "): "
                << (table->operatorForms != nullptr ? cell(table->operatorForms) : "(not documented yet)")
                << ".\n";
        }
        if (table->methods.empty()) {
            out << "\nNo methods.\n";
        } else {
            out << "\n"
                << table->methods.size() << (table->methods.size() == 1 ? " method" : " methods") << ":\n\n";
            writeFunctionTable(out, "method", table->methods);
        }
    }
}

void writeGlobalObjects(std::ostream& out) {
    out << "\n## Global objects\n\n| global | type | what it is |\n|---|---|---|\n";
    for (const ScriptGlobalObject& object : scriptGlobalObjects()) {
        const char* typeName = scriptTypeTables()[static_cast<std::size_t>(object.type)]->name;
        out << "| `" << object.name << "` | [" << typeName << "](#" << anchor(typeName) << ") | "
            << descriptionOf(object.description) << " |\n";
    }
    out << "\n`Input` is the input module, or the unfocused one while a process without input focus "
           "runs.\n";
}

void writeGlobalFunctions(std::ostream& out) {
    out << "\n## Global functions\n\n"
        << scriptGlobalFunctions().size() << " functions, besides the constructors.\n\n";
    writeFunctionTable(out, "function", scriptGlobalFunctions());
}

void writeConstants(std::ostream& out) {
    out << "\n## Constants\n\n"
        << scriptConstants().size()
        << " constants, all ints but `PI`, `TWOPI` and `PIBYTWO`. The key codes run from `KEYBOARD_A` "
           "(0) to `MOUSE_MIDDLEBUTTON` (115); the space bar, `KEYBOARD_SPACE_BAR` (64), is listed last."
           "\n\n| constant | value | what it stands for |\n|---|---|---|\n";
    for (const ScriptConstant& constant : scriptConstants()) {
        out << "| `" << constant.name << "` | "
            << (constant.isFloat ? floatText(constant.floatValue) + " (float)"
                                 : std::to_string(constant.intValue))
            << " | " << descriptionOf(constant.description) << " |\n";
    }
}
}  // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::cerr << "usage: tact-api-doc [OUTPUT]\n";
        return 2;
    }
    // The types get their ids from a machine, as in the engine.
    gmScriptMachine machine;
    registerScriptFunctionsAndTypes(machine);

    std::ostringstream text;
    text << kIntroduction;
    text << kModels;
    writeTypes(text);
    writeGlobalObjects(text);
    writeGlobalFunctions(text);
    writeConstants(text);

    if (argc < 2) {
        std::cout << text.str();
        return 0;
    }
    std::ofstream file(argv[1], std::ios::binary);
    file << text.str();
    if (!file.flush()) {
        std::cerr << "tact-api-doc: could not write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
