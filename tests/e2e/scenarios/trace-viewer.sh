# A text far longer than the application's trace buffer, to show the viewer takes any length.
long_text=$(printf 'USB\\VID_05C6&PID_9018&MI_%02d;' $(seq 0 99) | head -c 2000)

prepare() {
  driver_vars+=("LONG_TEXT=$long_text")
}

verify() {
  local expected
  expected=$(printf '1\tfirst\n2\tmulti\\nline\\r\\ntext\\n\n3\t\n4\tback\\\\slash, tab\\tand 100%% %%s\n5\t中文测试！\n6\t%s\n' \
    "${long_text//\\/\\\\}")
  [ "$(cat "$trace_log")" = "$expected" ] || {
    diff <(echo "$expected") "$trace_log" >&2 || true
    fail "the capture file differs from the texts sent"
  }
}
