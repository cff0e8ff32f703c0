# Opening and closing the dialog does nothing else: no trace, no driver, no device (the runner
# compares the device tree).
verify() {
  [ -z "$(trace_texts)" ] || fail "the program traced something: $(trace_texts | head -n 3)"
  local name
  for name in qcmdm qcser adb; do
    [ -z "$(reg_value 'HKLM\Software\Quarvel\SampleMarks' "$name")" ] || fail "a driver was installed: $name"
  done
}
