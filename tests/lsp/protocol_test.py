#!/usr/bin/env python3
"""`tact-script lsp` driven over its pipes: diagnostics, completion, hover, definitions, symbols,
and what a broken or hostile client sends. Usage: protocol_test.py TACT_SCRIPT [unittest args]."""
import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from lspclient import Server, uri_of  # noqa: E402

BINARY = None
GAME = os.path.join(os.path.dirname(os.path.abspath(__file__)), "game")


def position(text, needle, offset=0):
    """The protocol position of [needle]'s first occurrence in [text], plus [offset] characters."""
    at = text.index(needle) + offset
    line = text.count("\n", 0, at)
    return {"line": line, "character": at - (text.rfind("\n", 0, at) + 1)}


class GameFolderTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tact-lsp-")
        self.root = os.path.join(self.dir, "game")
        shutil.copytree(GAME, self.root)
        self.server = Server(BINARY)
        reply = self.server.initialize(self.root)
        self.assertIn("capabilities", reply["result"])

    def tearDown(self):
        if self.server.proc.poll() is None:
            self.assertEqual(self.server.close(), 0)
        shutil.rmtree(self.dir)

    def path(self, name):
        return os.path.join(self.root, name)

    def read(self, name):
        with open(self.path(name)) as f:
            return f.read()

    def open(self, name, text=None, version=1):
        text = self.read(name) if text is None else text
        uri = uri_of(self.path(name))
        self.server.notify("textDocument/didOpen",
                           {"textDocument": {"uri": uri, "languageId": "gm", "version": version, "text": text}})
        return uri, text

    def change(self, uri, text, version):
        self.server.notify("textDocument/didChange",
                           {"textDocument": {"uri": uri, "version": version}, "contentChanges": [{"text": text}]})

    def at(self, method, uri, pos):
        reply = self.server.request(method, {"textDocument": {"uri": uri}, "position": pos})
        self.assertNotIn("error", reply)
        return reply["result"]


class Diagnostics(GameFolderTest):
    def test_a_mistake_typed_is_flagged_at_its_name_and_cleared_when_fixed(self):
        uri, text = self.open("Ship.gm")
        self.assertEqual(self.server.wait_diagnostics(uri), [])
        wrong = text.replace("setColour", "setColor")
        self.change(uri, wrong, 2)
        diagnostics = self.server.wait_diagnostics(uri, predicate=bool)
        self.assertEqual(len(diagnostics), 1, diagnostics)
        d = diagnostics[0]
        self.assertEqual(d["severity"], 1)
        self.assertIn("did you mean setColour?", d["message"])
        start = position(wrong, "setColor")
        self.assertEqual(d["range"]["start"], start)
        self.assertEqual(d["range"]["end"], {"line": start["line"], "character": start["character"] + 8})
        self.change(uri, text, 3)
        self.assertEqual(self.server.wait_diagnostics(uri), [])

    def test_syntax_error_and_warning_lines(self):
        uri, text = self.open("Ship.gm")
        self.server.wait_diagnostics(uri)
        broken = text.replace("lives = START_LIVES,", "lives = = START_LIVES,")
        self.change(uri, broken, 2)
        d = self.server.wait_diagnostics(uri, predicate=bool)
        self.assertEqual(d[0]["severity"], 1)
        self.assertEqual(d[0]["range"]["start"]["line"], 2, d)
        # A global nobody defines is a warning, with the closest name.
        self.change(uri, text.replace("START_LIVES", "START_LIFES"), 3)
        d = self.server.wait_diagnostics(uri, predicate=bool)
        self.assertEqual([x["severity"] for x in d], [2])
        self.assertIn("START_LIVES", d[0]["message"])

    def test_the_folder_is_checked_with_the_open_text_and_the_disk(self):
        # A global defined only in the open, unsaved text of Main.gm counts for Ship.gm on disk.
        ship_uri, ship = self.open("Ship.gm", self.read("Ship.gm").replace("START_LIVES", "EXTRA_LIVES"))
        self.assertEqual(len(self.server.wait_diagnostics(ship_uri)), 1)
        main_uri, main = self.open("Main.gm", self.read("Main.gm") + "global EXTRA_LIVES = 1;\n")
        self.assertEqual(self.server.wait_diagnostics(ship_uri), [])
        # A file that is not open changes on disk: its mistake is published once the client says so.
        rock = self.read("enemies/Rock.gm")
        with open(self.path("enemies/Rock.gm"), "w") as f:
            f.write(rock.replace("AddScore(5)", "Video.setColor(5)"))
        self.server.notify("workspace/didChangeWatchedFiles",
                           {"changes": [{"uri": uri_of(self.path("enemies/Rock.gm")), "type": 2}]})
        d = self.server.wait_diagnostics(uri_of(self.path("enemies/Rock.gm")), predicate=bool)
        self.assertEqual(d[0]["range"]["start"]["line"], 3)
        # An open file deleted on disk is still checked from its text; the type it named is missing.
        os.remove(self.path("Ship.gm"))
        self.server.notify("textDocument/didSave", {"textDocument": {"uri": main_uri}})
        self.assertEqual(self.server.wait_diagnostics(main_uri), [])
        self.server.notify("textDocument/didClose", {"textDocument": {"uri": ship_uri}})
        d = self.server.wait_diagnostics(main_uri, predicate=bool)
        self.assertIn("there is no Ship.gm in the folder", d[0]["message"])

    def test_a_huge_file_is_checked_and_the_server_keeps_answering(self):
        body = "".join("global V%d = %d;\n" % (i, i) for i in range(100000))
        text = self.read("Ship.gm") + body + "Video.setColor(1);\n"
        self.assertGreater(len(text), 1 << 20)
        uri, _ = self.open("Ship.gm", text)
        d = self.server.wait_diagnostics(uri, timeout=60, predicate=bool)
        self.assertEqual(d[0]["range"]["start"]["line"], text.count("\n") - 1)
        items = self.at("textDocument/completion", uri, {"line": 4, "character": 18})
        self.assertIn("setColour", [i["label"] for i in items])


