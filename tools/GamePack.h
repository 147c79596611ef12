// `tact-script pack`: a game folder written out as one archive (its compiled scripts and other
// files), or as a Debian package that installs the archive with a launcher.
#pragma once

#include <string>

struct PackOptions {
    std::string folder;
    std::string output;  // empty: beside the working directory, named after the folder
    bool withSources = false;
    bool debian = false;
};

// Packs as [options] say; messages go to standard error. The exit status: 0, or 1 on any compile
// error or failure (no archive or package is left behind then).
int packGame(const PackOptions& options);

// The command line after "pack": DIR [-o OUT] [--with-sources] [--deb]. False when it does not fit.
bool parsePackArguments(int argc, char** argv, PackOptions& options);
