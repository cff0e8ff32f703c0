# Sourced by every script that runs Wine: puts our wine and wineboot (cmake/wine-bin), which pick the
# loader by the program's PE machine, first on PATH.
quarvel_cmake_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
case ":$PATH:" in *":$quarvel_cmake_dir/wine-bin:"*) ;; *) PATH=$quarvel_cmake_dir/wine-bin:$PATH ;; esac
export PATH

# The Windows a program runs on as its users have it: an i686 program alone on 32-bit Windows (win32), an
# x86_64 one on 64-bit Windows (win64). Read from the program's PE header.
windows_of() {
  local machine
  machine=$("$quarvel_cmake_dir/pe-machine.sh" "$1") || return 1
  case $machine in i686) echo win32 ;; x86_64) echo win64 ;; esac
}

# The stamp of a prefix of this Windows (win32|win64) made here: Wine's version, the arch, the loader of
# its programs, whether Wine's 32-bit side runs (a 64-bit prefix made without it has an empty syswow64,
# so it cannot run the 32-bit program), and what else preparing it did (the caller's words). A prefix
# with another stamp is made again.
prefix_stamp() {
  local loader=/usr/lib/wine/wine64 side=no
  [ "$1" = win32 ] && loader=/usr/lib/wine/wine
  /usr/lib/wine/wine --version >/dev/null 2>&1 && side=yes
  echo "$(wine --version) arch=$1 loader=$loader 32-bit-side=$side${2:+ $2}"
}

# Makes the prefix WINEPREFIX of this Windows (win32|win64), once per stamp and under a lock, without a
# display: wineboot, then the caller's own preparation (a command; the words that name it join the stamp),
# then the wait for Wine's server. What it printed goes to WINEPREFIX.log. wineboot is judged by what it
# made, the registry the server saves as it ends (its exit status is not measured on every kind of host).
#   prepare_prefix <win32|win64> <what the command does> [command args...]
prepare_prefix() {
  local windows=$1 stamp
  stamp=$(prefix_stamp "$windows" "$2")
  shift 2
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    [ "$(cat "$WINEPREFIX/.prepared" 2>/dev/null)" != "$stamp" ] || exit 0
    rm -rf "$WINEPREFIX"
    (unset DISPLAY && export WINEARCH=$windows && { wineboot -i; "${@:-true}"; } && wineserver -w &&
      [ -f "$WINEPREFIX/system.reg" ]) \
      </dev/null >"$WINEPREFIX.log" 2>&1 || { echo "preparing $WINEPREFIX failed, see $WINEPREFIX.log" >&2; exit 1; }
    echo "$stamp" >"$WINEPREFIX/.prepared"
  ) 9>"$WINEPREFIX.lock"
}

# Starts a virtual display of its own, which Xvfb names in <file> once it takes clients; sets DISPLAY and
# xvfb_pid. Its log is <file>.log.
start_display() {
  Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$1" </dev/null >"$1.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 200); do [ -s "$1" ] && break; sleep 0.05; done
  [ -s "$1" ] || { echo "Xvfb did not start, see $1.log" >&2; return 1; }
  export DISPLAY=:$(head -n1 "$1")
}
