prepare() {
  mv "$app_dir"/* "$drive_c/"
  driver_vars+=("APP=C:\\$app_name")
}

verify() {
  [ "$(trace_texts | grep -cx 'Driver Installed successfully.\\n')" = 3 ] || fail "not three installs in the trace"
  trace_absent 'File not found:'
}
