modem_id='USB\VID_05C6&PID_9018&MI_02'
# The seeded device is the one the modem pass installs on and then removes.
devices_expected_gone=("$modem_id")

prepare() {
  # A present device of the modem INF's class carrying the ID its models section lists.
  setupdev create "$modem_id" "$app_dir_win\\qcmdm.inf" | tr -d '\r' >"$work/seeded.txt" || fail "could not seed $modem_id"
  seeded=$(sed -n 's/^CREATED //p' "$work/seeded.txt")
  [[ $seeded == 'ROOT\'* ]] || fail "setupdev did not report the seeded node: $(cat "$work/seeded.txt")"
}

verify() {
  local escaped=${modem_id//\\/\\\\}
  # The search finds the seeded device and the install goes onto it: no walk to the end of the
  # list (which "EnumDeviceInfo" reports) and so no root node of the modem kind.
  trace_expect_in_order "Search for Device ID: [$escaped\\n]\\n" "Compare device ID: [$escaped\\n]\\n" \
    "Found! [$escaped\\n]\\n" 'Driver Installed successfully.\n' \
    'Search for Device ID: [USB\\VID_05C6&PID_9018&MI_03\n]\n'
  [ "$(trace_texts | grep -c '^Found!')" = 1 ] || fail "expected exactly one find"
  [ "$(trace_texts | grep -c '^EnumDeviceInfo$')" = 2 ] || fail "expected the end-of-list trace of the two other passes only"
  local found installed
  found=$(trace_seq "Found! [$escaped\\n]\\n")
  installed=$(trace_seq 'Driver Installed successfully.\n')
  [ "$found" -lt "$installed" ] || fail "the first install came before the find"
  ! sed -n "${found},${installed}p" "$trace_log" | cut -f2- | grep -qx 'EnumDeviceInfo' ||
    fail "the modem pass searched to the end of the list after its find"

  # The devices at each step: the seeded node, alone, carries the modem driver at its install
  # (no second node of that ID was made), and is gone when the serial pass starts.
  expect_devices_at "$found" "DEV $seeded | hwid=$modem_id | * | mark=qcmdm"
  expect_devices_at "$installed" "DEV $seeded | hwid=$modem_id | class=Modem | * | mark=qcmdm"
  expect_devices_at "$(trace_seq 'Search for Device ID: [USB\\VID_05C6&PID_9018&MI_03\n]\n')" -

  # Each of the three passes installed its driver, none failed.
  [ "$(trace_texts | grep -cx 'Driver Installed successfully.\\n')" = 3 ] || fail "not three installs in the trace"
  trace_absent 'File not found:' 'GetINFClass fail' 'UpdateDriverForPlugAndPlayDevices'
  # The seeded device was the one matched by the rescan, so the pass removed it.
  expect_no_device "$modem_id"
  [ "$(reg_value 'HKLM\Software\Quarvel\SampleMarks' qcmdm)" = installed ] || fail "the modem INF was not installed"
}
