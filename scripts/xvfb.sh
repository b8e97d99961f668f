# Sourced by the scripts: start_xvfb starts a private X server with the screen
# the engine expects (exactly 1024x768x24), exports DISPLAY and stops the
# server when the calling shell exits.
start_xvfb() {
    local fd_file
    fd_file=$(mktemp)
    # -noreset: the server must not reset between the many short-lived test
    # clients, or a client connecting during the reset is refused.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fd_file" 2>/dev/null &
    XVFB_PID=$!
    trap 'kill "$XVFB_PID" 2>/dev/null || true' EXIT
    for _ in $(seq 1 100); do
        [[ -s $fd_file ]] && break
        sleep 0.05
    done
    if [[ ! -s $fd_file ]]; then
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$(head -n 1 "$fd_file")"
    rm -f "$fd_file"
}
