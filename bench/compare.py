#!/usr/bin/python3
"""The comparative benchmark: each workload of the component beside its floor or peer, measured
in interleaved rounds (the two contenders alternate within each round), with client and server
pinned; each ratio is the median of the per-round ratios.

usage: compare.py BIN_DIR [--rounds N] [--seconds S] [--placement same|split|both]
  same:  client and nginx on CPU 1 (no cross-CPU wake-ups)
  split: client on CPU 1, nginx on CPU 0
  both:  a table for each (the default)
"""

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
PEERS = os.path.join(ROOT, "tests", "integration", "peers")
sys.path.insert(0, os.path.join(ROOT, "tests", "integration"))

STATUS = ('<?xml version="1.0" encoding="UTF-8"?>\n<status>\n  <created_at>Thu Jun 21 11:59:53 +0000 2007'
          '</created_at>\n  <id>114468532</id>\n  <text>=^..^= &amp;lt; &#12465;&#12501;...</text>\n  <user>\n'
          '    <id>6833942</id>\n    <name>meganeco</name>\n    <screen_name>meganeco</screen_name>\n'
          '    <location></location>\n    <description></description>\n    <profile_image_url>'
          'http://assets0.twitter.com/system/user/profile_image/6833942/normal/neco_image.png?1181915551'
          '</profile_image_url>\n    <url>http://neco.tter.jp/necos/show/309</url>\n    <protected>false'
          '</protected>\n  </user>\n</status>\n')

USER = ('<user>\n  <id>4933401</id>\n  <name>Yusuke Yamamoto</name>\n  <screen_name>yusukey</screen_name>\n'
        '  <location>Tokyo</location>\n  <description>http://yusuke.homeip.net/diary/</description>\n'
        '  <profile_image_url>http://assets3.twitter.com/system/user/profile_image/4933401/normal/'
        '1023824_2048059614.jpg?1176769649</profile_image_url>\n  <url>http://yusuke.homeip.net/diary/</url>\n'
        '  <protected>false</protected>\n  <friends_count>19</friends_count>\n  <followers_count>30'
        '</followers_count>\n  <statuses_count>400</statuses_count>\n  <status>\n    <created_at>Thu Jun 21 '
        '07:08:09 +0000 2007</created_at>\n    <id>114154732</id>\n    <text>WinXP on Parallels</text>\n'
        '  </status>\n</user>\n')


def canned_replies(www):
    """A status of about 711 bytes, a 200-status timeline of about 137 KB (also as the home timeline) and
    five pages of 100 followers, in the 2007 shapes."""
    status = STATUS + " " * max(0, 711 - len(STATUS.encode()))
    with open(os.path.join(www, "status.xml"), "w") as f:
        f.write(status)
    body = STATUS.replace('<?xml version="1.0" encoding="UTF-8"?>\n', "")
    timeline = '<?xml version="1.0" encoding="UTF-8"?>\n<statuses>\n' + body * 200 + "</statuses>\n"
    timeline = timeline.replace("</statuses>", " " * max(0, 137 * 1024 - len(timeline)) + "</statuses>")
    with open(os.path.join(www, "timeline.xml"), "w") as f:
        f.write(timeline)
    pages = os.path.join(www, "1", "statuses", "followers")
    os.makedirs(pages)
    os.link(os.path.join(www, "timeline.xml"), os.path.join(www, "1", "statuses", "home_timeline.xml"))
    user = USER
    cursors = ["-1", "1001", "1002", "1003", "1004", "0"]
    for page, (cursor, following) in enumerate(zip(cursors, cursors[1:])):
        with open(os.path.join(pages, cursor + ".xml"), "w") as f:
            f.write('<?xml version="1.0" encoding="UTF-8"?>\n<users_list>\n<users type="array">\n' + user * 100 +
                    "</users>\n<next_cursor>%s</next_cursor>\n<previous_cursor>%d</previous_cursor>\n"
                    "</users_list>\n" % (following, -page))
    # The component writes the first cursor as %2D1, which nginx leaves as it is.
    os.link(os.path.join(pages, "-1.xml"), os.path.join(pages, "%2D1.xml"))
    with open(os.path.join(www, "large.bin.xml"), "w") as f:
        f.write("<r>" + "x" * (64 << 20) + "</r>")
    return len(status), len(timeline)