class Navigation(GameFolderTest):
    def test_completion(self):
        text = self.read("Ship.gm").replace("Video.setColour(1, 1, 1, 1);", "Video.")
        uri, _ = self.open("Ship.gm", text)
        items = self.at("textDocument/completion", uri, position(text, "Video.", 6))
        by_label = {i["label"]: i for i in items}
        self.assertIn("setColour", by_label)
        self.assertIn("(n r, n g, n b)", by_label["setColour"]["detail"])
        self.assertTrue(by_label["setColour"]["documentation"]["value"])
        self.assertNotIn("createEntity", by_label)
        # A prefix after the dot narrows the methods.
        narrowed = text.replace("Video.", "Video.setCo")
        self.change(uri, narrowed, 2)
        items = self.at("textDocument/completion", uri, position(narrowed, "setCo", 5))
        self.assertTrue(items)
        self.assertTrue(all(i["label"].lower().startswith("s") for i in items))
        # Inside the type function's table: the callbacks, then globals of the folder and engine.
        fields = narrowed.replace("lives = START_LIVES,", "lives = START_LIVES,\n        on")
        self.change(uri, fields, 3)
        labels = [i["label"] for i in self.at("textDocument/completion", uri, position(fields, "        on", 10))]
        self.assertIn("onKeyPress", labels)
        self.assertIn("onEntityCollide", labels)
        # In a statement: engine objects, constants, the folder's globals; not callbacks.
        labels = [i["label"] for i in self.at("textDocument/completion", uri, position(fields, "Video."))]
        for name in ("EntityManager", "KEYBOARD_A", "AddScore", "START_LIVES", "REALPOINT", "Ship", "return"):
            self.assertIn(name, labels)
        self.assertNotIn("onKeyPress", labels)
        # Nothing in a comment or a string.
        commented = "// Video.\n" + fields
        self.change(uri, commented, 4)
        self.assertEqual(self.at("textDocument/completion", uri, {"line": 0, "character": 9}), [])

    def test_hover(self):
        uri, text = self.open("Ship.gm")
        value = self.at("textDocument/hover", uri, position(text, "setColour", 3))["contents"]["value"]
        self.assertIn("Video.setColour", value)
        self.assertIn("(n r, n g, n b, n a)", value)
        value = self.at("textDocument/hover", uri, position(text, "START_LIVES", 2))["contents"]["value"]
        self.assertIn("global START_LIVES = 3;", value)
        self.assertIn("Main.gm, line 2", value)
        value = self.at("textDocument/hover", uri, position(text, "Video"))["contents"]["value"]
        self.assertIn("VIDEO", value)
        self.assertIsNone(self.at("textDocument/hover", uri, position(text, "(entity)", 3)))

    def test_definition(self):
        main_uri, main = self.open("Main.gm")
        found = self.at("textDocument/definition", main_uri, position(main, '"Ship"', 2))
        self.assertEqual(found["uri"], uri_of(self.path("Ship.gm")))
        self.assertEqual(found["range"]["start"], {"line": 0, "character": 7})
        found = self.at("textDocument/definition", main_uri, position(main, '"enemies_Rock"', 3))
        self.assertEqual(found["uri"], uri_of(self.path("enemies/Rock.gm")))
        ship_uri, ship = self.open("Ship.gm")
        found = self.at("textDocument/definition", ship_uri, position(ship, "START_LIVES"))
        self.assertEqual(found["uri"], main_uri)
        self.assertEqual(found["range"]["start"], {"line": 1, "character": 7})
        # AddScore from the file that is not open.
        rock = self.read("enemies/Rock.gm")
        rock_uri = uri_of(self.path("enemies/Rock.gm"))
        found = self.at("textDocument/definition", rock_uri, position(rock, "AddScore"))
        self.assertEqual((found["uri"], found["range"]["start"]["line"]), (main_uri, 3))
        self.assertIsNone(self.at("textDocument/definition", ship_uri, position(ship, "setColour")))

    def test_document_symbols(self):
        uri, _ = self.open("Main.gm")
        reply = self.server.request("textDocument/documentSymbol", {"textDocument": {"uri": uri}})
        symbols = reply["result"]
        self.assertEqual([s["name"] for s in symbols], ["START_LIVES", "AddScore", "Main"])
        main = symbols[2]
        self.assertEqual(main["kind"], 5)
        self.assertEqual([c["name"] for c in main["children"]], ["constructor", "update"])
        self.assertEqual(main["range"]["start"]["line"], 7)
        self.assertEqual(main["range"]["end"]["line"], 18)

    def test_positions_count_utf16_units(self):
        text = 'global Ship = function(entity) { local s = "\U0001F680é"; Video.setColour(1); };\n'
        uri, _ = self.open("Ship.gm", text)
        character = len(text[:text.index("setColour")].encode("utf-16-le")) // 2
        value = self.at("textDocument/hover", uri, {"line": 0, "character": character + 1})
        self.assertIn("Video.setColour", value["contents"]["value"])


