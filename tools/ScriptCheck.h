// `tact-script check [--json] [DIR | FILE...]`: reads a game folder and prints the checker's
// diagnostics. Returns the exit status: 1 when there is an error (or the folder cannot be read).
#pragma once

int checkCommand(int argc, char** argv);
