verify() {
  # A scan without an INF path reads nothing, so nothing is traced, and nothing is installed.
  [ -z "$(trace_texts)" ] || fail "the refresh traced something"
  local name
  for name in qcmdm qcser adb; do
    [ -z "$(reg_value 'HKLM\Software\Quarvel\SampleMarks' "$name")" ] || fail "a driver was installed: $name"
  done
}
