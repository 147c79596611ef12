"""A small client for `tact-script lsp`: starts the server, frames messages, reads replies."""
import json
import os
import select
import subprocess
import time


class Server:
    def __init__(self, binary, cwd=None):
        self.proc = subprocess.Popen([binary, "lsp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, cwd=cwd)
        self.buffer = b""
        self.next_id = 1
        self.notifications = []

    def send_raw(self, data):
        self.proc.stdin.write(data)
        self.proc.stdin.flush()

    def send(self, message):
        body = json.dumps(message).encode()
        self.send_raw(b"Content-Length: %d\r\n\r\n" % len(body) + body)

    def notify(self, method, params):
        self.send({"jsonrpc": "2.0", "method": method, "params": params})

    def request(self, method, params, timeout=20):
        request_id = self.next_id
        self.next_id += 1
        self.send({"jsonrpc": "2.0", "id": request_id, "method": method, "params": params})
        return self.wait_response(request_id, timeout)

    def _read_message(self, deadline):
        while True:
            end = self.buffer.find(b"\r\n\r\n")
            if end >= 0:
                header = self.buffer[:end].decode()
                length = None
                for line in header.split("\r\n"):
                    name, _, value = line.partition(":")
                    if name.strip().lower() == "content-length":
                        length = int(value.strip())
                assert length is not None, "a reply without Content-Length: %r" % header
                if len(self.buffer) >= end + 4 + length:
                    body = self.buffer[end + 4:end + 4 + length]
                    self.buffer = self.buffer[end + 4 + length:]
                    return json.loads(body)
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError("no message from the server")
            ready, _, _ = select.select([self.proc.stdout], [], [], left)
            if ready:
                chunk = os.read(self.proc.stdout.fileno(), 1 << 16)
                if not chunk:
                    raise EOFError("the server closed its output (exit status %s): %s"
                                   % (self.proc.wait(), self.proc.stderr.read().decode(errors="replace")))
                self.buffer += chunk

    def wait_response(self, request_id, timeout=20):
        deadline = time.monotonic() + timeout
        while True:
            message = self._read_message(deadline)
            if "method" in message and "id" not in message:
                self.notifications.append(message)
            elif message.get("id") == request_id:
                return message
            else:
                raise AssertionError("an unexpected message: %r" % message)

    def next_message(self, timeout=20):
        return self._read_message(time.monotonic() + timeout)

    def wait_diagnostics(self, uri, timeout=20, predicate=None):
        """The diagnostics of the last publish for [uri] that satisfies [predicate]."""
        deadline = time.monotonic() + timeout
        while True:
            for i, message in enumerate(self.notifications):
                if (message.get("method") == "textDocument/publishDiagnostics"
                        and message["params"]["uri"] == uri
                        and (predicate is None or predicate(message["params"]["diagnostics"]))):
                    del self.notifications[:i + 1]
                    return message["params"]["diagnostics"]
            self.notifications.append(self._read_message(deadline))

    def initialize(self, root):
        reply = self.request("initialize", {"processId": os.getpid(), "rootUri": uri_of(root), "capabilities": {}})
        self.notify("initialized", {})
        return reply

    def close(self):
        """Shuts the server down as a client does; returns its exit status."""
        reply = self.request("shutdown", None)
        assert reply.get("result", "missing") is None, reply
        self.notify("exit", None)
        self.proc.stdin.close()
        return self.proc.wait(timeout=20)


def uri_of(path):
    from urllib.parse import quote
    return "file://" + quote(os.path.abspath(path))
