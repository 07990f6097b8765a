# Sourced by the scripts that run tests: starts one X server for the rest of the script, sets
# DISPLAY to it (-displayfd picks a free display number) and stops it on exit.
xvfb_out=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$xvfb_out" 2>/dev/null &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true; rm -f "$xvfb_out"' EXIT
for _ in $(seq 100); do [ -s "$xvfb_out" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$xvfb_out")" LIBGL_ALWAYS_SOFTWARE=1
