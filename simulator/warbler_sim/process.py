"""Runs the service simulator on a free loopback port for a test or a demo, and stops it."""

import os
import subprocess
import tempfile

SIMULATOR = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "warbler-sim")


class Simulator:
    def __init__(self, *args):
        self.log = tempfile.NamedTemporaryFile(prefix="warbler-sim-", suffix=".log", delete=False)
        self.process = subprocess.Popen(["/usr/bin/python3", SIMULATOR, "--port", "0", *args],
                                        stdout=subprocess.PIPE, stderr=self.log, text=True)
        self.base_url = self.process.stdout.readline().split(" at ")[-1].strip()
        self.credentials = {}
        for _ in range(4):
            name, _, value = self.process.stdout.readline().strip().partition("=")
            self.credentials[name] = value
        if not self.base_url.startswith("http"):
            self.stop()
            raise RuntimeError("the simulator did not start")

    def host_port(self):
        return self.base_url.split("//", 1)[1].rstrip("/")

    def url(self, path):
        return self.base_url.rstrip("/") + path

    def requests_logged(self):
        with open(self.log.name, encoding="utf-8") as log:
            return log.read().splitlines()

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.process.stdout.close()
        self.log.close()
        os.unlink(self.log.name)