def run(command, cpu, env=None):
    done = subprocess.run(["taskset", "-c", str(cpu)] + command, capture_output=True, text=True, timeout=600,
                          env=env)
    if done.returncode != 0:
        raise RuntimeError("%s failed: %s" % (command, done.stderr))
    return done.stdout.split()


def google_benchmark(binary, name, cpu):
    out = run([binary, "--benchmark_filter=^%s$" % name, "--benchmark_format=json",
               "--benchmark_min_time=0.5"], cpu)
    return json.loads(" ".join(out))["benchmarks"][0]["items_per_second"]


def measure(args, placement):
    """The table's rows for one placement of client and server."""
    b = args.bin_dir
    client_cpu, server_cpu = 1, (1 if placement == "same" else 0)
    folder = tempfile.mkdtemp(prefix="warbler-bench-")
    os.chmod(folder, 0o755)
    http = int(subprocess.check_output(["/usr/bin/python3", "-c",
                                        "import socket;s=socket.socket();s.bind(('127.0.0.1',0));"
                                        "print(s.getsockname()[1])"]).strip())
    https = http + 1
    pid = subprocess.check_output(["taskset", "-c", str(server_cpu), os.path.join(PEERS, "start_nginx.sh"),
                                   folder, str(http), str(https)], text=True).split()[-1]
    # The Python package of the build tree, reaching nginx as the service; every walk fetches
    # anew (no reuse of a held list), as the hand-written contender does.
    settings = os.path.join(folder, "warbler-suite.ini")
    with open(settings, "w") as f:
        f.write("[Warbler Suite]\nCacheTimeoutSeconds=0\n")
    env = dict(os.environ, PYTHONPATH=os.path.join(os.path.dirname(os.path.abspath(b)), "python"),
               WARBLER_API_HOST="127.0.0.1:%d" % http, WARBLER_SETTINGS=settings)
    rows = []
    try:
        subprocess.run(["sh", "-c", "for i in $(seq 50); do (echo > /dev/tcp/127.0.0.1/%d) 2>/dev/null "
                        "&& exit 0; sleep 0.1; done; exit 1" % http], executable="/bin/bash", check=True)
        small, large = canned_replies(os.path.join(folder, "www"))
        base = "http://127.0.0.1:%d/" % http
        seconds = str(args.seconds)
        loop, pyloop = os.path.join(b, "apicall_loop"), os.path.join(HERE, "python_loop.py")

        def python(workload, contender, url=base):
            return lambda: float(run(["/usr/bin/python3", pyloop, workload, contender, url, seconds], client_cpu,
                                     env)[0])

        hand = "requests-oauthlib + ElementTree"
        workloads = [
            ("C++ signed GET, %d B (APICall)" % small, "plain libcurl, same headers",
             lambda: float(run([loop, "apicall", base + "status.xml", seconds], client_cpu)[0]),
             lambda: float(run([loop, "curl", base + "status.xml", seconds], client_cpu)[0]), 0.9),
            ("C++ signed GET, %d KB" % (large // 1024), "plain libcurl, same headers",
             lambda: float(run([loop, "apicall", base + "timeline.xml", seconds], client_cpu)[0]),
             lambda: float(run([loop, "curl", base + "timeline.xml", seconds], client_cpu)[0]), 0.5),
            # What any client could reach over this placement: the floor beside the peer.
            ("plain libcurl GET, %d B (the floor)" % small, "requests + requests-oauthlib",
             lambda: float(run([loop, "curl", base + "status.xml", seconds], client_cpu)[0]),
             python("get", "requests", base + "status.xml"), None),
            ("Python APICall, %d B" % small, "requests + requests-oauthlib",
             python("get", "warbler", base + "status.xml"), python("get", "requests", base + "status.xml"), 12.0),
            ("Python APICall, %d KB" % (large // 1024), "requests + requests-oauthlib",
             python("get", "warbler", base + "timeline.xml"), python("get", "requests", base + "timeline.xml"),
             6.0),
            ("Python timeline walk, 200 statuses x 4 fields", hand, python("timeline", "warbler"),
             python("timeline", "requests"), 2.0),
            ("Python followers walk, 5 pages x 100 users x 3 fields", hand, python("followers", "warbler"),
             python("followers", "requests"), 2.0),
            ("whole request signature", "OpenSSL HMAC-SHA1 of the base string",
             lambda: google_benchmark(os.path.join(b, "signing_bench"), "BuildAndSign", client_cpu),
             lambda: google_benchmark(os.path.join(b, "signing_bench"), "OpenSslHmac", client_cpu),
             0.5),
            ("200-status timeline to records", "pugixml parse + XPath select",
             lambda: google_benchmark(os.path.join(b, "timeline_bench"), "ParseIntoRecords", client_cpu),
             lambda: google_benchmark(os.path.join(b, "timeline_bench"), "PugixmlParseAndSelect", client_cpu),
             0.5),
        ]
        for name, peer, ours, theirs, goal in workloads:
            ratios, rates = [], []
            for round_number in range(args.rounds):
                # Alternate which contender goes first, so that neither always runs warm.
                if round_number % 2 == 0:
                    a, z = ours(), theirs()
                else:
                    z, a = theirs(), ours()
                ratios.append(a / z)
                rates.append(a)
            ratio = statistics.median(ratios)
            met = "" if goal is None else "yes" if ratio >= goal else "no"
            rows.append((name, "%.1fk/s" % (statistics.median(rates) / 1000), peer, "%.2fx" % ratio,
                         "" if goal is None else ">= %gx" % goal, met))

        reads = statistics.median(python("property", "warbler")() for _ in range(args.rounds))
        rows.append(("Python property read (LastError)", "%.0fk/s" % (reads / 1000), "", "", ">= 1000k/s",
                     "yes" if reads >= 1e6 else "no"))
        before, after = map(int, run([loop, "rss", base + "status.xml", "10000"], client_cpu))
        rows.append(("RSS over 10,000 signed calls", "%+d KiB" % (after - before), "", "", "stays flat",
                     "yes" if after - before < 1024 else "no"))
        before, after = map(int, run(["/usr/bin/python3", pyloop, "rss", "warbler", base + "status.xml", "10000"],
                                     client_cpu, env))
        rows.append(("Python RSS over 10,000 APICalls", "%+d KiB" % (after - before), "", "", "stays flat",
                     "yes" if after - before < 1024 else "no"))
        huge = 64 << 20
        start, peak = map(int, run([loop, "peak", base + "large.bin.xml"], client_cpu))
        factor = (peak - start) * 1024 / huge
        rows.append(("peak memory of one %d MB reply" % (huge >> 20), "%.1fN" % factor, "", "",
                     "<= 2.5N + a constant", "yes" if factor <= 2.5 else "no"))
    finally:
        subprocess.run(["kill", pid], check=False)
        shutil.rmtree(folder, ignore_errors=True)
    return client_cpu, server_cpu, rows


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("bin_dir")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--seconds", type=float, default=1.0)
    parser.add_argument("--placement", choices=["same", "split", "both"], default="both")
    args = parser.parse_args()
    for placement in (["same", "split"] if args.placement == "both" else [args.placement]):
        client_cpu, server_cpu, rows = measure(args, placement)
        print("\nMedians of %d interleaved rounds; client on CPU %d, nginx on CPU %d (%s placement)\n"
              % (args.rounds, client_cpu, server_cpu, placement))
        header = ("Workload", "Component", "Floor or peer, same run", "Ratio", "Goal", "Met")
        widths = [max(len(str(r[i])) for r in rows + [header]) for i in range(6)]
        for row in [header, tuple("-" * w for w in widths)] + rows:
            print("| " + " | ".join(str(c).ljust(w) for c, w in zip(row, widths)) + " |")


if __name__ == "__main__":
    main()
