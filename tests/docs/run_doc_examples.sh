#!/usr/bin/env bash
# Runs every example of the game makers' documents (docs/*.md) and compares what it prints with
# the output the document shows after it. The convention, for each fenced block:
#   ```gm          a script, followed by an ```output block (only blank lines between): it runs
#                  through "tact-script run" and must print exactly that block, standard output and
#                  standard error together (trailing spaces are not compared)
#   ```gm fragment a piece of a script that does not run on its own: skipped
#   ```LANG file=NAME
#                  a file of the document's game folder (a later block of the same name replaces
#                  an earlier one); such a folder is run by an ```output headless ticks=N block
#                  after it (text may stand between): the engine plays the folder as it stands
#                  headless from source for N ticks (with "input=FILE", pressing the keys of the
#                  folder's FILE) and must print exactly that block, standard output and standard
#                  error together; file blocks with no such block after them
#                  are left to the document's own test (the guide's game: tests/guide/run_guide.sh)
# Any other ```gm block, or an ```output block that follows no example, fails the test.
#   run_doc_examples.sh TACT TACT_SCRIPT DOCS_DIR
set -euo pipefail
tact=$(realpath "$1") tactScript=$(realpath "$2") docs=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$tact" "$tactScript" "$work" "$docs"/*.md <<'PY'
import os, re, subprocess, sys
tact, tactScript, work, documents = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
fence = re.compile(r"^```([^\n]*)\n(.*?)^```[ \t]*$", re.S | re.M)
env = dict(os.environ, ALSOFT_DRIVERS="null")

def normalised(text):
    return "\n".join(line.rstrip() for line in text.rstrip("\n").split("\n")) if text.strip() else ""

failures, ran, skipped, number = [], 0, 0, 0
for document in documents:
    name = os.path.basename(document)
    text = open(document).read()
    blocks = [(m.group(1).split(), m.group(2), text.count("\n", 0, m.start()) + 1, m.start(), m.end())
              for m in fence.finditer(text)]
    game = {}
    pending = None  # (kind, source, line, end): an example waiting for its output block
    for info, body, line, start, end in blocks:
        where = "%s:%d" % (name, line)
        language = info[0] if info else ""
        options = dict(word.split("=", 1) for word in info[1:] if "=" in word)
        flags = [word for word in info[1:] if "=" not in word]
        if language == "output":
            if pending is None:
                failures.append(where + ": an output block that follows no example")
                continue
            if pending[0] == "script" and text[pending[3]:start].strip():
                failures.append("%s:%d: text stands between the gm example and its output block"
                                % (name, pending[2]))
                pending = None
                continue
            number += 1
            folder = os.path.join(work, "example%03d" % number)
            os.makedirs(folder)
            if pending[0] == "script":
                open(os.path.join(folder, "example.gm"), "w").write(pending[1])
                command = [tactScript, "run", "example.gm"]
            else:
                if "ticks" not in options or "headless" not in flags:
                    failures.append(where + ": a game's output block needs \"headless ticks=N\"")
                    pending = None
                    continue
                for fileName, contents in game.items():
                    os.makedirs(os.path.dirname(os.path.join(folder, fileName)), exist_ok=True)
                    open(os.path.join(folder, fileName), "w").write(contents)
                command = [tact, "--headless", "--source", "--ticks", options["ticks"]]
                if "input" in options:
                    command += ["--input", options["input"]]
                command.append(".")
            try:
                run = subprocess.run(command, cwd=folder, env=env, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, timeout=60)
                printed = run.stdout.decode("utf-8", "replace")
            except subprocess.TimeoutExpired:
                printed = "(timed out after 60 s)"
            ran += 1
            if normalised(printed) != normalised(body):
                failures.append("%s: the example of line %d printed\n%s\n--- but the document shows\n%s"
                                % (name, pending[2], printed.rstrip("\n"), body.rstrip("\n")))
            pending = None
            continue
        if pending is not None and pending[0] == "script":
            failures.append("%s:%d: a gm example without an output block after it" % (name, pending[2]))
        pending = None
        if "file" in options:
            game[options["file"]] = body
            pending = ("game", None, line, end)
        elif language != "gm":
            continue  # shell commands, plain text
        elif flags == ["fragment"] and not options:
            skipped += 1
        elif not flags and not options:
            pending = ("script", body, line, end)
        else:
            failures.append(where + ": a gm block marked neither fragment nor file=NAME: ```" + " ".join(info))
    if pending is not None and pending[0] == "script":
        failures.append("%s:%d: a gm example without an output block after it" % (name, pending[2]))

for failure in failures:
    print("FAIL " + failure + "\n")
print("%d examples ran, %d fragments skipped, %d failures" % (ran, skipped, len(failures)))
sys.exit(1 if failures else 0)
PY
