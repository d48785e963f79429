#!/usr/bin/python3
"""Click on a row -> first sound at the sound server, and -> the place moving over MPRIS.

usage (bench/playback/click_run.sh sets all of this up): inside Xvfb, PulseAudio with a null
sink "nullsink" reachable through PULSE_SERVER, the lecture service the program was built for
serving LIBRARY's first track, CLICK_MEDIA naming a copy of that track's file:
    click_to_audio.py PROGRAM LIBRARY_JSON [RUNS [STREAM_URL]]

Each run, over HTTP and then from a stored file (the track put in the downloads folder): a
fresh data folder holding LIBRARY as a fresh cache, a private session bus, the program started
and left until its window shows and its MPRIS name is on the bus (then 2 s more), then a click
on the first Home row. `parec` records the monitor with 5 ms latency; "sound" is the time from
just before the click to the first 10 ms block holding a sample above 1 % of full scale (it
carries up to one block of recording latency); "moving" is the time to the first MPRIS Position
above 0 (read every 2 ms). The baseline, interleaved so it sees the same load: bare
`mpv --no-video` started on the same source -> its first sound at the same monitor.
A run that is not heard prints what the program was doing (playback status, place, the sound
server's streams; or, with no window, whether it runs and its last log lines). Prints the figures, medians and worst; never fails.
"""
import json, os, shutil, statistics, subprocess, sys, tempfile, threading, time

import dbus

PAREC = ["parec", "--device=nullsink.monitor", "--raw", "--format=s16le", "--rate=44100",
        "--channels=1", "--latency-msec=5"]
MPRIS = "org.mpris.MediaPlayer2.talvora"


def first_sound(proc, out):
    while True:
        block = proc.stdout.read(441 * 2)  # 10 ms of 44.1 kHz mono s16
        if not block:
            return
        if max(abs(int.from_bytes(block[i:i + 2], "little", signed=True)) for i in range(0, len(block) - 1, 2)) > 327:
            out.append(time.monotonic())
            return


def first_move(player, out, stop):
    while not stop.is_set():
        try:
            if player.Get("org.mpris.MediaPlayer2.Player", "Position",
                          dbus_interface="org.freedesktop.DBus.Properties") > 0:
                out.append(time.monotonic())
                return
        except dbus.DBusException:
            pass
        time.sleep(0.002)


def recording():
    rec = subprocess.Popen(PAREC, stdout=subprocess.PIPE)
    heard = []
    reader = threading.Thread(target=first_sound, args=(rec, heard), daemon=True)
    time.sleep(0.5)  # the recording runs and the monitor is silent
    reader.start()
    return rec, reader, heard


