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
