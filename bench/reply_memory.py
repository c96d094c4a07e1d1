#!/usr/bin/python3
"""Peak memory of one call, as the growth of the resident set's peak in a child process that
makes it, through the Python package and through the command:

  timeline  a 32 MiB timeline of small (about 300-byte) statuses from nginx, walked whole
  endless   a body that never ends (the broken server); the call ends at the 128 MiB cap

Python measures in the child (the peak reset through clear_refs after the package is loaded);
the command's growth is its peak beside the same command on a one-status timeline. Client and
server are pinned to different CPUs (client 1, server 0).

usage: reply_memory.py BUILD_DIR      (BUILD_DIR: build/linux)
"""

import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
PEERS = os.path.join(ROOT, "tests", "integration", "peers")
BROKEN = os.path.join(ROOT, "tests", "integration", "broken_server.py")
CLIENT_CPU, SERVER_CPU = "1", "0"
TIMELINE_BYTES = 32 << 20

STATUS = ("<status>\n  <created_at>Thu Jun 21 11:59:53 +0000 2007</created_at>\n  <id>%d</id>\n"
          "  <text>short text here</text>\n  <source>web</source>\n  <user>\n    <id>6833942</id>\n"
          "    <name>meganeco</name>\n    <screen_name>meganeco</screen_name>\n"
          "    <location>Tokyo</location>\n    <protected>false</protected>\n  </user>\n</status>\n")

PYTHON_CHILD = r"""
import sys, warbler
def kib(field):
    with open("/proc/self/status") as status:
        return next(int(line.split()[1]) for line in status if line.startswith(field))
t = warbler.Dispatch("Velmora.Twitter")
t.ConsumerKey, t.ConsumerSecret = "key", "secret"
before = kib("VmRSS:")
with open("/proc/self/clear_refs", "w") as refs:
    refs.write("5")
if sys.argv[1] == "timeline":
    walked = sum(1 for _ in t.timeline("public"))
else:
    t.APICall("http://" + sys.argv[2] + "/1/statuses/public_timeline", "xml")
    walked = 0
print(kib("VmHWM:") - before, walked, t.LastError)
"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(port):
    for _ in range(100):
        with socket.socket() as s:
            if s.connect_ex(("127.0.0.1", port)) == 0:
                return
        time.sleep(0.1)
    raise RuntimeError("nothing listens on port %d" % port)


def write_timelines(www):
    folder = os.path.join(www, "1", "statuses")
    os.makedirs(folder)
    count = TIMELINE_BYTES // len(STATUS % 114468532)
    head = '<?xml version="1.0" encoding="UTF-8"?>\n<statuses type="array">\n'
    # Written a status at a time: this process stays small, and the command's peak is its own
    # (a child's starts from its parent's size at the fork).
    with open(os.path.join(folder, "public_timeline.xml"), "w") as f:
        f.write(head)
        for i in range(count):
            f.write(STATUS % (114468532 + i))
        f.write("</statuses>\n")
    with open(os.path.join(folder, "user_timeline.xml"), "w") as f:
        f.write(head + STATUS % 114468532 + "</statuses>\n")
    return count, os.path.getsize(os.path.join(folder, "public_timeline.xml"))


def python_peak(env, workload, host):
    out = subprocess.run(["taskset", "-c", CLIENT_CPU, "/usr/bin/python3", "-c", PYTHON_CHILD, workload, host],
                         env=env, capture_output=True, text=True, timeout=600, check=True).stdout.split()
    return int(out[0]), int(out[1]), int(out[2])


def command_peak(env, arguments):
    """The command's peak resident set in KiB, from the kernel's account of the child."""
    child = subprocess.Popen(["taskset", "-c", CLIENT_CPU, os.path.join(env["BUILD"], "bin", "warbler")] + arguments,
                             env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    return usage.ru_maxrss, os.waitstatus_to_exitcode(status)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    build = os.path.abspath(sys.argv[1])
    folder = tempfile.mkdtemp(prefix="warbler-memory-")
    os.chmod(folder, 0o755)
    nginx_port, broken_port = free_port(), free_port()
    keys = os.path.join(folder, "keys.ini")
    with open(keys, "w") as f:
        f.write("[ConsumerTokenPair]\nConsumerToken=key\nConsumerSecret=secret\n"
                "[AccessTokenPair]\nAccessToken=1-token\nAccessSecret=secret\n")
    env = dict(os.environ, PYTHONPATH=os.path.join(build, "python"), BUILD=build, WARBLER_KEYS=keys)
    servers, broken = [], None
    try:
        servers.append(subprocess.check_output(
            ["taskset", "-c", SERVER_CPU, os.path.join(PEERS, "start_nginx.sh"), folder, str(nginx_port),
             str(free_port())], text=True).split()[-1])
        broken = subprocess.Popen(["taskset", "-c", SERVER_CPU, "/usr/bin/python3", BROKEN, str(broken_port),
                                   "endless"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(nginx_port)
        wait_for(broken_port)
        count, size = write_timelines(os.path.join(folder, "www"))
        nginx = "127.0.0.1:%d" % nginx_port
        endless = "127.0.0.1:%d" % broken_port
        rows = []
        grown, walked, code = python_peak(dict(env, WARBLER_API_HOST=nginx), "timeline", nginx)
        rows.append(("Python, %d MiB timeline (%d statuses)" % (round(size / 2**20), count), grown, size,
                     "walked %d, LastError %d" % (walked, code)))
        small, _ = command_peak(dict(env, WARBLER_API_HOST=nginx), ["timeline", "someone"])
        large, code = command_peak(dict(env, WARBLER_API_HOST=nginx), ["timeline", "public"])
        rows.append(("command, %d MiB timeline" % round(size / 2**20), large - small, size, "exit %d" % code))
        grown, _, code = python_peak(dict(env, WARBLER_API_HOST=endless), "endless", endless)
        rows.append(("Python, endless body", grown, 128 << 20, "LastError %d" % code))
        large, code = command_peak(dict(env, WARBLER_API_HOST=endless), ["call", "statuses/public_timeline"])
        rows.append(("command, endless body", large - small, 128 << 20, "exit %d" % code))
        print("Peak resident growth of one call (client on CPU %s, servers on CPU %s)\n" % (CLIENT_CPU, SERVER_CPU))
        print("| Call | Peak growth | Times the reply (endless: the 128 MiB cap) | Outcome |")
        print("|---|---|---|---|")
        for name, kib, reply, outcome in rows:
            print("| %s | %.0f MiB | %.2fx | %s |" % (name, kib / 1024, kib * 1024 / reply, outcome))
    finally:
        if broken is not None:
            broken.kill()
            broken.wait()
        for pid in servers:
            subprocess.run(["kill", pid], check=False)
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
