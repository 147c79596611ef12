# The font and the music come from files at hand: the engine's fallback font and the sound.
mkdir -p fonts music
cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf fonts/sans.ttf
cp blip.wav music/loop.wav
