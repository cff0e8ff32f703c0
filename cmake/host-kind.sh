#!/usr/bin/env bash
# The kind of host a build folder was configured on (<build>/host-runs-32bit), read by the scripts that
# run its programs.
#   host-kind.sh BUILD-DIR   prints yes (the host runs 32-bit code) or no (64-bit code only); fails,
#                            saying so, when this host is of the other kind or the folder has no answer
set -euo pipefail
build=${1:?usage: host-kind.sh BUILD-DIR}
recorded=$(cat "$build/host-runs-32bit" 2>/dev/null) ||
  { echo "host-kind: $build has no host-runs-32bit: configure it first (cmake --preset ...)" >&2; exit 2; }
status=0
"$(dirname "$0")/host-runs-32bit.sh" "$build" || status=$?
case $status in 0) now=yes ;; 1) now=no ;; *) exit 2 ;; esac
say() { [ "$1" = yes ] && echo "runs 32-bit code" || echo "runs 64-bit code only"; }
[ "$now" = "$recorded" ] || {
  echo "host-kind: $build was configured on a host that $(say "$recorded"), and this host $(say "$now"):" \
    "configure it again here (cmake --preset <its preset>)" >&2
  exit 1
}
echo "$now"
