# Checks after the steps: what the trace says happened, which devices stood at each step, and what
# the system kept.
ids=('USB\VID_05C6&PID_9018&MI_02' 'USB\VID_05C6&PID_9018&MI_03' 'USB\VID_05C6&PID_9018&MI_01')
marks=(qcmdm qcser adb)

verify() {
  local expected=() id i
  # Per INF in order: no present device carries the kind's ID, so a root node with that fallback
  # ID is made and the driver installed on it.
  for id in "${ids[@]}"; do
    expected+=("Search for Device ID: [${id//\\/\\\\}\\n]\\n" 'EnumDeviceInfo' 'Driver Installed successfully.\n')
  done
  trace_expect_in_order "${expected[@]}"
  [ "$(trace_texts | grep -c '^Search for Device ID:')" = 3 ] || fail "expected exactly three device searches"
  trace_absent 'Found!' 'File not found:' 'GetINFClass fail' 'CreateDeviceInfo' 'SetDeviceRegistryProperty' \
    'CallClassInstaller(' 'UpdateDriverForPlugAndPlayDevices' 'GetClassDevs('

  # The devices at each step: none of the phone's while a pass searches; at its install, one root
  # node carrying the kind's fallback ID with that kind's driver; gone again before the next pass.
  for i in 0 1 2; do
    expect_devices_at "$(trace_seq "Search for Device ID: [${ids[$i]//\\/\\\\}\\n]\\n")" -
    expect_devices_at "$(trace_seq 'Driver Installed successfully.\n' $((i + 1)))" \
      "DEV ROOT\\* | hwid=${ids[$i]} | * | mark=${marks[$i]}"
  done

  # Every node made for the install was removed again (the runner compares the whole tree too).
  for id in "${ids[@]}"; do
    expect_no_device "$id"
  done

  # Each driver's install section ran (its mark outlives the removed node), and it ran in the
  # registry view of the program's own architecture: proof of which program really ran.
  local bits other
  bits=$(pe_bits "$app")
  other=$((bits == 32 ? 64 : 32))
  for i in 0 1 2; do
    [ "$(reg_value 'HKLM\Software\Quarvel\SampleMarks' "${marks[$i]}" "$bits")" = installed ] ||
      fail "no registry mark of ${marks[$i]} in the $bits-bit view: its install section did not run there"
    [ -z "$(reg_value 'HKLM\Software\Quarvel\SampleMarks' "${marks[$i]}" "$other")" ] ||
      fail "a registry mark of ${marks[$i]} in the $other-bit view: not the $bits-bit program installed"
  done
}
