#!/usr/bin/python3
"""Click on a row -> first sound at the sound server, measured at a PulseAudio null sink's monitor.

usage (inside xvfb-run, PulseAudio with a null sink "nullsink" reachable through PULSE_SERVER,
the lecture service the program was built for running, serving LIBRARY's tracks):
    click_to_audio.py PROGRAM LIBRARY_JSON [RUNS [STREAM_URL]]

Each run: a fresh data folder holding LIBRARY as a fresh cache, a private session bus, the
program started and left 3 s, then a click on the first Home row (window 600,100). `parec`
records the monitor with 5 ms latency; the figure is the time from just before the click to
the first block holding a sample above 1 % of full scale (it carries up to one block of
recording latency). The baseline, in the same run: bare `mpv --no-video` started on
STREAM_URL (the first row's stream address) -> its first sound at the same monitor.
Prints the figures and their medians; never fails.
"""
import json, os, shutil, statistics, subprocess, sys, tempfile, threading, time


def first_sound(proc, out):
    while True:
        block = proc.stdout.read(441 * 2)  # 10 ms of 44.1 kHz mono s16
        if not block:
            return
        if max(abs(int.from_bytes(block[i:i + 2], "little", signed=True)) for i in range(0, len(block) - 1, 2)) > 327:
            out.append(time.monotonic())
            return


def one_run(program, library):
    home = tempfile.mkdtemp(prefix="talvora-click-")
    env = dict(os.environ, HOME=home, XDG_DATA_HOME=f"{home}/data", XDG_CONFIG_HOME=f"{home}/config",
               XDG_RUNTIME_DIR=f"{home}/rt")
    os.makedirs(f"{home}/rt", mode=0o700)
    os.makedirs(f"{home}/data/Quillora")
    lib = json.load(open(library))
    now = int(time.time())
    json.dump({"tracks": lib["data"], "cacheTimestamp": now, "lastCheckTimestamp": now,
               "serverTotal": lib["total_files"]}, open(f"{home}/data/Quillora/tracks_cache.json", "w"))
    bus = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                         env=env, capture_output=True, text=True, check=True).stdout.split()
    env["DBUS_SESSION_BUS_ADDRESS"] = bus[0]
    app = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    win = None
    for _ in range(600):
        r = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(app.pid)], capture_output=True, text=True)
        if r.stdout.split():
            win = r.stdout.split()[0]
            break
        time.sleep(0.05)
    time.sleep(3)
    rec = subprocess.Popen(["parec", "--device=nullsink.monitor", "--raw", "--format=s16le", "--rate=44100",
                            "--channels=1", "--latency-msec=5"], env=env, stdout=subprocess.PIPE)
    heard = []
    reader = threading.Thread(target=first_sound, args=(rec, heard), daemon=True)
    time.sleep(0.5)  # the recording runs and the monitor is silent
    reader.start()
    t0 = time.monotonic()
    if win:
        subprocess.Popen(["xdotool", "mousemove", "--window", win, "600", "100", "click", "1"])
    reader.join(10)
    rec.kill()
    app.terminate()
    try:
        app.wait(5)
    except subprocess.TimeoutExpired:
        app.kill()
    subprocess.run(["kill", bus[1]])
    shutil.rmtree(home, ignore_errors=True)
    return (heard[0] - t0) * 1000 if heard else None


def mpv_run(url):
    rec = subprocess.Popen(["parec", "--device=nullsink.monitor", "--raw", "--format=s16le", "--rate=44100",
                            "--channels=1", "--latency-msec=5"], stdout=subprocess.PIPE)
    heard = []
    reader = threading.Thread(target=first_sound, args=(rec, heard), daemon=True)
    time.sleep(0.5)
    reader.start()
    t0 = time.monotonic()
    mpv = subprocess.Popen(["mpv", "--no-config", "--no-video", "--ao=pulse", url],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    reader.join(10)
    rec.kill()
    mpv.kill()
    mpv.wait()
    return (heard[0] - t0) * 1000 if heard else None


def report(label, figures):
    heard = [f for f in figures if f is not None]
    print(f"{label} (ms):", ", ".join("-" if f is None else f"{f:.0f}" for f in figures))
    if heard:
        print(f"  median {statistics.median(heard):.0f} ms, min {min(heard):.0f}, max {max(heard):.0f}, "
              f"{len(heard)} of {len(figures)} runs heard")
    return statistics.median(heard) if heard else None


def main():
    program, library = sys.argv[1:3]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    url = sys.argv[4] if len(sys.argv) > 4 else None
    ours, bare = [], []
    for _ in range(runs):  # interleaved, so both see the same load
        ours.append(one_run(program, library))
        if url:
            bare.append(mpv_run(url))
    a = report("click -> first sound at the sink", ours)
    if url:
        b = report("bare mpv start -> first sound at the sink", bare)
        if a and b:
            print(f"  ratio {a / b:.2f}")

if __name__ == "__main__":
    main()
