# The modem INF lost its [Version] section, so its device class cannot be read; the other two INFs
# are sound. The modem install must fail and the dialog must say so, though the last pass worked.
prepare() {
  sed -i '/^\[Version\]/,/^[[:space:]]*$/d' "$app_dir/qcmdm.inf"
  ! grep -q '^\[Version\]' "$app_dir/qcmdm.inf" || fail "the [Version] section is still there"
  grep -q '^\[Models.NTamd64\]' "$app_dir/qcmdm.inf" || fail "the models section went too"
  # What the platform says of that INF: no class, and no error code to tell why.
  setupdev infclass "$app_dir_win\\qcmdm.inf" | tr -d '\r' >"$work/infclass.txt" || true
  grep -q '^INFCLASS result=0 ' "$work/infclass.txt" || fail "the platform still reads a class: $(cat "$work/infclass.txt")"
}

verify() {
  # The modem pass: its hardware ID is read from the INF, no device carries it, and the new node is
  # never made because the class is unknown. The two other passes install as usual.
  trace_expect_in_order 'Search for Device ID: [USB\\VID_05C6&PID_9018&MI_02\n]\n' 'EnumDeviceInfo' 'GetINFClass fail' \
    'Search for Device ID: [USB\\VID_05C6&PID_9018&MI_03\n]\n' 'Driver Installed successfully.\n' \
    'Search for Device ID: [USB\\VID_05C6&PID_9018&MI_01\n]\n' 'Driver Installed successfully.\n'
  [ "$(trace_texts | grep -cx 'Driver Installed successfully.\\n')" = 2 ] || fail "expected exactly two installs"
  [ "$(trace_texts | grep -cx 'GetINFClass fail')" = 1 ] || fail "expected exactly one class failure"
  trace_absent 'Found!' 'CreateDeviceInfo' 'CallClassInstaller(' 'UpdateDriverForPlugAndPlayDevices'
  expect_devices_at "$(trace_seq 'GetINFClass fail')" -
  expect_devices_at "$(trace_seq 'Driver Installed successfully.\n' 1)" \
    'DEV ROOT\* | hwid=USB\VID_05C6&PID_9018&MI_03 | * | mark=qcser'
  expect_devices_at "$(trace_seq 'Driver Installed successfully.\n' 2)" \
    'DEV ROOT\* | hwid=USB\VID_05C6&PID_9018&MI_01 | * | mark=adb'

  [ -z "$(reg_value 'HKLM\Software\Quarvel\SampleMarks' qcmdm)" ] || fail "the broken modem INF left a mark"
  [ "$(reg_value 'HKLM\Software\Quarvel\SampleMarks' qcser)" = installed ] || fail "the serial INF was not installed"
  [ "$(reg_value 'HKLM\Software\Quarvel\SampleMarks' adb)" = installed ] || fail "the adb INF was not installed"
}
