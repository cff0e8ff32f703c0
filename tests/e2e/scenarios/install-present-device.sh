modem_id='USB\VID_05C6&PID_9018&MI_02'
devices_expected_gone=("$modem_id")

prepare() {
  # A present device of the modem INF's class carrying the ID its models section lists.
  setupdev create "$modem_id" "$app_dir_win\\qcmdm.inf" >"$work/seeded.txt" || fail "could not seed $modem_id"
  grep -q '^CREATED ROOT\\' "$work/seeded.txt" || fail "setupdev did not report the seeded node"
}

verify() {
  local escaped=${modem_id//\\/\\\\}
  # The search finds the seeded device and the install goes onto it.
  trace_expect_in_order "Search for Device ID: [$escaped\\n]\\n" "Compare device ID: [$escaped\\n]\\n" \
    "Found! [$escaped\\n]\\n" 'Driver Installed successfully.\n'
  # Each of the three passes installed its driver, none failed.
  [ "$(trace_texts | grep -cx 'Driver Installed successfully.\\n')" = 3 ] || fail "not three installs in the trace"
  trace_absent 'File not found:' 'GetINFClass fail' 'UpdateDriverForPlugAndPlayDevices'
  # The seeded device was the one matched by the rescan, so the pass removed it.
  expect_no_device "$modem_id"
  [ "$(reg_value 'HKLM\Software\Quarvel\SampleMarks' qcmdm)" = installed ] || fail "the modem INF was not installed"
}
