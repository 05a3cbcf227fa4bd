#!/usr/bin/env python3
"""A host protocol client written from docs/host-protocol.md alone.

Starts the host given on the command line (or in $KORVA32) on a socket of its
own, links, advises, executes and requests, and checks what comes back.
Standard library only.
"""

import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

HOST_BINARY = os.environ.get("KORVA32", "")
GUARD_SECONDS = 10  # only against a host that hangs; nothing here is timed


class ProtocolClient:
    """One connection: compact JSON lines out, lines in, ids counted up."""

    def __init__(self, path):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.settimeout(GUARD_SECONDS)
        try:
            self.sock.connect(path)
        except OSError:
            self.sock.close()
            raise
        self.buffer = b""
        self.next_id = 0

    def close(self):
        self.sock.close()

    def send(self, method, params):
        self.next_id += 1
        message = {"jsonrpc": "2.0", "id": self.next_id, "method": method, "params": params}
        line = json.dumps(message, separators=(",", ":"), ensure_ascii=False) + "\n"
        self.sock.sendall(line.encode("utf-8"))
        return self.next_id

    def receive(self):
        """The next message; blank lines are skipped as the framing allows."""
        while True:
            newline = self.buffer.find(b"\n")
            if newline >= 0:
                line, self.buffer = self.buffer[:newline], self.buffer[newline + 1:]
                if line.strip(b" \t\r"):
                    return json.loads(line.decode("utf-8"))
                continue
            chunk = self.sock.recv(65536)
            if not chunk:
                raise ConnectionError("host closed the connection")
            self.buffer += chunk

    def reply_to(self, call_id):
        """Reads until the reply with `call_id`; notifications met on the way are kept."""
        seen = []
        while True:
            message = self.receive()
            if message.get("id") == call_id and "method" not in message:
                return message, seen
            seen.append(message)

    def advise(self, topic):
        reply, _ = self.reply_to(self.send("advise", {"topic": topic, "item": "Data"}))
        return reply

    def request(self, command):
        reply, seen = self.reply_to(
            self.send("request", {"topic": "DDE_Control", "item": command}))
        return reply["result"]["data"], seen

    def execute(self, command):
        """Executes and returns (reply, response text, other notifications in between)."""
        reply, before = self.reply_to(
            self.send("execute", {"topic": "DDE_Control", "command": command}))
        others = list(before)
        while True:
            message = self.receive()
            params = message.get("params", {})
            if message.get("method") == "changed" and params.get("topic") == "DDE_AsyncResponse":
                return reply, params["data"], others
            others.append(message)


def changed(topic, data):
    return {"jsonrpc": "2.0", "method": "changed",
            "params": {"topic": topic, "item": "Data", "data": data}}


class ProtocolClientTest(unittest.TestCase):

    def setUp(self):
        self.assertTrue(os.access(HOST_BINARY, os.X_OK), "host binary not given: " + HOST_BINARY)
        self.folder = tempfile.mkdtemp(prefix="tvx-", dir="/tmp")
        self.path = os.path.join(self.folder, "KORVA")
        self.host = subprocess.Popen([HOST_BINARY, "--socket", self.path],
                                     stdout=subprocess.DEVNULL)
        self.client = self.link()

    def tearDown(self):
        self.client.close()
        if self.host.poll() is None:
            self.host.kill()
            self.host.wait()
        shutil.rmtree(self.folder, ignore_errors=True)

    def link(self):
        deadline = time.monotonic() + GUARD_SECONDS
        while True:
            try:
                return ProtocolClient(self.path)
            except OSError:
                if time.monotonic() > deadline or self.host.poll() is not None:
                    raise
                time.sleep(0.01)

    def test_advise_then_execute_echo(self):
        self.assertEqual(self.client.advise("DDE_AsyncResponse"),
                         {"jsonrpc": "2.0", "id": 1, "result": None})
        reply, response, others = self.client.execute("echo(Hello, host ±1)")
        self.assertEqual(reply, {"jsonrpc": "2.0", "id": 2, "result": None})
        self.assertEqual(response, "Hello, host ±1")
        self.assertEqual(others, [])

    def test_dyn_reaches_advised_clients(self):
        listener = self.link()
        try:
            self.client.advise("DDE_AsyncResponse")
            self.client.advise("DDE_DynamicData")
            listener.advise("DDE_DynamicData")
            _, response, others = self.client.execute("dyn(T=21.5, P=1013)")
            self.assertEqual(response, "OK")
            self.assertEqual(others, [changed("DDE_DynamicData", "T=21.5, P=1013")])
            self.assertEqual(listener.receive(), changed("DDE_DynamicData", "T=21.5, P=1013"))
        finally:
            listener.close()

    def test_request_answers_in_the_reply(self):
        _, response, _ = self.client.execute("set(Gain=3, Mode = fast)")
        self.assertEqual(response, "OK")
        data, seen = self.client.request("get(gain, MODE, other)")
        self.assertEqual(data, "gain=3, MODE=fast, other=")
        self.assertEqual(seen, [])
        self.assertEqual(self.client.request("Windows(MAIN,MINIMIZED)")[0], "OK")

    def test_hardcancel_request_ends_a_wait(self):
        self.client.advise("DDE_AsyncResponse")
        call_id = self.client.send("execute", {"topic": "DDE_Control", "command": "wait(60000)"})
        self.assertEqual(self.client.receive(), {"jsonrpc": "2.0", "id": call_id, "result": None})
        data, seen = self.client.request("hardcancel")
        self.assertEqual(data, "OK")
        self.assertEqual(seen, [changed("DDE_AsyncResponse", "cancelled")])

    def test_errors_leave_the_link_up(self):
        self.client.sock.sendall(b"{not json\n")
        self.assertEqual(self.client.receive()["error"]["code"], -32700)
        call_id = self.client.send("poke", {})
        error = self.client.receive()
        self.assertEqual((error["id"], error["error"]["code"]), (call_id, -32601))
        self.assertEqual(self.client.request("echo(still here)")[0], "still here")

    def test_exit_ends_the_host(self):
        self.client.send("execute", {"topic": "DDE_Control", "command": "Exit"})
        self.assertEqual(self.host.wait(timeout=GUARD_SECONDS), 0)
        self.assertFalse(os.path.exists(self.path))

    def test_exit_while_another_client_is_linked(self):
        other = self.link()
        self.assertEqual(other.request("echo(linked)")[0], "linked")
        self.client.send("execute", {"topic": "DDE_Control", "command": "Exit"})
        # Only the client that sent Exit is let go (the null reply may come first).
        with self.assertRaises(ConnectionError):
            while True:
                self.client.receive()
        self.assertEqual(other.execute("echo(served)")[1], "served")
        self.assertIsNone(self.host.poll())
        other.close()  # the last client leaves
        self.assertEqual(self.host.wait(timeout=GUARD_SECONDS), 0)
        self.assertFalse(os.path.exists(self.path))


if __name__ == "__main__":
    if len(sys.argv) > 1 and not sys.argv[1].startswith("-"):
        HOST_BINARY = sys.argv.pop(1)
    unittest.main(verbosity=2)
