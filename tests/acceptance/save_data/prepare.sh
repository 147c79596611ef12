# The player's data folder with damaged save files beside the good ones the game will write.
folder=$XDG_DATA_HOME/tact/savetest
mkdir -p "$folder"
cp data/*.sav "$folder"/
# Past the 1 MiB a save file may take.
head -c 1100000 /dev/zero >"$folder/huge.sav"
: >"$folder/empty.sav"
