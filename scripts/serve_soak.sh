#!/usr/bin/env bash
# A long run of scenario_tool serve under load: a save of linea.txt every
# 50 ms (written in place, so the server also reads files mid-save), 20
# clients that open the page and its event stream and leave again, and the
# server's resident memory sampled every few seconds. Fails if the memory
# grows, if the page does not show the last save at the end, if anything is
# written into the folder or if Ctrl-C does not stop the server cleanly.
#   scripts/serve_soak.sh [SECONDS]   (default 600)
#   SCENARIO_TOOL=PATH scripts/serve_soak.sh 30   (default: the build in build/test)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
tool=${SCENARIO_TOOL:-$top/build/test/scenario_tool}
if [ ! -x "$tool" ]; then
  . "$top/scripts/prerequisites.sh"
  require_packages "${build_packages[@]}"
  use_whole_httplib
  (cd "$top" && cmake --preset release > /dev/null)
  cmake --build "$top/build/test" -j "$jobs" --target scenario_tool
fi
folder=$(mktemp -d)
trap 'rm -rf "$folder" "$folder.console"' EXIT
cp "$top/examples/starter/"* "$folder/"
python3 - "$tool" "$folder" "$seconds" <<'PYTHON'
import http.client, json, os, random, re, signal, subprocess, sys, threading, time

tool, folder, seconds = sys.argv[1], sys.argv[2], float(sys.argv[3])
# The console goes to a file: a pipe read no further would fill and hold the server.
console = os.path.join(os.path.dirname(folder), os.path.basename(folder) + ".console")
serve = subprocess.Popen([tool, "serve", folder], stdout=open(console, "w"))
while "\n" not in open(console).read():
    time.sleep(0.05)
url = open(console).read().split("\n")[0].strip()
port = int(re.match(r"http://127\.0\.0\.1:(\d+)/$", url).group(1))
print(f"serve at {url}, {seconds:.0f} s", flush=True)
done = threading.Event()
source = open(os.path.join(folder, "linea.txt"), encoding="latin-1").read()
files_before = sorted(os.listdir(folder))
saves = {"count": 0, "length": 5000}
events = {"count": 0}

def saver():
    while not done.is_set():
        saves["count"] += 1
        length = 5000 + saves["count"] % 20000
        with open(os.path.join(folder, "linea.txt"), "w", encoding="latin-1", newline="") as f:
            f.write(source.replace("lunghezza percorso,    5000", f"lunghezza percorso,    {length}"))
        saves["length"] = length
        time.sleep(0.05)

def client(seed):
    rng = random.Random(seed)
    while not done.is_set():
        try:
            c = http.client.HTTPConnection("127.0.0.1", port, timeout=5)
            for path in ("/", "/live.js", "/live.css"):
                c.request("GET", path)
                c.getresponse().read()
            c.request("GET", "/events")
            r = c.getresponse()
            until = time.monotonic() + rng.uniform(0.2, 3.0)
            while time.monotonic() < until and not done.is_set():
                if r.fp.readline().startswith(b"event: view"):
                    events["count"] += 1
            c.close()  # the page leaves mid-stream
        except OSError as e:
            print(f"client {seed}: {e}", flush=True)
            time.sleep(0.1)

def rss_kib():
    with open(f"/proc/{serve.pid}/status") as f:
        return int(re.search(r"VmRSS:\s+(\d+)", f.read()).group(1))

threads = [threading.Thread(target=saver)] + [threading.Thread(target=client, args=(i,)) for i in range(20)]
for t in threads: t.start()
samples = []
start = time.monotonic()
while time.monotonic() - start < seconds:
    time.sleep(min(5, seconds / 10))
    samples.append(rss_kib())
done.set()
for t in threads: t.join()
time.sleep(1)  # the last save reaches the page
c = http.client.HTTPConnection("127.0.0.1", port, timeout=5)
c.request("GET", "/view")
view = json.loads(c.getresponse().read())
serve.send_signal(signal.SIGINT)
asked = time.monotonic()
try:
    status = serve.wait(timeout=10)
except subprocess.TimeoutExpired:
    serve.kill()
    status = "none: still running 10 s after Ctrl-C"
print(f"stopped {time.monotonic() - asked:.2f} s after Ctrl-C")

shown = f"{saves['length']:,} m"
warm = samples[len(samples) // 10]  # after the first tenth: the threads and caches are in place
print(f"saves written {saves['count']}, views taken by the server {view['save']}, events read by clients {events['count']}")
print(f"resident memory: {samples[0]} KiB at start, {warm} KiB after warm-up, {samples[-1]} KiB at the end, "
      f"{max(samples)} KiB at most")
print("resident memory at each tenth of the run (KiB): " +
      " ".join(str(samples[min(len(samples) - 1, len(samples) * i // 10)]) for i in range(1, 11)))
failures = []
if view["has_errors"] or shown not in view["drawing"]:
    failures.append(f"the page does not show the last save ({shown})")
if samples[-1] > warm * 1.2 + 4096:
    failures.append("the resident memory grew")
if sorted(os.listdir(folder)) != files_before:
    failures.append("something was written into the folder")
if status != 0:
    failures.append(f"serve ended with status {status} on Ctrl-C")
for f in failures: print("FAIL: " + f)
print("serve soak " + ("failed" if failures else "passed"))
sys.exit(1 if failures else 0)
PYTHON
