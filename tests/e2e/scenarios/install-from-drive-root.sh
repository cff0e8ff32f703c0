prepare() {
  mv "$app_dir"/* "$drive_c/"
  driver_vars+=("APP=C:\\$app_name")
}

verify() {
  [ "$(trace_texts | grep -cx 'Driver Installed successfully.\\n')" = 3 ] || fail "not three installs in the trace"
  trace_absent 'File not found:'
  # The INFs were read from the drive's root: each one's install section ran.
  local name
  for name in qcmdm qcser adb; do
    [ "$(reg_value 'HKLM\Software\Quarvel\SampleMarks' "$name")" = installed ] || fail "no registry mark of $name"
  done
}