class Robustness(unittest.TestCase):
    def setUp(self):
        self.server = Server(BINARY)

    def tearDown(self):
        if self.server.proc.poll() is None:
            self.server.proc.kill()
            self.server.proc.wait()

    def expect_error(self, code, request_id=None):
        message = self.server.next_message()
        self.assertEqual(message.get("id"), request_id, message)
        self.assertEqual(message["error"]["code"], code, message)
        return message

    def alive(self):
        reply = self.server.request("textDocument/hover", {"textDocument": {"uri": "untitled:x"},
                                                          "position": {"line": 0, "character": 0}})
        self.assertIn("error", reply)  # not open; but an answer
        self.assertEqual(reply["error"]["code"], -32602)

    def test_requests_before_initialize_and_after_shutdown(self):
        reply = self.server.request("textDocument/completion", {})
        self.assertEqual(reply["error"]["code"], -32002)
        self.server.initialize(tempfile.gettempdir())
        self.assertIsNone(self.server.request("shutdown", None)["result"])
        self.assertEqual(self.server.request("textDocument/hover", {})["error"]["code"], -32600)
        self.server.notify("exit", None)
        self.assertEqual(self.server.proc.wait(timeout=20), 0)

    def test_exit_without_shutdown_fails_and_closed_input_ends_the_server(self):
        self.server.initialize(tempfile.gettempdir())
        self.server.notify("exit", None)
        self.assertEqual(self.server.proc.wait(timeout=20), 1)
        other = Server(BINARY)
        other.proc.stdin.close()
        self.assertEqual(other.proc.wait(timeout=20), 1)

    def test_malformed_messages_get_protocol_errors(self):
        self.server.initialize(tempfile.gettempdir())
        cases = [
            (b"Content-Length: 12\r\n\r\n{not json!!}", -32700),
            (b"Content-Length: 2\r\n\r\n[]", -32600),
            (b"Content-Length: 2\r\n\r\n{}", -32600),
            (b'Content-Length: 9\r\n\r\n"a string"'[:-1], -32700),
            (b"Content-Length: 4\r\n\r\n\xff\xfe{}", -32700),
            (b"Content-Length: lots\r\n\r\n{}", -32700),
            (b"Content-Type: application/json\r\n\r\n{}", -32700),
            (b"Content-Length 5\r\n\r\n{}", -32700),
            (b"Content-Length: 2\r\nContent-Length: 3\r\n\r\n{}", -32700),
            (b"Content-Length: 99999999999999999999\r\n\r\n", -32700),
            (b"\x00\x01garbage" * 2000 + b"\r\n\r\n", -32700),
        ]
        for raw, code in cases:
            with self.subTest(raw=raw[:40]):
                self.server.send_raw(raw)
                self.expect_error(code)
                self.alive()
        # Well-formed messages the server cannot act on.
        self.server.send({"jsonrpc": "2.0", "id": 7, "method": "textDocument/rename", "params": {}})
        self.expect_error(-32601, 7)
        self.server.send({"jsonrpc": "2.0", "id": {"an": "object"}, "method": "shutdown"})
        self.expect_error(-32600)
        self.server.send({"jsonrpc": "2.0", "id": "s", "method": "textDocument/completion",
                          "params": {"textDocument": {"uri": 5}}})
        self.expect_error(-32602, "s")
        self.server.send({"jsonrpc": "2.0", "id": 8, "method": "textDocument/definition", "params": [1, 2]})
        self.expect_error(-32602, 8)
        # Unknown notifications, changes to documents never opened, positions off the text: no reply.
        self.server.notify("$/unknownNotification", {"x": 1})
        self.server.notify("textDocument/didChange", {"textDocument": {"uri": "file:///nowhere.gm"},
                                                      "contentChanges": [{"text": "x"}]})
        self.server.notify("textDocument/didOpen", {"textDocument": {"uri": "untitled:a.gm", "text": "x = "}})
        diagnostics = self.server.wait_diagnostics("untitled:a.gm")
        self.assertEqual(diagnostics[0]["severity"], 1)
        for line, character in ((-5, -5), (1000, 3), (0, 10 ** 9)):
            for method in ("textDocument/completion", "textDocument/hover", "textDocument/definition"):
                reply = self.server.request(method, {"textDocument": {"uri": "untitled:a.gm"},
                                                     "position": {"line": line, "character": character}})
                self.assertNotIn("error", reply)
        # A message split into single bytes arrives whole.
        body = b'{"jsonrpc":"2.0","id":99,"method":"shutdown"}'
        for byte in b"Content-Length: %d\r\n\r\n" % len(body) + body:
            self.server.send_raw(bytes([byte]))
        self.assertIsNone(self.server.wait_response(99)["result"])

    def test_a_message_over_the_limit_is_skipped(self):
        self.server.initialize(tempfile.gettempdir())
        size = (64 << 20) + 1
        self.server.send_raw(b"Content-Length: %d\r\n\r\n" % size)
        chunk = b"x" * (1 << 20)
        for _ in range(64):
            self.server.send_raw(chunk)
        self.server.send_raw(b"y")
        self.expect_error(-32700)
        self.alive()


if __name__ == "__main__":
    BINARY = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
