#!/usr/bin/env bash
# Starts the real binary in a real X server, waits for the window named "Tuneprune", presses
# Esc and expects the process to end with status 0; with "TERM" as the second argument, sends
# SIGTERM instead and expects 143, the window closed as by its close box.
set -u
binary=$1
ending=${2:-Escape}
expected=0
[ "$ending" = TERM ] && expected=143
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "needs Xvfb and xdotool"; exit 1; }

# Xvfb picks a free display itself and writes its number, so parallel runs never collide.
displayfile=$(mktemp)
# -noreset: no server reset when the probe below disconnects; one run under load had the program
# refused at :0 right after it, which such a reset would explain.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$displayfile" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -f "$displayfile"; [ -n "${app:-}" ] && kill $app 2>/dev/null' EXIT
for _ in $(seq 300); do [ -s "$displayfile" ] && break; sleep 0.1; done
[ -s "$displayfile" ] || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -n 1 "$displayfile")
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

env -u QT_QPA_PLATFORM "$binary" &
app=$!
window=""
for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name '^Tuneprune$' 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "no window named Tuneprune appeared"; exit 1; }

xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 0.3
if [ "$ending" = TERM ]; then
    kill -TERM $app
else
    xdotool key Escape
fi
for _ in $(seq 300); do
    kill -0 $app 2>/dev/null || break
    sleep 0.1
done
if kill -0 $app 2>/dev/null; then
    echo "still running after $ending"
    exit 1
fi
wait $app
status=$?
app=""
[ $status -eq $expected ] || { echo "exit status $status"; exit 1; }
echo "window appeared, $ending ended the program with status $status"
