# A Wine session of its own for the end-to-end runner and the Wine benchmarks (sourced, bash).
#
#   wine_session <build-dir> <work-dir> <win32|win64>
#       prepares, once per build folder and stamp (prefix_stamp: Wine version, arch, loader, 32-bit side),
#       the base prefix <build-dir>/wine/e2e-base-<windows> (32-bit or 64-bit Windows; unmanaged windows;
#       CJK font link), copies it to <work-dir>/prefix (WINEPREFIX), and starts a display (DISPLAY) and a
#       Wine server of the session's own, so that sessions can run side by side.
#   end_wine_session      stops the server, then the display.
#   device_instances      every device instance in the prefix's registry, one a line, sorted.
#
# Sourcing it also sets the environment: quiet, no Mono/Gecko prompts, zh_CN so that the ANSI code page is
# 936, and never the caller's display or Wine server.
source "$(dirname "${BASH_SOURCE[0]}")/../../cmake/wine-env.sh"
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINESERVER DISPLAY WINEARCH
font_link=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../tools" && pwd)/wine-link-cjk-font.sh

wine_session() {
  local base=$1/wine/e2e-base-$3
  export WINEARCH=$3 WINEPREFIX=$base
  # Copies share the base's program images through hard links, so a base that another Wine build made
  # is never reused (that Wine would rewrite those images in place when updating a copy), nor one made
  # on another kind of host (without Wine's 32-bit side, a 64-bit prefix has an empty syswow64).
  prepare_prefix "$3" "unmanaged windows, CJK font link" prepare_base || return 1
  # The registry and every other file Wine may change become private copies; Wine's own DLLs and
  # programs, which a run only reads, stay hard links. Under the shared lock: the base is only rebuilt
  # (above) while no copy is being taken.
  export WINEPREFIX=$2/prefix
  (flock -s 9 && cp -al "$base" "$WINEPREFIX" && find "$WINEPREFIX" -regex '.*/drive_c/windows/\(system32\|syswow64\|winsxs\)' \
    -prune -o -type f -links +1 -exec sh -c 'for f; do cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f"; done' sh {} +) 9>"$base.lock"
  start_display "$2/display" || return 1
  # Its output away from the caller's pipes: ctest would wait for the server to end.
  wineserver -p </dev/null >/dev/null 2>&1
}

# No window manager in Xvfb: unmanaged windows spare Wine's wait on every map and unmap.
prepare_base() { wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f && "$font_link"; }

end_wine_session() {
  # The server first, while the display still exists: Wine's processes must not lose X under them.
  [ ! -d "${WINEPREFIX:-}" ] || wineserver -k >/dev/null 2>&1
  [ -z "${xvfb_pid:-}" ] || { kill "$xvfb_pid" && wait "$xvfb_pid"; } 2>/dev/null
}

device_instances() {
  # There is always a device: a read that gives none failed (a busy host may fail one), so it is read again.
  local listing=
  for _ in 1 2 3; do
    listing=$(wine reg query 'HKLM\System\CurrentControlSet\Enum' /s </dev/null 2>/dev/null | tr -d '\r' |
      grep -E '\\Enum(\\[^\\]+){3}$') && break
  done
  LC_ALL=C sort <<<"$listing"
}
