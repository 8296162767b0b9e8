# Sourced by the run and test scripts: a throwaway Wine world for one run.
#   wine_session_start DIR [headless]  - WINEPREFIX and HOME under DIR, an X display (the
#                                        user's, or Xvfb when there is none or when
#                                        headless is asked), a PulseAudio null sink and a
#                                        wineserver kept alive until wine_session_stop.
#                                        With WINE_SESSION_PREFIX set, that existing
#                                        prefix (a player's own) is used as it is, with
#                                        the user's own home, and its wineserver is left
#                                        alone.
#   wine_session_add DIR...            - more sessions beside the running one, for tests that
#                                        run side by side, started together: each a prefix,
#                                        home, Xvfb display and virtual pads of its own, with
#                                        the same sound server. A DIR written as win32:DIR
#                                        gets a 32-bit prefix (WINEARCH=win32). Fails, saying
#                                        which, when any of them did not start.
#   wine_session_stop                  - ends everything wine_session_start and
#                                        wine_session_add started.
# Each session writes DIR/env, the variables that tell it from the others, which
# tools/in-wine-session.sh reads to run a test in it.
#   WINE_PRESET                        - the CMake preset of the Windows build that runs
#                                        here: windows, or windows64 where only 64-bit
#                                        programs run (wine_session_preset).
# With VIRTUAL_PADS_LIBRARIES naming the virtual pad libraries (built with the tests, one of
# each width), Wine's device host is started with them preloaded, and VIRTUAL_PADS_COMMANDS
# names the file that the tests append pad commands to. The pads live as long as the
# session's wineserver; a session asked for pads fails to start when they do not come up.

WINE_SESSION_PIDS=()
WINE_SESSION_ADDED=()

# The Windows build to run here. Some machines run only 64-bit programs (no 32-bit user
# code at all), and where no consistent set of 32-bit packages could be installed there is
# no 32-bit Wine: then the tests run in the 64-bit build of the same sources under 64-bit
# Wine, reached through a `wine` of the session's own. Elsewhere the player's 32-bit program
# is what runs. WINE_SESSION_LIBDIR is where Debian puts Wine's loaders.
wine_session_preset() {
  local libdir=${WINE_SESSION_LIBDIR:-/usr/lib/wine}
  if "$libdir/wine" --version >/dev/null 2>&1 || ! [ -x "$libdir/wine64" ]; then
    echo windows
  else
    echo windows64
  fi
}
WINE_PRESET=$(wine_session_preset)
WINE_SESSION_NO_32BIT="No 32-bit Wine here (this machine runs no 32-bit programs, or no consistent set of its 32-bit packages could be installed)"

# The DLL overrides every session runs with: no .NET or HTML engine to install, no menu
# entries written to the desktop. Tests that switch a DLL off add theirs to this.
WINE_SESSION_DLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

wine_use_64bit() {
  local bin=$1/bin
  mkdir -p "$bin"
  printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' >"$bin/wine"
  printf '#!/bin/sh\nexec wine wineboot.exe "$@"\n' >"$bin/wineboot"
  chmod +x "$bin/wine" "$bin/wineboot"
  export PATH="$bin:$PATH"
}

wine_session_start() {
  local dir=$1 mode=${2:-}
  mkdir -p "$dir"
  WINE_SESSION_ADDED=()
  if [ -n "${WINE_SESSION_PREFIX:-}" ]; then
    export WINEPREFIX="$WINE_SESSION_PREFIX"
    WINE_SESSION_OWN_PREFIX=1
  else
    mkdir -p "$dir/home"
    export HOME="$dir/home"
    export WINEPREFIX="$dir/prefix"
    WINE_SESSION_OWN_PREFIX=0
  fi
  export WINEDEBUG=${WINEDEBUG:--all}
  [ "$WINE_PRESET" = windows64 ] && wine_use_64bit "$dir"
  export WINEDLLOVERRIDES="$WINE_SESSION_DLLOVERRIDES"
  unset LANGUAGE

  if [ "$mode" = headless ] || [ -z "${DISPLAY:-}" ]; then
    wine_session_xvfb "$dir"
    WINE_SESSION_PIDS+=("$(cat "$dir/xvfb.pid")")
    WINE_SESSION_HEADLESS=1

    # DirectSound needs a sound server; a null sink stands in for speakers and microphone.
    # (On a desktop the user's own sound server is used instead.)
    mkdir -p "$dir/runtime"
    chmod 700 "$dir/runtime"
    export XDG_RUNTIME_DIR="$dir/runtime"
    export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
    pulseaudio --daemonize=no --exit-idle-time=-1 -n --use-pid-file=no \
      --load="module-null-sink sink_name=null" \
      --load="module-native-protocol-unix socket=$XDG_RUNTIME_DIR/pulse/native" \
      >"$dir/pulseaudio.log" 2>&1 &
    WINE_SESSION_PIDS+=($!)
  else
    WINE_SESSION_HEADLESS=0
  fi

  [ "$WINE_SESSION_OWN_PREFIX" = 1 ] && return 0
  wine_session_boot "$dir" "$WINE_SESSION_HEADLESS" || return 1
  wine_session_write_env "$dir"
}

