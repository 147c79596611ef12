#!/usr/bin/env bash
# Runs `tact-script check` over every game the game makers' documents show: each document's
# "```LANG file=NAME" blocks form its game folder as it stands at each "```output headless" block
# after them (as tests/docs/run_doc_examples.sh plays them), and as the last versions of its files
# leave it: for the getting-started guide, its finished game, with the sound its make-sound.sh
# writes. Every report must be empty.
#   check_doc_games.sh TACT_SCRIPT DOCS_DIR
set -euo pipefail
tactScript=$(realpath "$1") docs=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" "$docs"/*.md <<'PY'
import os, re, sys
work, documents = sys.argv[1], sys.argv[2:]
fence = re.compile(r"^```([^\n]*)\n(.*?)^```[ \t]*$", re.S | re.M)
for document in documents:
    name = os.path.splitext(os.path.basename(document))[0]
    game, folders = {}, 0
    def write(folder):
        for fileName, contents in game.items():
            path = os.path.join(work, folder, fileName)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            open(path, "w").write(contents)
    for match in fence.finditer(open(document).read()):
        info = match.group(1).split()
        options = dict(word.split("=", 1) for word in info[1:] if "=" in word)
        if "file" in options:
            game[options["file"]] = match.group(2)
        elif info and info[0] == "output" and "headless" in info[1:] and game:
            folders += 1
            write("%s-%02d" % (name, folders))
    if game:  # the document's game as its last versions leave it (the guide's finished game)
        write(name + "-final")
PY

cd "$work"
status=0
for folder in */; do
    if [ -f "$folder/make-sound.sh" ]; then (cd "$folder" && sh make-sound.sh); fi
    report=$(cd "$folder" && "$tactScript" check) || true
    if [ -n "$report" ]; then
        echo "false alarms in the game of ${folder%/}:"
        echo "$report"
        status=1
    fi
done
ls -d */ | sed 's|/$||' | tr '\n' ' '
echo
exit $status
