# Sourced by every script that runs Wine: puts our wine and wineboot (cmake/wine-bin) first on PATH and
# decides once whether this host can run 32-bit programs (QUARVEL_HOST_32BIT=yes|no, exported).
quarvel_cmake_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
case ":$PATH:" in *":$quarvel_cmake_dir/wine-bin:"*) ;; *) PATH=$quarvel_cmake_dir/wine-bin:$PATH ;; esac
if [ -z "${QUARVEL_HOST_32BIT:-}" ]; then
  if "$quarvel_cmake_dir/host-runs-32bit.sh"; then QUARVEL_HOST_32BIT=yes; else QUARVEL_HOST_32BIT=no; fi
fi
export PATH QUARVEL_HOST_32BIT
