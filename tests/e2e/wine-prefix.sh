# Wine prefix set-up shared by the end-to-end runner and the Wine benchmarks (sourced, bash).
#
#   prepare_base_prefix <build-dir> <source-dir>
#       prepares, once per build folder and Wine version, the base prefix <build-dir>/wine/e2e-base
#       (64-bit, so the i686 and the x86_64 program both run; unmanaged windows; CJK font link; the
#       caller's locale, which should be zh_CN.UTF-8). Prints a line when it had to prepare it.
#   copy_base_prefix <build-dir> <copy>
#       a private copy of it, taken under the base's shared lock.
#
# Sourcing it also sets the Wine environment both callers run in: quiet, no Mono/Gecko prompts, zh_CN so
# that the ANSI code page is 936, a 64-bit prefix so that both the i686 and the x86_64 program run, and
# never the caller's display or Wine server (the callers start their own).
source "$(dirname "${BASH_SOURCE[0]}")/../../cmake/wine-env.sh"
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
unset WINESERVER DISPLAY

prepare_base_prefix() {
  local build=$1 source_dir=$2
  # Copies share the base's program images through hard links (below), so a base made by another
  # Wine build is never reused: Wine would rewrite those images in place when updating a copy.
  local base=$build/wine/e2e-base
  local base_stamp="prepared for $(wine --version)"
  mkdir -p "$build/wine"
  (
    flock 9
    if [ "$(cat "$base/.e2e-prepared" 2>/dev/null)" != "$base_stamp" ]; then
      started=$SECONDS
      rm -rf "$base"
      export WINEPREFIX=$base
      (
        unset DISPLAY
        wineboot -i
        # No window manager in Xvfb: unmanaged windows skip Wine's wait on every map and unmap.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
        "$source_dir/tools/wine-link-cjk-font.sh"
        wineserver -w
      ) </dev/null >"$build/wine/e2e-base.log" 2>&1 || { echo "preparing $base failed, see $build/wine/e2e-base.log" >&2; exit 1; }
      echo "$base_stamp" >"$base/.e2e-prepared"
      echo "prepared the base prefix $base in $((SECONDS - started)) s"
    fi
  ) 9>"$base.lock"
}

# copy_prefix <base> <copy>: the registry and every other file Wine may change become private
# copies; the 1.2 GB of Wine's own DLLs and programs, which a run only reads, are hard links.
copy_prefix() {
  local images=("$2/drive_c/windows/system32" "$2/drive_c/windows/syswow64" "$2/drive_c/windows/winsxs")
  cp -al "$1" "$2"
  find "$2" \( -path "${images[0]}" -o -path "${images[1]}" -o -path "${images[2]}" \) -prune -o \
    -type f -links +1 -exec sh -c 'for f; do cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f"; done' sh {} +
}

copy_base_prefix() {
  local base=$1/wine/e2e-base
  # Shared lock: the base is only rebuilt (exclusively, above) when no copy is being taken.
  ( flock -s 9; copy_prefix "$base" "$2" ) 9>"$base.lock"
}
