# Checks after the steps: what the trace says happened, and what the system kept.
ids=('USB\VID_05C6&PID_9018&MI_02' 'USB\VID_05C6&PID_9018&MI_03' 'USB\VID_05C6&PID_9018&MI_01')
marks=(qcmdm qcser adb)

verify() {
  local expected=() id
  # Per INF in order: no present device carries the kind's ID, so a root node with that fallback
  # ID is made and the driver installed on it.
  for id in "${ids[@]}"; do
    expected+=("Search for Device ID: [${id//\\/\\\\}\\n]\\n" 'EnumDeviceInfo' 'Driver Installed successfully.\n')
  done
  trace_expect_in_order "${expected[@]}"
  trace_absent 'Found!' 'File not found:' 'GetINFClass fail' 'CreateDeviceInfo' 'SetDeviceRegistryProperty' \
    'CallClassInstaller(' 'UpdateDriverForPlugAndPlayDevices' 'GetClassDevs('

  # Every node made for the install was removed again.
  for id in "${ids[@]}"; do
    expect_no_device "$id"
  done

  # Each driver's install section ran (its mark outlives the removed node).
  local i
  for i in 0 1 2; do
    [ "$(reg_value 'HKLM\Software\Quarvel\SampleMarks' "${marks[$i]}")" = installed ] ||
      fail "no registry mark of ${marks[$i]}: its install section did not run"
  done
}