wine_session_add() {
  local entry dir arch booting=() names=() i failed=0
  for entry in "$@"; do
    arch=
    dir=$entry
    case $entry in win32:*) arch=win32 dir=${entry#win32:} ;; esac
    mkdir -p "$dir/home"
    WINE_SESSION_ADDED+=("$dir")
    (
      export HOME="$dir/home"
      export WINEPREFIX="$dir/prefix"
      [ -z "$arch" ] || export WINEARCH=$arch
      wine_session_xvfb "$dir"
      wine_session_boot "$dir" 1 || exit 1
      wine_session_write_env "$dir"
    ) &
    booting+=($!)
    names+=("$dir")
  done
  # Each session's own status: one that failed fails the lot, whichever finished last.
  for i in "${!booting[@]}"; do
    if ! wait "${booting[$i]}"; then
      echo "wine-session: the session in ${names[$i]} did not start" >&2
      failed=1
    fi
  done
  return $failed
}

# An Xvfb display on a number of its own, which the server picks (so sessions started side
# by side never take the same one): DISPLAY, and the server's pid in DIR/xvfb.pid.
wine_session_xvfb() {
  local dir=$1
  : >"$dir/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
  echo $! >"$dir/xvfb.pid"
  for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$dir/display")"
}

# A new prefix made and its wineserver kept running, with Wine's services (and the HID bus
# with the virtual pads) started. Fails when pads were asked for and did not start.
# On an Xvfb display (NO_WM 1) no window manager runs: Wine's windows are then made
# unmanaged, or Wine waits two seconds for a manager's answer whenever a window closes.
wine_session_boot() {
  local dir=$1 no_wm=${2:-0}
  wineboot -i >"$dir/wineboot.log" 2>&1 || true
  wineserver -w
  wineserver -p
  # Only the services take the preload: the HID bus lives in one of them. Its width is
  # Wine's business (a 64-bit host in a 64-bit prefix, even under the 32-bit loader), so
  # both widths are preloaded; the loader skips the other one with a "wrong ELF class" note.
  local services=() preload
  preload=$(wine_session_pad_preload)
  if [ -n "$preload" ]; then
    export VIRTUAL_PADS_COMMANDS="$dir/virtual-pads"
    : >"$VIRTUAL_PADS_COMMANDS"
    services=(env LD_PRELOAD="$preload")
  fi
  # Start Wine's own services once, alone: several programs starting them at the same
  # moment on a fresh prefix can hang.
  local first=(cmd /c exit)
  [ "$no_wm" = 1 ] && first=(reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f)
  "${services[@]}" wine "${first[@]}" >/dev/null 2>&1 || true
  # The pads can be plugged in once the HID bus runs: the library then says how many
  # commands it has carried out.
  if [ ${#services[@]} -gt 0 ]; then
    for _ in $(seq 300); do [ -s "$VIRTUAL_PADS_COMMANDS.done" ] && break; sleep 0.1; done
    if ! [ -s "$VIRTUAL_PADS_COMMANDS.done" ]; then
      echo "wine-session: the virtual pads did not start in $dir (preloaded: $preload)" >&2
      return 1
    fi
  fi
}

# The pad libraries of VIRTUAL_PADS_LIBRARIES that exist, as an LD_PRELOAD list.
wine_session_pad_preload() {
  local lib found=()
  for lib in ${VIRTUAL_PADS_LIBRARIES:-}; do
    [ -e "$lib" ] && found+=("$lib")
  done
  echo "${found[*]}"
}

# The variables that tell one session from another, as shell assignments.
wine_session_write_env() {
  local dir=$1 name
  : >"$dir/env"
  for name in HOME WINEPREFIX WINEARCH DISPLAY VIRTUAL_PADS_COMMANDS; do
    if [ -n "${!name:-}" ]; then printf 'export %s=%q\n' "$name" "${!name}" >>"$dir/env"; fi
  done
}

wine_session_stop() {
  [ "${WINE_SESSION_OWN_PREFIX:-0}" = 1 ] || wineserver -k >/dev/null 2>&1 || true
  local pid dir
  for dir in "${WINE_SESSION_ADDED[@]}"; do
    WINEPREFIX="$dir/prefix" wineserver -k >/dev/null 2>&1 || true
    [ -s "$dir/xvfb.pid" ] && WINE_SESSION_PIDS+=("$(cat "$dir/xvfb.pid")")
  done
  WINE_SESSION_ADDED=()
  for pid in "${WINE_SESSION_PIDS[@]}"; do kill "$pid" >/dev/null 2>&1 || true; done
  for pid in "${WINE_SESSION_PIDS[@]}"; do wait "$pid" >/dev/null 2>&1 || true; done
  WINE_SESSION_PIDS=()
}
