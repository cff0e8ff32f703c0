# The outcome box's caption is the program's file name without its extension: Quarvel or Quarvel64.
prepare() { export APP_TITLE=$(basename "$app" .exe); }

# Each install section ran in the registry view of the program's own architecture only: proof of which
# program really ran.
verify() {
  local bits name
  bits=$(pe_bits "$app")
  for name in qcmdm qcser adb; do
    [ "$(reg_mark $name "$bits")" = installed ] && [ -z "$(reg_mark $name $((96 - bits)))" ] ||
      fail "the mark of $name is not in the $bits-bit registry view alone"
  done
}