def one_run(program, library, stored):
    home = tempfile.mkdtemp(prefix="talvora-click-")
    env = dict(os.environ, HOME=home, XDG_DATA_HOME=f"{home}/data", XDG_CONFIG_HOME=f"{home}/config",
               XDG_RUNTIME_DIR=f"{home}/rt")
    os.makedirs(f"{home}/rt", mode=0o700)
    os.makedirs(f"{home}/data/Quillora/Downloads")
    lib = json.load(open(library))
    now = int(time.time())
    json.dump({"tracks": lib["data"], "cacheTimestamp": now, "lastCheckTimestamp": now,
               "serverTotal": lib["total_files"]}, open(f"{home}/data/Quillora/tracks_cache.json", "w"))
    if stored:
        shutil.copy(os.environ["CLICK_MEDIA"], f"{home}/data/Quillora/Downloads/{lib['data'][0]['id']}.mp3")
    bus_out = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                             env=env, capture_output=True, text=True, check=True).stdout.split()
    env["DBUS_SESSION_BUS_ADDRESS"] = bus_out[0]
    bus = dbus.bus.BusConnection(bus_out[0])
    app = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL, stderr=open(f"{home}/log", "w"))
    win, shown, named = None, False, False
    for _ in range(600):
        r = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(app.pid), "--name", "Talvora"],
                           capture_output=True, text=True)
        shown, named = bool(r.stdout.split()), bus.name_has_owner(MPRIS)
        if shown and named:
            win = r.stdout.split()[0]
            break
        time.sleep(0.05)
    player = bus.get_object(MPRIS, "/org/mpris/MediaPlayer2") if win else None
    time.sleep(2)
    rec, reader, heard = recording()
    moved, stop = [], threading.Event()
    mover = threading.Thread(target=first_move, args=(player, moved, stop), daemon=True)
    t0 = time.monotonic()
    if win:
        subprocess.Popen(["xdotool", "mousemove", "--window", win, "600", "100", "click", "1"])
        mover.start()
    reader.join(10)
    if win:
        mover.join(max(0.1, 10 - (time.monotonic() - t0)))
    stop.set()
    rec.kill()
    if not heard:
        state = f"window {'shown' if shown else 'not shown'}, MPRIS name {'on' if named else 'not on'} the bus, " \
                f"program {'running' if app.poll() is None else 'ended with ' + str(app.returncode)}, " \
                f"its log: {open(f'{home}/log').read().strip()[-1500:]!r}"
        if win:
            props = player.GetAll("org.mpris.MediaPlayer2.Player", dbus_interface="org.freedesktop.DBus.Properties")
            state = f"status {props['PlaybackStatus']}, place {props['Position'] / 1e6:.1f} s"
        inputs = subprocess.run(["pactl", "list", "sink-inputs", "short"], capture_output=True, text=True).stdout
        print(f"  not heard: {state}; sound server streams: {inputs.strip() or 'none'}", flush=True)
    app.terminate()
    try:
        app.wait(5)
    except subprocess.TimeoutExpired:
        app.kill()
    bus.close()
    subprocess.run(["kill", bus_out[1]])
    shutil.rmtree(home, ignore_errors=True)
    ms = lambda t: (t[0] - t0) * 1000 if t else None
    return ms(heard), ms(moved)


def mpv_run(source):
    rec, reader, heard = recording()
    t0 = time.monotonic()
    mpv = subprocess.Popen(["mpv", "--no-config", "--no-video", "--ao=pulse", source],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    reader.join(10)
    rec.kill()
    mpv.kill()
    mpv.wait()
    return (heard[0] - t0) * 1000 if heard else None


def report(label, figures, baseline=None):
    heard = [f for f in figures if f is not None]
    print(f"{label} (ms):", ", ".join("-" if f is None else f"{f:.0f}" for f in figures))
    if not heard:
        return None
    med = statistics.median(heard)
    ratio = f", {med / baseline:.2f}x the baseline" if baseline else ""
    print(f"  median {med:.0f} ms, best {min(heard):.0f}, worst {max(heard):.0f}, "
          f"{len(heard)} of {len(figures)} runs{ratio}", flush=True)
    return med


def main():
    program, library = sys.argv[1:3]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    url = sys.argv[4] if len(sys.argv) > 4 else None
    for stored, source in ((False, url), (True, os.environ.get("CLICK_MEDIA"))):
        sound, moving, bare = [], [], []
        for _ in range(runs):  # interleaved, so both see the same load
            s, m = one_run(program, library, stored)
            sound.append(s)
            moving.append(m)
            if source:
                bare.append(mpv_run(source))
        where = "stored file" if stored else "HTTP"
        print(f"== {where}, load {os.getloadavg()[0]:.2f} ==")
        b = report(f"bare mpv start -> first sound ({where})", bare) if source else None
        report(f"click -> first sound at the sink ({where})", sound, b)
        report(f"click -> place moving over MPRIS ({where})", moving)
        report(f"first sound -> place moving ({where})",
               [m - s if m is not None and s is not None else None for s, m in zip(sound, moving)])


if __name__ == "__main__":
    main()
