# The modem interface is plugged in: a device of the modem INF's class carrying the ID its models section
# lists, registered as Windows registers a device that has no driver yet.
key='HKLM\System\CurrentControlSet\Enum\ROOT\MODEM\0000'
win reg add "$key" /v HardwareId /t REG_MULTI_SZ /d 'USB\VID_05C6&PID_9018&MI_02' /f >/dev/null &&
  win reg add "$key" /v ClassGUID /d '{4D36E96D-E325-11CE-BFC1-08002BE10318}' /f >/dev/null ||
  fail "could not seed the modem device"
