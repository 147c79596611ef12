# The game folder's colours.dat is a folder; the data folder (named after the game folder) holds
# its own palette.dat.
rm -rf colours.dat
mkdir colours.dat
folder=$XDG_DATA_HOME/tact/$(basename "$PWD")
mkdir -p "$folder"
printf 'sky 0 0 1\n' >"$folder/palette.dat"
